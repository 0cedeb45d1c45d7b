// A UDP socket of a test on 127.0.0.1, playing a device's port or sending
// as one: only the loopback address, never the network.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "core/request_packets.h"

namespace cobalin::testing {

// A UDP socket of the test on 127.0.0.1: a device's port, or an unbound sender.
class LoopbackUdp {
public:
    explicit LoopbackUdp(uint16_t port = 0) {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (port == 0) return;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~LoopbackUdp() { close(fd_); }
    bool bound() const { return bound_; }

    void Send(uint16_t port, const Bytes& data) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    struct Datagram {
        uint16_t fromPort;
        Bytes data;
    };
    // Everything queued so far, oldest first.
    std::vector<Datagram> Drain() const {
        std::vector<Datagram> got;
        std::vector<uint8_t> buf(65536);
        for (pollfd p{fd_, POLLIN, 0}; poll(&p, 1, 0) == 1;) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0) break;
            got.push_back({ntohs(from.sin_port), Bytes(buf.begin(), buf.begin() + n)});
        }
        return got;
    }

private:
    int fd_ = -1;
    bool bound_ = false;
};

}  // namespace cobalin::testing
