#include "core/ping.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace cobalin;

namespace {

uint32_t Addr(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

// An IPv4 header (20 bytes, protocol ICMP) from src to dst, then the ICMP bytes.
std::vector<uint8_t> Ip(uint32_t src, uint32_t dst, const std::vector<uint8_t>& icmp) {
    std::vector<uint8_t> p(20, 0);
    p[0] = 0x45;
    p[9] = 1;
    std::memcpy(&p[12], &src, 4);
    std::memcpy(&p[16], &dst, 4);
    p.insert(p.end(), icmp.begin(), icmp.end());
    return p;
}

std::vector<uint8_t> Reply(uint16_t id, uint16_t seq) {
    auto r = BuildEchoRequest(id, seq, kPingPayload);
    r[0] = 0;
    return r;
}

// An ICMP error of type/code quoting our request (IP header + ICMP header).
std::vector<uint8_t> Error(uint8_t type, uint8_t code, uint32_t pc, uint32_t target, uint16_t id, uint16_t seq) {
    std::vector<uint8_t> e = {type, code, 0, 0, 0, 0, 0, 0};
    const auto quoted = Ip(pc, target, BuildEchoRequest(id, seq, kPingPayload));
    e.insert(e.end(), quoted.begin(), quoted.begin() + 28);
    return e;
}

}  // namespace

TEST(Ping, AddressToLong) {
    struct Case {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"192.168.1.7", Addr(192, 168, 1, 7)},
        {"10.0.0", 0},                            // fewer than four parts
        {"", 0},
        {"192.168.1.300", Addr(192, 168, 1, 44)},  // each part modulo 256
        {"1.2.3.4.5", Addr(1, 2, 3, 4)},          // the fourth part reads up to its dot
        {"a.b.c.d", 0},
        {"0.0.0.0", 0},
        {" 10. 0.0.1 ", Addr(10, 0, 0, 1)},
    };
    for (const auto& c : cases) EXPECT_EQ(AddressToLong(c.text), c.value) << c.text;
    // The bytes in memory are the address in network order.
    const uint32_t v = AddressToLong("192.168.1.7");
    const auto* b = reinterpret_cast<const uint8_t*>(&v);
    EXPECT_EQ(b[0], 0xC0);
    EXPECT_EQ(b[1], 0xA8);
    EXPECT_EQ(b[2], 0x01);
    EXPECT_EQ(b[3], 0x07);
}

TEST(Ping, OnlyWellFormedAddressesAreTargets) {
    EXPECT_EQ(PingTarget("192.168.1.7"), Addr(192, 168, 1, 7));
    EXPECT_EQ(PingTarget("192.168.1.255"), Addr(192, 168, 1, 255));
    for (const char* bad : {"10.0.0", "0.0.0.0", "192.168.1.300", "1.2.3.4.5", "192.168..7", "192.168.1.x", "", "-1.2.3.4"})
        EXPECT_FALSE(PingTarget(bad).has_value()) << bad;
}

TEST(Ping, StatusTexts) {
    struct Case {
        int32_t status;
        const char* text;
    } cases[] = {
        {0, "0 [ ip success ]"},
        {10, "10 [ ping timeout ]"},
        {11001, "11001 [ ip buf too_small ]"},
        {11002, "11002 [ ip dest net unreachable ]"},
        {11003, "11003 [ ip dest host unreachable ]"},
        {11004, "11004 [ ip dest prot unreachable ]"},
        {11005, "11005 [ ip dest port unreachable ]"},
        {11006, "11006 [ ip no resources ]"},
        {11007, "11007 [ ip bad option ]"},
        {11008, "11008 [ ip hw_error ]"},
        {11009, "11009 [ ip packet too_big ]"},
        {11010, "11010 [ ip req timed out ]"},
        {11011, "11011 [ ip bad req ]"},
        {11012, "11012 [ ip bad route ]"},
        {11013, "11013 [ ip ttl expired transit ]"},
        {11014, "11014 [ ip ttl expired reassem ]"},
        {11015, "11015 [ ip param_problem ]"},
        {11016, "11016 [ ip source quench ]"},
        {11017, "11017 [ ip option too_big ]"},
        {11018, "11018 [ ip bad destination ]"},
        {11019, "11019 [ ip addr deleted ]"},
        {11020, "11020 [ ip spec mtu change ]"},
        {11021, "11021 [ ip mtu_change ]"},
        {11022, "11022 [ ip unload ]"},
        {11023, "11023 [ ip addr added ]"},
        {11050, "11050 [ ip general failure ]"},
        {11255, "11255 [ ip pending ]"},
        {5, "5 [ unknown msg returned ]"},
        {11024, "11024 [ unknown msg returned ]"},
        {-1, "-1 [ unknown msg returned ]"},
    };
    for (const auto& c : cases) EXPECT_EQ(PingStatusText(c.status), c.text);
}

TEST(Ping, EchoRequestBytes) {
    const auto r = BuildEchoRequest(0x1234, 0x0102, kPingPayload);
    ASSERT_EQ(r.size(), 13u);
    EXPECT_EQ(r[0], 8);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[4], 0x12);
    EXPECT_EQ(r[5], 0x34);
    EXPECT_EQ(r[6], 0x01);
    EXPECT_EQ(r[7], 0x02);
    EXPECT_EQ(std::string(r.begin() + 8, r.end()), "Hello");
    EXPECT_EQ(InternetChecksum(r), 0);  // a packet with its checksum sums to zero
}

