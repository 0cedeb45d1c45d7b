// One socket control of the main window: Close, Bind, Connect, SendData,
// GetData and State, with one arrival event per datagram on the UI thread
// and the interface each datagram came in by.
// A reader thread drains a bound UDP socket at once, so a burst of replies is
// not lost while the UI thread is busy; datagrams reach the UI thread in
// arrival order. What waits for the UI thread is bounded like a kernel buffer:
// a datagram that finds the queue full is dropped and counted, and the count
// goes to standard error once the queue drains. Close releases the port
// before it returns and drops every datagram of that binding not yet
// delivered.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

struct ifaddrs;

namespace cobalin::ui {

class SocketControl : public QObject {
    Q_OBJECT
public:
    enum class Protocol { UDP, TCP };
    // State values the program reads.
    static constexpr int kClosed = 0, kOpen = 1, kConnecting = 6, kConnected = 7, kError = 9;
    // What may wait for the UI thread, per socket, whichever limit comes first.
    static constexpr int kQueueDatagrams = 4096;
    static constexpr qsizetype kQueueBytes = 8 << 20;
    // The receive buffer Bind asks the kernel for.
    static constexpr int kReceiveBuffer = 4 << 20;

    // An IPv4 interface that a limited broadcast leaves by (or, in the list
    // of interfaces that are up, any that one device's request may leave by).
    struct BroadcastInterface {
        std::string name;
        uint32_t address;  // network byte order: the interface's own address, the datagram's source
        int index = 0;     // as the system numbers it; 0 when it is gone
    };
    // The interfaces of a getifaddrs list that are up, not loopback and have
    // a broadcast address; each once (with its first address), in list order.
    // Their index is left 0.
    static std::vector<BroadcastInterface> BroadcastInterfaces(const ifaddrs* list);
    // The system's broadcast interfaces now, each with its index.
    static std::vector<BroadcastInterface> SystemBroadcastInterfaces();
    // The IPv4 interfaces of a getifaddrs list that are up, of any kind (a
    // point-to-point link, the loopback interface): each once, with its
    // first address, in list order; their index is left 0.
    static std::vector<BroadcastInterface> UpInterfaces(const ifaddrs* list);
    // The system's IPv4 interfaces that are up now, each with its index.
    static std::vector<BroadcastInterface> SystemUpInterfaces();

    // The system calls whose failures the facade handles, and those that
    // decide where a datagram leaves. A test replaces one to make it fail or
    // to see what would be sent; a replaced option or poll holds from the
    // next Bind or Connect, the interface lists and the two sends at once.
    struct SystemCalls {
        std::function<int(int, int, int, const void*, socklen_t)> setOption = ::setsockopt;
        std::function<int(int, int, int, void*, socklen_t*)> getOption = ::getsockopt;
        std::function<int(pollfd*, nfds_t, int)> poll = ::poll;
        std::function<std::vector<BroadcastInterface>()> broadcastInterfaces = SystemBroadcastInterfaces;
        std::function<std::vector<BroadcastInterface>()> upInterfaces = SystemUpInterfaces;
        std::function<ssize_t(int, const msghdr*, int)> sendMessage = ::sendmsg;
        std::function<ssize_t(int, const void*, size_t, int, const sockaddr*, socklen_t)> sendTo = ::sendto;
    };
    SystemCalls calls;

    // An interface as the system numbers and names it; index 0: none known.
    // With a received datagram also its own IPv4 address (host order) and
    // prefix length, as they were then; 0 and -1 when it has none.
    struct Interface {
        int index = 0;
        std::string name;
        uint32_t address = 0;
        int prefix = -1;
    };

    explicit SocketControl(const QString& name, QObject* parent = nullptr);
    ~SocketControl() override;

    Protocol protocol = Protocol::UDP;
    QString RemoteHost;
    int RemotePort = 0;
    int LocalPort = 0;
    // A datagram to 255.255.255.255 leaves once by every interface that can
    // broadcast (see BroadcastInterfaces), from the same local port with the
    // same bytes, so that devices behind a second network card are found.
    // False: by the one interface the routing table picks. Every other
    // destination follows the route either way. A datagram for one device
    // (SendData with its interface) leaves by that interface whatever this
    // says.
    bool everyInterface = true;

