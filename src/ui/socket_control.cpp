#include "ui/socket_control.h"

#include <QTcpSocket>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cobalin::ui {

SocketControl::SocketControl(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

SocketControl::~SocketControl() {
    StopReader();
    if (tcp_) tcp_->abort();
}

void SocketControl::StopReader() {
    if (reader_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
        reader_.join();
    }
    if (wake_ >= 0) close(wake_), wake_ = -1;
    if (fd_ >= 0) close(fd_), fd_ = -1;
    ++generation_;
    std::lock_guard lock(mutex_);
    pending_.clear();
}

void SocketControl::Close() {
    StopReader();
    if (tcp_) tcp_->abort();
}

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
            {
                std::lock_guard lock(mutex_);
                pending_.push_back({generation, QByteArray(buffer.constData(), static_cast<int>(n))});
            }
            QMetaObject::invokeMethod(this, &SocketControl::DeliverOne, Qt::QueuedConnection);
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
    if (!tcp_) {
        tcp_ = new QTcpSocket(this);
        connect(tcp_, &QTcpSocket::readyRead, this, [this] {
            while (tcp_->bytesAvailable() > 0) {
                current_ = tcp_->read(65536);
                emit DataArrival(static_cast<int>(current_.size()));
            }
        });
    }
    tcp_->abort();
    RemoteHost = host;
    RemotePort = port;
    tcp_->connectToHost(host, static_cast<quint16>(port));
}

bool SocketControl::SendData(const QByteArray& data) {
    if (protocol == Protocol::TCP) {
        if (!tcp_ || tcp_->state() != QAbstractSocket::ConnectedState) return false;
        return tcp_->write(data) == data.size();
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
    if (protocol == Protocol::TCP) {
        if (!tcp_) return kClosed;
        switch (tcp_->state()) {
            case QAbstractSocket::ConnectedState:
                return kConnected;
            case QAbstractSocket::HostLookupState:
            case QAbstractSocket::ConnectingState:
                return kConnecting;
            case QAbstractSocket::UnconnectedState:
                return tcp_->error() == QAbstractSocket::UnknownSocketError ? kClosed : kError;
            default:
                return kError;
        }
    }
    return fd_ >= 0 ? kOpen : kClosed;
}

}  // namespace cobalin::ui
