// cobalin-devsim: plays every device of a described LAN on the real sockets
// of the namespace it runs in. Run it only inside the virtual LAN of
// scripts/netlab.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/ethernet.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <random>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "core/program_options.h"
#include "core/text_conversions.h"
#include "sim/device_model.h"

extern char** environ;

using namespace cobalin;
using namespace cobalin::sim;

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }
// SIGUSR1: the LAN stops losing datagrams, so a test can read the devices as they are.
volatile sig_atomic_t g_healed = 0;
void OnHeal(int) { g_healed = 1; }

// Exit codes: 2 a bad command line or description, 3 a socket that cannot be
// set up, 4 the network failing under the running simulator. Each failure
// is said on standard error, so a test that meets one reads its reason
// instead of guessing from missing replies.
constexpr int kBadSocket = 3, kNetworkFailed = 4;

[[noreturn]] void Fail(int code, const std::string& what, int error = 0) {
    std::fprintf(stderr, "cobalin-devsim: %s%s%s\n", what.c_str(), error ? ": " : "", error ? std::strerror(error) : "");
    std::exit(code);
}

struct Options {
    std::string lanFile, capture, iface;
    bool burst = false;
    double spacingMs = 2;
    uint32_t seed = 1;
    double loss = 0;  // share of datagrams lost in each direction
};

const char kUsage[] =
    "Usage: cobalin-devsim LANFILE [--capture FILE] [--burst] [--spacing MS] [--iface IFACE] [--seed N] [--loss P]\n"
    "Plays every device of LANFILE (see sim/README.md). Run it only inside scripts/netlab.\n"
    "  --capture FILE  log every datagram received, in hex, with addresses and time\n"
    "  --burst         send every reply back-to-back as fast as the socket allows\n"
    "  --spacing MS    program milliseconds between devices' replies otherwise (default 2)\n"
    "  --iface IFACE   add every device address (and new ones after a write) to IFACE\n"
    "  --seed N        seed of the random faults (and of the losses)\n"
    "  --loss P        lose this share (0 to 1) of the UDP datagrams in each direction, until SIGUSR1\n";

class Clock {
public:
    double Now() const {
        const auto real = std::chrono::steady_clock::now() - start_;
        return std::chrono::duration<double>(real).count() / scale_;
    }
    int MsUntil(double programTime) const {
        const double ms = (programTime - Now()) * scale_ * 1000;
        return ms <= 0 ? 0 : ms > 60000 ? 60000 : static_cast<int>(ms) + 1;
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    double scale_ = ReadTimeScale();
};

std::string Hex(const uint8_t* p, size_t n) {
    std::string s;
    s.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) s += HexByte(p[i]);
    return s;
}

std::string Endpoint(const sockaddr_in& a) {
    char buf[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &a.sin_addr, buf, sizeof buf);
    return std::string(buf) + ":" + std::to_string(ntohs(a.sin_port));
}

bool HasAddress(const std::string& iface, const Address& ip) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false;
    for (const ifaddrs* a = list; a && !found; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || iface != a->ifa_name) continue;
        found = std::memcmp(&reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr, ip.data(), 4) == 0;
    }
    freeifaddrs(list);
    return found;
}

// Adds an address to the interface with the ip tool; an address already
// there is fine. A device without its address could never answer, so one
// that cannot be added stops the simulator.
void AddAddress(const std::string& iface, const Address& ip) {
    const std::string addr = FormatIp(ip) + "/24";
    const char* argv[] = {"ip", "addr", "add", addr.c_str(), "brd", "+", "dev", iface.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int status = -1;
    const int spawned = posix_spawnp(&pid, "ip", &actions, nullptr, const_cast<char**>(argv), environ);
    if (spawned == 0) waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) Fail(kNetworkFailed, "cannot run the ip tool to add " + addr + " to " + iface, spawned);
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0) && !HasAddress(iface, ip))
        Fail(kNetworkFailed, "cannot add " + addr + " to " + iface + " (the ip tool failed)");
}

