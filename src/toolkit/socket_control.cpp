#include "toolkit/socket_control.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cobalin::ui {

namespace {

// One line on standard error, whole, whatever other threads write.
void Say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

std::string ErrorText(int error) { return std::strerror(error); }

// Sizes the receive buffer and says once per run when the kernel granted less
// than asked: every socket gets the same cap, so one line is enough.
void SizeReceiveBuffer(const SocketControl::SystemCalls& calls, int fd, const QString& name) {
    static std::atomic<bool> said{false};
    const int asked = SocketControl::kReceiveBuffer;
    std::string note;
    int reported = 0;
    socklen_t length = sizeof reported;
    if (calls.setOption(fd, SOL_SOCKET, SO_RCVBUF, &asked, sizeof asked) != 0)
        note = "cobalin: cannot size the receive buffer of " + name.toStdString() + ": " + ErrorText(errno);
    else if (calls.getOption(fd, SOL_SOCKET, SO_RCVBUF, &reported, &length) != 0)
        note = "cobalin: cannot read the receive buffer size of " + name.toStdString() + ": " + ErrorText(errno);
    else
        note = SocketControl::ReceiveBufferNote(asked, reported);
    if (!note.empty() && !said.exchange(true)) Say(note);
}

// Asks for the interface of each datagram received. Without it a reply's
// interface is unknown and no request for that one device can be sent; said
// once per run, as every socket would fail alike.
void AskArrivalInterface(const SocketControl::SystemCalls& calls, int fd, const QString& name) {
    static std::atomic<bool> said{false};
    const int on = 1;
    if (calls.setOption(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0 && !said.exchange(true))
        Say("cobalin: " + name.toStdString() + " cannot tell the interface a datagram came in by (" + ErrorText(errno) +
            "); requests for one device cannot be sent");
}

// The interface index IP_PKTINFO gives with a received datagram, or 0.
int ArrivalIndex(msghdr& m) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO || c->cmsg_len < CMSG_LEN(sizeof(in_pktinfo))) continue;
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        return info.ipi_ifindex > 0 ? info.ipi_ifindex : 0;
    }
    return 0;
}

std::string InterfaceName(int index) {
    char name[IF_NAMESIZE + 1] = {};
    return index > 0 && if_indextoname(static_cast<unsigned>(index), name) ? name : "";
}

int PrefixLength(uint32_t mask) {
    int n = 0;
    while (n < 32 && (mask & (0x80000000u >> n))) ++n;
    return n;
}

// The interface of an index with its first IPv4 address and prefix length.
SocketControl::Interface InterfaceOf(int index) {
    SocketControl::Interface i{index, InterfaceName(index), 0, -1};
    ifaddrs* list = nullptr;
    if (i.name.empty() || getifaddrs(&list) != 0) return i;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_netmask || !a->ifa_name || i.name != a->ifa_name)
            continue;
        i.address = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        i.prefix = PrefixLength(ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr));
        break;
    }
    freeifaddrs(list);
    return i;
}

}  // namespace

std::string SocketControl::ReceiveBufferNote(int asked, int reported) {
    const int granted = reported / 2;
    if (granted >= asked) return {};
    return "cobalin: UDP receive buffers hold " + std::to_string(granted) + " bytes, not the " + std::to_string(asked) +
           " asked (the system caps them at net.core.rmem_max); a long burst of replies may be lost while the "
           "program is busy";
}

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
    state_ = kClosed;
    ++generation_;
    int dropped = 0;
    {
        std::lock_guard lock(mutex_);
        pending_.clear();
        pendingBytes_ = 0;
        dropped = std::exchange(dropped_, 0);
    }
    ReportDropped(dropped);
}

void SocketControl::Close() { StopReader(); }

