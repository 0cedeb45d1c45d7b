// cobalin-probe: a small client for the virtual LAN. It broadcasts a search
// (and the LAN-module query) from the PC namespace and prints what answers,
// decoded with the program's own codec. Run it only inside scripts/netlab.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/lan_module.h"
#include "core/ansi_text.h"

using namespace cobalin;

namespace {

int Bind(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        std::perror("cobalin-probe: bind");
        std::exit(3);
    }
    return fd;
}

void Send(int fd, const char* host, uint16_t port, const Bytes& data) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, host, &to.sin_addr);
    sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

template <class Take>
void Receive(int fd, double seconds, Take take) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<uint8_t> buf(65536);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        const ssize_t n = recv(fd, buf.data(), buf.size(), 0);
        if (n >= 0) take(std::span<const uint8_t>(buf.data(), static_cast<size_t>(n)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* host = argc > 1 ? argv[1] : "255.255.255.255";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 1.5;
    auto store = std::make_unique<DeviceStore>();
    const int search = Bind(kNetworkSearchLocalPort);
    Send(search, host, kSearchPort, BuildSearchRequest(SearchNetwork, kSearchPort));
    size_t datagrams = 0;
    Receive(search, seconds, [&](std::span<const uint8_t> d) {
        ++datagrams;
        ReplyIntake(*store, d);
    });
    const int module = Bind(kSearchPort);
    Send(module, host, kModulePort, BuildModuleQuery());
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
