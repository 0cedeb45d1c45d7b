// The found devices as the found-device lists see them: the few decoded texts
// that filter, classify and authenticate a device, decoded once per fill
// straight from the store, and the classification of a list's lines.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/device_class.h"
#include "core/device_table.h"

namespace cobalin {

// What loading a device puts into the decoded texts, and the lists read back:
// the texts of its format's slots (a short record has other fields in them).
struct FoundDevice {
    std::string mac;         // slot 7: the MAC text of a paged record
    std::string hardwareId;  // slot 10
    std::string password;    // slot 2: what the faces load as the password
    std::string model;       // "Model No." of a paged record; empty for a short one
};

// The texts of one record, by its format.
FoundDevice DecodeFoundDevice(const DeviceRecord& record);

// One line of a list that is classified by loading each line in turn.
struct ClassifiedLine {
    int16_t entry = 0;  // the device the line loads; 0: none, what was loaded before stays
    DeviceClass deviceClass = DeviceClass::None;
};

// The devices of a store, each decoded once. Valid while the store is
// unchanged: it refers to the store's MAC texts.
class FoundDevices {
public:
    explicit FoundDevices(const DeviceStore& store);

    // In the order found: element k is entry k + 1.
    std::span<const FoundDevice> All() const { return devices_; }
    const FoundDevice& Of(int16_t entry) const { return devices_[static_cast<size_t>(entry) - 1]; }
    // The entry whose found-list text is this line, the last of equal ones
    // (loading walks the whole list); 0 when none.
    int16_t EntryOf(std::string_view line) const;
    // Classifies each line by the device it loads. A line with no device
    // loads nothing, so it is classified by what the line before it left
    // loaded, and a first such line by `before` (loaded when the fill starts).
    std::vector<ClassifiedLine> Classify(std::span<const std::string> lines, const FoundDevice& before) const;

private:
    std::vector<FoundDevice> devices_;
    std::unordered_map<std::string_view, int16_t> entries_;
};

// Zeroes a short record beyond its 98 bytes, as showing it does: a write for
// such a device then sends zero pages.
void ZeroShortRecordTail(DeviceRecord& record);

}  // namespace cobalin