void SetOption(int fd, int level, int name, int value, const std::string& what) {
    if (setsockopt(fd, level, name, &value, sizeof value) != 0) Fail(kBadSocket, "cannot " + what, errno);
}

// A UDP socket on the port, or -1 (errno set) when the port cannot be bound;
// any other failure stops the simulator.
int BindUdp(uint16_t port) {
    const std::string on = " on UDP port " + std::to_string(port);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) Fail(kBadSocket, "cannot open a UDP socket for port " + std::to_string(port), errno);
    // Each device answers from its own address: the destination of every
    // request must be known.
    SetOption(fd, IPPROTO_IP, IP_PKTINFO, 1, "learn the destination of datagrams (IP_PKTINFO)" + on);
    SetOption(fd, SOL_SOCKET, SO_RCVBUF, 4 << 20, "size the receive buffer" + on);
    SetOption(fd, SOL_SOCKET, SO_SNDBUF, 4 << 20, "size the send buffer" + on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// The TCP command port's listener, or -1 (errno set) when it cannot listen;
// any other failure stops the simulator.
int ListenTcp(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) Fail(kBadSocket, "cannot open a TCP socket for port " + std::to_string(port), errno);
    // TIME_WAIT only; a live listener still refuses.
    SetOption(fd, SOL_SOCKET, SO_REUSEADDR, 1, "reuse TCP port " + std::to_string(port));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Sends from a given local address with IP_PKTINFO, out of the interface the
// request came in by: a device answers on its own wire whatever its address,
// so one whose address lies outside the sender's subnet (no route back in
// this namespace) still answers, as the real one does. A full send queue is
// waited out (a second at most); any other failure would repeat for every
// later reply and leave the program under test without answers for reasons
// it cannot see, so it stops the simulator with the reason.
void SendFrom(int fd, const Address& from, int ifindex, const sockaddr_in& to, const Bytes& data) {
    iovec iov{const_cast<uint8_t*>(data.data()), data.size()};
    char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = const_cast<sockaddr_in*>(&to);
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = ifindex;
    std::memcpy(&info.ipi_spec_dst, from.data(), 4);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    for (int waits = 0; sendmsg(fd, &msg, 0) < 0;) {
        if (errno == EINTR) continue;
        if ((errno == ENOBUFS || errno == EAGAIN) && ++waits <= 1000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        Fail(kNetworkFailed, "cannot send from " + FormatIp(from) + " to " + Endpoint(to), errno);
    }
}

// The Internet checksum of an IPv4 header.
uint16_t HeaderChecksum(const uint8_t* header, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2) sum += static_cast<uint32_t>(header[i] << 8 | header[i + 1]);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

// A packet socket that sends whole IPv4 datagrams (forge_from): no address
// of the namespace is needed, so any source goes out as written, 0.0.0.0
// too, which no UDP socket of an addressed interface sends from.
int OpenForgingSocket() {
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);  // protocol 0: it receives nothing
    if (fd < 0) Fail(kBadSocket, "cannot open a packet socket for forge_from", errno);
    return fd;
}

// Sends `data` as a UDP datagram from `from`:`fromPort` to the limited
// broadcast's `toPort`, out of interface `ifindex`, as a host elsewhere
// forges a device's answer. Fails as SendFrom does.
void SendForged(int fd, const Address& from, int ifindex, uint16_t fromPort, uint16_t toPort, const Bytes& data) {
    constexpr size_t kIp = 20, kUdp = 8;
    Bytes packet(kIp + kUdp + data.size(), 0);
    const auto put16 = [&packet](size_t at, size_t v) {
        packet[at] = static_cast<uint8_t>(v >> 8);
        packet[at + 1] = static_cast<uint8_t>(v);
    };
    packet[0] = 0x45;  // IPv4, a 20-byte header
    put16(2, packet.size());
    packet[8] = 64;  // time to live
    packet[9] = IPPROTO_UDP;
    std::copy(from.begin(), from.end(), packet.begin() + 12);
    std::fill_n(packet.begin() + 16, 4, 0xFF);
    put16(10, HeaderChecksum(packet.data(), kIp));
    put16(kIp, fromPort);
    put16(kIp + 2, toPort);
    put16(kIp + 4, kUdp + data.size());  // UDP checksum 0: none, as IPv4 allows
    std::copy(data.begin(), data.end(), packet.begin() + kIp + kUdp);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_IP);
    to.sll_ifindex = ifindex;
    to.sll_halen = 6;
    std::fill_n(to.sll_addr, 6, 0xFF);
    for (int waits = 0; sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0;) {
        if (errno == EINTR) continue;
        if ((errno == ENOBUFS || errno == EAGAIN) && ++waits <= 1000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        Fail(kNetworkFailed, "cannot send a forged datagram from " + FormatIp(from), errno);
    }
}

struct Scheduled {
    int fd;
    int ifindex;  // the interface the request came in by
    uint16_t port;  // the port it came to
    sockaddr_in to;
    Outgoing out;
};

// Reads the command line; exits with the usage on a bad one.
Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "cobalin-devsim: %s needs a value\n%s", a.c_str(), kUsage);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--capture") o.capture = next();
        else if (a == "--burst") o.burst = true;
        else if (a == "--spacing") o.spacingMs = std::atof(next().c_str());
        else if (a == "--iface") o.iface = next();
        else if (a == "--seed") o.seed = static_cast<uint32_t>(std::strtoul(next().c_str(), nullptr, 10));
        else if (a == "--loss") {
            const std::string v = next();
            char* end = nullptr;
            o.loss = std::strtod(v.c_str(), &end);
            if (v.empty() || *end || !(o.loss >= 0 && o.loss <= 1)) {
                std::fprintf(stderr, "cobalin-devsim: --loss needs a share from 0 to 1\n%s", kUsage);
                std::exit(2);
            }
        }
        else if (a == "--help") std::fputs(kUsage, stdout), std::exit(0);
        else if (!a.empty() && a[0] != '-' && o.lanFile.empty()) o.lanFile = a;
        else std::fprintf(stderr, "cobalin-devsim: unknown argument %s\n%s", a.c_str(), kUsage), std::exit(2);
    }
    if (o.lanFile.empty()) std::fputs(kUsage, stderr), std::exit(2);
    return o;
}

