#include "core/fill_data_set.h"

#include <algorithm>
#include <fstream>

#include "core/ini_file.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

// What a settings-file read of the program returns at most (its buffer of
// 1000 characters less the terminator).
constexpr size_t kValueLimit = 999;
constexpr std::string_view kMissingKey = "0";

bool SameKey(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

std::string FillDataSetFileName(int set) { return "FillDataSet" + std::to_string(set) + ".ini"; }

bool ServerNameFromMac(int set) { return set == 1 || set == 3 || set == 4; }

std::optional<FillDataSet> LoadFillDataSet(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return LoadFillDataSetIn(in);
}

std::optional<FillDataSet> LoadFillDataSetIn(std::istream& in) {
    auto keys = FindIniSectionIn(kFillSection, in);
    if (!keys) return std::nullopt;
    return FillDataSet{std::move(*keys)};
}

std::string ReadFillValue(int set, int row, std::string_view macText, const FillDataSet& data) {
    std::string text;
    if (row == 0 && ServerNameFromMac(set)) {
        for (char c : macText)
            if (c != ':') text += c;
    } else {
        const std::string key = std::to_string(row);
        std::string_view value = kMissingKey;
        for (const auto& [k, v] : data.keys) {
            if (SameKey(k, key)) {
                value = v;
                break;
            }
        }
        text = std::string(Trim(value.substr(0, std::min(value.size(), kValueLimit)), kSpaces));
    }
    return text.empty() ? std::string(kFillNotApplied) : text;
}

}  // namespace cobalin
