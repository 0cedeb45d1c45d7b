// Helpers of the socket facade's tests, on 127.0.0.1 only.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

namespace cobalin::testing {

// Runs the event loop until `done` holds or `ms` have passed.
inline void SpinUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A listener on 127.0.0.1 that stands in for a device's command port; -1
// when it could not be made. Its address goes into `a`.
inline int LoopbackListener(sockaddr_in& a) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0 || listen(listener, 4) != 0) {
        close(listener);
        return -1;
    }
    return listener;
}

}  // namespace cobalin::testing
