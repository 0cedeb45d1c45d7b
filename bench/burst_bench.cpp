// A burst of replies while the UI thread is busy: the socket facade (reader
// thread) against a plain single-threaded receiver with the default receive
// buffer. Run inside netlab with the simulator in burst mode (see
// bench/burst_bench.sh). Prints how many devices arrived complete.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <thread>

#include "core/device_table.h"
#include "core/request_packets.h"
#include "toolkit/socket_control.h"

using namespace cobalin;

namespace {

// Devices whose three pages all arrived whole.
struct Tally {
    std::map<std::string, int> pages;
    void Take(const uint8_t* d, size_t n) {
        if (n < 8 || d[0] != 0x50 || d[7] > 2 || n < kPages[d[7]].length) return;
        pages[std::string(reinterpret_cast<const char*>(d + 1), 6)] |= 1 << d[7];
    }
    int Complete() const {
        int c = 0;
        for (const auto& [mac, mask] : pages) c += mask == 7;
        return c;
    }
};

const QByteArray kSearch = [] {
    const Bytes b = BuildSearchRequest(SearchNetwork, kSearchPort);
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}();

int WithFacade() {
    Tally tally;
    ui::SocketControl s("UDP8888");
    if (!s.Bind(kNetworkSearchLocalPort)) return -1;
    QObject::connect(&s, &ui::SocketControl::DataArrival, [&] {
        const QByteArray d = s.GetData(2000);
        tally.Take(reinterpret_cast<const uint8_t*>(d.constData()), static_cast<size_t>(d.size()));
    });
    s.RemoteHost = "255.255.255.255";
    s.RemotePort = kSearchPort;
    s.SendData(kSearch);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the UI thread is busy
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return tally.Complete();
}

int PlainReceiver() {
    Tally tally;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kNetworkSearchLocalPort);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kSearchPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    sendto(fd, kSearch.constData(), static_cast<size_t>(kSearch.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the one thread is busy
    uint8_t buf[2000];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) break;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n > 0) tally.Take(buf, static_cast<size_t>(n));
    }
    close(fd);
    return tally.Complete();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int facade = WithFacade();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int plain = PlainReceiver();
    std::printf("burst of 255 paged devices, UI thread blocked 500 ms: socket facade kept %d complete devices, "
                "a plain single-threaded receiver with the default buffer %d\n", facade, plain);
    return facade == 255 ? 0 : 1;
}
