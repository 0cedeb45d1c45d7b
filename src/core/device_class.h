// Which product family a found device belongs to, by its hardware ID.
#pragma once

#include <string_view>

namespace cobalin {

enum class DeviceClass { Unclassified, IpDongle, ZentaBox };

// macShown: the device's decoded MAC text; listText: its line in the found
// list; hardwareId: its decoded hardware ID. Prefixes compare case-sensitively
// from the first character.
DeviceClass ClassifyDevice(std::string_view macShown, std::string_view listText, std::string_view hardwareId);

}  // namespace cobalin
