// The program's ICMP echo, beside the device session: the ping scan and the
// single ping of the window ask it, so that no feature sends anything to the
// network itself. One echo at a time, each on a socket of its own (see
// toolkit/icmp_echo.h); a test hands in a stand-in for the network.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/icmp_echo.h"

namespace cobalin {

class PingService {
public:
    // Sends one request to an address (network order in memory) and returns
    // its outcome.
    using Echo = std::function<ui::EchoResult(uint32_t address)>;
    // The real ICMP echo unless `echo` is given.
    explicit PingService(Echo echo = {});

    // One echo to a dotted address: its status (11018 without sending for
    // an address that is not one; 11050, with `noSocket`, when no ICMP
    // socket may be opened).
    ui::EchoResult Ping(const std::string& address) const;

private:
    Echo echo_;
};

}  // namespace cobalin