bool SocketControl::Bind(int localPort) {
    LocalPort = localPort;
    if (protocol != Protocol::UDP) return false;
    StopReader();
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const int on = 1;
    // A socket that may not broadcast cannot search; it stays bound, in error.
    const int broadcastError = calls.setOption(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 ? 0 : errno;
    SizeReceiveBuffer(calls, fd, objectName());
    AskArrivalInterface(calls, fd, objectName());
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
    if (broadcastError != 0)
        Say("cobalin: " + objectName().toStdString() + " may not broadcast: " + ErrorText(broadcastError));
    fd_ = fd;
    wake_ = wake;
    state_ = broadcastError == 0 ? kOpen : kError;
    reader_ = std::thread(&SocketControl::ReaderLoop, this, fd, wake, generation_.load(), calls,
                          objectName().toStdString());
    return true;
}

void SocketControl::ReaderLoop(int fd, int wake, unsigned generation, SystemCalls calls, std::string name) {
    QByteArray buffer(65536, Qt::Uninitialized);
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        if (calls.poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            // Retrying would only spin: the socket stays bound, in error, until closed.
            Say("cobalin: " + name + " stops receiving: " + ErrorText(errno));
            state_ = kError;
            return;
        }
        if (fds[1].revents) return;
        // Drain everything that has arrived, oldest first. Interface names
        // are looked up once per drain.
        Interface last;
        for (;;) {
            iovec part{buffer.data(), static_cast<size_t>(buffer.size())};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
            sockaddr_in source{};
            msghdr m{};
            m.msg_name = &source;
            m.msg_namelen = sizeof source;
            m.msg_iov = &part;
            m.msg_iovlen = 1;
            m.msg_control = control;
            m.msg_controllen = sizeof control;
            const ssize_t n = recvmsg(fd, &m, MSG_DONTWAIT);
            if (n < 0) break;
            const int index = ArrivalIndex(m);
            if (index != last.index) last = InterfaceOf(index);
            std::optional<uint32_t> from;
            if (m.msg_namelen >= sizeof source && source.sin_family == AF_INET) from = ntohl(source.sin_addr.s_addr);
            Post(generation, QByteArray(buffer.constData(), static_cast<int>(n)), true, last, from);
        }
    }
}

bool SocketControl::QueueFull() const {
    std::lock_guard lock(mutex_);
    return pending_.size() >= static_cast<size_t>(kQueueDatagrams) || pendingBytes_ >= kQueueBytes;
}

bool SocketControl::Post(unsigned generation, QByteArray data, bool droppable, Interface via,
                         std::optional<uint32_t> from) {
    {
        std::lock_guard lock(mutex_);
        if (droppable && (pending_.size() >= static_cast<size_t>(kQueueDatagrams) || pendingBytes_ + data.size() > kQueueBytes)) {
            // As a full kernel buffer would: the datagram is lost and the
            // window hears nothing of it.
            ++dropped_;
            return false;
        }
        pendingBytes_ += data.size();
        pending_.push_back({generation, std::move(data), std::move(via), from});
    }
    QMetaObject::invokeMethod(this, &SocketControl::DeliverOne, Qt::QueuedConnection);
    return true;
}

void SocketControl::TcpLoop(int fd, int wake, unsigned generation, SystemCalls calls, std::string name) {
    QByteArray buffer(65536, Qt::Uninitialized);
    for (;;) {
        const bool connecting = state_ == kConnecting;
        // A stream loses nothing: while the window's queue is full the reader
        // leaves the bytes with the kernel, which slows the sender down, and
        // looks again a little later.
        const bool full = !connecting && QueueFull();
        pollfd fds[2] = {{wake, POLLIN, 0}, {fd, static_cast<short>(connecting ? POLLOUT : POLLIN), 0}};
        if (calls.poll(fds, full ? 1 : 2, full ? 10 : -1) < 0) {
            if (errno == EINTR) continue;
            Say("cobalin: " + name + " stops receiving: " + ErrorText(errno));
            state_ = kError;
            return;
        }
        if (fds[0].revents) return;
        if (full) continue;
        if (connecting) {
            int error = 0;
            socklen_t len = sizeof error;
            if (calls.getOption(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
            state_ = error == 0 ? kConnected : kError;
            if (error != 0) return;
            continue;
        }
        const ssize_t n = recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT);
        if (n > 0) {
            Post(generation, QByteArray(buffer.constData(), static_cast<int>(n)), false, {});
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            // The device closed the connection, or it broke.
            state_ = n == 0 ? kClosed : kError;
            return;
        }
    }
}

void SocketControl::DeliverOne() {
    Pending p;
    int dropped = 0;
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) return;
        p = std::move(pending_.front());
        pending_.pop_front();
        pendingBytes_ -= p.data.size();
        if (pending_.empty()) dropped = std::exchange(dropped_, 0);
    }
    ReportDropped(dropped);
    // A datagram of an earlier binding is never delivered.
    if (p.generation != generation_.load() || fd_ < 0) return;
    current_ = std::move(p.data);
    currentVia_ = std::move(p.via);
    currentFrom_ = p.from;
    emit DataArrival(static_cast<int>(current_.size()));
}

