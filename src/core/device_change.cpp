#include "core/device_change.h"

#include <algorithm>
#include <span>

#include "core/ansi_text.h"
#include "core/device_report.h"
#include "core/lan_module.h"
#include "core/text_conversions.h"
#include "core/update_checks.h"

namespace cobalin {

namespace {

using P = PagedRow;

const FieldDef& Field(long row) { return PagedFields()[static_cast<size_t>(row)]; }

std::string Text(const DeviceRecord& record, long row) { return FieldText(Field(row), record); }

bool FieldDiffers(std::span<const uint8_t> a, std::span<const uint8_t> b, size_t offset, size_t size) {
    if (offset + size > a.size() || offset + size > b.size()) return false;
    return !std::equal(a.begin() + static_cast<long>(offset), a.begin() + static_cast<long>(offset + size),
                       b.begin() + static_cast<long>(offset));
}

// Whether the value's encoding differs from what entry 1 holds, whatever
// road would carry it: the edit is tried and undone.
bool Differs(DeviceStore& copy, long row, const std::string& ansi) {
    DeviceEntry& e = copy.DeviceTable[1];
    Bytes& module = copy.LanModuleTable[1].Record;
    const DeviceRecord record = e.Record;
    const Bytes moduleRecord = module;
    ParameterTextArray texts;
    ApplyParameter(copy, texts, row, ansi, 1);
    const FieldDef& f = Field(row);
    bool differs = FieldDiffers(record, e.Record, f.offset, f.size);
    // The module path never writes the device's own record: what the device
    // holds of a row its module carries is in the module record alone, so a
    // value applied once does not count as a change again.
    if (const ModuleField* m = ModuleFieldOfRow(row); m && e.FormatTag == RecordFormat::WithModule)
        differs = FieldDiffers(moduleRecord, module, m->offset, m->dotted() ? 4 : kModuleTextSize);
    e.Record = record;
    module = moduleRecord;
    return differs;
}

// The row each record byte belongs to, -1 for none.
const std::array<int8_t, kRecordSize>& RowOfByte() {
    static const std::array<int8_t, kRecordSize> rows = [] {
        std::array<int8_t, kRecordSize> r;
        r.fill(-1);
        for (const FieldDef& f : PagedFields())
            for (size_t o = f.offset; o < size_t{f.offset} + f.size && o < kRecordSize; ++o)
                r[o] = static_cast<int8_t>(f.index);
        return r;
    }();
    return rows;
}

// The bytes that make a device the one it is: a restore keeps the target's.
bool IsIdentityByte(size_t o) {
    const auto in = [o](size_t offset, size_t size) { return o >= offset && o < offset + size; };
    const auto field = [&](long row) { return in(Field(row).offset, Field(row).size); };
    return field(P::SerialHardware) || in(kIdentityOffset, kIdentitySize) || field(P::HardwareId) ||
           field(P::SerialBrenik);
}

DeviceEntry PagedEntry(const DeviceRecord& record) {
    DeviceEntry e;
    e.Record = record;
    e.MacText = FormatMac(record.data() + 1);
    e.FormatTag = RecordFormat::Paged;
    return e;
}

std::string RowList(const std::set<int>& rows) {
    std::string out;
    for (int row : rows) {
        const std::string name = RowName(row);
        if (out.find(name) == std::string::npos) out += (out.empty() ? "" : ", ") + name;
    }
    return out;
}

// What of the backup the device could not take: a restore is whole or not at all.
std::string RestoreRefusal(const DeviceEntry& target, const DeviceRecord& backup) {
    if (!IsPagedRecord(backup)) return "the backup holds a short record, which has no settings to restore";
    if ((target.ReceivedPages & 0x7) != 0x7 || !IsPagedRecord(target.Record))
        return "this device's record did not arrive whole in this search; search again";
    const std::string model = Text(backup, P::ModelNo), own = Text(target.Record, P::ModelNo);
    if (model != own)
        return "the backup is of model \"" + AnsiToUtf8(model) + "\", this device is \"" + AnsiToUtf8(own) + "\"";
    if (ClassOfEntry(PagedEntry(backup)) != ClassOfEntry(target)) return "the backup is of another class of device";
    return {};
}

// A LAN-module device takes the backup's values of the rows its module
// record carries; the rest of the backup must be what the device holds.
void RestoreThroughModule(DeviceChange& change, const DeviceRecord& backup) {
    DeviceRecord wanted = change.entry().Record;
    for (size_t o = 0; o < kRecordSize; ++o)
        if (!IsIdentityByte(o)) wanted[o] = backup[o];
    std::set<int> uncarried;
    const SentDifference differ = SentBytesDiffer(wanted, change.entry().Record);
    for (int row : differ.rows)
        if (!ModuleFieldOfRow(row)) uncarried.insert(row);
    ParameterTextArray texts;
    for (const ModuleField& m : ModuleFields()) {
        if (m.row == P::SerialHardware) continue;
        const EditResult r = EditParameter(*change.copy, texts, m.row, Text(backup, m.row), 1);
        if (r.note != EditNote::AsTyped) uncarried.insert(m.row);
    }
    if (!uncarried.empty() || differ.otherBytes)
        change.refusal = "the device is written through its LAN module, which cannot carry what the backup holds of " +
                         RowList(uncarried) + (differ.otherBytes ? (uncarried.empty() ? "" : ", ") + std::string("other bytes") : "");
}

}  // namespace

SentDifference SentBytesDiffer(const DeviceRecord& record, const DeviceRecord& other) {
    SentDifference out;
    const DeviceEntry entry = PagedEntry(record);
    for (size_t o = 0; o < kRecordSize; ++o) {
        if (record[o] == other[o] || !UpdateSendsByte(entry, o)) continue;
        const int row = RowOfByte()[o];
        if (row >= 0)
            out.rows.insert(row);
        else
            out.otherBytes = true;
    }
    return out;
}

void RestoreOnto(DeviceChange& change, const DeviceRecord& backup) {
    change.whole = true;
    DeviceEntry& e = change.copy->DeviceTable[1];
    change.refusal = RestoreRefusal(e, backup);
    if (!change.refusal.empty()) return;
    const std::string version = Text(backup, P::VersionDate), own = Text(e.Record, P::VersionDate);
    if (version != own)
        change.note = "the backup was taken with firmware \"" + AnsiToUtf8(version) + "\", this device has \"" +
                      AnsiToUtf8(own) + "\"";
    if (e.FormatTag == RecordFormat::WithModule) return RestoreThroughModule(change, backup);
    // Every byte of pages 0 and 1 but the headers: also those the write
    // sets by rule, whose rule (the second serial block, by the count of
    // serial ports) is then the backup's.
    for (size_t p = 0; p < 2; ++p)
        for (size_t o = kPages[p].recordOffset + kPageHeaderSize; o < kPages[p].recordOffset + kPages[p].length; ++o)
            if (!IsIdentityByte(o)) e.Record[o] = backup[o];
}

namespace {

void TakeRawBytes(DeviceChange& change, const RawEdit& raw) {
    DeviceRecord& record = change.copy->DeviceTable[1].Record;
    if (raw.start >= record.size()) return;
    const DeviceRecord before = record;
    const size_t end = std::min(record.size(), raw.start + raw.bytes.size());
    for (size_t o = raw.start; o < end; ++o) record[o] = static_cast<uint8_t>(raw.bytes[o - raw.start]);
    for (size_t o = raw.start; o < end; ++o)
        if (record[o] != before[o]) AddToStretches(change.raw, o);
}

}  // namespace

DeviceChange ComputeChange(const DeviceStore& store, long device, const std::vector<WantedRow>& wanted,
                           const DeviceRecord* backup, const RawEdit* raw) {
    DeviceChange change;
    change.copy = CopyOfEntry(store, device);
    if (backup) RestoreOnto(change, *backup);
    if (raw) TakeRawBytes(change, *raw);
    // A refused edit shows what the row held.
    ParameterTextArray texts;
    if (IsPagedRecord(change.entry().Record)) DecodeFields(PagedFields(), change.entry().Record, texts);
    for (const WantedRow& w : wanted) {
        RowEdit& edit = change.edits.emplace_back();
        edit.row = w.row;
        edit.typed = w.text;
        const std::string ansi = Utf8ToAnsi(w.text);
        edit.differs = Differs(*change.copy, w.row, ansi);
        edit.result = EditParameter(*change.copy, texts, w.row, ansi, 1);
        edit.result.note = TypedEditNote(edit.result, w.text);
    }
    if (!store.IsEntry(device)) return change;
    const auto k = static_cast<size_t>(device);
    if (change.entry().FormatTag == RecordFormat::WithModule) {
        const Bytes& before = store.LanModuleTable[k].Record;
        for (const ModuleField& m : ModuleFields())
            if (FieldDiffers(before, change.module(), m.offset, m.dotted() ? 4 : kModuleTextSize)) change.rows.insert(m.row);
        return change;
    }
    const SentDifference d = SentBytesDiffer(change.entry().Record, store.DeviceTable[k].Record);
    change.rows = d.rows;
    change.otherBytes = d.otherBytes;
    return change;
}

std::string ChangedRowNames(const DeviceChange& change) {
    std::string out = RowList(change.rows);
    if (change.otherBytes) out += (out.empty() ? "" : ", ") + std::string("other bytes");
    return out;
}

std::vector<WantedRow> FaceWantedRows(const FaceValues& face, const ParameterTextArray& current) {
    std::vector<WantedRow> rows;
    const auto now = [&](int row) { return AnsiToUtf8(current[static_cast<size_t>(row)]); };
    const auto compare = [&](const std::string& text, int row) {
        if (text != now(row)) rows.push_back({row, text});
    };
    compare(face.name, P::ServerName);
    compare(face.location, P::CompanyName);
    if (face.password == face.confirm) compare(face.password, P::Password);
    if (face.dhcp == "Enable") {
        // With DHCP the device takes its addresses from the network.
        if (face.dhcp != now(P::Dhcp)) rows.push_back({P::Dhcp, "Enable"});
        return rows;
    }
    if (face.dhcp != now(P::Dhcp)) rows.push_back({P::Dhcp, "Disable"});
    compare(face.ip, P::IpAddress);
    compare(face.netmask, P::Netmask);
    compare(face.gateway, P::Gateway);
    compare(face.serialBrenik, P::SerialBrenik);
    return rows;
}

void TakeChange(DeviceStore& store, long device, const DeviceChange& change) {
    if (!store.IsEntry(device)) return;
    const auto k = static_cast<size_t>(device);
    store.DeviceTable[k].Record = change.entry().Record;
    store.LanModuleTable[k].Record = change.module();
}

}  // namespace cobalin
