// The socket facade on 127.0.0.1 only: one arrival per datagram in order,
// exclusive binding, Close dropping what was not yet delivered, the bounded
// queue to the UI thread, and what failing system calls leave behind.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>

#include "toolkit/socket_control.h"
#include "toolkit/socket_test_support.h"

using cobalin::testing::LoopbackListener;
using cobalin::testing::SpinUntil;
using cobalin::ui::SocketControl;

namespace {
// Waits without running the event loop, as a busy UI thread would.
bool WaitBusy(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        std::this_thread::yield();
    }
    return true;
}

// A UDP port nobody holds right now: tests running at the same time on this
// machine must not meet on a fixed port.
int FreeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        ADD_FAILURE() << "no free UDP port";
    close(fd);
    return ntohs(a.sin_port);
}

// Everything written to standard error while it lives.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = dup(2);
        file_ = std::tmpfile();
        dup2(fileno(file_), 2);
    }
    ~StderrCapture() { Stop(); }
    std::string Stop() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, 2);
            close(saved_);
            saved_ = -1;
            std::rewind(file_);
            char buf[4096];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, file_)) > 0;) text_.append(buf, n);
            std::fclose(file_);
        }
        return text_;
    }

private:
    int saved_ = -1;
    FILE* file_ = nullptr;
    std::string text_;
};

int Occurrences(const std::string& text, const std::string& word) {
    int n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

// Counts the queued calls the facade posts to itself, one per arrival event.
class PostedEvents : public QObject {
public:
    explicit PostedEvents(QObject* target) { target->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == QEvent::MetaCall;
        return false;
    }
};
}  // namespace

TEST(SocketControl, DatagramsArriveOneByOneInOrder) {
    const int rxPort = FreeUdpPort();
    SocketControl receiver("rx"), sender("tx");
    ASSERT_TRUE(receiver.Bind(rxPort));
    EXPECT_EQ(receiver.State(), SocketControl::kOpen);
    QList<QByteArray> got;
    QObject::connect(&receiver, &SocketControl::DataArrival, [&] { got << receiver.GetData(2000); });
    ASSERT_TRUE(sender.Bind(0));
    sender.RemoteHost = "127.0.0.1";
    sender.RemotePort = rxPort;
    // A burst while the UI thread is busy: nothing is lost.
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(sender.SendData(QByteArray(1000, static_cast<char>(i % 256))));
    ASSERT_TRUE(WaitBusy([&] { return receiver.Queued() == 500; })) << "the reader took the burst in meanwhile";
    SpinUntil([&] { return got.size() == 500; });
    ASSERT_EQ(got.size(), 500);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(got[i], QByteArray(1000, static_cast<char>(i % 256))) << i;
    EXPECT_EQ(receiver.GetData(10).size(), 10) << "GetData reads at most the given length";

    // A port held by another socket cannot be bound.
    SocketControl third("third");
    EXPECT_FALSE(third.Bind(rxPort));
    EXPECT_EQ(third.State(), SocketControl::kClosed);

    // Close releases the port at once and drops what was not delivered.
    ASSERT_TRUE(sender.SendData("late"));
    // The reader has taken it and it waits for the UI thread, which is not
    // running events here: only then does the close have something to drop.
    ASSERT_TRUE(WaitBusy([&] { return receiver.Queued() > 0; }));
    ASSERT_EQ(receiver.Queued(), 1);
    receiver.Close();
    EXPECT_EQ(receiver.Queued(), 0);
    EXPECT_EQ(receiver.State(), SocketControl::kClosed);
    const int before = got.size();
    // The reader is joined: whatever could still come has been posted already.
    QCoreApplication::processEvents();
    EXPECT_EQ(got.size(), before);
    EXPECT_TRUE(third.Bind(rxPort));
    EXPECT_FALSE(receiver.SendData("x")) << "a closed socket sends nothing";
    sender.RemoteHost = "not an address";
    EXPECT_FALSE(sender.SendData("x"));
}

