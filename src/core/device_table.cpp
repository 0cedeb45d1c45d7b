#include "core/device_table.h"

#include <algorithm>
#include <cstring>

#include "core/text_conversions.h"

namespace cobalin {

namespace {

// The entry holding mac, or -1.
int16_t FindEntry(const DeviceStore& store, const std::string& mac) {
    for (int16_t i = 0; i <= store.DeviceCount && i < static_cast<int16_t>(kTableSize); ++i)
        if (store.DeviceTable[static_cast<size_t>(i)].MacText == mac) return i;
    return -1;
}

}  // namespace

const char* FormatTagText(RecordFormat format) {
    switch (format) {
        case RecordFormat::None:
            break;
        case RecordFormat::Short:
            return "1.2";
        case RecordFormat::Paged:
            return "1";
        case RecordFormat::WithModule:
            return "2";
    }
    return "";
}

void ClearDeviceTable(DeviceStore& store) {
    for (size_t i = 0; i < kTableSize; ++i) {
        store.DeviceTable[i] = DeviceEntry{};
        store.LanModuleTable[i] = LanModuleEntry{};
    }
}

long FindDevice(const DeviceStore& store, std::string_view mac) {
    long found = 0;
    for (long i = 1; store.IsDevice(i); ++i)
        if (store.DeviceTable[static_cast<size_t>(i)].MacText == mac) found = i;
    return found;
}

std::unique_ptr<DeviceStore> CopyOfEntry(const DeviceStore& store, long device) {
    auto copy = std::make_unique<DeviceStore>();
    if (!store.IsEntry(device)) return copy;
    copy->DeviceTable[1] = store.DeviceTable[static_cast<size_t>(device)];
    copy->LanModuleTable[1] = store.LanModuleTable[static_cast<size_t>(device)];
    copy->DeviceCount = 1;
    return copy;
}

IntakeResult ReplyIntake(DeviceStore& store, std::span<const uint8_t> datagram) {
    const std::span<const uint8_t> b = datagram.first(std::min(datagram.size(), kMaxDatagramRead));
    const bool isShort = b.size() == kShortRecordSize;
    size_t copyTo = 0, copyLength = kShortRecordSize;
    std::string mac;
    if (isShort) {
        mac = FormatMac(b.data() + kShortMacOffset);
    } else {
        if (b.size() < kPageHeaderSize || b[0] != kPageMark || b[7] > 2) return {};
        const PagePlacement& page = kPages[b[7]];
        // A page shorter than its place in the record is refused before
        // anything changes.
        if (b.size() < page.length) return {IntakeResult::Refused, -1, false};
        copyTo = page.recordOffset;
        copyLength = page.length;
        mac = FormatMac(b.data() + 1);
    }

    IntakeResult result{IntakeResult::Stored, FindEntry(store, mac), isShort};
    if (result.entry < 0) {
        if (store.DeviceCount >= kMaxDevices) return {IntakeResult::Refused, -1, isShort};
        result.entry = ++store.DeviceCount;
        result.outcome = IntakeResult::Added;
    }
    DeviceEntry& e = store.DeviceTable[static_cast<size_t>(result.entry)];
    // A search that follows an update or a reset does not clear the table, so
    // an entry given to a new device may still hold another device's bytes:
    // a page of the new device that never arrives must read as zeros, never
    // as the old device's configuration or identity.
    if (result.outcome == IntakeResult::Added) {
        e = DeviceEntry{};
        store.LanModuleTable[static_cast<size_t>(result.entry)] = LanModuleEntry{};
    }
    if (!isShort) e.ReceivedPages = static_cast<uint8_t>(e.ReceivedPages | 1u << b[7]);
    // Every page carries the MAC text, so a page 1 or 2 that arrives first
    // makes the entry that its page 0 later finds.
    e.MacText = std::move(mac);
    std::memcpy(e.Record.data() + copyTo, b.data(), copyLength);
    if (isShort) {
        e.FormatTag = RecordFormat::Short;
        std::memcpy(e.EchoBytes.data(), b.data() + kShortEchoOffset, kEchoSize);
    } else if (b[7] == 0) {
        e.FormatTag = RecordFormat::Paged;
        std::memcpy(e.EchoBytes.data(), b.data() + kPagedEchoOffset, kEchoSize);
    }
    return result;
}

void NoteArrivalInterface(DeviceStore& store, const IntakeResult& result, int index, std::string name) {
    if (result.outcome != IntakeResult::Stored && result.outcome != IntakeResult::Added) return;
    if (!store.IsEntry(result.entry)) return;
    DeviceEntry& e = store.DeviceTable[static_cast<size_t>(result.entry)];
    e.InterfaceIndex = index;
    e.InterfaceName = std::move(name);
}

bool IsAcknowledgement(std::span<const uint8_t> d) {
    if (d.size() < kAcknowledgementSize) return false;
    return d[0] == kPageMark && d[7] == 0 && std::equal(kAcknowledgementWord.begin(), kAcknowledgementWord.end(), d.begin() + 8);
}

}  // namespace cobalin
