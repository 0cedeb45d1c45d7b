// The product families: the one a found device belongs to by its hardware
// ID, and the one the user chooses for the whole run (AppState::DeviceType).
#pragma once

#include <cstdint>
#include <string_view>

namespace cobalin {

// The numbers are the device type's in the settings file
// (StartupAutoDeviceType) and in the UI driver's answers.
enum class DeviceClass : int16_t { None = 0, IpDongle = 1, ZentaBox = 2 };

// The family a device-type number names: 1 and 2; None for any other.
DeviceClass DeviceClassOfNumber(long number);

// macShown: the device's decoded MAC text; listText: its line in the found
// list; hardwareId: its decoded hardware ID. Prefixes compare case-sensitively
// from the first character.
DeviceClass ClassifyDevice(std::string_view macShown, std::string_view listText, std::string_view hardwareId);

}  // namespace cobalin
