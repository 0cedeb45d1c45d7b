// The LAN-module record exchanged on UDP port 8880: the query, the intake of
// module answers, the company-name merge and the mirroring of edits.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/device_table.h"

namespace cobalin {

constexpr std::string_view ModuleSignature = "BrenikLM";
constexpr std::string_view kModuleUpdateMark = "UpdateLM";
constexpr uint8_t kModuleAnswerMark = 0x41;
constexpr uint16_t kModulePort = 8880;

// The module record's fields: each mirrors one parameter row of the device
// record. This one table joins a field's code, its row and its place in the
// module record; the row's field gives its place in the device record.
struct ModuleField {
    int code;          // the code an edit is mirrored by
    PagedRow::Row row; // the device record's field it mirrors
    size_t offset;     // in the module record
    // Four address bytes when the row is written as an address, else a 16-byte text.
    bool dotted() const;
};
std::span<const ModuleField> ModuleFields();
// The field of a code or of a row; nullptr when there is none.
const ModuleField* FindModuleField(int code);
const ModuleField* ModuleFieldOfRow(long row);
constexpr size_t kModuleMacOffset = 8;
constexpr size_t kModuleTextSize = 16;

// Writes one field's encoding into a module record; false (nothing written)
// for an unknown code, a text the encoding cannot use, or a field the record
// is too short to hold.
bool WriteModuleField(Bytes& record, int code, std::string_view text);

// The query of mode 2: "BrenikLM" and 165 zero bytes, 173 in all.
Bytes BuildModuleQuery();

// Attaches a module answer to the found device with the same MAC, noting
// where it came from (NoteModuleArrival). Returns the entry it was attached
// to, or -1 when the datagram was dropped.
int16_t ModuleReplyIntake(DeviceStore& store, std::span<const uint8_t> datagram, const Arrival& arrival = {});

// Module answers that came before any page of their device (the query left
// with the search request, and a module answered first), kept until the
// device's first page makes its entry: one answer per MAC, the latest, and
// at most one per device a table can hold.
class EarlyModules {
public:
    // Keeps an answer ModuleReplyIntake dropped, when it is one (the answer
    // mark and a whole MAC), with where it came from.
    void Keep(std::span<const uint8_t> datagram, const Arrival& arrival = {});
    // Takes the kept answer of entry `entry` into the table, once its device
    // is there; the entry it went to, or -1 when none was kept for it.
    int16_t TakeFor(DeviceStore& store, long entry);
    void Clear() { kept_.clear(); }
    bool Empty() const { return kept_.empty(); }

private:
    struct Kept {
        Bytes answer;
        Arrival arrival;
    };
    std::vector<Kept> kept_;
};

// Copies the module's 16-byte company name over the device's 48-byte field.
void MergeModuleCompanyName(DeviceStore& store, int16_t k);

// Mirrors one edited parameter (codes 3-10) into the module record of a
// device that has one; writes "UpdateLM" and the checksum. Returns whether the
// record changed.
bool BuildModuleUpdate(DeviceStore& store, long k, int code, std::string_view text);

// The low 8 bits of the sum of all bytes before the last one.
uint8_t ModuleChecksum(std::span<const uint8_t> record);

}  // namespace cobalin
