// What an update may send to a device, decided before anything leaves: a
// write carries the device's identity and whole configuration, so it is sent
// only from a record that this search brought whole, and only by the road
// the device's record takes (the pages, or its LAN-module record). Also which
// record bytes an update sends as they stand, and how the device's answer
// after the update is compared with what was sent.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/device_table.h"

namespace cobalin {

enum class UpdateBlock : uint8_t {
    None,            // the update may be sent
    NotWritable,     // a short record (or none): it holds no configuration to write
    NoPage0,         // page 0 of this device did not arrive in this search
    NoPage1,         // page 1 of this device did not arrive in this search
    NoModuleRecord,  // a LAN-module device whose module did not answer this search
    SharedMac,       // two devices answered with this device's MAC
};

// Whether an update of entry `device` may be sent, and if not why.
UpdateBlock CheckUpdate(const DeviceStore& store, long device);
// The status text of a refused update; empty for None. A constant, so that
// texts other files define from it are set before any code runs.
constexpr std::string_view UpdateBlockText(UpdateBlock block) {
    switch (block) {
        case UpdateBlock::None:
            break;
        case UpdateBlock::NotWritable:
            return "Not updated: this device's record has no fields for these settings";
        case UpdateBlock::NoPage0:
            return "Not updated: page 0 of this device was not received; search again";
        case UpdateBlock::NoPage1:
            return "Not updated: page 1 of this device was not received; search again";
        case UpdateBlock::NoModuleRecord:
            return "Not updated: the LAN module of this device did not answer this search; search again";
        case UpdateBlock::SharedMac:
            return "Not updated: two devices answer with this MAC; give one of them another MAC or disconnect it, then search "
                   "again";
    }
    return {};
}
// The status text of a refused update of entry `device`, naming its MAC
// where that helps; empty when the update may be sent.
std::string UpdateRefusalText(const DeviceStore& store, long device);
// The refusal of any request to a device that shares its MAC with another
// (an update, a reset, a clear, a baud rate): both would take it.
std::string SharedMacRefusal(std::string_view mac);

// True when an update of the entry sends this record byte as the record
// holds it. A device updated through its LAN module gets none of its record's
// bytes; otherwise the write carries pages 0 and 1 without their headers,
// but sets the first serial port to 4000 and, with more than one serial
// port, derives the second serial block from the first.
bool UpdateSendsByte(const DeviceEntry& entry, size_t offset);

using ByteStretch = std::pair<size_t, size_t>;  // first and last offset
// Adds offset `o` (past every offset added before) to `stretches`: it extends
// the last stretch when it follows it, else it opens one.
void AddToStretches(std::vector<ByteStretch>& stretches, size_t o);
// The stretches of bytes in [start, start + size) that differ between
// `before` and the entry's record and that no update sends as they stand.
std::vector<ByteStretch> UnsentChanges(const DeviceEntry& entry, const DeviceRecord& before, size_t start,
                                       size_t size);

// The first page that holds one of the applied rows and did not arrive in
// the follow-up search, or -1: without it those rows cannot be verified.
int MissingPage(const DeviceEntry& back, const std::set<int>& rows);
// The applied rows whose bytes the device reports back otherwise than the
// write sent them. Only the pages the follow-up search brought are compared
// (MissingPage says when one is missing), and a row that the write sets by
// rule (the first serial port) is not compared.
std::vector<int> RowsKept(const DeviceRecord& sent, const DeviceEntry& back, const std::set<int>& rows);
// The same for a LAN-module device: the applied rows the module record
// carries, compared between the record sent and the module's answer.
std::vector<int> ModuleRowsKept(const Bytes& sent, const Bytes& back, const std::set<int>& rows);

// What an update sent, to be compared with what the device reports back.
struct SentUpdate {
    std::string mac;
    DeviceRecord record{};
    std::set<int> rows;           // the rows applied to the record
    std::optional<Bytes> module;  // the module record sent, for a LAN-module device
    // A restore from a backup: every byte the write sends counts, not only
    // the rows' (for a LAN-module device, every field of its module record).
    bool whole = false;
    // Stretches typed into the raw byte view since the record was last sent:
    // the bytes of them that the write sends count too.
    std::vector<ByteStretch> raw = {};
};

// The texts of the update report.
inline constexpr const char* kNotFoundAfterUpdate = "Not found after the update: ";                // + MAC
inline constexpr const char* kKeptOtherValues = "Device kept other values: ";                      // + row names
inline constexpr const char* kNoModuleRecordAfterUpdate = "No module record after the update: ";  // + MAC

// How the device came back in the follow-up search, decided once for the
// window and the command line. A device counts as holding what was sent
// only when the bytes that show it arrived and equal what was sent.
struct UpdateVerdict {
    bool verified = false;
    std::string reason;  // why not, in the command line's words
    std::string text;    // why not, as the window's status line says it
};
// `sendFault`: why the write could not be sent, empty when it left.
UpdateVerdict VerifyUpdate(const SentUpdate& sent, const DeviceStore& after, std::string_view sendFault = {});
// The window's text of VerifyUpdate: empty when verified.
std::string UpdateReportText(const SentUpdate& sent, const DeviceStore& after, std::string_view sendFault = {});

}  // namespace cobalin