void SocketControl::ReportDropped(int count) const {
    if (count > 0)
        Say("cobalin: " + objectName().toStdString() + " dropped " + std::to_string(count) +
            " datagrams that arrived while the window was busy and the queue was full");
}

int SocketControl::Queued() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(pending_.size());
}

int SocketControl::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void SocketControl::Connect(const QString& host, int port) { ConnectTcp(host, port, nullptr); }

void SocketControl::Connect(const QString& host, int port, const Interface& via) { ConnectTcp(host, port, &via); }

void SocketControl::ConnectTcp(const QString& host, int port, const Interface* via) {
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
        state_ = kError;
        return;
    }
    // One device's connection goes by the interface it answered on, or not at all.
    const std::optional<BroadcastInterface> by = via ? DeviceInterface(*via, false) : std::nullopt;
    if (via && (!by || calls.setOption(fd, SOL_SOCKET, SO_BINDTODEVICE, by->name.c_str(),
                                       static_cast<socklen_t>(by->name.size())) != 0)) {
        close(fd);
        close(wake);
        state_ = kError;
        return;
    }
    const int r = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (r != 0 && errno != EINPROGRESS) {
        close(fd);
        close(wake);
        state_ = kError;
        return;
    }
    fd_ = fd;
    wake_ = wake;
    state_ = r == 0 ? kConnected : kConnecting;
    reader_ = std::thread(&SocketControl::TcpLoop, this, fd, wake, generation_.load(), calls,
                          objectName().toStdString());
}

bool SocketControl::SendData(const QByteArray& data) {
    if (protocol == Protocol::TCP) {
        if (fd_ < 0 || state_ != kConnected) return false;
        return send(fd_, data.constData(), static_cast<size_t>(data.size()), MSG_NOSIGNAL) == data.size();
    }
    return SendUdp(data, nullptr);
}

bool SocketControl::SendData(const QByteArray& data, const Interface& via) {
    return protocol == Protocol::TCP ? SendData(data) : SendUdp(data, &via);
}

bool SocketControl::SendUdp(const QByteArray& data, const Interface* via) {
    if (fd_ < 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(RemotePort));
    const QByteArray host = RemoteHost.trimmed().toLatin1();
    if (RemotePort < 0 || RemotePort > 65535 || inet_pton(AF_INET, host.constData(), &to.sin_addr) != 1) return false;
    const bool limited = to.sin_addr.s_addr == htonl(INADDR_BROADCAST);
    if (!via) return everyInterface && limited ? SendOnEveryInterface(data, to) : SendByRoute(data, to);
    // One device's request: by its own interface while that is still the
    // one its replies came in by, whatever the destination. A vanished or
    // renamed interface, or one that can no longer broadcast to
    // 255.255.255.255, sends nothing: the route could carry the device's
    // password onto another network.
    const std::optional<BroadcastInterface> by = DeviceInterface(*via, limited);
    return by && SendByInterface(data, to, *by);
}

std::optional<SocketControl::BroadcastInterface> SocketControl::DeviceInterface(const Interface& via,
                                                                                bool limitedBroadcast) const {
    if (via.index <= 0) return std::nullopt;
    for (const BroadcastInterface& i : limitedBroadcast ? calls.broadcastInterfaces() : calls.upInterfaces())
        if (i.index == via.index && i.name == via.name) return i;
    return std::nullopt;
}

