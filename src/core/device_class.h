// The product families: the one a found device belongs to by its hardware
// ID, and the one the user chooses for the whole run (AppState::DeviceType).
// Everything that differs between two families is a field of its row in one
// table (device_class.cpp); the rest of the program asks the row and never
// names a family itself.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/record_layout.h"
#include "core/settings.h"

namespace cobalin {

// The numbers are the device type's in the settings file
// (StartupAutoDeviceType) and in the UI driver's answers.
enum class DeviceClass : int16_t { None = 0, IpDongle = 1, ZentaBox = 2 };

// How the configuration panel edits a family's devices.
enum class PanelForm : uint8_t {
    // Name, location, the device's password and a new one above the
    // addresses: Save checks every field first, OK takes the new password
    // only from a user who typed the device's own.
    NameLocationPassword,
    // The name (a rack number) and the addresses: Save asks once and the
    // device keeps the password typed.
    NameAndAddresses,
};

// The captions and logo a family's window shows.
struct FamilyCaptions {
    std::string_view window;       // the main window's caption
    std::string_view deviceFrame;  // Frame21, around the found devices
    std::string_view logo;         // the picture file of the logo, when shown
};

struct DeviceFamily {
    DeviceClass id;
    // What the report's "class", the panel's notice, its status ("Found...3
    // IP Dongle(s)") and its confirmation ("Are you sure to setup the ...?") call it.
    std::string_view name;
    // A device belongs to the family when its hardware ID begins with one of these.
    std::span<const std::string_view> hardwareIds;

    FamilyCaptions captions;
    // A run setting that, when on, gives the window the variant captions
    // instead (the logo only when the logo is shown).
    bool RunSettings::*variantWhen;
    FamilyCaptions variant;
    std::string_view nameLabel;  // Label53(6), before the name field
    std::string_view helpText;   // the help window's Label6

    // The windows' controls of the family, by index: the chooser's option
    // button, the panel's type list (0 Combo5, 1 Combo6) and the help
    // window's picture (0 Picture1, 1 Picture2).
    int chooserOption;
    int typeList;
    int helpPicture;

    // The configuration panel: its fields and rules, the rows that bring
    // those rules into a plan, and its layout in twips.
    PanelForm panel;
    std::span<const PagedRow::Row> panelRows;
    int panelHeight;  // Frame20, as set up
    int label52Top;
    int belowPanel;  // Frame12's height below Frame20's bottom
    // What the panel grows by beyond the usual in its own face.
    int panelExtra;
    // The window stays as high as the panel in every face, the engineering
    // face included.
    bool windowAsHighAsPanel;
};

// Every family, in the order they are tried.
std::span<const DeviceFamily> DeviceFamilies();

// The row of a family; none for DeviceClass::None.
const DeviceFamily* FamilyOf(DeviceClass deviceClass);

// The family a device-type number names: 1 and 2; None for any other.
DeviceClass DeviceClassOfNumber(long number);

// macShown: the device's decoded MAC text; listText: its line in the found
// list; hardwareId: its decoded hardware ID. Prefixes compare case-sensitively
// from the first character.
DeviceClass ClassifyDevice(std::string_view macShown, std::string_view listText, std::string_view hardwareId);

// The captions of the family's window under these run settings.
const FamilyCaptions& CaptionsOf(const DeviceFamily& family, const RunSettings& run);
// The logo's picture file: the family's, or the one of no family.
std::string_view LogoOf(const DeviceFamily* family, const RunSettings& run);

}  // namespace cobalin
