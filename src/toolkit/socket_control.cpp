#include "toolkit/socket_control.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cobalin::ui {

SocketControl::SocketControl(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

SocketControl::~SocketControl() { StopReader(); }

void SocketControl::StopReader() {
    if (reader_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
        reader_.join();
    }
    if (wake_ >= 0) close(wake_), wake_ = -1;
    if (fd_ >= 0) close(fd_), fd_ = -1;
    tcpState_ = kClosed;
    ++generation_;
    std::lock_guard lock(mutex_);
    pending_.clear();
}

void SocketControl::Close() { StopReader(); }

bool SocketControl::Bind(int localPort) {
    LocalPort = localPort;
    if (protocol != Protocol::UDP) return false;
    StopReader();
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const int buffer = 4 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(localPort));
    if (localPort < 0 || localPort > 65535 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return false;
    }
    const int wake = eventfd(0, EFD_CLOEXEC);
    if (wake < 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    wake_ = wake;
    reader_ = std::thread(&SocketControl::ReaderLoop, this, fd, wake, generation_.load());
    return true;
}

void SocketControl::ReaderLoop(int fd, int wake, unsigned generation) {
    QByteArray buffer(65536, Qt::Uninitialized);
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        // Drain everything that has arrived, oldest first.
        for (;;) {
            const ssize_t n = recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT);
            if (n < 0) break;
            Post(generation, QByteArray(buffer.constData(), static_cast<int>(n)));
        }
    }
}

void SocketControl::Post(unsigned generation, QByteArray data) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back({generation, std::move(data)});
    }
    QMetaObject::invokeMethod(this, &SocketControl::DeliverOne, Qt::QueuedConnection);
}

void SocketControl::TcpLoop(int fd, int wake, unsigned generation) {
    QByteArray buffer(65536, Qt::Uninitialized);
    for (;;) {
        const bool connecting = tcpState_ == kConnecting;
        pollfd fds[2] = {{fd, static_cast<short>(connecting ? POLLOUT : POLLIN), 0}, {wake, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        if (connecting) {
            int error = 0;
            socklen_t len = sizeof error;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
            tcpState_ = error == 0 ? kConnected : kError;
            if (error != 0) return;
            continue;
        }
        const ssize_t n = recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT);
        if (n > 0) {
            Post(generation, QByteArray(buffer.constData(), static_cast<int>(n)));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            // The device closed the connection, or it broke.
            tcpState_ = n == 0 ? kClosed : kError;
            return;
        }
    }
}

void SocketControl::DeliverOne() {
    Pending p;
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) return;
        p = std::move(pending_.front());
        pending_.pop_front();
    }
    // A datagram of an earlier binding is never delivered.
    if (p.generation != generation_.load() || fd_ < 0) return;
    current_ = std::move(p.data);
    emit DataArrival(static_cast<int>(current_.size()));
}

void SocketControl::Connect(const QString& host, int port) {
    StopReader();
    RemoteHost = host;
    RemotePort = port;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    const QByteArray h = host.trimmed().toLatin1();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int wake = eventfd(0, EFD_CLOEXEC);
    if (fd < 0 || wake < 0 || port < 0 || port > 65535 || inet_pton(AF_INET, h.constData(), &to.sin_addr) != 1) {
        if (fd >= 0) close(fd);
        if (wake >= 0) close(wake);
        tcpState_ = kError;
        return;
    }
    const int r = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (r != 0 && errno != EINPROGRESS) {
        close(fd);
        close(wake);
        tcpState_ = kError;
        return;
    }
    fd_ = fd;
    wake_ = wake;
    tcpState_ = r == 0 ? kConnected : kConnecting;
    reader_ = std::thread(&SocketControl::TcpLoop, this, fd, wake, generation_.load());
}

bool SocketControl::SendData(const QByteArray& data) {
    if (protocol == Protocol::TCP) {
        if (fd_ < 0 || tcpState_ != kConnected) return false;
        return send(fd_, data.constData(), static_cast<size_t>(data.size()), MSG_NOSIGNAL) == data.size();
    }
    if (fd_ < 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(RemotePort));
    const QByteArray host = RemoteHost.trimmed().toLatin1();
    if (RemotePort < 0 || RemotePort > 65535 || inet_pton(AF_INET, host.constData(), &to.sin_addr) != 1) return false;
    return sendto(fd_, data.constData(), static_cast<size_t>(data.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
           data.size();
}

int SocketControl::State() const {
    if (protocol == Protocol::TCP) return tcpState_;
    return fd_ >= 0 ? kOpen : kClosed;
}

}  // namespace cobalin::ui
