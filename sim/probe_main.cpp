// cobalin-probe: a small client for the virtual LAN. It broadcasts a search
// (and the LAN-module query) from the PC namespace and prints what answers,
// decoded with the program's own codec. Run it only inside scripts/netlab.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/ansi_text.h"
#include "core/lan_module.h"
#include "core/text_conversions.h"

using namespace cobalin;

namespace {

const char kUsage[] =
    "Usage: cobalin-probe [HOST [SECONDS]]\n"
    "Sends a search to HOST (default 255.255.255.255) and the LAN-module query, and prints\n"
    "what answers within SECONDS (default 1.5). Run it only inside scripts/netlab.\n";

// Exit codes: 2 a bad command line, 3 a socket that fails.
[[noreturn]] void Fail(const std::string& what, int error) {
    std::fprintf(stderr, "cobalin-probe: %s: %s\n", what.c_str(), std::strerror(error));
    std::exit(3);
}

int Bind(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) Fail("cannot open a UDP socket", errno);
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) Fail("cannot allow broadcasts", errno);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) Fail("cannot bind UDP port " + std::to_string(port), errno);
    return fd;
}

void Send(int fd, const in_addr& host, uint16_t port, const Bytes& data, const char* what) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr = host;
    for (;;) {
        if (sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == static_cast<ssize_t>(data.size()))
            return;
        if (errno != EINTR) break;
    }
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &host, text, sizeof text);
    Fail(std::string("cannot send the ") + what + " to " + text + ":" + std::to_string(port), errno);
}

template <class Take>
void Receive(int fd, double seconds, Take take) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<uint8_t> buf(65536);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) Fail("cannot wait for replies", errno);
        if (ready <= 0) continue;
        const ssize_t n = recv(fd, buf.data(), buf.size(), 0);
        if (n >= 0) take(std::span<const uint8_t>(buf.data(), static_cast<size_t>(n)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) return std::fputs(kUsage, stdout), 0;
    if (argc > 3) return std::fputs(kUsage, stderr), 2;
    // Both arguments are read before any socket exists: a mistyped address
    // must not send anything anywhere.
    const char* host = argc > 1 ? argv[1] : "255.255.255.255";
    in_addr address{};
    if (inet_pton(AF_INET, host, &address) != 1) {
        std::fprintf(stderr, "cobalin-probe: '%s' is not an IPv4 address\n%s", host, kUsage);
        return 2;
    }
    const auto parsed = argc > 2 ? ParseDecimal(argv[2]) : std::optional<double>(1.5);
    if (!parsed || !(*parsed > 0 && *parsed <= 3600)) {
        std::fprintf(stderr, "cobalin-probe: '%s' is not a number of seconds\n%s", argv[2], kUsage);
        return 2;
    }
    const double seconds = *parsed;
    auto store = std::make_unique<DeviceStore>();
    const int search = Bind(kNetworkSearchLocalPort);
    Send(search, address, kSearchPort, BuildSearchRequest(SearchNetwork, kSearchPort), "search");
    size_t datagrams = 0;
    Receive(search, seconds, [&](std::span<const uint8_t> d) {
        ++datagrams;
        ReplyIntake(*store, d);
    });
    const int module = Bind(kSearchPort);
    Send(module, address, kModulePort, BuildModuleQuery(), "module query");
    Receive(module, seconds / 2, [&](std::span<const uint8_t> d) { ModuleReplyIntake(*store, d); });

    std::printf("%d devices answered (%zu datagrams)\n", store->DeviceCount, datagrams);
    for (int16_t i = 1; i <= store->DeviceCount; ++i) {
        const DeviceEntry& e = store->DeviceTable[static_cast<size_t>(i)];
        ParameterTextArray t;
        DecodeRecord(e.Record, t);
        const bool paged = IsPagedRecord(e.Record);
        std::printf("%3d  %s  %-4s %-15s %-16s %-16s %s\n", i, e.MacText.c_str(), FormatTagText(e.FormatTag),
                    t[4].c_str(), AnsiToUtf8(t[0]).c_str(), AnsiToUtf8(paged ? t[10] : t[1]).c_str(),
                    paged ? AnsiToUtf8(t[30]).c_str() : "");
    }
    close(search);
    close(module);
    return 0;
}
