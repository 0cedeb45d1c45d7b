// One socket control of the main window: Close, Bind, Connect, SendData,
// GetData and State, with one arrival event per datagram on the UI thread.
// A reader thread drains a bound UDP socket at once, so a burst of replies is
// not lost while the UI thread is busy; datagrams reach the UI thread in
// arrival order. Close releases the port before it returns and drops every
// datagram of that binding not yet delivered.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace cobalin::ui {

class SocketControl : public QObject {
    Q_OBJECT
public:
    enum class Protocol { UDP, TCP };
    // State values the program reads.
    static constexpr int kClosed = 0, kOpen = 1, kConnecting = 6, kConnected = 7, kError = 9;

    explicit SocketControl(const QString& name, QObject* parent = nullptr);
    ~SocketControl() override;

    Protocol protocol = Protocol::UDP;
    QString RemoteHost;
    int RemotePort = 0;
    int LocalPort = 0;

    virtual void Close();
    // UDP: binds the local port (exclusively: a port another program holds
    // fails). False, State unchanged, when the port cannot be bound.
    virtual bool Bind(int localPort);
    // TCP: starts a connection; State becomes 7 or 9 later.
    void Connect(const QString& host, int port);
    // One datagram to RemoteHost:RemotePort (broadcast allowed), or the bytes
    // on the TCP connection. False on any error.
    bool SendData(const QByteArray& data);
    // Inside the arrival event: the datagram or chunk that arrived, at most maxLength bytes.
    QByteArray GetData(int maxLength = 2000) const { return current_.left(maxLength); }
    virtual int State() const;

signals:
    void DataArrival(int bytesTotal);

private:
    struct Pending {
        unsigned generation;
        QByteArray data;
    };
    void ReaderLoop(int fd, int wake, unsigned generation);
    void TcpLoop(int fd, int wake, unsigned generation);
    void Post(unsigned generation, QByteArray data);
    void DeliverOne();
    void StopReader();

    int fd_ = -1;
    int wake_ = -1;
    std::thread reader_;
    std::atomic<unsigned> generation_{0};
    std::mutex mutex_;
    std::deque<Pending> pending_;
    QByteArray current_;
    std::atomic<int> tcpState_{kClosed};
};

}  // namespace cobalin::ui
