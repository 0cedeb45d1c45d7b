#include "core/device_class.h"

#include <algorithm>

namespace cobalin {

namespace {

constexpr std::string_view kIpDongleIds[] = {"PCB-4193"};
constexpr std::string_view kZentaBoxIds[] = {"PCB-4160", "37264000"};

// The rows whose change brings the panel's rules into a plan: the fields
// the panel edits.
constexpr PagedRow::Row kPanelRows[] = {PagedRow::ServerName, PagedRow::CompanyName, PagedRow::Password,
                                        PagedRow::Dhcp,       PagedRow::IpAddress,   PagedRow::Netmask,
                                        PagedRow::Gateway};

// The logo of a window chosen for no family.
constexpr std::string_view kPlainLogo = "OEMLogo.bmp";

constexpr DeviceFamily kFamilies[] = {
    {
        .id = DeviceClass::IpDongle,
        .name = "IP Dongle",
        .hardwareIds = kIpDongleIds,
        .captions = {"Cobalin for IP Dongle (Ver. Q113V1)", "IP Dongle list", "IPDOEMLogo.bmp"},
        // The Master IP fan unit is an IP Dongle under its own name.
        .variantWhen = &RunSettings::ZentaCoolMode,
        .variant = {"Cobalin for Master IP fan unit (Ver. Q113V1)", "Master IP fan unit", "IPFANOEMLogo.bmp"},
        .nameLabel = "Name",
        .helpText = "Administration PC with ZentaPower Cobalin installed.",
        .chooserOption = 0,
        .typeList = 0,
        .helpPicture = 1,
        .panel = PanelForm::NameLocationPassword,
        .panelRows = kPanelRows,
        .panelHeight = 5000,
        .label52Top = 180,
        .belowPanel = 1500,
        .panelExtra = 1050,
        .windowAsHighAsPanel = true,
    },
    {
        .id = DeviceClass::ZentaBox,
        .name = "ZentaBox",
        .hardwareIds = kZentaBoxIds,
        .captions = {"Cobalin for ZentaBox (Ver. Q113V1)", "ZentaBox list", kPlainLogo},
        // The engineer's run names no product.
        .variantWhen = &RunSettings::AdvancedModeIsOne,
        .variant = {"Cobalin (Ver. Q113V1)", "Device list", kPlainLogo},
        .nameLabel = "Rack No.",
        .helpText = "Administration PC with ZentaSolution Cobalin installed.",
        .chooserOption = 1,
        .typeList = 1,
        .helpPicture = 0,
        .panel = PanelForm::NameAndAddresses,
        .panelRows = kPanelRows,
        .panelHeight = 3050,
        .label52Top = 120,
        .belowPanel = 1700,
        .panelExtra = 0,
        .windowAsHighAsPanel = false,
    },
};

}  // namespace

std::span<const DeviceFamily> DeviceFamilies() { return kFamilies; }

const DeviceFamily* FamilyOf(DeviceClass deviceClass) {
    for (const DeviceFamily& f : kFamilies)
        if (f.id == deviceClass) return &f;
    return nullptr;
}

DeviceClass DeviceClassOfNumber(long number) {
    for (const DeviceFamily& f : kFamilies)
        if (number == static_cast<long>(f.id)) return f.id;
    return DeviceClass::None;
}

DeviceClass ClassifyDevice(std::string_view macShown, std::string_view listText, std::string_view hardwareId) {
    if (macShown != listText) return DeviceClass::None;
    for (const DeviceFamily& f : kFamilies)
        if (std::any_of(f.hardwareIds.begin(), f.hardwareIds.end(),
                        [&](std::string_view prefix) { return hardwareId.starts_with(prefix); }))
            return f.id;
    return DeviceClass::None;
}

const FamilyCaptions& CaptionsOf(const DeviceFamily& family, const RunSettings& run) {
    return run.*family.variantWhen ? family.variant : family.captions;
}

std::string_view LogoOf(const DeviceFamily* family, const RunSettings& run) {
    if (!family) return kPlainLogo;
    return run.Logo == OemLogo::Shown ? CaptionsOf(*family, run).logo : family->captions.logo;
}

}  // namespace cobalin
