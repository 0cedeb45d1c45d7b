#include "core/lan_module.h"

#include <algorithm>

#include "core/text_conversions.h"

namespace cobalin {

namespace {

constexpr size_t kModuleCompanyOffset = 80;

using P = PagedRow;

constexpr ModuleField kModuleFields[] = {
    {3, P::ServerName, 32},     {4, P::SerialHardware, 48}, {5, P::ModelNo, 64}, {6, P::CompanyName, kModuleCompanyOffset},
    {7, P::Password, 96},       {8, P::IpAddress, 112},     {9, P::Netmask, 116}, {10, P::Gateway, 120},
};

}  // namespace

bool ModuleField::dotted() const { return PagedFields()[row].write == WriteRule::Dotted; }

std::span<const ModuleField> ModuleFields() { return kModuleFields; }

const ModuleField* FindModuleField(int code) {
    for (const auto& f : kModuleFields)
        if (f.code == code) return &f;
    return nullptr;
}

const ModuleField* ModuleFieldOfRow(long row) {
    for (const auto& f : kModuleFields)
        if (f.row == row) return &f;
    return nullptr;
}

bool WriteModuleField(Bytes& r, int code, std::string_view text) {
    const ModuleField* field = FindModuleField(code);
    if (!field) return false;
    Bytes value(field->dotted() ? 4 : kModuleTextSize, 0);
    if (field->dotted()) {
        const auto quad = ParseAddressText(text);
        if (!quad) return false;
        std::copy(quad->begin(), quad->end(), value.begin());
    } else {
        std::copy_n(text.begin(), std::min(text.size(), kModuleTextSize), value.begin());
    }
    // A field that a short answer cannot hold is left out; nothing is written
    // past the record's end.
    if (field->offset + value.size() > r.size()) return false;
    std::copy(value.begin(), value.end(), r.begin() + static_cast<long>(field->offset));
    return true;
}

Bytes BuildModuleQuery() {
    Bytes out(ModuleSignature.begin(), ModuleSignature.end());
    out.resize(kModuleRecordSize, 0x00);
    return out;
}

int16_t ModuleReplyIntake(DeviceStore& store, std::span<const uint8_t> d, const Arrival& arrival) {
    if (d.size() < kModuleMacOffset + 6 || d[0] != kModuleAnswerMark) return -1;
    const std::string mac = FormatMac(d.data() + kModuleMacOffset);
    // Line j of the found list is entry j + 1; modules are matched only to
    // devices whose search reply came first.
    for (int16_t k = 1; k <= store.DeviceCount && k < static_cast<int16_t>(kTableSize); ++k) {
        if (store.DeviceTable[static_cast<size_t>(k)].MacText != mac) continue;
        LanModuleEntry& m = store.LanModuleTable[static_cast<size_t>(k)];
        m.MacText = mac;
        m.Record.assign(d.begin(), d.end());
        store.DeviceTable[static_cast<size_t>(k)].FormatTag = RecordFormat::WithModule;
        MergeModuleCompanyName(store, k);
        NoteModuleArrival(store, k, d, arrival);
        return k;
    }
    return -1;
}

void EarlyModules::Keep(std::span<const uint8_t> d, const Arrival& arrival) {
    if (d.size() < kModuleMacOffset + 6 || d[0] != kModuleAnswerMark) return;
    const auto sameMac = [&d](const Kept& k) {
        return std::equal(k.answer.begin() + kModuleMacOffset, k.answer.begin() + kModuleMacOffset + 6,
                          d.begin() + kModuleMacOffset);
    };
    const auto same = std::find_if(kept_.begin(), kept_.end(), sameMac);
    if (same != kept_.end()) *same = {Bytes(d.begin(), d.end()), arrival};
    else if (kept_.size() < static_cast<size_t>(kMaxDevices)) kept_.push_back({Bytes(d.begin(), d.end()), arrival});
}

int16_t EarlyModules::TakeFor(DeviceStore& store, long entry) {
    if (!store.IsDevice(entry)) return -1;
    const std::string& mac = store.DeviceTable[static_cast<size_t>(entry)].MacText;
    for (auto k = kept_.begin(); k != kept_.end(); ++k) {
        if (FormatMac(k->answer.data() + kModuleMacOffset) != mac) continue;
        const Kept taken = std::move(*k);
        kept_.erase(k);
        return ModuleReplyIntake(store, taken.answer, taken.arrival);
    }
    return -1;
}

void MergeModuleCompanyName(DeviceStore& store, int16_t k) {
    if (!store.IsEntry(k)) return;
    const Bytes& module = store.LanModuleTable[static_cast<size_t>(k)].Record;
    // An answer too short to hold the company name is stored but not merged.
    if (module.size() < kModuleCompanyOffset + kModuleTextSize) return;
    DeviceRecord& r = store.DeviceTable[static_cast<size_t>(k)].Record;
    std::copy_n(module.begin() + kModuleCompanyOffset, kModuleTextSize, r.begin() + kCompanyNameOffset);
    std::fill_n(r.begin() + kCompanyNameOffset + kModuleTextSize, kCompanyNameSize - kModuleTextSize, 0);
}

uint8_t ModuleChecksum(std::span<const uint8_t> record) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < record.size(); ++i) sum += record[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

bool BuildModuleUpdate(DeviceStore& store, long k, int code, std::string_view text) {
    if (!store.IsEntry(k) || store.DeviceTable[static_cast<size_t>(k)].FormatTag != RecordFormat::WithModule) return false;
    const ModuleField* field = FindModuleField(code);
    Bytes& r = store.LanModuleTable[static_cast<size_t>(k)].Record;
    if (!field || r.size() < kModuleUpdateMark.size() + 1) return false;
    if (field->dotted() && !ParseAddressText(text)) return false;
    std::copy(kModuleUpdateMark.begin(), kModuleUpdateMark.end(), r.begin());
    WriteModuleField(r, code, text);
    r.back() = ModuleChecksum(r);
    return true;
}

}  // namespace cobalin
