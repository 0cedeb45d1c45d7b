#include "core/parameter_codec.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "core/ansi_text.h"
#include "core/lan_module.h"
#include "core/update_checks.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

const FieldDef* Row(long row) {
    const auto fields = PagedFields();
    if (row < 0 || row >= static_cast<long>(fields.size())) return nullptr;
    return &fields[static_cast<size_t>(row)];
}

long ChoiceCode(ValueTable table, std::string_view text) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == text) return static_cast<long>(i);
    return -1;
}

// Writes the encoded text into the record; false when nothing could be written.
bool Encode(const FieldDef& f, std::string_view text, DeviceRecord& record) {
    uint8_t* p = record.data() + f.offset;
    switch (f.write) {
        case WriteRule::None:
            return false;
        case WriteRule::Text:
            std::fill_n(p, f.size, 0);
            std::copy_n(text.begin(), std::min<size_t>(text.size(), f.size), p);
            return true;
        case WriteRule::Dotted: {
            const auto quad = ParseAddressText(text);
            if (!quad) return false;
            std::copy(quad->begin(), quad->end(), p);
            return true;
        }
        case WriteRule::DhcpFlag:
            p[0] = text == "Enable" ? 1 : 0;
            return true;
        case WriteRule::Choice: {
            const long code = ChoiceCode(f.table, text);
            if (code < 0) return false;
            p[0] = static_cast<uint8_t>(code);
            return true;
        }
        case WriteRule::DataStop:
            for (const auto& c : DataStopChoices()) {
                if (c.text != text) continue;
                p[0] = c.dataCode;
                p[1] = c.stopCode;
                return true;
            }
            return false;
        case WriteRule::Byte:
        case WriteRule::MinusOne: {
            const long shift = f.write == WriteRule::MinusOne ? 1 : 0;
            const auto v = ParseNumberText(text, shift, 255 + shift);
            if (!v) return false;
            p[0] = static_cast<uint8_t>(*v - shift);
            return true;
        }
        case WriteRule::U16: {
            const auto v = ParseNumberText(text, 0, 65535);
            if (!v) return false;
            p[0] = static_cast<uint8_t>(*v & 0xFF);
            p[1] = static_cast<uint8_t>(*v >> 8);
            return true;
        }
    }
    return false;
}

// True when every number in the text is a whole number, so that the
// record's value is the typed one however it was spelled ("007", " 10 ").
bool WholeNumbers(const FieldDef& f, std::string_view text) {
    const auto whole = [](std::string_view part) {
        const auto v = ParseDecimal(part);
        return v && *v == std::nearbyint(*v);
    };
    if (f.write != WriteRule::Dotted) return whole(text);
    const auto parts = SplitAtDots(text);
    return std::all_of(parts.begin(), parts.end(), [&](const auto& p) { return whole(p); });
}

EditNote NoteOf(const FieldDef& f, ApplyOutcome outcome, std::string_view typed, std::string_view shown) {
    if (outcome != ApplyOutcome::Written) return EditNote::Refused;
    switch (f.write) {
        case WriteRule::Text:
            if (typed.size() > f.size) return EditNote::Cut;
            if (typed != shown) return EditNote::Changed;  // a NUL character is not kept
            break;
        case WriteRule::Dotted:
        case WriteRule::Byte:
        case WriteRule::U16:
        case WriteRule::MinusOne:
            if (typed != shown && !WholeNumbers(f, typed)) return EditNote::Changed;
            break;
        default:
            if (typed != shown) return EditNote::Changed;
    }
    // Every configuration write sets the first serial port to 4000.
    if (f.index == PagedRow::TcpUdpPort && shown != "4000") return EditNote::PortNotSent;
    return EditNote::AsTyped;
}

}  // namespace

bool IsEditableRow(long row) {
    const FieldDef* f = Row(row);
    return f && f->editable;
}

