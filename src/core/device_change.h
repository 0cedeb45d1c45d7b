// What wanted values do to a device: the one computation behind every road
// that changes a device's record (the configuration panel, the simple face,
// the fill data sets, the editor's "Apply (6)", a restore from a backup and
// a plan of `cobalin configure`). It works on a copy of the device's entry
// and changes nothing in the table; the caller takes the outcome or leaves it.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/device_table.h"
#include "core/parameter_codec.h"
#include "core/record_layout.h"
#include "core/update_checks.h"

namespace cobalin {

// A value wanted for a row, as typed or given (UTF-8).
struct WantedRow {
    int row = -1;
    std::string text;
};

// How one wanted row went.
struct RowEdit {
    int row = -1;
    std::string typed;  // UTF-8
    // The editor's edit; its note counts a character without a byte of its
    // own as a change.
    EditResult result;
    // The value's encoding differs from what the device holds (its record, or
    // for a LAN-module device its module record), whether or not the road to
    // the device could carry it.
    bool differs = false;
};

struct DeviceChange {
    std::unique_ptr<DeviceStore> copy;  // entry 1: the device as the change leaves it
    std::vector<RowEdit> edits;         // one per wanted row, in order
    // The rows whose bytes a write would send otherwise than the device holds
    // them (for a LAN-module device: its module record's fields).
    std::set<int> rows;
    bool otherBytes = false;  // sent bytes that no row covers differ (only a restore changes those)
    bool whole = false;       // from a backup: the write's every byte counts, not only the rows'
    // The stretches of record bytes a raw edit changed, whether or not a
    // write sends them; the next update's verification compares those it sends.
    std::vector<ByteStretch> raw;
    std::string refusal;      // why a restore may not be sent; empty when it may
    std::string note;         // what a restore says without refusing (another firmware version)

    const DeviceEntry& entry() const { return copy->DeviceTable[1]; }
    const Bytes& module() const { return copy->LanModuleTable[1].Record; }
};

// The simple face's fields (UTF-8), as its Update reads them.
struct FaceValues {
    std::string name, location, password, confirm, dhcp, ip, netmask, gateway, serialBrenik;
};
// The rows the simple face's Update wants, in the order they are applied:
// each field whose text differs from the device's (`current`, its decoded
// texts, ANSI); the password only when its confirmation matches; with DHCP
// "Enable" only the DHCP row (the device takes its addresses from the
// network), else "Disable" where it differs and the addresses.
std::vector<WantedRow> FaceWantedRows(const FaceValues& face, const ParameterTextArray& current);

// Bytes typed into the raw byte view: `bytes` from record offset `start`.
struct RawEdit {
    size_t start = 0;
    std::string bytes;
};

// Applies the wanted rows in order, each as the parameter editor's edit
// (EditParameter), to a copy of entry `device`. With `backup`, the copy
// first takes the backup's record as a restore does (RestoreOnto); with
// `raw`, the raw bytes (those past the record's end are dropped); the
// wanted rows go on top of them.
DeviceChange ComputeChange(const DeviceStore& store, long device, const std::vector<WantedRow>& wanted,
                           const DeviceRecord* backup = nullptr, const RawEdit* raw = nullptr);

// A restore of `backup` onto entry 1 of `copy` (a copy of the device's
// entry): on a device written by pages, pages 0 and 1 of the backup without
// their headers, the device's own identity kept ("Serial No. (Hardware)",
// the request field, "Hardware ID", "Serial No. (Brenik)"); on a device
// written through its LAN module, the backup's values of the rows its
// module record carries, its serial number kept. Sets `refusal` for a
// backup of a short record, of another model or class, a device whose
// record this search did not bring whole, or a LAN-module device that could
// not take all the backup holds; `note` when the firmware versions differ.
void RestoreOnto(DeviceChange& change, const DeviceRecord& backup);

// The names of the rows (as the details list shows them) and "other bytes",
// in row order, of what a change writes.
std::string ChangedRowNames(const DeviceChange& change);

// Takes a change into entry `device` of the table: its record and its
// module record (the texts shown are the caller's to decode afresh).
void TakeChange(DeviceStore& store, long device, const DeviceChange& change);

// The bytes of `record` a write sends (pages 0 and 1 without their headers,
// less what it sets by rule) that differ from `other`'s: the rows that hold
// them and whether any lies outside every row.
struct SentDifference {
    std::set<int> rows;
    bool otherBytes = false;
};
SentDifference SentBytesDiffer(const DeviceRecord& record, const DeviceRecord& other);

}  // namespace cobalin