// Reads and parses the LAN description from `in`, opened on its file;
// exits saying why when it cannot.
LanDescription LoadLan(const Options& o, std::ifstream& in) {
    if (!in) std::fprintf(stderr, "cobalin-devsim: cannot read %s\n", o.lanFile.c_str()), std::exit(2);
    std::stringstream text;
    text << in.rdbuf();
    ParseError error;
    auto lan = ParseLanDescription(text.str(), error);
    if (!lan) {
        std::fprintf(stderr, "cobalin-devsim: %s:%d: %s\n", o.lanFile.c_str(), error.line, error.message.c_str());
        std::exit(2);
    }
    if (!o.iface.empty() && if_nametoindex(o.iface.c_str()) == 0) {
        std::fprintf(stderr, "cobalin-devsim: no network interface named %s\n", o.iface.c_str());
        std::exit(2);
    }
    return std::move(*lan);
}

constexpr uint16_t kUdpPorts[] = {kSearchPort, kCommandPort, kModuleUdpPort};

// The simulated LAN on its sockets: what is due leaves, what arrives is
// handed to the devices, until a signal ends it.
class Simulator {
public:
    Simulator(const Options& o, const LanDescription& lan) : o_(o), sim_(lan, o.seed) {
        sim_.burst = o.burst;
        sim_.spacing = o.spacingMs / 1000.0;
        if (!o.iface.empty())
            for (const auto& d : sim_.devices()) AddAddress(o.iface, d.ip);
        for (int i = 0; i < 3; ++i) {
            udp_[i] = BindUdp(kUdpPorts[i]);
            if (udp_[i] < 0) Fail(kBadSocket, "cannot bind UDP port " + std::to_string(kUdpPorts[i]), errno);
        }
        for (const auto& d : sim_.devices())
            if (d.desc.faults.forgeFrom && packet_ < 0) packet_ = OpenForgingSocket();
        tcp_ = ListenTcp(kBaudPort);
        if (tcp_ < 0) Fail(kBadSocket, "cannot listen on TCP port " + std::to_string(kBaudPort), errno);
        if (!o.capture.empty() && !(capture_ = std::fopen(o.capture.c_str(), "a"))) {
            std::fprintf(stderr, "cobalin-devsim: cannot write %s\n", o.capture.c_str());
            std::exit(2);
        }
    }
    ~Simulator() {
        for (const auto& c : connections_) close(c.first);
        for (int fd : udp_) close(fd);
        close(tcp_);
        if (packet_ >= 0) close(packet_);
        if (capture_) std::fclose(capture_);
    }

