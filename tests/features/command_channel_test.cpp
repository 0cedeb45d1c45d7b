// Where the command channel's datagrams leave, with the sockets' interface
// lists and sends replaced by the test's own: a device's clear, write, reset
// and module transfer by the interface its page 0 came in by, whatever the
// address and the mode, or not at all; searches and the module query to
// 255.255.255.255 by every interface.
#include <gtest/gtest.h>
#include <net/if.h>

#include "core/lan_module.h"
#include "core/request_packets.h"
#include "writes_fixture.h"
#include "writable_store.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::LoopbackUdp;
using cobalin::testing::PageBytes;
using cobalin::testing::UsualRecord;
using cobalin::testing::WritesApp;

namespace {

// One datagram as it would have left: the socket, the interface it was sent
// by (0: the route) and its length.
struct Sent {
    std::string socket;
    int by;
    size_t length;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& s, std::ostream* os) { *os << s.socket << " by " << s.by << ", " << s.length << " bytes"; }

constexpr int kOtherIndex = 1000;  // an interface of the list that nothing answered on

// Every UDP socket of the window sends into `sent` and sees two broadcast
// interfaces: the loopback interface (as if it could broadcast) and another.
void ReplaceSends(WritesApp& app, std::vector<Sent>& sent) {
    for (SocketControl* s : {app.form.UDP8888, app.form.UDP8890, app.form.UDPsck}) {
        const std::string name = s->objectName().toStdString();
        s->calls.broadcastInterfaces = [] {
            return std::vector<SocketControl::BroadcastInterface>{{"other0", htonl(0x0A000001), kOtherIndex},
                                                                  {"lo", htonl(INADDR_LOOPBACK), static_cast<int>(if_nametoindex("lo"))}};
        };
        s->calls.sendMessage = [&sent, name](int, const msghdr* m, int) -> ssize_t {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(CMSG_FIRSTHDR(m)), sizeof info);
            sent.push_back({name, info.ipi_ifindex, m->msg_iov[0].iov_len});
            return static_cast<ssize_t>(m->msg_iov[0].iov_len);
        };
        s->calls.sendTo = [&sent, name](int, const void*, size_t n, int, const sockaddr*, socklen_t) -> ssize_t {
            sent.push_back({name, 0, n});
            return static_cast<ssize_t>(n);
        };
    }
}

}  // namespace

TEST(CommandChannel, ADevicesRequestsLeaveByItsInterfaceAndSearchesByEvery) {
    WritesApp app;
    std::vector<Sent> sent;
    ReplaceSends(app, sent);
    const int lo = static_cast<int>(if_nametoindex("lo"));
    ASSERT_GT(lo, 0);

    // Device 1 answers a search on the loopback interface, as a device of a
    // LAN answers on that LAN's interface; the receiver notes it.
    ASSERT_TRUE(app.form.UDP8888->Bind(kNetworkSearchLocalPort));
    LoopbackUdp device;
    for (int p = 0; p < 3; ++p) device.Send(kNetworkSearchLocalPort, PageBytes(UsualRecord(1), p));
    ASSERT_TRUE(WaitUntil([&] { return app.entry(1).ReceivedPages == 7; }, 10));
    EXPECT_EQ(app.entry(1).InterfaceIndex, lo);
    EXPECT_EQ(app.entry(1).InterfaceName, "lo");
    app.form.UDP8888->Close();
    // Device 2 came in by an interface that is gone now; device 3 by one the
    // system did not name.
    app.Add(UsualRecord(2));
    app.entry(2).InterfaceIndex = 4242;
    app.entry(2).InterfaceName = "usb0";
    app.Add(UsualRecord(3));
    app.entry(3).InterfaceIndex = 0;
    app.entry(3).InterfaceName.clear();
    ASSERT_EQ(Writable(app.state.Devices)->DeviceCount, 3);
    ui::SetText(app.c("txtIPaddr"), "255.255.255.255");

    // Devices 2 and 3 get nothing at all: the route could carry the write,
    // which holds the password, onto another network.
    struct Case {
        int16_t device;
        bool reached;
    };
    for (const Case& c : {Case{1, true}, Case{2, false}, Case{3, false}}) {
        SCOPED_TRACE(c.device);
        sent.clear();
        app.state.SelectedDevice = c.device;
        for (const int16_t type : {ClearConfigBuffer, WriteConfig, ResetDevice, UpdateTransfer})
            EXPECT_EQ(app.commands.SendDeviceCommand("255.255.255.255", type, c.device), c.reached) << type;
        EXPECT_EQ(sent, c.reached ? (std::vector<Sent>{{"UDP8890", lo, 59},
                                                       {"UDP8890", lo, 1031},
                                                       {"UDP8890", lo, 1007},
                                                       {"UDP8890", lo, 59},
                                                       {"UDPsck", lo, kModuleRecordSize}})
                                  : std::vector<Sent>{});
        const std::string refusal = c.reached ? "" : "Not updated: the interface this device answered on is gone; search again";
        EXPECT_EQ(app.form.session.RequestRefusal(c.device, "255.255.255.255"), refusal);
        // A request to one address, to a network's broadcast address, or to
        // 255.255.255.255 with every interface off leaves by the device's
        // interface too, never by the route.
        for (const bool every : {true, false}) {
            app.form.session.BroadcastOnEveryInterface(every);
            for (const char* host : {"192.168.1.30", "192.168.1.255", "255.255.255.255"}) {
                SCOPED_TRACE(host);
                sent.clear();
                EXPECT_EQ(app.form.session.RequestRefusal(c.device, host), refusal);
                EXPECT_EQ(app.commands.SendDeviceCommand(host, ClearConfigBuffer, c.device), c.reached);
                EXPECT_EQ(sent, (c.reached ? std::vector<Sent>{{"UDP8890", lo, 59}} : std::vector<Sent>{}));
            }
        }
        app.form.session.BroadcastOnEveryInterface(true);
    }

    // The module query and the search still go out on every interface.
    sent.clear();
    EXPECT_TRUE(app.commands.SendDeviceCommand("255.255.255.255", UpdateQuery, 0));
    EXPECT_TRUE(app.commands.SendDeviceCommand("255.255.255.255", SearchNetwork, 0));
    EXPECT_EQ(sent, (std::vector<Sent>{{"UDPsck", kOtherIndex, kModuleRecordSize},
                                       {"UDPsck", lo, kModuleRecordSize},
                                       {"UDP8888", kOtherIndex, 23},
                                       {"UDP8888", lo, 23}}));
    for (SocketControl* s : {app.form.UDP8888, app.form.UDP8890, app.form.UDPsck}) s->Close();
}
