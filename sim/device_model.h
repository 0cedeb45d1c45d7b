// What the simulated devices do with each datagram, without sockets: the
// simulator's main loop feeds datagrams in and sends what comes out.
#pragma once

#include <limits>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "core/request_packets.h"
#include "sim/device_record.h"
#include "sim/lan_description.h"

namespace cobalin::sim {

using Address = std::array<uint8_t, 4>;

struct SimDevice {
    DeviceDescription desc;
    RecordImage record{};    // what the device answers with
    RecordImage pending{};   // configuration written, in force after the next reset
    bool hasPending = false;
    Bytes writeA;            // first datagram of a write, waiting for the second
    Bytes module;            // the LAN-module record (173 bytes) when desc.module
    Address ip{};            // the address it answers from
    double silentUntil = -1; // restarting until then
    bool restarted = false;  // back from a restart at least once
};

// A datagram to send from a device's address back to the sender.
struct Outgoing {
    size_t device;
    Bytes data;
    double at;  // program time
};

constexpr uint16_t kModuleUdpPort = 8880;

class SimLan {
public:
    SimLan(const LanDescription& lan, uint32_t seed);

    // A datagram arrived on a port, addressed to dst; returns the replies.
    std::vector<Outgoing> Handle(uint16_t port, const Address& dst, const Bytes& data, double now);
    // A chunk arrived on the TCP command port of the device at dst.
    void HandleTcp(const Address& dst, const Bytes& data);

    // Ends the restarts that are due; returns the devices that came back.
    std::vector<size_t> Advance(double now);
    // Program time of the next restart to end, or a negative value when none.
    double NextRestart() const;

    const std::vector<SimDevice>& devices() const { return devices_; }
    size_t baudRequests() const { return baudRequests_; }

    bool burst = false;       // every reply at once, back-to-back
    double spacing = 0.002;   // program seconds between devices otherwise

private:
    bool Listening(const SimDevice& d, double now) const { return !d.desc.faults.silent && now >= d.silentUntil; }
    void SearchReply(size_t i, double at, std::vector<Outgoing>& out);
    void Acknowledge(size_t i, double at, std::vector<Outgoing>& out);
    // Every listening device whose identity bytes the request carries at
    // `at`: devices sharing a MAC share their identity too, and each takes
    // what is addressed to it.
    std::vector<size_t> ByIdentity(const Bytes& data, size_t at, double now) const;
    void HandleWrite(size_t i, const Bytes& data, double now, std::vector<Outgoing>& out);
    void HandleCommand(const Address& dst, const Bytes& data, double now, std::vector<Outgoing>& out);
    void HandleModule(const Bytes& data, double now, std::vector<Outgoing>& out);
    void Restart(SimDevice& d, double now) {
        d.silentUntil = d.desc.faults.neverRestarts ? std::numeric_limits<double>::infinity() : now + d.desc.restart;
    }

    std::vector<SimDevice> devices_;
    std::mt19937 rng_;
    size_t baudRequests_ = 0;
};

bool IsSearchRequest(const Bytes& data);

}  // namespace cobalin::sim