TEST(SocketControl, TcpConnectSendReceiveAndRefusal) {
    sockaddr_in a{};
    const int listener = LoopbackListener(a);
    ASSERT_GE(listener, 0);

    SocketControl tcp("TCP5300Cmd");
    tcp.protocol = SocketControl::Protocol::TCP;
    EXPECT_FALSE(tcp.SendData("early")) << "not connected yet";
    tcp.Connect("127.0.0.1", ntohs(a.sin_port));
    SpinUntil([&] { return tcp.State() == SocketControl::kConnected; });
    ASSERT_EQ(tcp.State(), SocketControl::kConnected);
    const int peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(tcp.SendData("setbaud"));
    char buf[16] = {};
    ASSERT_EQ(recv(peer, buf, sizeof buf, 0), 7);
    EXPECT_STREQ(buf, "setbaud");
    QByteArray got;
    QObject::connect(&tcp, &SocketControl::DataArrival, [&] { got += tcp.GetData(2000); });
    ASSERT_EQ(send(peer, "ok", 2, 0), 2);
    SpinUntil([&] { return got == "ok"; });
    EXPECT_EQ(got, "ok");
    close(peer);
    SpinUntil([&] { return tcp.State() == SocketControl::kClosed; });
    EXPECT_EQ(tcp.State(), SocketControl::kClosed) << "the peer closed the connection";

    // Nobody listens: the connection fails with State 9.
    close(listener);
    tcp.Connect("127.0.0.1", ntohs(a.sin_port));
    SpinUntil([&] { return tcp.State() == SocketControl::kError; });
    EXPECT_EQ(tcp.State(), SocketControl::kError);
    tcp.Close();
    EXPECT_EQ(tcp.State(), SocketControl::kClosed);
}

namespace {
QByteArray Numbered(int i, int size) {
    QByteArray d(size, 'x');
    std::memcpy(d.data(), &i, sizeof i);
    return d;
}
int NumberOf(const QByteArray& d) {
    int i = -1;
    if (d.size() >= 4) std::memcpy(&i, d.constData(), sizeof i);
    return i;
}
}  // namespace

