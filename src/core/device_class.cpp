#include "core/device_class.h"

namespace cobalin {

DeviceClass DeviceClassOfNumber(long number) {
    if (number == static_cast<long>(DeviceClass::IpDongle)) return DeviceClass::IpDongle;
    if (number == static_cast<long>(DeviceClass::ZentaBox)) return DeviceClass::ZentaBox;
    return DeviceClass::None;
}

DeviceClass ClassifyDevice(std::string_view macShown, std::string_view listText, std::string_view hardwareId) {
    if (macShown != listText) return DeviceClass::None;
    if (hardwareId.starts_with("PCB-4193")) return DeviceClass::IpDongle;
    if (hardwareId.starts_with("PCB-4160") || hardwareId.starts_with("37264000")) return DeviceClass::ZentaBox;
    return DeviceClass::None;
}

}  // namespace cobalin
