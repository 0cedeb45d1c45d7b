#include "sim/device_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/text_conversions.h"
#include "core/parameter_codec.h"

namespace cobalin::sim {

namespace {

// Description keys of the paged record, by parameter row.
struct KeyRow {
    const char* key;
    long row;
};
using P = PagedRow;
using S = ShortRow;
constexpr KeyRow kPagedKeys[] = {
    {"name", P::ServerName},          {"serial", P::SerialHardware},       {"password", P::Password},
    {"dhcp", P::Dhcp},                {"netmask", P::Netmask},             {"gateway", P::Gateway},
    {"link_in", P::LinkIn},           {"hwid", P::HardwareId},             {"serial_ports", P::SerialPort},
    {"baud", P::BaudRate},            {"data_stop", P::DataStopBits},      {"parity", P::Parity},
    {"flow", P::FlowControl},         {"protocol", P::Protocol},           {"serial_timeout", P::SerialTimeout},
    {"alive", P::TcpAliveTimeout},    {"mode", P::ConnectionMode},         {"delimiter1", P::DelimiterHex1},
    {"delimiter2", P::DelimiterHex2}, {"force_transmit", P::ForceTransmit}, {"port", P::TcpUdpPort},
    {"serial_mode", P::SerialPortMode}, {"connect_at", P::ConnectionAt},   {"max_connections", P::MaxConnection},
    {"remote_ip", P::RemoteIp},       {"model", P::ModelNo},               {"company", P::CompanyName},
    {"serial2", P::SerialBrenik},     {"link_out", P::LinkOut},
};
// Description keys of the short record, by its row.
constexpr KeyRow kShortKeys[] = {{"name", S::ServerName}, {"hwid", S::HardwareId},   {"serial", S::SerialNo},
                                 {"netmask", S::NetmaskV4}, {"gateway", S::GatewayV4}, {"checkcode", S::CheckCode}};

std::string Value(const DeviceDescription& d, const std::string& key) {
    const auto it = d.values.find(key);
    if (it != d.values.end()) return it->second;
    for (const auto& k : ValueKeys())
        if (key == k.key) return k.defaultValue;
    return {};
}

void PutText(DeviceRecord& r, size_t at, size_t size, const std::string& text) {
    std::fill_n(r.begin() + static_cast<long>(at), size, 0);
    std::memcpy(r.data() + at, text.data(), std::min(size, text.size()));
}

// Writes a short-record field (text or dotted) as its row of the field table says.
void PutShortField(DeviceRecord& r, long row, const std::string& text) {
    const FieldDef& f = ShortFields()[static_cast<size_t>(row)];
    if (f.encoding == Encoding::Text) return PutText(r, f.offset, f.size, text);
    if (const auto quad = ParseAddressText(text)) std::copy(quad->begin(), quad->end(), r.begin() + f.offset);
}

const FieldDef& PagedField(long row) { return PagedFields()[static_cast<size_t>(row)]; }

bool HasMagic(const Bytes& data) {
    return data.size() >= RequestMagic.size() && std::equal(RequestMagic.begin(), RequestMagic.end(), data.begin());
}

}  // namespace

bool IsSearchRequest(const Bytes& data) { return data.size() == kSearchRequestSize && HasMagic(data) && data[22] == 0; }

DeviceRecord BuildRecord(const DeviceDescription& d) {
    DeviceRecord r{};
    if (!d.paged) {
        for (const auto& k : kShortKeys) PutShortField(r, k.row, Value(d, k.key));
        PutShortField(r, S::IpV4, FormatIp(d.ip));
        std::copy(d.mac.begin(), d.mac.end(), r.begin() + ShortFields()[S::Mac].offset);
        return r;
    }
    for (size_t page = 0; page < kPages.size(); ++page) {
        const size_t at = kPages[page].recordOffset;
        r[at] = kPageMark;
        std::copy(d.mac.begin(), d.mac.end(), r.begin() + static_cast<long>(at + 1));
        r[at + 7] = static_cast<uint8_t>(page);
    }
    std::copy(d.identity.begin(), d.identity.end(), r.begin() + kIdentityOffset);
    auto store = std::make_unique<DeviceStore>();
    ParameterTextArray texts;
    store->DeviceTable[1].Record = r;
    for (const auto& k : kPagedKeys) ApplyParameter(*store, texts, k.row, Value(d, k.key), 1);
    ApplyParameter(*store, texts, P::IpAddress, FormatIp(d.ip), 1);
    r = store->DeviceTable[1].Record;
    // Version and date are one parameter made of an 8- and a 16-byte text.
    const FieldDef& version = PagedField(P::VersionDate);
    PutText(r, version.offset, 8, Value(d, "version"));
    PutText(r, version.offset + 8, 16, Value(d, "date"));
    if (const auto status = ParseWholeNumber(Value(d, "port_status"), 0, 255))
        r[PagedField(P::PortStatus).offset] = static_cast<uint8_t>(*status);
    return r;
}

Bytes BuildModuleRecord(const DeviceDescription& d) {
    Bytes m(kModuleRecordSize, 0);
    m[0] = kModuleAnswerMark;
    std::copy(d.mac.begin(), d.mac.end(), m.begin() + kModuleMacOffset);
    const std::string company = Value(d, "module_company").empty() ? Value(d, "company") : Value(d, "module_company");
    const std::pair<int, std::string> fields[] = {
        {3, Value(d, "name")},  {4, Value(d, "serial")},  {5, Value(d, "model")},   {6, company},
        {7, Value(d, "password")}, {8, FormatIp(d.ip)},   {9, Value(d, "netmask")}, {10, Value(d, "gateway")}};
    for (const auto& [code, text] : fields) WriteModuleField(m, code, text);
    m.back() = ModuleChecksum(m);
    return m;
}

SimLan::SimLan(const LanDescription& lan, uint32_t seed) : rng_(seed) {
    for (const auto& d : lan.devices) {
        SimDevice s;
        s.desc = d;
        s.record = BuildRecord(d);
        s.pending = s.record;
        s.ip = d.ip;
        if (d.module) s.module = BuildModuleRecord(d);
        devices_.push_back(std::move(s));
    }
}

void SimLan::SearchReply(size_t i, double at, std::vector<Outgoing>& out) {
    const SimDevice& d = devices_[i];
    const Faults& f = d.desc.faults;
    std::vector<Bytes> datagrams;
    if (!d.desc.paged) {
        datagrams.emplace_back(d.record.begin(), d.record.begin() + kShortRecordSize);
    } else {
        for (int page = 0; page < 3; ++page) {
            if (std::find(f.dropPages.begin(), f.dropPages.end(), page) != f.dropPages.end()) continue;
            const auto& p = kPages[static_cast<size_t>(page)];
            datagrams.emplace_back(d.record.begin() + static_cast<long>(p.recordOffset),
                                   d.record.begin() + static_cast<long>(p.recordOffset + p.length));
        }
    }
    if (f.reorder) std::reverse(datagrams.begin(), datagrams.end());
    for (auto& g : datagrams) {
        if (f.truncate && f.truncate < g.size()) g.resize(f.truncate);
        out.push_back({i, g, at});
        if (f.duplicate) out.push_back({i, g, at});
    }
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < f.malformed; ++n) {
        // Pages that claim a page number past 2, or pages cut short.
        const bool pastTwo = n % 2 == 1;
        const uint8_t number = static_cast<uint8_t>(pastTwo ? 3 + n % 250 : n % 3);
        const size_t longest = pastTwo ? 1500 : kPages[number].length - 1;
        Bytes g(std::uniform_int_distribution<size_t>(8, longest)(rng_));
        if (g.size() == kShortRecordSize) g.push_back(0);
        for (auto& b : g) b = static_cast<uint8_t>(byte(rng_));
        g[0] = kPageMark;
        g[7] = number;
        out.push_back({i, g, at});
    }
    for (int n = 0; n < f.flood; ++n) {
        // Random bytes of random length that are never a reply (no 98-byte
        // datagram, no page mark in byte 0): whatever the seed, a flood adds
        // no device, so what it must give can be asserted.
        Bytes g(std::uniform_int_distribution<size_t>(0, 1400)(rng_));
        if (g.size() == kShortRecordSize) g.push_back(0);
        for (auto& b : g) b = static_cast<uint8_t>(byte(rng_));
        if (!g.empty() && g[0] == kPageMark) g[0] = static_cast<uint8_t>(~kPageMark);
        out.push_back({i, g, at});
    }
}

