// Which interfaces the socket facade knows of, and which one a datagram or a
// connection leaves by: the interface lists and the sends are replaced, or
// everything stays on 127.0.0.1, so nothing reaches a network.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/socket_control.h"
#include "toolkit/socket_test_support.h"

using cobalin::testing::LoopbackListener;
using cobalin::testing::SpinUntil;
using cobalin::ui::SocketControl;

namespace {
// "192.168.1.250" of an address in network order.
std::string Dotted(uint32_t address) {
    char text[INET_ADDRSTRLEN];
    in_addr a{address};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}
}  // namespace

TEST(SocketControl, InterfacesThatCanBroadcastAndInterfacesThatAreUp) {
    // A getifaddrs list as the system gives it, one entry per address.
    struct Entry {
        const char* name;
        int family;
        unsigned flags;
        const char* address;
        bool broadcast;
    };
    const Entry entries[] = {
        {"lo", AF_INET, IFF_UP | IFF_LOOPBACK, "127.0.0.1", false},
        {"eth0", AF_INET, IFF_UP | IFF_BROADCAST, "192.168.1.250", true},
        {"eth0", AF_INET, IFF_UP | IFF_BROADCAST, "192.168.7.250", true},  // a second address: still one send
        {"eth0", AF_INET6, IFF_UP | IFF_BROADCAST, nullptr, false},
        {"eth1", AF_INET, IFF_BROADCAST, "10.0.0.2", true},                    // down
        {"tun0", AF_INET, IFF_UP | IFF_POINTOPOINT, "10.8.0.2", false},      // no broadcast
        {"usb0", AF_INET, IFF_UP | IFF_BROADCAST, "172.16.0.9", false},        // flag without an address
        {"noaddr", AF_INET, IFF_UP | IFF_BROADCAST, nullptr, true},
        {"wlan0", AF_INET, IFF_UP | IFF_BROADCAST | IFF_RUNNING, "192.168.2.250", true},
    };
    constexpr size_t n = std::size(entries);
    std::vector<ifaddrs> list(n);
    std::vector<sockaddr_in> addresses(n), broadcasts(n);
    std::vector<sockaddr_in6> v6(n);
    for (size_t i = 0; i < n; ++i) {
        const Entry& e = entries[i];
        ifaddrs& a = list[i];
        a = {};
        a.ifa_next = i + 1 < n ? &list[i + 1] : nullptr;
        a.ifa_name = const_cast<char*>(e.name);
        a.ifa_flags = e.flags;
        if (e.family == AF_INET6) {
            v6[i].sin6_family = AF_INET6;
            a.ifa_addr = reinterpret_cast<sockaddr*>(&v6[i]);
        } else if (e.address) {
            addresses[i].sin_family = AF_INET;
            inet_pton(AF_INET, e.address, &addresses[i].sin_addr);
            a.ifa_addr = reinterpret_cast<sockaddr*>(&addresses[i]);
        }
        if (e.broadcast) {
            broadcasts[i].sin_family = AF_INET;
            a.ifa_broadaddr = reinterpret_cast<sockaddr*>(&broadcasts[i]);
        }
    }
    std::vector<std::string> got;
    for (const auto& i : SocketControl::BroadcastInterfaces(list.data())) got.push_back(i.name + " " + Dotted(i.address));
    EXPECT_EQ(got, (std::vector<std::string>{"eth0 192.168.1.250", "wlan0 192.168.2.250"}));
    EXPECT_TRUE(SocketControl::BroadcastInterfaces(nullptr).empty());
    // Every interface that is up and has an IPv4 address, of any kind, may
    // carry one device's requests.
    got.clear();
    for (const auto& i : SocketControl::UpInterfaces(list.data())) got.push_back(i.name + " " + Dotted(i.address));
    EXPECT_EQ(got, (std::vector<std::string>{"lo 127.0.0.1", "eth0 192.168.1.250", "tun0 10.8.0.2", "usb0 172.16.0.9",
                                             "wlan0 192.168.2.250"}));
    EXPECT_TRUE(SocketControl::UpInterfaces(nullptr).empty());
}