ValueTable RowChoices(long row) {
    const FieldDef* f = Row(row);
    return f ? f->choices : ValueTable{};
}

bool IsChoiceRow(long row) { return !RowChoices(row).empty(); }

ApplyOutcome ApplyParameter(DeviceStore& store, ParameterTextArray& texts, long row, std::string_view text,
                            long device) {
    const FieldDef* f = Row(row);
    if (!f || f->write == WriteRule::None) return ApplyOutcome::Ignored;
    if (!store.IsEntry(device)) return ApplyOutcome::Rejected;
    DeviceRecord& record = store.DeviceTable[static_cast<size_t>(device)].Record;
    const bool written = Encode(*f, text, record);
    if (written)
        if (const ModuleField* mirror = ModuleFieldOfRow(row)) BuildModuleUpdate(store, device, mirror->code, text);
    texts[static_cast<size_t>(row)] = FieldText(*f, record);
    return written ? ApplyOutcome::Written : ApplyOutcome::Rejected;
}

EditNote CheckEditRoad(const DeviceStore& store, long device, long row, std::string_view text) {
    if (!store.IsEntry(device) || store.DeviceTable[static_cast<size_t>(device)].FormatTag != RecordFormat::WithModule)
        return EditNote::AsTyped;
    // Such a device is updated through its module record alone: an edit it
    // cannot carry would be shown as applied and never reach it.
    const ModuleField* m = ModuleFieldOfRow(row);
    // A module answer too short to hold the field cannot carry it either.
    const size_t size = m && m->dotted() ? 4 : kModuleTextSize;
    if (!m || m->offset + size > store.LanModuleTable[static_cast<size_t>(device)].Record.size())
        return EditNote::NotCarriedByModule;
    if (!m->dotted() && text.size() > kModuleTextSize) return EditNote::TooLongForModule;
    return EditNote::AsTyped;
}

EditResult EditParameter(DeviceStore& store, ParameterTextArray& texts, long row, std::string_view text, long device) {
    const FieldDef* f = Row(row);
    EditResult r;
    if (!f || f->write == WriteRule::None || !store.IsEntry(device)) {
        r.outcome = ApplyParameter(store, texts, row, text, device);
        return r;
    }
    r.note = CheckEditRoad(store, device, row, text);
    if (r.note != EditNote::AsTyped) {
        r.outcome = ApplyOutcome::Rejected;
        r.shown = texts[static_cast<size_t>(row)];
        return r;
    }
    r.outcome = ApplyParameter(store, texts, row, text, device);
    r.shown = texts[static_cast<size_t>(row)];
    r.note = NoteOf(*f, r.outcome, text, r.shown);
    const DeviceEntry& e = store.DeviceTable[static_cast<size_t>(device)];
    // The link states lie on page 2, which no write carries.
    if (r.note == EditNote::AsTyped && e.FormatTag == RecordFormat::Paged && !UpdateSendsByte(e, f->offset) &&
        f->index != PagedRow::TcpUdpPort)
        r.note = EditNote::NotSent;
    return r;
}

EditResult PreviewEdit(const DeviceStore& store, long device, long row, std::string_view text) {
    if (!store.IsEntry(device)) return {ApplyOutcome::Rejected, EditNote::Refused, {}};
    // A table of its own holding only this device, so nothing else changes.
    auto scratch = CopyOfEntry(store, device);
    ParameterTextArray texts;
    texts[static_cast<size_t>(std::clamp<long>(row, 0, kParameterCount - 1))] = {};
    return EditParameter(*scratch, texts, row, text, 1);
}

std::string RowName(long row) {
    const FieldDef* f = Row(row);
    if (!f) return {};
    std::string name(f->label);
    if (!name.empty() && name.back() == ':') name.pop_back();
    return name;
}