TEST(Ping, RecognisesTheAnswerToTheEchoInFlight) {
    const uint32_t pc = Addr(192, 168, 1, 250), target = Addr(192, 168, 1, 37), other = Addr(192, 168, 1, 36);
    const EchoInFlight echo{target, 0x4242, 7, true};
    struct Case {
        const char* what;
        std::vector<uint8_t> packet;
        bool ours;
        int32_t status;
    } cases[] = {
        {"our reply", Ip(target, pc, Reply(0x4242, 7)), true, 0},
        {"late reply of the previous address", Ip(other, pc, Reply(0x4242, 6)), false, 0},
        {"late reply of an earlier echo to this address", Ip(target, pc, Reply(0x4242, 6)), false, 0},
        {"another program's reply", Ip(target, pc, Reply(0x9999, 7)), false, 0},
        {"our own request looped back", Ip(pc, target, BuildEchoRequest(0x4242, 7, kPingPayload)), false, 0},
        {"host unreachable for us", Ip(pc, pc, Error(3, 1, pc, target, 0x4242, 7)), true, 11003},
        {"net unreachable for us", Ip(pc, pc, Error(3, 0, pc, target, 0x4242, 7)), true, 11002},
        {"port unreachable for us", Ip(pc, pc, Error(3, 3, pc, target, 0x4242, 7)), true, 11005},
        {"protocol unreachable for us", Ip(pc, pc, Error(3, 2, pc, target, 0x4242, 7)), true, 11004},
        {"ttl expired in transit", Ip(other, pc, Error(11, 0, pc, target, 0x4242, 7)), true, 11013},
        {"ttl expired in reassembly", Ip(other, pc, Error(11, 1, pc, target, 0x4242, 7)), true, 11014},
        {"parameter problem", Ip(other, pc, Error(12, 0, pc, target, 0x4242, 7)), true, 11015},
        {"source quench", Ip(other, pc, Error(4, 0, pc, target, 0x4242, 7)), true, 11016},
        {"unreachable, other code", Ip(pc, pc, Error(3, 13, pc, target, 0x4242, 7)), true, 11050},
        {"error about another address", Ip(pc, pc, Error(3, 1, pc, other, 0x4242, 7)), false, 0},
        {"error about another request", Ip(pc, pc, Error(3, 1, pc, target, 0x4242, 8)), false, 0},
        {"truncated", {0x45, 0, 0}, false, 0},
        {"empty", {}, false, 0},
    };
    for (const auto& c : cases) {
        const EchoMatch m = MatchRawPacket(c.packet, echo);
        EXPECT_EQ(m.ours, c.ours) << c.what;
        if (c.ours) {
            EXPECT_EQ(m.status, c.status) << c.what;
        }
    }
    // A truncated quote never reads past the packet.
    auto cut = Ip(pc, pc, Error(3, 1, pc, target, 0x4242, 7));
    for (size_t n = 0; n < cut.size(); ++n) EXPECT_FALSE(MatchRawPacket({cut.data(), n}, echo).ours) << n;
}

TEST(Ping, DatagramRepliesMatchByAddressAndSequence) {
    const uint32_t target = Addr(192, 168, 1, 37);
    const EchoInFlight echo{target, 0, 7, false};  // the kernel owns the identifier
    EXPECT_TRUE(MatchDatagramReply(Reply(0x5555, 7), target, echo).ours);
    EXPECT_FALSE(MatchDatagramReply(Reply(0x5555, 6), target, echo).ours);
    EXPECT_FALSE(MatchDatagramReply(Reply(0x5555, 7), Addr(192, 168, 1, 36), echo).ours);
    EXPECT_FALSE(MatchDatagramReply(BuildEchoRequest(0x5555, 7, kPingPayload), target, echo).ours);
    EXPECT_FALSE(MatchDatagramReply({}, target, echo).ours);
}

namespace cobalin {
namespace {

// The steps a sweep gives, as one line each ("wait 0.1", "echo A", "report A 0", "done").
std::vector<std::string> Sweep(int first, int last, int stopAfter) {
    PingSweep sweep("10.0.0.", first, last);
    std::vector<std::string> out;
    int reports = 0;
    for (int n = 0; n < 100; ++n) {
        const PingSweep::Step s = sweep.Next(reports >= stopAfter);
        switch (s.kind) {
            case PingSweep::Step::Wait:
                out.push_back("wait " + std::to_string(s.seconds).substr(0, 4));
                break;
            case PingSweep::Step::Echo:
                out.push_back("echo " + s.address);
                sweep.Echoed(s.address == "10.0.0.2" ? kPingSuccess : kPingTimedOut);
                break;
            case PingSweep::Step::Report:
                out.push_back("report " + s.address + " " + std::to_string(s.status));
                ++reports;
                break;
            case PingSweep::Step::Done:
                out.push_back("done");
                return out;
        }
    }
    return out;
}

TEST(PingSweep, EachAddressIsEchoedThenReportedAndAStopEndsAfterTheAddressInFlight) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Sweep(1, 2, 99), (V{"wait 0.10", "echo 10.0.0.1", "wait 0.01", "report 10.0.0.1 11010", "echo 10.0.0.2",
                                  "wait 0.01", "report 10.0.0.2 0", "done"}));
    EXPECT_EQ(Sweep(1, 3, 1), (V{"wait 0.10", "echo 10.0.0.1", "wait 0.01", "report 10.0.0.1 11010", "done"}));
    EXPECT_EQ(Sweep(5, 4, 99), (V{"wait 0.10", "done"})) << "an empty range still waits once";
}

}  // namespace
}  // namespace cobalin
