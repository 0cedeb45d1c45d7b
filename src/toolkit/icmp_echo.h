// One ICMP echo request and its answer, on whatever ICMP socket this process
// may open: an unprivileged datagram socket (allowed where the user's group
// is inside net.ipv4.ping_group_range), else a raw socket (root or
// CAP_NET_RAW).
#pragma once

#include <cstdint>

namespace cobalin::ui {

struct EchoResult {
    int32_t status = 0;     // 0 answered; otherwise an IP status code (see core/ping.h)
    bool noSocket = false;  // neither socket kind could be opened: nothing was sent
};

enum class IcmpSocketKind { Datagram, Raw };

// Sends one echo request with the "Hello" payload to address (network order
// in memory) and waits at most timeoutMs real milliseconds, sleeping in
// poll, for its answer. Answers to other requests, other ICMP traffic and
// late answers to an earlier echo are passed over. The socket is opened and
// closed for this one echo.
EchoResult SendEcho(uint32_t address, int timeoutMs);

// Which kind SendEcho would use now; false when neither can be opened.
bool ProbeIcmpSocket(IcmpSocketKind& kind);

}  // namespace cobalin::ui