void SimLan::Acknowledge(size_t i, double at, std::vector<Outgoing>& out) {
    Bytes ack(kAcknowledgementSize, 0);
    ack[0] = kPageMark;
    std::copy(devices_[i].desc.mac.begin(), devices_[i].desc.mac.end(), ack.begin() + 1);
    std::copy(kAcknowledgementWord.begin(), kAcknowledgementWord.end(), ack.begin() + 8);
    out.push_back({i, ack, at});
}

SimDevice* SimLan::ByIdentity(const Bytes& data, size_t at) {
    for (auto& d : devices_)
        if (std::equal(d.record.begin() + kIdentityOffset, d.record.begin() + kIdentityOffset + kIdentitySize,
                       data.begin() + static_cast<long>(at)))
            return &d;
    return nullptr;
}

std::vector<Outgoing> SimLan::Handle(uint16_t port, const Address& dst, const Bytes& data, double now) {
    std::vector<Outgoing> out;
    if (port == kSearchPort && IsSearchRequest(data)) {
        for (size_t i = 0, n = 0; i < devices_.size(); ++i) {
            if (!Listening(devices_[i], now)) continue;
            SearchReply(i, now + devices_[i].desc.faults.delay + (burst ? 0 : spacing * static_cast<double>(n++)), out);
        }
    } else if (port == kCommandPort) {
        HandleCommand(dst, data, now, out);
    } else if (port == kModulePort) {
        HandleModule(data, now, out);
    }
    return out;
}

