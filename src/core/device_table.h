// The table of devices found by the current search, its LAN-module twin, and
// the intake of search replies and acknowledgements, as functions on bytes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/record_layout.h"
#include "core/request_packets.h"

namespace cobalin {

constexpr size_t kTableSize = 256;
constexpr int16_t kMaxDevices = 255;
constexpr size_t kMaxDatagramRead = 2000;
constexpr size_t kModuleRecordSize = 173;

// What an entry's record is, as its FormatTag says.
enum class RecordFormat : uint8_t {
    None,        // no reply yet, or cleared
    Short,       // a 98-byte short reply
    Paged,       // page 0 of a paged reply
    WithModule,  // a paged record with a LAN-module record attached
};
// The tag's text as the driver reports it: "", "1.2", "1", "2".
const char* FormatTagText(RecordFormat format);

struct DeviceEntry {
    std::string MacText;         // "02:7E:3A:04:C8:1E"; empty when the entry holds no device
    EchoBytesArray EchoBytes{};  // serial-number copy echoed by the maintenance requests
    DeviceRecord Record{};
    RecordFormat FormatTag = RecordFormat::None;
    // Which pages of a paged reply (bit n: page n) have arrived since this
    // entry was given to its device; a write needs pages 0 and 1.
    uint8_t ReceivedPages = 0;
    // The interface the device's page 0 (or short record) came in by, as
    // the system numbers and names it; 0 and empty while none is known.
    // Every request for the device (clear, write, reset, module transfer,
    // the baud-rate connection) leaves by that interface alone. Pages 1 and
    // 2 never change it: anyone on another network may send a page of any
    // MAC, and the write carries the device's password. A device whose page
    // 0 was lost takes the interface of its LAN module's answer.
    int InterfaceIndex = 0;
    std::string InterfaceName;
    // That interface's own IPv4 address (host order), the source of the
    // device's requests, and its prefix length, as they were when the
    // datagram came in; 0 and -1 while not known.
    uint32_t InterfaceAddress = 0;
    int InterfacePrefix = -1;
    // The interface is that of page 0 or the short record, not of a module answer.
    bool InterfaceFromRecord = false;

    // Two devices that answer with one MAC (cloned firmware, a factory
    // default MAC, a replaced module) file their pages into one entry: the
    // record is then a mixture that must never be written back. The entry is
    // marked once two different page-0, page-1 or short datagrams answer one
    // search request, or its replies (any page, from 0.0.0.0 too) come from
    // two source addresses; likewise once two different module records
    // answer one module query, or module records come from two sources. An
    // entry made afresh starts unmarked.
    bool SharedMac = false;
    std::vector<uint32_t> SharedAddresses;  // the source addresses seen (host order), in order of arrival

    // What this search request brought so far, to tell a second device from
    // a repeated datagram or a device that restarted between two requests.
    struct ReplyWitness {
        unsigned round = 0;             // the store's SearchRound it belongs to
        unsigned query = 0;             // and its ModuleQueries (module answers only)
        uint8_t seen = 0;               // bit n: digest[n] holds a datagram
        std::array<uint64_t, 3> digest{};  // page 0, page 1, the short reply (a module answer: slot 0)
        std::vector<uint32_t> from;     // source addresses, host order
    } Witness, ModuleWitness;
};

struct LanModuleEntry {
    std::string MacText;
    Bytes Record = Bytes(kModuleRecordSize, 0);
};

// Both tables, entry i of one belonging to entry i of the other. Entry 0 never
// holds a device; devices occupy 1..DeviceCount in order of discovery.
struct DeviceStore {
    std::array<DeviceEntry, kTableSize> DeviceTable{};
    std::array<LanModuleEntry, kTableSize> LanModuleTable{};
    int16_t DeviceCount = 0;
    // Counts the search requests sent: replies to different requests may
    // differ (a device restarted meanwhile) without telling of two devices.
    unsigned SearchRound = 0;
    // Counts the module queries sent, for the same reason (a module updated
    // during an update's countdown answers the next query anew).
    unsigned ModuleQueries = 0;

