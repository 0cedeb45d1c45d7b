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
    }
    return {};
}

// True when an update of the entry sends this record byte as the record
// holds it. A device updated through its LAN module gets none of its record's
// bytes; otherwise the write carries pages 0 and 1 without their headers,
// but sets the first serial port to 4000 and, with more than one serial
// port, derives the second serial block from the first.
bool UpdateSendsByte(const DeviceEntry& entry, size_t offset);

using ByteStretch = std::pair<size_t, size_t>;  // first and last offset
// The stretches of bytes in [start, start + size) that differ between
// `before` and the entry's record and that no update sends as they stand.
std::vector<ByteStretch> UnsentChanges(const DeviceEntry& entry, const DeviceRecord& before, size_t start,
                                       size_t size);

// The applied rows whose bytes the device reports back otherwise than the
// write sent them. Only the pages the follow-up search brought count, and a
// row that the write sets by rule (the first serial port) is not compared.
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
};

// The texts of the update report.
inline constexpr const char* kNotFoundAfterUpdate = "Not found after the update: ";                // + MAC
inline constexpr const char* kKeptOtherValues = "Device kept other values: ";                      // + row names
inline constexpr const char* kNoModuleRecordAfterUpdate = "No module record after the update: ";  // + MAC

// How the device came back in the follow-up search: empty when it holds
// what was sent, else the report's text (not found, no module record, or
// the rows it kept, by name).
std::string UpdateReportText(const SentUpdate& sent, const DeviceStore& after);

}  // namespace cobalin