void SimLan::HandleCommand(const Address& dst, const Bytes& data, double now, std::vector<Outgoing>& out) {
    if (IsSearchRequest(data)) {
        // Port 8890 answers a search only when it is sent to the device itself.
        for (size_t i = 0; i < devices_.size(); ++i)
            if (Listening(devices_[i], now) && devices_[i].ip == dst) SearchReply(i, now + devices_[i].desc.faults.delay, out);
        return;
    }
    if (!HasMagic(data)) return;
    if (data.size() == kMaintenanceRequestSize && data[22] == 0) {
        SimDevice* d = ByIdentity(data, 40);
        if (!d || !Listening(*d, now)) return;
        // The serial copy must be the device's own too.
        const size_t echoAt = d->desc.paged ? kPagedEchoOffset : kShortEchoOffset;
        if (!std::equal(data.begin() + 24, data.begin() + 40, d->record.begin() + static_cast<long>(echoAt))) return;
        const std::string word(reinterpret_cast<const char*>(data.data() + 46), strnlen(reinterpret_cast<const char*>(data.data() + 46), 12));
        const size_t i = static_cast<size_t>(d - devices_.data());
        if (word == "reset") {
            Acknowledge(i, now, out);
            Restart(*d, now);
        } else if (word == "clrCfgBuf") {
            Acknowledge(i, now, out);
            d->pending = d->record;
            d->hasPending = false;
            d->writeA.clear();
        }
        return;
    }
    if (data.size() == kWriteASize && data[22] == 0x7F && data[30] == 1) {
        SimDevice* d = ByIdentity(data, 24);
        if (d && Listening(*d, now) && d->desc.paged) d->writeA = data;
        return;
    }
    if (data.size() == kWriteBSize && data[22] == 0x7F && data[30] == 2) {
        SimDevice* d = ByIdentity(data, 24);
        if (!d || !Listening(*d, now) || d->writeA.empty()) return;
        const Bytes a = std::move(d->writeA);
        d->writeA.clear();
        // A write whose checksum does not add up is dropped without an answer.
        if (WriteChecksum(a, data) != data[1005]) return;
        if (d->desc.faults.ignoreWrites) {
            Acknowledge(static_cast<size_t>(d - devices_.data()), now, out);
            return;
        }
        std::copy(a.begin() + 31, a.end(), d->pending.begin() + kPageHeaderSize);
        std::copy(data.begin() + 31, data.begin() + 1005,
                  d->pending.begin() + static_cast<long>(kPages[1].recordOffset + kPageHeaderSize));
        d->hasPending = true;
        Acknowledge(static_cast<size_t>(d - devices_.data()), now, out);
    }
}