    virtual void Close();
    // UDP: binds the local port (exclusively: a port another program holds
    // fails). False, State unchanged, when the port cannot be bound. A socket
    // that may not broadcast is bound but its State is 9.
    virtual bool Bind(int localPort);
    // TCP: starts a connection; State becomes 7 or 9 later.
    void Connect(const QString& host, int port);
    // A connection for one device whose replies came in by `via`: bound to
    // that interface (SO_BINDTODEVICE), so it never takes another network's
    // route. With the interface gone (or renamed) it is not attempted: State
    // is 9 at once.
    void Connect(const QString& host, int port, const Interface& via);
    // One datagram to RemoteHost:RemotePort (broadcast allowed), or the bytes
    // on the TCP connection. False on any error.
    bool SendData(const QByteArray& data);
    // A datagram for one device whose replies come in by `via`, to any
    // destination in any mode: it leaves by that interface alone (IP_PKTINFO
    // names it, and its own address as the source) while the interface is
    // still there (same index and name) and up, and for 255.255.255.255 able
    // to broadcast; otherwise it is not sent at all (false), never by the
    // route nor by every interface: the route could carry the device's
    // password onto another network.
    bool SendData(const QByteArray& data, const Interface& via);
    // Inside the arrival event: the datagram or chunk that arrived, at most maxLength bytes.
    QByteArray GetData(int maxLength = 2000) const { return current_.left(maxLength); }
    // Inside the arrival event of a UDP socket: the interface the datagram
    // came in by (index 0 when the system did not say).
    const Interface& ArrivalInterface() const { return currentVia_; }
    // Inside the arrival event of a UDP socket: the datagram's source
    // address (host order; 0.0.0.0 is one), none when the system did not say.
    std::optional<uint32_t> ArrivalSource() const { return currentFrom_; }
    // Whether a datagram (or connection) for one device whose replies came
    // in by `via`, sent to `host`, would leave by that interface: false when
    // the interface is unknown, gone, renamed, down, or for 255.255.255.255
    // can no longer broadcast, and nothing would be sent.
    bool ReachesBy(const QString& host, const Interface& via) const;
    virtual int State() const;

    // Datagrams waiting for the UI thread, and those dropped because the
    // queue was full since the count last went to standard error.
    int Queued() const;
    int Dropped() const;

    // Linux caps a receive buffer at net.core.rmem_max without failing and
    // reports twice what it granted (the other half is its bookkeeping). The
    // line for standard error when fewer bytes were granted than asked;
    // empty when the buffer is as large as asked.
    static std::string ReceiveBufferNote(int asked, int reported);

signals:
    void DataArrival(int bytesTotal);

private:
    struct Pending {
        unsigned generation;
        QByteArray data;
        Interface via;
        std::optional<uint32_t> from;
    };
    void ReaderLoop(int fd, int wake, unsigned generation, SystemCalls calls, std::string name);
    void TcpLoop(int fd, int wake, unsigned generation, SystemCalls calls, std::string name);
    // Queues data for the UI thread and posts its arrival event; false when
    // the data was droppable and the queue full.
    bool Post(unsigned generation, QByteArray data, bool droppable, Interface via,
              std::optional<uint32_t> from = std::nullopt);
    bool QueueFull() const;
    bool SendUdp(const QByteArray& data, const Interface* via);
    void ConnectTcp(const QString& host, int port, const Interface* via);
    // The interface one device's request to a limited broadcast (or to any
    // other destination) leaves by: `via` as it is listed now, none when it
    // is not (gone, renamed, down, unable to broadcast, or never noted).
    std::optional<BroadcastInterface> DeviceInterface(const Interface& via, bool limitedBroadcast) const;
    // Sends once by each broadcast interface; false when none took it.
    bool SendOnEveryInterface(const QByteArray& data, const sockaddr_in& to);
    // Sends by one interface (IP_PKTINFO names it and the source address).
    bool SendByInterface(const QByteArray& data, const sockaddr_in& to, const BroadcastInterface& by);
    bool SendByRoute(const QByteArray& data, const sockaddr_in& to);
    void DeliverOne();
    void StopReader();
    void ReportDropped(int count) const;

    int fd_ = -1;
    int wake_ = -1;
    std::thread reader_;
    std::atomic<unsigned> generation_{0};
    mutable std::mutex mutex_;
    std::deque<Pending> pending_;
    qsizetype pendingBytes_ = 0;
    int dropped_ = 0;
    QByteArray current_;
    Interface currentVia_;
    std::optional<uint32_t> currentFrom_;
    std::atomic<int> state_{kClosed};
};

// Bytes built by the core, as a datagram to send.
inline QByteArray ToByteArray(std::span<const uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace cobalin::ui
