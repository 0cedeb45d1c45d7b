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

// How the program compares a key's value; a missing key reads "0" first.
enum class SettingRule : uint8_t {
    Value,           // used as it stands: a text, or a whole number
    ExactlyOne,      // on when the text is exactly "1"
    ExactlyZero,     // on when the text is exactly "0"
    NumberIsOne,     // on when the text is a number equal to 1 ("1.0" too)
    WholeNumberOne,  // on when the text is the whole number 1
    FaceText,        // "0", "1" or "2" picks a face; anything else is Other
    LogoText,        // "0" or empty hides the logo, "1" shows it, anything else only loads it
};

struct SettingKey {
    const char* section;
    const char* key;
    bool trimmed;
    SettingKind kind;
    SettingRule rule = SettingRule::Value;
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
    // A switch, compared by its key's rule in the table (false for a key
    // whose rule is not a switch's).
    bool IsOn(std::string_view section, std::string_view key) const;

private:
    std::string path_;
};

// The main window's faces, chosen by the AdvancedMode setting.
enum class Face : uint8_t {
    SimpleTwo,  // "0": the configuration panel
    Advance,    // "1": the engineering face
    SimpleOne,  // "2": the simple face with its search frame
    Other,      // any other text ("1.0" too): laid out as Simple 2, yet a
                // ZentaBox window keeps the full height
};
Face FaceOf(std::string_view advancedMode);
// The AdvancedMode text that selects a face; "" for Other.
std::string AdvancedModeText(Face face);

enum class OemLogo : uint8_t { Hidden, Shown, LoadedOnly };

// The [RunMode] values, read once at set-up, each by its key's rule.
struct RunSettings {
    bool ZentaCoolMode = false;          // the Master IP fan unit's captions and logo
    Face AdvancedMode = Face::SimpleTwo;
    // The same key compared as a number with 1: the ZentaBox window's captions.
    bool AdvancedModeIsOne = false;
    bool ReducedCommandPanel = true;     // AdvIPDMode exactly "0"
    bool ShowPassword = false;
    bool SkipPassword = false;
    // Absent when the key is missing or not a whole number: the fields then
    // stay masked as created.
    std::optional<int16_t> PasswordMask;
    OemLogo Logo = OemLogo::Hidden;
    // A limited broadcast leaves by the routed interface only; otherwise by
    // every interface that can broadcast.
    bool SearchRoutedOnly = false;

    bool operator==(const RunSettings&) const = default;
};

// The face shown now, and the AdvancedMode value that goes with it.
void SetFace(RunSettings& run, Face face);

RunSettings ReadRunSettings(const SettingsFile& file);

// Whether datagrams to 255.255.255.255 leave by every interface (SearchRoutedOnly not 1).
inline bool BroadcastsOnEveryInterface(const RunSettings& run) { return !run.SearchRoutedOnly; }

// "Compared as a number with 1": true only when the text is a number equal to 1.
bool TextIsOne(std::string_view text);

}  // namespace cobalin
