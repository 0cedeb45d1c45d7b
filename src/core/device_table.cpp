#include "core/device_table.h"

#include <algorithm>
#include <cstring>

#include "core/text_conversions.h"

namespace cobalin {

namespace {

// FNV-1a: tells two datagrams apart without keeping them.
uint64_t Digest(std::span<const uint8_t> bytes) {
    uint64_t h = 14695981039346656037ull;
    for (const uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

// A shared MAC keeps a few of its source addresses: enough to name them.
constexpr size_t kMaxAddressesKept = 8;

void AddAddress(std::vector<uint32_t>& list, uint32_t address) {
    if (list.size() < kMaxAddressesKept && std::find(list.begin(), list.end(), address) == list.end())
        list.push_back(address);
}

// Marks the entry shared when this datagram and an earlier answer to the same
// request (search round `round`, module query `query`) cannot come from one
// device. `slot`: 0 page 0 (or a module answer), 1 page 1, 2 the short reply,
// -1 a page whose bytes are not compared (page 2 holds status bytes that
// change between answers); the source is compared whatever the slot, and
// 0.0.0.0 is a source like any other.
void Witness(DeviceEntry& e, DeviceEntry::ReplyWitness& w, unsigned round, unsigned query, int slot,
             std::span<const uint8_t> datagram, std::optional<uint32_t> from) {
    if (w.round != round || w.query != query) w = {round, query, 0, {}, {}};
    if (slot >= 0) {
        const uint64_t d = Digest(datagram);
        const auto bit = static_cast<uint8_t>(1u << slot);
        if (!(w.seen & bit)) {
            w.seen = static_cast<uint8_t>(w.seen | bit);
            w.digest[static_cast<size_t>(slot)] = d;
        } else if (w.digest[static_cast<size_t>(slot)] != d) {
            e.SharedMac = true;
        }
    }
    if (from) {
        if (!w.from.empty() && std::find(w.from.begin(), w.from.end(), *from) == w.from.end()) e.SharedMac = true;
        AddAddress(w.from, *from);
    }
    if (e.SharedMac)
        for (const uint32_t a : w.from) AddAddress(e.SharedAddresses, a);
}

void NoteInterface(DeviceEntry& e, int index, std::string name, uint32_t address, int prefix) {
    e.InterfaceIndex = index;
    e.InterfaceName = std::move(name);
    e.InterfaceAddress = address;
    e.InterfacePrefix = prefix >= 0 && prefix <= 32 ? prefix : -1;
}

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

IntakeResult ReplyIntake(DeviceStore& store, std::span<const uint8_t> datagram, std::optional<uint32_t> from) {
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

    IntakeResult result{IntakeResult::Stored, FindEntry(store, mac), isShort, static_cast<int8_t>(isShort ? -1 : b[7])};
    if (result.entry < 0) {
        if (store.DeviceCount >= kMaxDevices) return {IntakeResult::Refused, -1, isShort, result.page};
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
    Witness(e, e.Witness, store.SearchRound, 0, isShort ? 2 : b[7] < 2 ? b[7] : -1, b, from);
    if (!isShort) e.ReceivedPages = static_cast<uint8_t>(e.ReceivedPages | 1u << b[7]);
    // Every page carries the MAC text, so a page 1 or 2 that arrives first
    // makes the entry that its page 0 later finds.
    e.MacText = std::move(mac);
    std::memcpy(e.Record.data() + copyTo, b.data(), copyLength);
    if (isShort) {
        e.FormatTag = RecordFormat::Short;
        std::memcpy(e.EchoBytes.data(), b.data() + kShortEchoOffset, kEchoSize);
    } else if (b[7] == 0) {
        // A page 0 that comes again after its module answered (a request
        // asked again) leaves the device one written through its module.
        const bool module = store.LanModuleTable[static_cast<size_t>(result.entry)].MacText == e.MacText;
        e.FormatTag = module ? RecordFormat::WithModule : RecordFormat::Paged;
        std::memcpy(e.EchoBytes.data(), b.data() + kPagedEchoOffset, kEchoSize);
    }
    return result;
}

void NoteArrivalInterface(DeviceStore& store, const IntakeResult& result, int index, std::string name,
                          uint32_t address, int prefix) {
    if (result.outcome != IntakeResult::Stored && result.outcome != IntakeResult::Added) return;
    // Only the datagram that says who the device is decides where its
    // requests go: a page 1 or 2 of its MAC may come from anywhere.
    if (result.page > 0 || !store.IsEntry(result.entry)) return;
    DeviceEntry& e = store.DeviceTable[static_cast<size_t>(result.entry)];
    NoteInterface(e, index, std::move(name), address, prefix);
    e.InterfaceFromRecord = true;
}

void NoteModuleArrival(DeviceStore& store, int16_t entry, std::span<const uint8_t> answer, const Arrival& arrival) {
    if (!store.IsEntry(entry)) return;
    DeviceEntry& e = store.DeviceTable[static_cast<size_t>(entry)];
    Witness(e, e.ModuleWitness, store.SearchRound, store.ModuleQueries, 0, answer, arrival.from);
    if (!e.InterfaceFromRecord) NoteInterface(e, arrival.index, arrival.name, arrival.address, arrival.prefix);
}

std::string DottedQuad(uint32_t a) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(a >> 24), static_cast<uint8_t>(a >> 16), static_cast<uint8_t>(a >> 8),
                              static_cast<uint8_t>(a)};
    return FormatDotted(bytes);
}

std::optional<uint32_t> AddressValue(std::string_view text) {
    const auto b = ParseDottedQuad(text);
    if (!b) return std::nullopt;
    return uint32_t{(*b)[0]} << 24 | uint32_t{(*b)[1]} << 16 | uint32_t{(*b)[2]} << 8 | (*b)[3];
}

uint32_t RecordAddress(const DeviceEntry& e) {
    size_t at = 0;
    if (e.FormatTag == RecordFormat::Short)
        at = ShortFields()[ShortRow::IpV4].offset;
    else if (e.FormatTag == RecordFormat::Paged || e.FormatTag == RecordFormat::WithModule)
        at = PagedFields()[PagedRow::IpAddress].offset;
    else
        return 0;
    const uint8_t* r = e.Record.data() + at;
    return uint32_t{r[0]} << 24 | uint32_t{r[1]} << 16 | uint32_t{r[2]} << 8 | r[3];
}

std::vector<std::string> AddressHolders(const DeviceStore& store, long device, uint32_t address) {
    std::vector<std::string> macs;
    if (address == 0) return macs;
    const std::string own = store.IsDevice(device) ? store.DeviceTable[static_cast<size_t>(device)].MacText : std::string();
    for (long i = 1; store.IsDevice(i); ++i) {
        const DeviceEntry& e = store.DeviceTable[static_cast<size_t>(i)];
        if (i != device && e.MacText != own && RecordAddress(e) == address &&
            std::find(macs.begin(), macs.end(), e.MacText) == macs.end())
            macs.push_back(e.MacText);
    }
    return macs;
}

std::string SharedMacWarning(const DeviceEntry& e) {
    std::string addresses;
    for (const uint32_t a : e.SharedAddresses) addresses += (addresses.empty() ? "" : ", ") + DottedQuad(a);
    return "MAC answered by two devices" +
           (addresses.empty() ? std::string() : (e.SharedAddresses.size() > 1 ? " (addresses " : " (address ") + addresses + ")");
}

std::vector<std::vector<std::string>> AllDeviceWarnings(const DeviceStore& store) {
    const long count = std::clamp<long>(store.DeviceCount, 0, kMaxDevices);
    std::vector<std::vector<std::string>> out(static_cast<size_t>(count) + 1);
    std::vector<uint32_t> address(static_cast<size_t>(count) + 1, 0);
    for (long i = 1; i <= count; ++i) address[static_cast<size_t>(i)] = RecordAddress(store.DeviceTable[static_cast<size_t>(i)]);
    // Who holds each address: sorted, so that 255 devices take no 65 000 comparisons.
    std::vector<std::pair<uint32_t, long>> holders;
    for (long i = 1; i <= count; ++i)
        if (address[static_cast<size_t>(i)] != 0) holders.emplace_back(address[static_cast<size_t>(i)], i);
    std::sort(holders.begin(), holders.end());
    for (long i = 1; i <= count; ++i) {
        const DeviceEntry& e = store.DeviceTable[static_cast<size_t>(i)];
        std::vector<std::string>& w = out[static_cast<size_t>(i)];
        const uint32_t a = address[static_cast<size_t>(i)];
        if (a != 0) {
            std::string others;
            for (auto h = std::lower_bound(holders.begin(), holders.end(), std::make_pair(a, 0L));
                 h != holders.end() && h->first == a; ++h) {
                const std::string& mac = store.DeviceTable[static_cast<size_t>(h->second)].MacText;
                if (h->second != i && mac != e.MacText && others.find(mac) == std::string::npos)
                    others += (others.empty() ? "" : ", ") + mac;
            }
            if (!others.empty()) w.push_back("IP address also held by MAC " + others);
        }
        if (e.SharedMac) w.push_back(SharedMacWarning(e));
        if (a != 0 && e.InterfacePrefix > 0 && e.InterfaceAddress != 0) {
            const uint32_t mask = e.InterfacePrefix >= 32 ? ~0u : ~(~0u >> e.InterfacePrefix);
            if ((a & mask) != (e.InterfaceAddress & mask))
                w.push_back("not in the subnet of interface " + e.InterfaceName + " (" + DottedQuad(e.InterfaceAddress) + "/" +
                            std::to_string(e.InterfacePrefix) + ")");
        }
    }
    return out;
}

std::vector<std::string> DeviceWarnings(const DeviceStore& store, long device) {
    if (!store.IsDevice(device)) return {};
    return AllDeviceWarnings(store)[static_cast<size_t>(device)];
}

bool IsAcknowledgement(std::span<const uint8_t> d) {
    if (d.size() < kAcknowledgementSize) return false;
    return d[0] == kPageMark && d[7] == 0 && std::equal(kAcknowledgementWord.begin(), kAcknowledgementWord.end(), d.begin() + 8);
}

}  // namespace cobalin