void SimLan::HandleModule(const Bytes& data, double now, std::vector<Outgoing>& out) {
    const Bytes query = BuildModuleQuery();
    if (data == query) {
        for (size_t i = 0; i < devices_.size(); ++i)
            if (devices_[i].desc.module && Listening(devices_[i], now)) out.push_back({i, devices_[i].module, now});
        return;
    }
    if (data.size() != kModuleRecordSize || !std::equal(kModuleUpdateMark.begin(), kModuleUpdateMark.end(), data.begin()))
        return;
    if (ModuleChecksum(data) != data.back()) return;
    for (auto& d : devices_) {
        if (!d.desc.module || !Listening(d, now) ||
            !std::equal(d.desc.mac.begin(), d.desc.mac.end(), data.begin() + kModuleMacOffset))
            continue;
        // The module takes the record, answers with it from now on, carries
        // its fields into the device's configuration and restarts.
        d.module = data;
        d.module[0] = kModuleAnswerMark;
        std::fill_n(d.module.begin() + 1, kModuleUpdateMark.size() - 1, 0);
        d.module.back() = ModuleChecksum(d.module);
        auto store = std::make_unique<DeviceStore>();
        ParameterTextArray texts;
        store->DeviceTable[1].Record = d.pending;
        for (const auto& f : ModuleFields()) {
            const uint8_t* p = data.data() + f.offset;
            std::string text;
            if (f.dotted()) {
                text = FormatDotted({p, 4});
            } else {
                text.assign(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), kModuleTextSize));
            }
            ApplyParameter(*store, texts, f.row, text, 1);
        }
        d.pending = store->DeviceTable[1].Record;
        d.hasPending = true;
        Restart(d, now);
    }
}

void SimLan::HandleTcp(const Address& dst, const Bytes& data) {
    (void)dst;
    if (data.size() == kBaudRequestSize && HasMagic(data)) ++baudRequests_;
}

std::vector<size_t> SimLan::Advance(double now) {
    std::vector<size_t> back;
    for (size_t i = 0; i < devices_.size(); ++i) {
        SimDevice& d = devices_[i];
        if (d.silentUntil < 0 || now < d.silentUntil) continue;
        d.silentUntil = -1;
        if (d.hasPending) {
            d.record = d.pending;
            d.hasPending = false;
            if (d.desc.paged) std::copy_n(d.record.begin() + PagedField(P::IpAddress).offset, 4, d.ip.begin());
        }
        back.push_back(i);
    }
    return back;
}

double SimLan::NextRestart() const {
    double next = -1;
    for (const auto& d : devices_)
        if (d.silentUntil >= 0 && !std::isinf(d.silentUntil) && (next < 0 || d.silentUntil < next)) next = d.silentUntil;
    return next;
}

}  // namespace cobalin::sim