// A flood while the window is busy: the queue keeps what a kernel buffer of
// its size would, in arrival order; the rest is dropped without an event and
// its count goes to standard error once, when the queue drains or closes.
TEST(SocketControl, FloodWhileTheWindowIsBusyIsBounded) {
    struct Case {
        int size, sent, kept;
        bool closeFirst;  // Close before the window gets to the queue
    };
    const int byBytes = static_cast<int>(SocketControl::kQueueBytes / 60000);
    ASSERT_EQ(byBytes, 139);
    const Case cases[] = {
        {16, SocketControl::kQueueDatagrams + 200, SocketControl::kQueueDatagrams, false},  // the count fills first
        {60000, 150, byBytes, false},                                                       // the bytes fill first
        {16, SocketControl::kQueueDatagrams + 5, SocketControl::kQueueDatagrams, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, " << c.sent << " sent" << (c.closeFirst ? ", closed" : ""));
        const int port = FreeUdpPort();
        SocketControl receiver("UDPflood"), sender("tx");
        ASSERT_TRUE(receiver.Bind(port));
        ASSERT_TRUE(sender.Bind(0));
        sender.RemoteHost = "127.0.0.1";
        sender.RemotePort = port;
        PostedEvents posted(&receiver);
        QList<int> got;
        QObject::connect(&receiver, &SocketControl::DataArrival, [&] { got << NumberOf(receiver.GetData(65536)); });
        for (int i = 0; i < c.sent; ++i) {
            ASSERT_TRUE(sender.SendData(Numbered(i, c.size)));
            // One at a time, so the kernel's own buffer never overflows: all
            // that is lost, the facade dropped.
            ASSERT_TRUE(WaitBusy([&] { return receiver.Queued() + receiver.Dropped() == i + 1; })) << i;
        }
        EXPECT_EQ(receiver.Queued(), c.kept);
        EXPECT_EQ(receiver.Dropped(), c.sent - c.kept);

        StderrCapture err;
        if (c.closeFirst) receiver.Close();
        SpinUntil([&] { return posted.count >= c.kept; }, 10000);
        // And nothing more comes: the reader has handled every datagram, so
        // whatever it would post is posted already.
        QCoreApplication::processEvents();
        const std::string said = err.Stop();
        const std::string line = "UDPflood dropped " + std::to_string(c.sent - c.kept) + " datagrams";
        EXPECT_EQ(Occurrences(said, line), 1) << said;
        EXPECT_EQ(Occurrences(said, "dropped"), 1) << said;
        EXPECT_EQ(receiver.Dropped(), 0) << "the count starts again once said";
        EXPECT_EQ(posted.count, c.kept) << "a dropped datagram posts no event";
        if (c.closeFirst) {
            EXPECT_TRUE(got.isEmpty()) << "Close drops every datagram of the binding not yet delivered";
            continue;
        }
        ASSERT_EQ(got.size(), c.kept);
        for (int i = 0; i < c.kept; ++i) ASSERT_EQ(got[i], i) << "the first ones, in arrival order";
        // Drained, the queue takes datagrams again.
        ASSERT_TRUE(sender.SendData(Numbered(c.sent, c.size)));
        SpinUntil([&] { return got.size() == c.kept + 1; });
        ASSERT_EQ(got.size(), c.kept + 1);
        EXPECT_EQ(got.last(), c.sent);
    }
}

TEST(SocketControl, ReceiveBufferNote) {
    struct Case {
        int asked, reported;
        std::string note;
    };
    const std::string tail = " asked (the system caps them at net.core.rmem_max); a long burst of replies may be lost "
                             "while the program is busy";
    const Case cases[] = {
        {4 << 20, 8 << 20, ""},                 // granted in full: the kernel reports twice the size
        {4 << 20, (8 << 20) + 2, ""},
        {4 << 20, 425984, "cobalin: UDP receive buffers hold 212992 bytes, not the 4194304" + tail},  // Debian's default cap
        {4 << 20, 4 << 20, "cobalin: UDP receive buffers hold 2097152 bytes, not the 4194304" + tail},
        {4 << 20, (8 << 20) - 2, "cobalin: UDP receive buffers hold 4194303 bytes, not the 4194304" + tail},
    };
    for (const Case& c : cases) EXPECT_EQ(SocketControl::ReceiveBufferNote(c.asked, c.reported), c.note) << c.reported;
}

// Two sockets whose kernel was asked for a small buffer, as if
// net.core.rmem_max were low; ends the process with the number of notes.
[[noreturn]] void BindTwoWithSmallBuffers() {
    StderrCapture err;
    SocketControl a("UDPa"), b("UDPb");
    for (SocketControl* s : {&a, &b}) {
        s->calls.setOption = [](int fd, int level, int name, const void* value, socklen_t length) {
            static const int small = 4096;
            return ::setsockopt(fd, level, name, level == SOL_SOCKET && name == SO_RCVBUF ? &small : value, length);
        };
        if (!s->Bind(0)) std::_Exit(100);
    }
    const std::string said = err.Stop();
    std::fputs(said.c_str(), stderr);
    std::_Exit(Occurrences(said, "UDP receive buffers hold"));
}

// The kernel's cap is the same for every socket: the note comes once per run.
// Run in a fresh process, so no earlier socket of this test run has said it.
TEST(SocketControlDeathTest, ShortReceiveBufferIsSaidOncePerRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(BindTwoWithSmallBuffers(), testing::ExitedWithCode(1),
                "UDP receive buffers hold [0-9]+ bytes, not the 4194304 asked");
}

// A refused option: broadcasting is what a search needs, so its refusal puts
// the socket in error (bound, so Close still releases it); the buffer size is
// only worth a note.
TEST(SocketControl, RefusedSocketOptions) {
    struct Case {
        const char* what;
        int name;
        bool failRead;
        int state;
        const char* said;
    };
    const Case cases[] = {
        {"SO_BROADCAST refused", SO_BROADCAST, false, SocketControl::kError, "cobalin: UDPopt may not broadcast: Permission denied\n"},
        {"SO_RCVBUF refused", SO_RCVBUF, false, SocketControl::kOpen, nullptr},
        {"SO_RCVBUF unreadable", SO_RCVBUF, true, SocketControl::kOpen, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SocketControl s("UDPopt");
        const int name = c.name;
        auto refuse = [name](int level, int option) {
            if (level != SOL_SOCKET || option != name) return false;
            errno = EACCES;
            return true;
        };
        if (c.failRead)
            s.calls.getOption = [refuse](int fd, int level, int option, void* value, socklen_t* length) {
                return refuse(level, option) ? -1 : ::getsockopt(fd, level, option, value, length);
            };
        else
            s.calls.setOption = [refuse](int fd, int level, int option, const void* value, socklen_t length) {
                return refuse(level, option) ? -1 : ::setsockopt(fd, level, option, value, length);
            };
        StderrCapture err;
        ASSERT_TRUE(s.Bind(0));
        EXPECT_EQ(s.State(), c.state);
        const std::string said = err.Stop();
        if (c.said) {
            EXPECT_EQ(Occurrences(said, c.said), 1) << said;
        }
        s.Close();
        EXPECT_EQ(s.State(), SocketControl::kClosed);
    }
}

// poll failing for good ends the reader with State 9; it must not spin. An
// interrupted poll is simply retried.
TEST(SocketControl, FailingPollEndsTheReaderInsteadOfSpinning) {
    struct Case {
        const char* what;
        SocketControl::Protocol protocol;
        int error, failures, state;
    };
    using P = SocketControl::Protocol;
    // A spinning reader would call poll the thousand times at once; past them
    // poll works again, so such a reader would still close.
    const Case cases[] = {
        {"UDP, interrupted", P::UDP, EINTR, 3, SocketControl::kOpen},
        {"UDP, broken", P::UDP, EBADF, 1000, SocketControl::kError},
        {"UDP, out of memory", P::UDP, ENOMEM, 1000, SocketControl::kError},
        {"TCP, interrupted", P::TCP, EINTR, 3, SocketControl::kConnected},
        {"TCP, broken", P::TCP, EBADF, 1000, SocketControl::kError},
    };
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
    ASSERT_EQ(listen(listener, 8), 0);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SocketControl s("UDPpoll");
        s.protocol = c.protocol;
        auto polls = std::make_shared<std::atomic<int>>(0);
        s.calls.poll = [polls, c](pollfd* fds, nfds_t n, int timeout) {
            if ((*polls)++ < c.failures) {
                errno = c.error;
                return -1;
            }
            return ::poll(fds, n, timeout);
        };
        QList<QByteArray> got;
        QObject::connect(&s, &SocketControl::DataArrival, [&] { got << s.GetData(); });
        StderrCapture err;
        const int port = FreeUdpPort();
        if (c.protocol == P::UDP) {
            ASSERT_TRUE(s.Bind(port));
        } else {
            s.Connect("127.0.0.1", ntohs(a.sin_port));
        }
        SpinUntil([&] { return s.State() == c.state && *polls >= (c.error == EINTR ? c.failures + 1 : 1); });
        // A spinning reader shows within moments: another state, or, where
        // the reader must have ended, one more poll.
        const int polled = *polls;
        const bool ended = c.error != EINTR;
        EXPECT_FALSE(WaitBusy([&] { return s.State() != c.state || (ended && *polls > polled); }, 50));
        EXPECT_EQ(s.State(), c.state);
        if (c.error == EINTR) {
            if (c.protocol == P::UDP) {
                SocketControl sender("tx");
                ASSERT_TRUE(sender.Bind(0));
                sender.RemoteHost = "127.0.0.1";
                sender.RemotePort = port;
                ASSERT_TRUE(sender.SendData("still here"));
                SpinUntil([&] { return got.size() == 1; });
                EXPECT_EQ(got, QList<QByteArray>{"still here"});
            }
        } else {
            EXPECT_EQ(*polls, 1) << "the reader ended at the first failure";
            const std::string said = err.Stop();
            EXPECT_EQ(Occurrences(said, std::string("UDPpoll stops receiving: ") + std::strerror(c.error)), 1) << said;
        }
        s.Close();
        EXPECT_EQ(s.State(), SocketControl::kClosed);
        if (c.protocol == P::TCP) {
            const int peer = accept(listener, nullptr, nullptr);
            if (peer >= 0) close(peer);
        }
    }
    close(listener);
}

// Each datagram comes with the interface it came in by: on 127.0.0.1, the
// loopback interface.
TEST(SocketControl, ArrivalInterfaceOfEachDatagram) {
    const int rxPort = FreeUdpPort();
    SocketControl receiver("rx"), sender("tx");
    ASSERT_TRUE(receiver.Bind(rxPort));
    std::vector<SocketControl::Interface> got;
    QObject::connect(&receiver, &SocketControl::DataArrival, [&] { got.push_back(receiver.ArrivalInterface()); });
    ASSERT_TRUE(sender.Bind(0));
    sender.RemoteHost = "127.0.0.1";
    sender.RemotePort = rxPort;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(sender.SendData("x"));
    SpinUntil([&] { return got.size() == 3; });
    ASSERT_EQ(got.size(), 3u);
    char lo[IF_NAMESIZE + 1] = {};
    const int loIndex = static_cast<int>(if_nametoindex("lo"));
    ASSERT_GT(loIndex, 0);
    ASSERT_NE(if_indextoname(static_cast<unsigned>(loIndex), lo), nullptr);
    for (const auto& via : got) {
        EXPECT_EQ(via.index, loIndex);
        EXPECT_EQ(via.name, lo);
    }

    // A system that will not tell: the datagram still arrives, its interface unknown.
    SocketControl blind("blind");
    blind.calls.setOption = [](int fd, int level, int option, const void* value, socklen_t length) {
        if (level == IPPROTO_IP && option == IP_PKTINFO) return errno = ENOPROTOOPT, -1;
        return ::setsockopt(fd, level, option, value, length);
    };
    const int blindPort = FreeUdpPort();
    StderrCapture err;
    ASSERT_TRUE(blind.Bind(blindPort));
    EXPECT_EQ(blind.State(), SocketControl::kOpen);
    std::optional<SocketControl::Interface> unknown;
    QObject::connect(&blind, &SocketControl::DataArrival, [&] { unknown = blind.ArrivalInterface(); });
    sender.RemotePort = blindPort;
    ASSERT_TRUE(sender.SendData("y"));
    SpinUntil([&] { return unknown.has_value(); });
    ASSERT_TRUE(unknown.has_value());
    EXPECT_EQ(unknown->index, 0);
    EXPECT_EQ(unknown->name, "");
    const std::string said = err.Stop();
    EXPECT_LE(Occurrences(said, "cannot tell the interface a datagram came in by"), 1) << said;
}