namespace {

// Each note's few words for a list of rows, and its line for one row:
// %N the row's name, %T the typed text, %S the record's, %Z the field's size.
struct NoteTexts {
    EditNote note;
    std::string_view words;
    std::string_view line;
};
constexpr NoteTexts kNoteTexts[] = {
    {EditNote::Refused, "refused", "%N: \"%T\" cannot be written; the record keeps \"%S\""},
    {EditNote::Cut, "cut", "%N: cut to %Z characters, \"%S\""},
    {EditNote::Changed, "changed", "%N: the record holds \"%S\", not \"%T\""},
    {EditNote::PortNotSent, "every update sends 4000", "%N: the record holds %S, but every update sends 4000"},
    {EditNote::NotSent, "not sent", "%N: kept in the record, but no update sends it"},
    {EditNote::NotCarriedByModule, "not carried by the LAN module",
     "Not applied: the LAN module of this device does not carry %N"},
    {EditNote::TooLongForModule, "too long for the LAN module",
     "Not applied: the LAN module of this device holds at most 16 characters of %N"},
};
// The status line never shows a password: these lines stand for the ones
// that would quote it.
constexpr NoteTexts kPasswordNotes[] = {
    {EditNote::Refused, "refused", "%N: not as typed"},
    {EditNote::Cut, "cut", "%N: longer than its %Z characters"},
    {EditNote::Changed, "changed", "%N: not as typed"},
};

template <size_t N>
const NoteTexts* FindNote(const NoteTexts (&table)[N], EditNote note) {
    for (const NoteTexts& t : table)
        if (t.note == note) return &t;
    return nullptr;
}

}  // namespace

std::string EditNoteText(EditNote note, long row, std::string_view typed, std::string_view shown) {
    const NoteTexts* texts = row == PagedRow::Password ? FindNote(kPasswordNotes, note) : nullptr;
    if (!texts) texts = FindNote(kNoteTexts, note);
    if (!texts) return {};
    const FieldDef* f = Row(row);
    const std::string name = RowName(row), size = std::to_string(f ? f->size : 0);
    auto value = [&](char key) -> std::optional<std::string_view> {
        switch (key) {
            case 'N': return name;
            case 'T': return typed;
            case 'S': return shown;
            case 'Z': return size;
            default: return std::nullopt;
        }
    };
    std::string out;
    // One pass, so that a typed "%S" stays as typed.
    for (size_t i = 0; i < texts->line.size(); ++i) {
        const auto v = texts->line[i] == '%' && i + 1 < texts->line.size() ? value(texts->line[i + 1]) : std::nullopt;
        if (v) {
            out += *v;
            ++i;
        } else {
            out += texts->line[i];
        }
    }
    return out;
}

std::string_view EditNoteWords(EditNote note) {
    const NoteTexts* texts = FindNote(kNoteTexts, note);
    return texts ? texts->words : std::string_view();
}

EditNote TypedEditNote(const EditResult& edit, std::string_view utf8) {
    return edit.note == EditNote::AsTyped && !IsAnsiRepresentable(utf8) ? EditNote::Changed : edit.note;
}

std::string UpdateRefusal(const DeviceStore& store, long device,
                          const std::vector<std::pair<int, std::string>>& rows) {
    const UpdateBlock block = CheckUpdate(store, device);
    if (block != UpdateBlock::None) return UpdateRefusalText(store, device);
    for (const auto& [row, utf8] : rows) {
        const EditResult r = PreviewEdit(store, device, row, Utf8ToAnsi(utf8));
        const EditNote note = TypedEditNote(r, utf8);
        if (note != EditNote::AsTyped) return EditNoteText(note, row, utf8, AnsiToUtf8(r.shown));
        // Two devices with one address: neither could be reached for sure.
        if (row != PagedRow::IpAddress) continue;
        if (const auto to = AddressValue(utf8)) {
            const std::vector<std::string> holders = AddressHolders(store, device, *to);
            if (!holders.empty()) return "Not updated: IP address " + DottedQuad(*to) + " is held by MAC " + holders.front();
        }
    }
    return {};
}

}  // namespace cobalin