    void Run() {
        clock_ = Clock();  // program time starts with the simulator ready
        std::printf("cobalin-devsim: ready, %zu devices\n", sim_.devices().size());
        std::fflush(stdout);
        while (!g_stop) {
            SendDue();
            std::vector<pollfd> fds;
            for (int fd : udp_) fds.push_back({fd, POLLIN, 0});
            fds.push_back({tcp_, POLLIN, 0});
            for (const auto& c : connections_) fds.push_back({c.first, POLLIN, 0});
            int timeout = 1000;
            if (!queue_.empty()) timeout = std::min(timeout, clock_.MsUntil(queue_.begin()->first));
            if (sim_.NextRestart() >= 0) timeout = std::min(timeout, clock_.MsUntil(sim_.NextRestart()));
            if (poll(fds.data(), fds.size(), timeout) < 0) {
                if (errno == EINTR) continue;  // a signal; g_stop says whether to end
                Fail(kNetworkFailed, "cannot wait for requests", errno);
            }
            for (size_t k = 0; k < fds.size(); ++k) {
                if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                if (k < 3) DrainUdp(k);
                else if (fds[k].fd == tcp_) Accept();
                else ReadTcp(fds[k].fd);
            }
        }
    }

private:
    // Sends what is due, back-to-back, and takes the restarts that have ended.
    void SendDue() {
        while (!queue_.empty() && queue_.begin()->first <= clock_.Now()) {
            const Scheduled s = queue_.begin()->second;
            queue_.erase(queue_.begin());
            const SimDevice& d = sim_.devices()[s.out.device];
            if (Lost('>', d.ip, s.out.data)) continue;
            if (d.desc.faults.forgeFrom)
                SendForged(packet_, *d.desc.faults.forgeFrom, s.ifindex, s.port, ntohs(s.to.sin_port), s.out.data);
            else
                SendFrom(s.fd, d.ip, s.ifindex, s.to, s.out.data);
        }
        Restarted(clock_.Now());
    }
    void Restarted(double now) {
        for (size_t i : sim_.Advance(now))
            if (!o_.iface.empty()) AddAddress(o_.iface, sim_.devices()[i].ip);
    }

