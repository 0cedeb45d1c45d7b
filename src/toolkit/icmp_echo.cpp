#include "toolkit/icmp_echo.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <span>

#include "core/ping.h"

namespace cobalin::ui {

namespace {

using Clock = std::chrono::steady_clock;

// Every echo of the process gets its own sequence number, so an answer that
// arrives late for an earlier address never counts for the current one.
std::atomic<uint16_t> nextSequence{1};

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int OpenIcmpSocket(IcmpSocketKind& kind) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
    if (fd >= 0) {
        kind = IcmpSocketKind::Datagram;
        return fd;
    }
    fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
    kind = IcmpSocketKind::Raw;
    return fd;
}

int32_t StatusOfSendError(int error) {
    if (error == ENETUNREACH) return kPingDestNetUnreachable;
    if (error == EHOSTUNREACH) return kPingDestHostUnreachable;
    return kPingGeneralFailure;
}

// Waits for the socket until the deadline; false when the time is up.
bool WaitReadable(int fd, Clock::time_point deadline, short& revents) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return false;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd p{fd, POLLIN, 0};
        const int n = ppoll(&p, 1, &ts, nullptr);
        if (n > 0) {
            revents = p.revents;
            return true;
        }
        if (n < 0 && errno != EINTR) return false;
    }
}

// An ICMP error that the kernel queued for a datagram socket: the request it
// quotes must be ours.
bool ReadErrorQueue(int fd, const EchoInFlight& echo, int32_t& status) {
    uint8_t quoted[576];
    alignas(cmsghdr) uint8_t control[512];
    sockaddr_in offender{};
    iovec iov{quoted, sizeof quoted};
    msghdr msg{};
    msg.msg_name = &offender;
    msg.msg_namelen = sizeof offender;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (n < 8) return false;
    // The quoted request has no IP header here: its sequence must be ours.
    const uint16_t sequence = static_cast<uint16_t>(quoted[6] << 8 | quoted[7]);
    if (quoted[0] != 8 || sequence != echo.sequence) return false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
        sock_extended_err err;
        std::memcpy(&err, CMSG_DATA(c), sizeof err);
        if (err.ee_origin == SO_EE_ORIGIN_ICMP) {
            status = StatusOfIcmpError(err.ee_type, err.ee_code);
            return true;
        }
        if (err.ee_origin == SO_EE_ORIGIN_LOCAL) {
            status = StatusOfSendError(static_cast<int>(err.ee_errno));
            return true;
        }
    }
    return false;
}

}  // namespace

bool ProbeIcmpSocket(IcmpSocketKind& kind) {
    Fd fd(OpenIcmpSocket(kind));
    return fd.get() >= 0;
}

EchoResult SendEcho(uint32_t address, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    IcmpSocketKind kind;
    Fd fd(OpenIcmpSocket(kind));
    if (fd.get() < 0) return {kPingGeneralFailure, true};

    EchoInFlight echo;
    echo.address = address;
    echo.sequence = nextSequence.fetch_add(1);
    if (kind == IcmpSocketKind::Datagram) {
        // The kernel writes the socket's own number into the identifier and
        // hands this socket only the answers carrying it.
        const int on = 1;
        setsockopt(fd.get(), SOL_IP, IP_RECVERR, &on, sizeof on);
        echo.matchIdentifier = false;  // known only once the send has bound the socket
    } else {
        echo.identifier = static_cast<uint16_t>(getpid() ^ echo.sequence);
    }
    const std::vector<uint8_t> request = BuildEchoRequest(echo.identifier, echo.sequence, kPingPayload);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr, &address, sizeof address);
    if (sendto(fd.get(), request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
        return {StatusOfSendError(errno), false};
    if (kind == IcmpSocketKind::Datagram) {
        sockaddr_in self{};
        socklen_t len = sizeof self;
        if (getsockname(fd.get(), reinterpret_cast<sockaddr*>(&self), &len) == 0) {
            echo.identifier = ntohs(self.sin_port);
            echo.matchIdentifier = true;
        }
    }

    uint8_t buffer[2048];
    short revents = 0;
    while (WaitReadable(fd.get(), deadline, revents)) {
        int32_t status = 0;
        if ((revents & POLLERR) && ReadErrorQueue(fd.get(), echo, status)) return {status, false};
        if (!(revents & POLLIN)) continue;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(fd.get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n <= 0) continue;
        const std::span<const uint8_t> got(buffer, static_cast<size_t>(n));
        uint32_t sender = 0;
        std::memcpy(&sender, &from.sin_addr, sizeof sender);
        const EchoMatch m =
            kind == IcmpSocketKind::Datagram ? MatchDatagramReply(got, sender, echo) : MatchRawPacket(got, echo);
        if (m.ours) return {m.status, false};
    }
    return {kPingTimedOut, false};
}

}  // namespace cobalin::ui
