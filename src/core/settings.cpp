#include "core/settings.h"

#include "core/ini_file.h"
#include "core/text_conversions.h"

namespace cobalin {

const std::vector<SettingKey>& SettingKeys() {
    using K = SettingKind;
    using R = SettingRule;
    static const std::vector<SettingKey> keys = {
        {"RunMode", "StartupAutoDeviceType", true, K::WholeNumber},
        {"RunMode", "ZentaCoolMode", true, K::Text, R::ExactlyOne},
        // Also compared as a number with 1 for the ZentaBox window's captions.
        {"RunMode", "AdvancedMode", true, K::Text, R::FaceText},
        {"RunMode", "AdvIPDMode", true, K::Text, R::ExactlyZero},
        {"RunMode", "ShowPassword", true, K::Text, R::NumberIsOne},
        {"RunMode", "SkipPassword", true, K::WholeNumber, R::WholeNumberOne},
        {"RunMode", "PasswordMask", true, K::WholeNumber},
        {"RunMode", "OEMLogo", true, K::Text, R::LogoText},
        {"RunMode", "SearchRoutedOnly", true, K::Text, R::NumberIsOne},
        {"ModelSelection", "Count", true, K::WholeNumber},
        {"ModelSelection", "Default", true, K::WholeNumber},
        {"ModelSelection", "Selectable", true, K::Text},
        {"DefaultNetwork", "Mode", true, K::WholeNumber},
        {"DefaultNetwork", "Parameter", true, K::Text},
        {"DefaultDeviceSetting", "DHCP", false, K::Text, R::ExactlyOne},
        {"DefaultDeviceSetting", "IP", false, K::Text},
        {"DefaultDeviceSetting", "Subnet", false, K::Text},
        {"DefaultDeviceSetting", "Gateway", false, K::Text},
        {"DefaultDeviceSetting", "PassWord", false, K::Text},
    };
    return keys;
}

namespace {
const SettingKey* Find(std::string_view section, std::string_view key) {
    for (const auto& k : SettingKeys())
        if (section == k.section && key == k.key) return &k;
    return nullptr;
}
}  // namespace

std::string SettingsFile::Text(std::string_view section, std::string_view key) const {
    std::string value = ReadIni(section, key, path_);
    const SettingKey* k = Find(section, key);
    // Model names ("1".."Count") are trimmed like the other [ModelSelection] keys.
    const bool trimmed = k ? k->trimmed : section == "ModelSelection";
    return trimmed ? std::string(Trim(value, kSpaces)) : value;
}

std::optional<int16_t> SettingsFile::Number(std::string_view section, std::string_view key) const {
    const auto v = ParseWholeNumber(Text(section, key), INT16_MIN, INT16_MAX);
    if (!v) return std::nullopt;
    return static_cast<int16_t>(*v);
}

int16_t SettingsFile::NumberOr0(std::string_view section, std::string_view key) const {
    return Number(section, key).value_or(0);
}

bool SettingsFile::Has(std::string_view section, std::string_view key) const {
    return LookupIni(section, key, path_).has_value();
}

std::optional<int16_t> SettingsFile::NumberIfPresent(std::string_view section, std::string_view key) const {
    if (!Has(section, key)) return std::nullopt;
    return Number(section, key);
}

bool SettingsFile::IsOn(std::string_view section, std::string_view key) const {
    const SettingKey* k = Find(section, key);
    if (!k) return false;
    switch (k->rule) {
        case SettingRule::ExactlyOne:
            return Text(section, key) == "1";
        case SettingRule::ExactlyZero:
            return Text(section, key) == "0";
        case SettingRule::NumberIsOne:
            return TextIsOne(Text(section, key));
        case SettingRule::WholeNumberOne:
            return NumberOr0(section, key) == 1;
        case SettingRule::Value:
        case SettingRule::FaceText:
        case SettingRule::LogoText:
            break;
    }
    return false;
}

namespace {
struct FaceText {
    Face face;
    std::string_view text;
};
constexpr FaceText kFaceTexts[] = {{Face::SimpleTwo, "0"}, {Face::Advance, "1"}, {Face::SimpleOne, "2"}};

OemLogo LogoOf(std::string_view text) {
    if (text == "0" || text.empty()) return OemLogo::Hidden;
    return text == "1" ? OemLogo::Shown : OemLogo::LoadedOnly;
}
}  // namespace

Face FaceOf(std::string_view advancedMode) {
    for (const auto& f : kFaceTexts)
        if (f.text == advancedMode) return f.face;
    return Face::Other;
}

std::string AdvancedModeText(Face face) {
    for (const auto& f : kFaceTexts)
        if (f.face == face) return std::string(f.text);
    return {};
}

void SetFace(RunSettings& run, Face face) {
    run.AdvancedMode = face;
    run.AdvancedModeIsOne = face == Face::Advance;
}

RunSettings ReadRunSettings(const SettingsFile& f) {
    RunSettings s;
    s.ZentaCoolMode = f.IsOn("RunMode", "ZentaCoolMode");
    const std::string advancedMode = f.Text("RunMode", "AdvancedMode");
    s.AdvancedMode = FaceOf(advancedMode);
    s.AdvancedModeIsOne = TextIsOne(advancedMode);
    s.ReducedCommandPanel = f.IsOn("RunMode", "AdvIPDMode");
    s.ShowPassword = f.IsOn("RunMode", "ShowPassword");
    s.SkipPassword = f.IsOn("RunMode", "SkipPassword");
    s.Logo = LogoOf(f.Text("RunMode", "OEMLogo"));
    s.PasswordMask = f.NumberIfPresent("RunMode", "PasswordMask");
    s.SearchRoutedOnly = f.IsOn("RunMode", "SearchRoutedOnly");
    return s;
}

bool TextIsOne(std::string_view text) {
    // A number written with a fraction ("1.0") equals 1 too.
    const auto v = ParseDecimal(text);
    return v && *v == 1.0;
}

}  // namespace cobalin
