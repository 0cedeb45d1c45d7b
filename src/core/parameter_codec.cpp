#include "core/parameter_codec.h"

#include <algorithm>

#include "core/lan_module.h"
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
    texts[static_cast<size_t>(row)] = std::string(text);
    if (!store.IsEntry(device)) return ApplyOutcome::Rejected;
    if (!Encode(*f, text, store.DeviceTable[static_cast<size_t>(device)].Record)) return ApplyOutcome::Rejected;
    if (const ModuleField* mirror = ModuleFieldOfRow(row)) BuildModuleUpdate(store, device, mirror->code, text);
    return ApplyOutcome::Written;
}

}  // namespace cobalin