    // Drains UDP socket `k`: a burst of requests must not wait for poll.
    void DrainUdp(size_t k) {
        const int fd = udp_[k];
        for (;;) {
            sockaddr_in from{};
            iovec iov{buffer_.data(), buffer_.size()};
            char control[256];
            msghdr msg{};
            msg.msg_name = &from;
            msg.msg_namelen = sizeof from;
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            const ssize_t n = recvmsg(fd, &msg, MSG_DONTWAIT);
            if (n < 0) break;
            Address dst{};
            int ifindex = 0;
            for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                    in_pktinfo info;
                    std::memcpy(&info, CMSG_DATA(c), sizeof info);
                    std::memcpy(dst.data(), &info.ipi_addr, 4);
                    ifindex = info.ipi_ifindex;
                }
            }
            const Bytes data(buffer_.begin(), buffer_.begin() + n);
            // A request the LAN lost never reached a device: it is not captured.
            if (Lost('<', dst, data)) continue;
            const double now = clock_.Now();
            Capture(now, "UDP", Endpoint(from), dst, kUdpPorts[k], n);
            // A restart that ended while the request waited ends first: a device
            // that is back answers with what was written, never once more with
            // its old configuration.
            Restarted(now);
            for (auto& out : sim_.Handle(kUdpPorts[k], dst, data, now))
                queue_.emplace(out.at, Scheduled{fd, ifindex, kUdpPorts[k], from, std::move(out)});
        }
    }

    void Accept() {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const int c = accept4(tcp_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        if (c < 0) {
            // A connection that went away before it was taken is no fault of ours;
            // anything else (out of descriptors, of memory) would only repeat at
            // once, the listener still ready: stop instead of spinning.
            if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED || errno == EPROTO) return;
            Fail(kNetworkFailed, "cannot accept a TCP connection", errno);
        }
        sockaddr_in local{};
        len = sizeof local;
        // The address the connection came to says which device it is for.
        if (getsockname(c, reinterpret_cast<sockaddr*>(&local), &len) != 0)
            Fail(kNetworkFailed, "cannot read the local address of a TCP connection", errno);
        Address dst;
        std::memcpy(dst.data(), &local.sin_addr, 4);
        connections_[c] = {dst, peer};
    }

    void ReadTcp(int fd) {
        const ssize_t n = read(fd, buffer_.data(), buffer_.size());
        if (n <= 0) {
            close(fd);
            connections_.erase(fd);
            return;
        }
        const auto& [dst, peer] = connections_[fd];
        Capture(clock_.Now(), "TCP", Endpoint(peer), dst, kBaudPort, n);
        sim_.HandleTcp(dst, Bytes(buffer_.begin(), buffer_.begin() + n));
    }

    // One line of the capture file for `n` bytes of the buffer.
    void Capture(double now, const char* protocol, const std::string& from, const Address& to, int port, ssize_t n) {
        if (!capture_) return;
        std::fprintf(capture_, "%.6f %s %s > %s:%d %zd %s\n", now, protocol, from.c_str(), FormatIp(to).c_str(), port, n,
                     Hex(buffer_.data(), static_cast<size_t>(n)).c_str());
        std::fflush(capture_);
    }

    const Options& o_;
    SimLan sim_;
    int udp_[3] = {-1, -1, -1};
    int tcp_ = -1;
    // Whether the LAN loses this datagram. The draw depends on the seed, the
    // direction, the device's address, the bytes and how many such datagrams
    // went before, not on how the devices' traffic interleaved: the same seed
    // loses the same requests and answers however the run's timing fell.
    bool Lost(char direction, const Address& device, const Bytes& data) {
        if (o_.loss <= 0 || g_healed) return false;
        uint64_t h = 1469598103934665603ull ^ o_.seed;
        const auto mix = [&h](uint8_t b) { h = (h ^ b) * 1099511628211ull; };
        mix(static_cast<uint8_t>(direction));
        for (uint8_t b : device) mix(b);
        for (uint8_t b : data) mix(b);
        uint64_t x = h + 0x9E3779B97F4A7C15ull * ++seen_[h];
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        x ^= x >> 31;
        return static_cast<double>(x >> 11) / static_cast<double>(1ull << 53) < o_.loss;
    }

    int packet_ = -1;  // forge_from's packet socket, when a device forges
    FILE* capture_ = nullptr;
    std::map<uint64_t, uint64_t> seen_;  // datagrams like each, for the losses
    Clock clock_;
    std::multimap<double, Scheduled> queue_;
    std::map<int, std::pair<Address, sockaddr_in>> connections_;  // TCP fd -> device address, peer
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(65536);
};

}  // namespace

int main(int argc, char** argv) {
    const Options o = ParseOptions(argc, argv);
    // The description's file stays open while the simulator runs: the
    // descriptor limits of the failure tests count it.
    std::ifstream in(o.lanFile, std::ios::binary);
    const LanDescription lan = LoadLan(o, in);
    {
        Simulator simulator(o, lan);
        struct sigaction sa{};
        sa.sa_handler = OnSignal;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        struct sigaction heal{};
        heal.sa_handler = OnHeal;
        sigaction(SIGUSR1, &heal, nullptr);
        signal(SIGPIPE, SIG_IGN);
        simulator.Run();
    }  // every socket closed before the word that it stopped
    std::fprintf(stderr, "cobalin-devsim: stopped\n");
    return 0;
}
