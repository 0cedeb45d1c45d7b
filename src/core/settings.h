// Every key the program reads from Setting.ini, with how it is read and what
// a missing key means, and the [RunMode] values read once at set-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cobalin {

enum class SettingKind { Text, WholeNumber };

struct SettingKey {
    const char* section;
    const char* key;
    bool trimmed;
    SettingKind kind;
};

// The table of every fixed key of the settings file. The model names of
// [ModelSelection] are keyed "1".."Count" and are read as trimmed text.
const std::vector<SettingKey>& SettingKeys();

// Reads Setting.ini (or any file of the same shape) through the key table.
class SettingsFile {
public:
    explicit SettingsFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // The key's text: trimmed where the table says so. Unknown keys read raw.
    std::string Text(std::string_view section, std::string_view key) const;
    // A whole number (16-bit), nullopt when missing-in-effect: not a whole
    // number. A missing key reads "0", so it gives 0.
    std::optional<int16_t> Number(std::string_view section, std::string_view key) const;
    // As Number, with the missing-key value 0 for anything that is not one.
    int16_t NumberOr0(std::string_view section, std::string_view key) const;
    // True when the file holds the key at all (any value).
    bool Has(std::string_view section, std::string_view key) const;
    // As Number, but nullopt also for a missing key.
    std::optional<int16_t> NumberIfPresent(std::string_view section, std::string_view key) const;

private:
    std::string path_;
};

struct RunSettings {
    std::string ZentaCoolMode = "0";
    std::string AdvancedMode = "0";
    std::string AdvIPDMode = "0";
    std::string ShowPassword = "0";
    int16_t SkipPassword = 0;
    // Absent when the key is missing or not a whole number: the fields then
    // stay masked as created.
    std::optional<int16_t> PasswordMask;
    std::string OEMLogo = "0";
    // "1": a limited broadcast leaves by the routed interface only; anything
    // else (a missing key reads "0"): by every interface that can broadcast.
    std::string SearchRoutedOnly = "0";
};

RunSettings ReadRunSettings(const SettingsFile& file);

// Whether datagrams to 255.255.255.255 leave by every interface (SearchRoutedOnly not 1).
bool BroadcastsOnEveryInterface(const RunSettings& run);

// "Compared as a number with 1": true only when the text is a number equal to 1.
bool TextIsOne(std::string_view text);

}  // namespace cobalin