    bool IsEntry(long index) const { return index >= 0 && index < static_cast<long>(kTableSize); }
    // True for an entry that holds a device of the current search.
    bool IsDevice(long index) const { return index >= 1 && index <= DeviceCount && IsEntry(index); }
};

// Empties every entry of both tables (DeviceCount is left to the search request).
void ClearDeviceTable(DeviceStore& store);

// The entry (1..DeviceCount) of the device with this MAC text; 0 when the
// table holds none (the last, should it hold it twice).
long FindDevice(const DeviceStore& store, std::string_view mac);

// A table of its own that holds a copy of entry `device` of both tables as
// its entry 1, so that edits can be tried on it without touching the store.
std::unique_ptr<DeviceStore> CopyOfEntry(const DeviceStore& store, long device);

struct IntakeResult {
    enum Outcome {
        Dropped,  // not a reply: ignored without a trace
        Stored,   // bytes stored into an existing entry
        Added,    // a new device: entry DeviceCount, append its MacText to the found list
        Refused,  // an error: show "Error occured when connecting device!" in red
    };
    Outcome outcome = Dropped;
    int16_t entry = -1;        // the entry written, for Stored and Added
    bool shortFormat = false;  // a 98-byte short reply
    int8_t page = -1;          // the page of a paged reply; -1 for a short one
};

// Takes one datagram of the search socket into the table. Nothing is read or
// written out of bounds; a refused datagram changes nothing. `from` is the
// datagram's source address (host order; none when the system did not say;
// 0.0.0.0, a device without an address, is a source like any other).
IntakeResult ReplyIntake(DeviceStore& store, std::span<const uint8_t> datagram,
                         std::optional<uint32_t> from = std::nullopt);

// Notes on the entry an accepted page 0 or short reply went to the
// interface it came in by (its own address in host order and prefix
// length, where known). Pages 1 and 2 leave the entry's interface as it is.
void NoteArrivalInterface(DeviceStore& store, const IntakeResult& result, int index, std::string name,
                          uint32_t address = 0, int prefix = -1);

// Where a datagram came from: its source address (host order; none when the
// system did not say) and the interface it came in by, as NoteArrivalInterface
// takes it.
struct Arrival {
    std::optional<uint32_t> from;
    int index = 0;
    std::string name;
    uint32_t address = 0;
    int prefix = -1;
};

// Notes a LAN module's answer, attached to entry `entry`: the entry is marked
// shared when it and an earlier answer to the same module query cannot come
// from one module, and the entry takes the answer's interface while no page
// 0 or short record of its device has come (its module transfer then leaves
// by it).
void NoteModuleArrival(DeviceStore& store, int16_t entry, std::span<const uint8_t> answer, const Arrival& arrival);

// The warnings a person should see about found device `device`: another
// found device holding its IP address, its MAC answered by two devices, an
// address outside the subnet of the interface it answered on. Empty when
// there is nothing to say.
std::vector<std::string> DeviceWarnings(const DeviceStore& store, long device);
// The same for every device 1..DeviceCount (index 0 unused), in one pass.
std::vector<std::vector<std::string>> AllDeviceWarnings(const DeviceStore& store);
// The IPv4 address of a found device's record (host order), 0 when it has none.
uint32_t RecordAddress(const DeviceEntry& entry);
// "192.168.1.5" of a host-order address, and the other way round (as
// ParseDottedQuad reads it); none for anything that is not an address.
std::string DottedQuad(uint32_t address);
std::optional<uint32_t> AddressValue(std::string_view text);
// The MACs of the found devices other than `device` (and than its MAC) whose
// record holds IPv4 address `address` (host order), in table order.
std::vector<std::string> AddressHolders(const DeviceStore& store, long device, uint32_t address);
// The text of the shared-MAC warning, e.g. "MAC answered by two devices
// (addresses 192.168.1.5, 192.168.1.6)".
std::string SharedMacWarning(const DeviceEntry& entry);

// True for a device's acknowledgement of a write or maintenance request:
// 0x50, the MAC, 0x00, then "Receivec".
bool IsAcknowledgement(std::span<const uint8_t> datagram);
constexpr size_t kAcknowledgementSize = 16;
constexpr std::string_view kAcknowledgementWord = "Receivec";

}  // namespace cobalin
