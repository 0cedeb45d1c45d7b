#include "sim/device_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>


namespace cobalin::sim {

namespace {

constexpr std::string_view kModuleQueryWord = "BrenikLM";
constexpr std::string_view kModuleUpdateWord = "UpdateLM";
// An acknowledgement: 0x50, the MAC, 0x00, "Receivec".
constexpr std::string_view kAckWord = "Receivec";
constexpr size_t kAckLength = 16;

bool HasMagic(const Bytes& data) {
    return data.size() >= RequestMagic.size() && std::equal(RequestMagic.begin(), RequestMagic.end(), data.begin());
}

// The module query: "BrenikLM" and zero bytes, 173 in all.
bool IsModuleQuery(const Bytes& data) {
    return data.size() == kModuleLength && std::equal(kModuleQueryWord.begin(), kModuleQueryWord.end(), data.begin()) &&
           std::all_of(data.begin() + kModuleQueryWord.size(), data.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

bool IsSearchRequest(const Bytes& data) { return data.size() == kSearchRequestSize && HasMagic(data) && data[22] == 0; }

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
    // A device that joins the LAN only at its first restart (a twin that
    // takes every write to its MAC but was not there for the first search).
    if (f.hiddenUntilRestart && !d.restarted) return;
    std::vector<Bytes> datagrams;
    const auto dropped = [](const std::vector<int>& pages, int page) {
        return std::find(pages.begin(), pages.end(), page) != pages.end();
    };
    if (!d.desc.paged) {
        datagrams.emplace_back(d.record.begin(), d.record.begin() + kShortLength);
    } else {
        for (int page = 0; page < 3; ++page) {
            if (dropped(f.dropPages, page) || (d.restarted && dropped(f.dropPagesAfterRestart, page))) continue;
            const PageSpan& p = kPageSpans[static_cast<size_t>(page)];
            datagrams.emplace_back(d.record.begin() + static_cast<long>(p.at),
                                   d.record.begin() + static_cast<long>(p.at + p.length));
        }
    }
    if (f.reorder) std::reverse(datagrams.begin(), datagrams.end());
    for (auto& g : datagrams) {
        if (f.truncate && f.truncate < g.size()) g.resize(f.truncate);
        out.push_back({i, g, at});
        if (f.duplicate) out.push_back({i, g, at});
        at += f.pageGap;
    }
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < f.malformed; ++n) {
        // Pages that claim a page number past 2, or pages cut short.
        const bool pastTwo = n % 2 == 1;
        const uint8_t number = static_cast<uint8_t>(pastTwo ? 3 + n % 250 : n % 3);
        const size_t longest = pastTwo ? 1500 : kPageSpans[number].length - 1;
        Bytes g(std::uniform_int_distribution<size_t>(8, longest)(rng_));
        if (g.size() == kShortLength) g.push_back(0);
        for (auto& b : g) b = static_cast<uint8_t>(byte(rng_));
        g[0] = kPagedMark;
        g[7] = number;
        out.push_back({i, g, at});
    }
    for (int n = 0; n < f.flood; ++n) {
        // Random bytes of random length that are never a reply (no 98-byte
        // datagram, no page mark in byte 0): whatever the seed, a flood adds
        // no device, so what it must give can be asserted.
        Bytes g(std::uniform_int_distribution<size_t>(0, 1400)(rng_));
        if (g.size() == kShortLength) g.push_back(0);
        for (auto& b : g) b = static_cast<uint8_t>(byte(rng_));
        if (!g.empty() && g[0] == kPagedMark) g[0] = static_cast<uint8_t>(~kPagedMark);
        out.push_back({i, g, at});
    }
}

void SimLan::Acknowledge(size_t i, double at, std::vector<Outgoing>& out) {
    Bytes ack(kAckLength, 0);
    ack[0] = kPagedMark;
    std::copy(devices_[i].desc.mac.begin(), devices_[i].desc.mac.end(), ack.begin() + 1);
    std::copy(kAckWord.begin(), kAckWord.end(), ack.begin() + 8);
    out.push_back({i, ack, at});
}

std::vector<size_t> SimLan::ByIdentity(const Bytes& data, size_t at, double now) const {
    std::vector<size_t> found;
    for (size_t i = 0; i < devices_.size(); ++i) {
        const SimDevice& d = devices_[i];
        if (Listening(d, now) &&
            std::equal(d.record.begin() + kPagedIdentityAt, d.record.begin() + kPagedIdentityAt + kIdentityBytes,
                       data.begin() + static_cast<long>(at)))
            found.push_back(i);
    }
    return found;
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
    } else if (port == kModuleUdpPort) {
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
        const std::string word(reinterpret_cast<const char*>(data.data() + 46), strnlen(reinterpret_cast<const char*>(data.data() + 46), 12));
        for (size_t i : ByIdentity(data, 40, now)) {
            SimDevice* d = &devices_[i];
            // The serial copy must be the device's own too.
            const size_t echoAt = d->desc.paged ? kPagedSerialAt : kShortSerialAt;
            if (!std::equal(data.begin() + 24, data.begin() + 40, d->record.begin() + static_cast<long>(echoAt))) continue;
            if (word == "reset") {
                Acknowledge(i, now, out);
                if (!d->desc.faults.ignoreReset) Restart(*d, now);
            } else if (word == "clrCfgBuf") {
                Acknowledge(i, now, out);
                d->pending = d->record;
                d->hasPending = false;
                d->writeA.clear();
            }
        }
        return;
    }
    if ((data.size() == kWriteASize || data.size() == kWriteBSize) && data[22] == 0x7F)
        for (size_t i : ByIdentity(data, 24, now)) HandleWrite(i, data, now, out);
}

void SimLan::HandleWrite(size_t i, const Bytes& data, double now, std::vector<Outgoing>& out) {
    SimDevice& d = devices_[i];
    if (data.size() == kWriteASize && data[30] == 1) {
        if (d.desc.paged) d.writeA = data;
        return;
    }
    if (data.size() != kWriteBSize || data[30] != 2 || d.writeA.empty()) return;
    const Bytes a = std::move(d.writeA);
    d.writeA.clear();
    // A write whose checksum does not add up is dropped without an answer.
    if (WriteSum(a, data) != data[1005]) return;
    if (!d.desc.faults.ignoreWrites) {
        // The datagrams carry the data of pages 0 and 1 from byte 31 on.
        std::copy(a.begin() + 31, a.end(), d.pending.begin() + kHeaderBytes);
        std::copy(data.begin() + 31, data.begin() + 1005,
                  d.pending.begin() + static_cast<long>(kPageSpans[1].at + kHeaderBytes));
        d.hasPending = true;
    }
    Acknowledge(i, now, out);
}

void SimLan::HandleModule(const Bytes& data, double now, std::vector<Outgoing>& out) {
    if (IsModuleQuery(data)) {
        for (size_t i = 0; i < devices_.size(); ++i)
            if (devices_[i].desc.module && Listening(devices_[i], now)) out.push_back({i, devices_[i].module, now});
        return;
    }
    if (data.size() != kModuleLength || !std::equal(kModuleUpdateWord.begin(), kModuleUpdateWord.end(), data.begin()))
        return;
    if (ModuleSum(data) != data.back()) return;
    for (auto& d : devices_) {
        if (!d.desc.module || !Listening(d, now) ||
            !std::equal(d.desc.mac.begin(), d.desc.mac.end(), data.begin() + kModuleMacAt))
            continue;
        // The module takes the record, answers with it from now on, carries
        // its fields into the device's configuration and restarts.
        d.module = data;
        d.module[0] = kModuleAnswer;
        std::fill_n(d.module.begin() + 1, kModuleUpdateWord.size() - 1, 0);
        d.module.back() = ModuleSum(d.module);
        TakeModuleFields(data, d.pending);
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
        d.restarted = true;
        if (d.hasPending) {
            d.record = d.pending;
            d.hasPending = false;
            if (d.desc.paged) std::copy_n(d.record.begin() + kPagedIpAt, 4, d.ip.begin());
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