// Where a datagram leaves, with the interface lists and both sends
// replaced: nothing reaches the network. A search leaves by every interface
// that can broadcast (or by the route); a request for one device leaves by
// the interface the device answered on and no other, whatever the
// destination and the mode, and is not sent at all when that interface is
// gone (or, for 255.255.255.255, can no longer broadcast), as ReachesBy says
// beforehand: the route could carry its password onto another network.
TEST(SocketControl, ADevicesRequestLeavesByItsInterfaceOnly) {
    using Interface = SocketControl::Interface;
    struct Case {
        const char* what;
        const char* host;
        bool everyInterface;
        std::optional<Interface> via;  // none: a plain SendData
        std::vector<int> byInterface;  // the interfaces sent by, in order
        int byRoute;                   // sends left to the route
    };
    const Interface eth0{7, "eth0"}, eth1{9, "eth1"}, tun0{3, "tun0"}, gone{8, "usb0"};
    const Case cases[] = {
        {"search", "255.255.255.255", true, std::nullopt, {7, 9}, 0},
        {"device on eth1", "255.255.255.255", true, eth1, {9}, 0},
        {"device on eth0", "255.255.255.255", true, eth0, {7}, 0},
        {"interface gone", "255.255.255.255", true, gone, {}, 0},
        {"index now another's", "255.255.255.255", true, Interface{9, "usb0"}, {}, 0},
        {"cannot broadcast any more", "255.255.255.255", true, tun0, {}, 0},
        {"none recorded", "255.255.255.255", true, Interface{}, {}, 0},
        {"routed only", "255.255.255.255", false, eth1, {9}, 0},
        {"routed only, interface gone", "255.255.255.255", false, gone, {}, 0},
        {"routed only, search", "255.255.255.255", false, std::nullopt, {}, 1},
        {"one address", "192.168.2.21", true, eth1, {9}, 0},
        {"one address, routed only", "192.168.2.21", false, eth1, {9}, 0},
        {"one address by a link that cannot broadcast", "10.8.0.1", true, tun0, {3}, 0},
        {"one address, interface gone", "192.168.2.21", true, gone, {}, 0},
        {"one address, index now another's", "192.168.2.21", true, Interface{7, "eth1"}, {}, 0},
        {"one address, none recorded", "192.168.2.21", true, Interface{}, {}, 0},
        {"one address, search", "192.168.2.21", true, std::nullopt, {}, 1},
        {"a network", "192.168.2.255", true, eth1, {9}, 0},
        {"a network, routed only", "192.168.2.255", false, eth1, {9}, 0},
        {"a network, interface gone", "192.168.2.255", false, gone, {}, 0},
    };
    const std::map<int, uint32_t> own = {{7, 0xC0A801FA}, {9, 0xC0A802FA}, {3, 0x0A080002}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SocketControl s("UDPone");
        std::vector<int> byInterface;
        std::vector<uint32_t> sources;
        int byRoute = 0;
        s.calls.broadcastInterfaces = [] {
            return std::vector<SocketControl::BroadcastInterface>{{"eth0", htonl(0xC0A801FA), 7}, {"eth1", htonl(0xC0A802FA), 9}};
        };
        s.calls.upInterfaces = [] {
            return std::vector<SocketControl::BroadcastInterface>{
                {"tun0", htonl(0x0A080002), 3}, {"eth0", htonl(0xC0A801FA), 7}, {"eth1", htonl(0xC0A802FA), 9}};
        };
        s.calls.sendMessage = [&](int, const msghdr* m, int) -> ssize_t {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(CMSG_FIRSTHDR(m)), sizeof info);
            byInterface.push_back(info.ipi_ifindex);
            sources.push_back(ntohl(info.ipi_spec_dst.s_addr));
            return static_cast<ssize_t>(m->msg_iov[0].iov_len);
        };
        s.calls.sendTo = [&](int, const void*, size_t n, int, const sockaddr*, socklen_t) -> ssize_t {
            ++byRoute;
            return static_cast<ssize_t>(n);
        };
        ASSERT_TRUE(s.Bind(0));
        s.everyInterface = c.everyInterface;
        s.RemoteHost = c.host;
        s.RemotePort = 8890;
        const bool sent = !c.byInterface.empty() || c.byRoute > 0;
        if (c.via) {
            EXPECT_EQ(s.ReachesBy(c.host, *c.via), sent);
        }
        EXPECT_EQ(c.via ? s.SendData("request", *c.via) : s.SendData("request"), sent);
        EXPECT_EQ(byInterface, c.byInterface);
        EXPECT_EQ(byRoute, c.byRoute);
        for (size_t i = 0; i < sources.size(); ++i)
            EXPECT_EQ(sources[i], own.at(byInterface[i])) << "the interface's own address";
    }
}

// The baud-rate connection of one device is bound to the interface the
// device answered on (SO_BINDTODEVICE), so it never takes another network's
// route; with that interface gone it is never attempted.
TEST(SocketControl, AConnectionForOneDeviceIsBoundToItsInterface) {
    sockaddr_in a{};
    const int listener = LoopbackListener(a);
    ASSERT_GE(listener, 0);
    const int lo = static_cast<int>(if_nametoindex("lo"));
    ASSERT_GT(lo, 0);

    struct Case {
        const char* what;
        SocketControl::Interface via;
        std::vector<std::string> bound;  // the SO_BINDTODEVICE names set
        int state;
    };
    const Case cases[] = {
        {"its interface", {lo, "lo"}, {"lo"}, SocketControl::kConnected},
        {"gone", {lo + 1000, "usb0"}, {}, SocketControl::kError},
        {"index now another's", {lo, "usb0"}, {}, SocketControl::kError},
        {"none recorded", {}, {}, SocketControl::kError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SocketControl tcp("TCP5300Cmd");
        tcp.protocol = SocketControl::Protocol::TCP;
        std::vector<std::string> bound;
        tcp.calls.setOption = [&bound](int fd, int level, int option, const void* value, socklen_t length) {
            if (level == SOL_SOCKET && option == SO_BINDTODEVICE)
                bound.emplace_back(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
            return ::setsockopt(fd, level, option, value, length);
        };
        tcp.Connect("127.0.0.1", ntohs(a.sin_port), c.via);
        SpinUntil([&] { return tcp.State() == SocketControl::kConnected || tcp.State() == SocketControl::kError; });
        EXPECT_EQ(tcp.State(), c.state);
        EXPECT_EQ(bound, c.bound);
        if (c.state == SocketControl::kConnected) {
            const int peer = accept(listener, nullptr, nullptr);
            ASSERT_GE(peer, 0);
            close(peer);
        }
        tcp.Close();
    }
    close(listener);
}
