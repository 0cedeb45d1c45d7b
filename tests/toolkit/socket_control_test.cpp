// The socket facade on 127.0.0.1 only: one arrival per datagram in order,
// exclusive binding, and Close dropping what was not yet delivered.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include "toolkit/socket_control.h"

using cobalin::ui::SocketControl;

namespace {
void SpinUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
}  // namespace

TEST(SocketControl, DatagramsArriveOneByOneInOrder) {
    SocketControl receiver("rx"), sender("tx");
    ASSERT_TRUE(receiver.Bind(0 + 28889));
    EXPECT_EQ(receiver.State(), SocketControl::kOpen);
    QList<QByteArray> got;
    QObject::connect(&receiver, &SocketControl::DataArrival, [&] { got << receiver.GetData(2000); });
    ASSERT_TRUE(sender.Bind(28890));
    sender.RemoteHost = "127.0.0.1";
    sender.RemotePort = 28889;
    // A burst while the UI thread is busy: nothing is lost.
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(sender.SendData(QByteArray(1000, static_cast<char>(i % 256))));
    QThread::msleep(200);
    SpinUntil([&] { return got.size() == 500; });
    ASSERT_EQ(got.size(), 500);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(got[i], QByteArray(1000, static_cast<char>(i % 256))) << i;
    EXPECT_EQ(receiver.GetData(10).size(), 10) << "GetData reads at most the given length";

    // A port held by another socket cannot be bound.
    SocketControl third("third");
    EXPECT_FALSE(third.Bind(28889));
    EXPECT_EQ(third.State(), SocketControl::kClosed);

    // Close releases the port at once and drops what was not delivered.
    sender.SendData("late");
    QThread::msleep(100);
    receiver.Close();
    EXPECT_EQ(receiver.State(), SocketControl::kClosed);
    const int before = got.size();
    SpinUntil([] { return false; }, 100);
    EXPECT_EQ(got.size(), before);
    EXPECT_TRUE(third.Bind(28889));
    EXPECT_FALSE(receiver.SendData("x")) << "a closed socket sends nothing";
    sender.RemoteHost = "not an address";
    EXPECT_FALSE(sender.SendData("x"));
}

TEST(SocketControl, TcpConnectSendReceiveAndRefusal) {
    // A listener on 127.0.0.1 stands in for a device's command port.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    ASSERT_EQ(listen(listener, 1), 0);

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