bool SocketControl::ReachesBy(const QString& host, const Interface& via) const {
    in_addr to{};
    const QByteArray h = host.trimmed().toLatin1();
    // No address: the request cannot leave at all, and its sender says so.
    if (inet_pton(AF_INET, h.constData(), &to) != 1) return true;
    return DeviceInterface(via, to.s_addr == htonl(INADDR_BROADCAST)).has_value();
}

namespace {

// The IPv4 interfaces of a getifaddrs list that are up and that `wanted`
// takes, each once with its first address, in list order.
std::vector<SocketControl::BroadcastInterface> Listed(const ifaddrs* list, bool (*wanted)(const ifaddrs&)) {
    std::vector<SocketControl::BroadcastInterface> found;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name || !(a->ifa_flags & IFF_UP) || !wanted(*a))
            continue;
        const std::string name = a->ifa_name;
        // An interface with several addresses is listed once per address; it
        // sends once.
        if (std::any_of(found.begin(), found.end(), [&](const auto& f) { return f.name == name; })) continue;
        found.push_back({name, reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr});
    }
    return found;
}

// The same list as the system gives it now, each interface with its index.
std::vector<SocketControl::BroadcastInterface> SystemListed(bool (*wanted)(const ifaddrs&)) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    std::vector<SocketControl::BroadcastInterface> interfaces = Listed(list, wanted);
    freeifaddrs(list);
    for (auto& i : interfaces) i.index = static_cast<int>(if_nametoindex(i.name.c_str()));
    return interfaces;
}

bool CanBroadcast(const ifaddrs& a) {
    return !(a.ifa_flags & IFF_LOOPBACK) && (a.ifa_flags & IFF_BROADCAST) && a.ifa_broadaddr;
}
bool AnyKind(const ifaddrs&) { return true; }

}  // namespace

std::vector<SocketControl::BroadcastInterface> SocketControl::BroadcastInterfaces(const ifaddrs* list) {
    return Listed(list, CanBroadcast);
}

std::vector<SocketControl::BroadcastInterface> SocketControl::SystemBroadcastInterfaces() { return SystemListed(CanBroadcast); }

std::vector<SocketControl::BroadcastInterface> SocketControl::UpInterfaces(const ifaddrs* list) { return Listed(list, AnyKind); }

std::vector<SocketControl::BroadcastInterface> SocketControl::SystemUpInterfaces() { return SystemListed(AnyKind); }

bool SocketControl::SendByRoute(const QByteArray& data, const sockaddr_in& to) {
    return calls.sendTo(fd_, data.constData(), static_cast<size_t>(data.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                        sizeof to) == data.size();
}

bool SocketControl::SendByInterface(const QByteArray& data, const sockaddr_in& to, const BroadcastInterface& by) {
    iovec part{const_cast<char*>(data.constData()), static_cast<size_t>(data.size())};
    // IP_PKTINFO names the interface the datagram leaves by and its source address.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr m{};
    m.msg_name = const_cast<sockaddr_in*>(&to);
    m.msg_namelen = sizeof to;
    m.msg_iov = &part;
    m.msg_iovlen = 1;
    m.msg_control = control;
    m.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&m);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = by.index;
    info.ipi_spec_dst.s_addr = by.address;
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    return calls.sendMessage(fd_, &m, 0) == data.size();
}

bool SocketControl::SendOnEveryInterface(const QByteArray& data, const sockaddr_in& to) {
    bool sent = false, tried = false;
    for (const BroadcastInterface& i : calls.broadcastInterfaces()) {
        if (i.index <= 0) continue;  // gone since it was listed
        tried = true;
        if (SendByInterface(data, to, i)) sent = true;
    }
    // No interface that can broadcast: the route decides, as it always did.
    return tried ? sent : SendByRoute(data, to);
}

int SocketControl::State() const {
    if (protocol == Protocol::UDP && fd_ < 0) return kClosed;
    return state_;
}

}  // namespace cobalin::ui
