// Data set files of any content, any MAC text: a row's value is never empty
// (a row left alone reads "N/A"); one from the file carries no spaces at its
// ends, is at most what one read returns and is part of the file or the
// missing key's "0"; one from the MAC holds no ":".
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/fill_data_set.h"
#include "fuzz_input.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    const auto macBytes = in.Take(in.Byte() % 24);
    const std::string mac(reinterpret_cast<const char*>(macBytes.data()), macBytes.size());
    const auto rest = in.Rest();
    const std::string content(reinterpret_cast<const char*>(rest.data()), rest.size());
    std::istringstream stream(content);
    const auto set = LoadFillDataSetIn(stream);
    if (!set) return 0;
    for (int s = kFirstFillSet; s <= kLastFillSet; ++s) {
        for (int row = 0; row <= 32; ++row) {
            const std::string v = ReadFillValue(s, row, mac, *set);
            if (v.empty()) std::abort();
            if (v == kFillNotApplied) continue;
            if (row == 0 && ServerNameFromMac(s)) {
                // The MAC text as the details show it, only its ":" taken out.
                if (v.find(':') != std::string::npos || v.size() > mac.size()) std::abort();
                continue;
            }
            if (v.front() == ' ' || v.back() == ' ') std::abort();
            if (v.size() > 999) std::abort();
            if (v != "0" && content.find(v) == std::string::npos) std::abort();
        }
    }
    return 0;
}
