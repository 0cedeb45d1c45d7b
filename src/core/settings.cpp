#include "core/settings.h"

#include "core/ini_file.h"
#include "core/text_conversions.h"

namespace cobalin {

const std::vector<SettingKey>& SettingKeys() {
    using K = SettingKind;
    static const std::vector<SettingKey> keys = {
        {"RunMode", "StartupAutoDeviceType", true, K::WholeNumber},
        {"RunMode", "ZentaCoolMode", true, K::Text},
        {"RunMode", "AdvancedMode", true, K::Text},
        {"RunMode", "AdvIPDMode", true, K::Text},
        {"RunMode", "ShowPassword", true, K::Text},
        {"RunMode", "SkipPassword", true, K::WholeNumber},
        {"RunMode", "PasswordMask", true, K::WholeNumber},
        {"RunMode", "OEMLogo", true, K::Text},
        {"RunMode", "SearchRoutedOnly", true, K::Text},
        {"ModelSelection", "Count", true, K::WholeNumber},
        {"ModelSelection", "Default", true, K::WholeNumber},
        {"ModelSelection", "Selectable", true, K::Text},
        {"DefaultNetwork", "Mode", true, K::WholeNumber},
        {"DefaultNetwork", "Parameter", true, K::Text},
        {"DefaultDeviceSetting", "DHCP", false, K::Text},
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

RunSettings ReadRunSettings(const SettingsFile& f) {
    RunSettings s;
    s.ZentaCoolMode = f.Text("RunMode", "ZentaCoolMode");
    s.AdvancedMode = f.Text("RunMode", "AdvancedMode");
    s.AdvIPDMode = f.Text("RunMode", "AdvIPDMode");
    s.ShowPassword = f.Text("RunMode", "ShowPassword");
    s.SkipPassword = f.NumberOr0("RunMode", "SkipPassword");
    s.OEMLogo = f.Text("RunMode", "OEMLogo");
    s.PasswordMask = f.NumberIfPresent("RunMode", "PasswordMask");
    s.SearchRoutedOnly = f.Text("RunMode", "SearchRoutedOnly");
    return s;
}

bool BroadcastsOnEveryInterface(const RunSettings& run) { return !TextIsOne(run.SearchRoutedOnly); }

bool TextIsOne(std::string_view text) {
    // A number written with a fraction ("1.0") equals 1 too.
    const auto v = ParseDecimal(text);
    return v && *v == 1.0;
}

}  // namespace cobalin
