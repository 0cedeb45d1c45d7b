#include "core/update_checks.h"

#include <algorithm>

#include "core/lan_module.h"
#include "core/parameter_codec.h"

namespace cobalin {

namespace {

// Record bytes the two write datagrams carry: page 0 and page 1, each
// without its 8-byte header.
bool InWrittenPages(size_t offset) {
    for (size_t p = 0; p < 2; ++p)
        if (offset >= kPages[p].recordOffset + kPageHeaderSize && offset < kPages[p].recordOffset + kPages[p].length)
            return true;
    return false;
}

bool SetByRule(const DeviceRecord& record, size_t offset) {
    if (offset == kSerialBlock1 || offset == kSerialBlock1 + 1) return true;
    return record[kSerialPortCountOffset] != 1 && offset >= kSerialBlock2 && offset < kSerialBlock2 + kSerialBlockSize;
}

// The page a record byte belongs to, or -1.
int PageOf(size_t offset) {
    for (size_t p = 0; p < kPages.size(); ++p)
        if (offset >= kPages[p].recordOffset && offset < kPages[p].recordOffset + kPages[p].length)
            return static_cast<int>(p);
    return -1;
}

constexpr uint8_t kPage0 = 1u << 0, kPage1 = 1u << 1;

}  // namespace

UpdateBlock CheckUpdate(const DeviceStore& store, long device) {
    if (!store.IsDevice(device)) return UpdateBlock::NotWritable;
    const auto k = static_cast<size_t>(device);
    const DeviceEntry& e = store.DeviceTable[k];
    // Its record may be a mixture of two devices, and a write would reach both.
    if (e.SharedMac) return UpdateBlock::SharedMac;
    if (e.FormatTag == RecordFormat::WithModule) {
        const LanModuleEntry& m = store.LanModuleTable[k];
        return m.MacText.empty() || m.MacText != e.MacText ? UpdateBlock::NoModuleRecord : UpdateBlock::None;
    }
    if (e.FormatTag == RecordFormat::Short) return UpdateBlock::NotWritable;
    // A page 1 or 2 that arrived alone makes an entry with no format yet.
    if (!(e.ReceivedPages & kPage0)) return UpdateBlock::NoPage0;
    if (!(e.ReceivedPages & kPage1)) return UpdateBlock::NoPage1;
    return IsPagedRecord(e.Record) ? UpdateBlock::None : UpdateBlock::NotWritable;
}

std::string SharedMacRefusal(std::string_view mac) {
    return "Not updated: two devices answer with MAC " + std::string(mac) +
           "; give one of them another MAC or disconnect it, then search again";
}

std::string UpdateRefusalText(const DeviceStore& store, long device) {
    const UpdateBlock block = CheckUpdate(store, device);
    if (block == UpdateBlock::SharedMac) return SharedMacRefusal(store.DeviceTable[static_cast<size_t>(device)].MacText);
    return std::string(UpdateBlockText(block));
}

bool UpdateSendsByte(const DeviceEntry& entry, size_t offset) {
    if (entry.FormatTag != RecordFormat::Paged || offset >= kRecordSize) return false;
    return InWrittenPages(offset) && !SetByRule(entry.Record, offset);
}

void AddToStretches(std::vector<ByteStretch>& stretches, size_t o) {
    if (!stretches.empty() && stretches.back().second + 1 == o)
        stretches.back().second = o;
    else
        stretches.emplace_back(o, o);
}

std::vector<ByteStretch> UnsentChanges(const DeviceEntry& entry, const DeviceRecord& before, size_t start,
                                       size_t size) {
    std::vector<ByteStretch> out;
    const size_t end = std::min(kRecordSize, start + size);
    for (size_t o = start; o < end; ++o) {
        if (entry.Record[o] == before[o] || UpdateSendsByte(entry, o)) continue;
        AddToStretches(out, o);
    }
    return out;
}

int MissingPage(const DeviceEntry& back, const std::set<int>& rows) {
    for (const FieldDef& f : PagedFields()) {
        if (!rows.count(f.index) || f.write == WriteRule::None) continue;
        const int page = PageOf(f.offset);
        if (page >= 0 && !(back.ReceivedPages & (1u << page))) return page;
    }
    return -1;
}

std::vector<int> RowsKept(const DeviceRecord& sent, const DeviceEntry& back, const std::set<int>& rows) {
    std::vector<int> kept;
    for (const FieldDef& f : PagedFields()) {
        if (!rows.count(f.index) || f.write == WriteRule::None) continue;
        // A module that first answers this search overwrites the company
        // name with its own: that is not the device keeping the old one.
        if (f.index == PagedRow::CompanyName && back.FormatTag == RecordFormat::WithModule) continue;
        bool differs = false;
        for (size_t o = f.offset; o < size_t{f.offset} + f.size; ++o) {
            const int page = PageOf(o);
            // Only what the follow-up search actually brought back counts.
            if (page < 0 || !(back.ReceivedPages & (1u << page)) || SetByRule(sent, o)) continue;
            differs = differs || back.Record[o] != sent[o];
        }
        if (differs) kept.push_back(f.index);
    }
    return kept;
}

namespace {

// The whole record, as one stretch.
const std::vector<ByteStretch> kEveryByte = {{0, kRecordSize - 1}};

// The rows (and "other bytes") that the device reports back otherwise than
// the write sent them, among the bytes of `stretches` that the write sends.
std::vector<std::string> BytesKept(const DeviceRecord& sent, const DeviceEntry& back,
                                   const std::vector<ByteStretch>& stretches) {
    DeviceEntry written;
    written.Record = sent;
    written.FormatTag = RecordFormat::Paged;
    std::set<int> rows;
    bool other = false;
    for (const auto& [first, last] : stretches)
    for (size_t o = first; o <= last && o < kRecordSize; ++o) {
        if (!UpdateSendsByte(written, o) || back.Record[o] == sent[o]) continue;
        const FieldDef* field = nullptr;
        for (const FieldDef& f : PagedFields())
            if (o >= f.offset && o < size_t{f.offset} + f.size) field = &f;
        // A module that first answers this search overwrites the company
        // name with its own, as for the rows.
        if (field && field->index == PagedRow::CompanyName && back.FormatTag == RecordFormat::WithModule) continue;
        if (field)
            rows.insert(field->index);
        else
            other = true;
    }
    std::vector<std::string> names;
    for (int row : rows)
        if (std::find(names.begin(), names.end(), RowName(row)) == names.end()) names.push_back(RowName(row));
    if (other) names.emplace_back("other bytes");
    return names;
}

// The first page holding a raw byte the write sends that did not arrive
// after the update, or -1.
int MissingRawPage(const SentUpdate& sent, const DeviceEntry& back) {
    DeviceEntry written;
    written.Record = sent.record;
    written.FormatTag = RecordFormat::Paged;
    for (const auto& [first, last] : sent.raw)
        for (size_t o = first; o <= last && o < kRecordSize; ++o) {
            const int page = PageOf(o);
            if (UpdateSendsByte(written, o) && page >= 0 && !(back.ReceivedPages & (1u << page))) return page;
        }
    return -1;
}

// The applied rows kept, then what the raw stretches name beyond them.
std::vector<std::string> RowsAndRawKept(const SentUpdate& sent, const DeviceEntry& back) {
    std::vector<std::string> kept;
    for (int row : RowsKept(sent.record, back, sent.rows)) kept.push_back(RowName(row));
    for (std::string& name : BytesKept(sent.record, back, sent.raw))
        if (std::find(kept.begin(), kept.end(), name) == kept.end()) kept.push_back(std::move(name));
    return kept;
}

}  // namespace

std::vector<int> ModuleRowsKept(const Bytes& sent, const Bytes& back, const std::set<int>& rows) {
    std::vector<int> kept;
    for (const ModuleField& m : ModuleFields()) {
        if (!rows.count(m.row)) continue;
        const size_t end = m.offset + (m.dotted() ? 4 : kModuleTextSize);
        // A record too short to hold the field cannot show it was taken.
        const bool differs = end > sent.size() || end > back.size() ||
                             !std::equal(sent.begin() + static_cast<long>(m.offset), sent.begin() + static_cast<long>(end),
                                         back.begin() + static_cast<long>(m.offset));
        if (differs) kept.push_back(m.row);
    }
    return kept;
}

UpdateVerdict VerifyUpdate(const SentUpdate& sent, const DeviceStore& after, std::string_view sendFault) {
    const auto same = [](std::string text) { return UpdateVerdict{false, text, text}; };
    if (!sendFault.empty()) {
        const std::string why = "the write could not be sent: " + std::string(sendFault);
        return {false, why, "Not updated: " + why};
    }
    const long back = FindDevice(after, sent.mac);
    if (!back) return same(kNotFoundAfterUpdate + sent.mac);
    const DeviceEntry& entry = after.DeviceTable[static_cast<size_t>(back)];
    if (entry.SharedMac) {
        // Which of the two answered for which page cannot be told.
        const std::string why = "two devices answer with MAC " + sent.mac;
        return {false, why, "Not verified: " + why + "; give one of them another MAC or disconnect it, then search again"};
    }
    std::vector<std::string> kept;
    if (sent.module) {
        // The module path never writes the device's own record: what counts
        // is the module record its query brings back in this search.
        const LanModuleEntry& module = after.LanModuleTable[static_cast<size_t>(back)];
        if (module.MacText != sent.mac) return same(kNoModuleRecordAfterUpdate + sent.mac);
        std::set<int> rows = sent.rows;
        if (sent.whole)
            for (const ModuleField& m : ModuleFields()) rows.insert(m.row);
        for (int row : ModuleRowsKept(*sent.module, module.Record, rows)) kept.push_back(RowName(row));
    } else {
        // A whole write is verified on both pages it sends.
        int page = !sent.whole ? MissingPage(entry, sent.rows)
                   : !(entry.ReceivedPages & kPage0) ? 0
                   : !(entry.ReceivedPages & kPage1) ? 1
                                                     : -1;
        if (page < 0 && !sent.whole) page = MissingRawPage(sent, entry);
        if (page >= 0) {
            const std::string why = "page " + std::to_string(page) + " of this device was not received after the update";
            return {false, why, "Not verified: " + why + "; search again"};
        }
        if (sent.whole)
            kept = BytesKept(sent.record, entry, kEveryByte);
        else
            kept = RowsAndRawKept(sent, entry);
    }
    if (kept.empty()) return {true, {}, {}};
    std::string names;
    for (const std::string& name : kept) names += (names.empty() ? "" : ", ") + name;
    return same(kKeptOtherValues + names);
}

std::string UpdateReportText(const SentUpdate& sent, const DeviceStore& after, std::string_view sendFault) {
    return VerifyUpdate(sent, after, sendFault).text;
}

}  // namespace cobalin
