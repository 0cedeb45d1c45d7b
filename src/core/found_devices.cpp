#include "core/found_devices.h"

#include <algorithm>

namespace cobalin {

namespace {
// The text a record's format decodes into one slot; empty when the format
// has no field there.
std::string SlotText(std::span<const FieldDef> fields, size_t slot, const DeviceRecord& record) {
    for (const FieldDef& f : fields)
        if (f.index == slot) return FieldText(f, record);
    return {};
}
}  // namespace

FoundDevice DecodeFoundDevice(const DeviceRecord& record) {
    const bool paged = IsPagedRecord(record);
    const std::span<const FieldDef> fields = paged ? PagedFields() : ShortFields();
    FoundDevice d;
    d.mac = SlotText(fields, PagedRow::Mac, record);
    d.hardwareId = SlotText(fields, PagedRow::HardwareId, record);
    d.password = SlotText(fields, PagedRow::Password, record);
    // A short record's details have no "Model No." line.
    if (paged) d.model = SlotText(fields, PagedRow::ModelNo, record);
    return d;
}

FoundDevices::FoundDevices(const DeviceStore& store) {
    devices_.reserve(static_cast<size_t>(std::max<int16_t>(store.DeviceCount, 0)));
    for (int16_t e = 1; store.IsDevice(e); ++e) {
        const DeviceEntry& entry = store.DeviceTable[static_cast<size_t>(e)];
        devices_.push_back(DecodeFoundDevice(entry.Record));
        entries_.insert_or_assign(std::string_view(entry.MacText), e);
    }
}

int16_t FoundDevices::EntryOf(std::string_view line) const {
    const auto it = entries_.find(line);
    return it == entries_.end() ? 0 : it->second;
}

std::vector<ClassifiedLine> FoundDevices::Classify(std::span<const std::string> lines, const FoundDevice& before) const {
    std::vector<ClassifiedLine> classified;
    classified.reserve(lines.size());
    const FoundDevice* loaded = &before;
    for (const std::string& line : lines) {
        ClassifiedLine c;
        c.entry = EntryOf(line);
        if (c.entry > 0) loaded = &Of(c.entry);
        c.deviceClass = ClassifyDevice(loaded->mac, line, loaded->hardwareId);
        classified.push_back(c);
    }
    return classified;
}

void ZeroShortRecordTail(DeviceRecord& record) {
    std::fill(record.begin() + kShortRecordSize, record.begin() + kPages[2].recordOffset + kPages[2].length, 0);
}

}  // namespace cobalin
