// The simulator on real sockets, seen from the PC namespace of the virtual LAN.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <memory>
#include <set>

#include "core/device_table.h"
#include "core/lan_module.h"
#include "netlab_harness.h"
#include "core/text_conversions.h"
#include "core/parameter_codec.h"

using namespace cobalin;
using namespace cobalin::e2e;

namespace {

std::string WriteLan(const std::string& name, const std::string& text) {
    const std::string path = (std::filesystem::temp_directory_path() / ("cobalin-e2e-" + name + ".conf")).string();
    std::ofstream(path) << text;
    return path;
}

std::string SampleLan() { return Env("COBALIN_SOURCE_DIR") + "/sim/sample-lan.conf"; }

// Time enough for anything the simulator sends to arrive on a loaded machine;
// waits that end on what they wait for never take it all.
constexpr double kAmple = 10;
// How long a wait for what must not come goes on: it can only miss an extra
// answer, never fail a test that should pass.
constexpr double kLinger = 0.25;

// A search from the PC that expects that many datagrams.
std::unique_ptr<DeviceStore> Search(const char* host, size_t expected, uint16_t port = 8888, uint16_t from = 8889,
                                    std::vector<Received>* raw = nullptr) {
    auto store = std::make_unique<DeviceStore>();
    UdpClient client(from);
    EXPECT_TRUE(client.bound());
    client.Send(host, port, BuildSearchRequest(port == 8888 ? SearchNetwork : SearchAddress, port));
    auto got = expected ? client.CollectAtLeast(expected, kAmple, kLinger) : client.Collect(kLinger);
    for (const auto& r : got) ReplyIntake(*store, r.data);
    if (raw) *raw = std::move(got);
    return store;
}

// Searches again until the table a search gives satisfies done (a device
// back from a restart), for at most kAmple seconds; the last table.
std::unique_ptr<DeviceStore> SearchUntil(const std::function<bool(const DeviceStore&)>& done,
                                         std::vector<Received>* raw = nullptr) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(kAmple);
    for (;;) {
        auto store = std::make_unique<DeviceStore>();
        UdpClient client(8889);
        EXPECT_TRUE(client.bound());
        client.Send("255.255.255.255", 8888, BuildSearchRequest(SearchNetwork, 8888));
        auto got = client.Collect(kLinger);
        for (const auto& r : got) ReplyIntake(*store, r.data);
        if (done(*store) || std::chrono::steady_clock::now() > end) {
            if (raw) *raw = std::move(got);
            return store;
        }
    }
}

// Clears, writes and resets the device of an entry by broadcast; the
// acknowledgements of each step, waiting for `devices` of them. Each request
// waits for the previous one's answers, as the program's own update does:
// datagrams sent back-to-back from different sockets may be taken in another
// order by a loaded two-core machine, and a clear that arrives after the
// write throws the write away.
std::array<std::vector<Received>, 3> WriteAndReset(const DeviceEntry& e, size_t devices) {
    UdpClient clear(8883), write(8884), reset(8882);
    clear.Send("255.255.255.255", 8890, BuildMaintenanceRequest(e.EchoBytes, e.Record, "clrCfgBuf"));
    auto clearAcks = clear.CollectAtLeast(devices, kAmple, kLinger);
    const auto w = BuildWriteDatagrams(e.Record);
    write.Send("255.255.255.255", 8890, w.a);
    write.Send("255.255.255.255", 8890, w.b);
    auto writeAcks = write.CollectAtLeast(devices, kAmple, kLinger);
    reset.Send("255.255.255.255", 8890, BuildMaintenanceRequest(e.EchoBytes, e.Record, "reset"));
    return {std::move(clearAcks), std::move(writeAcks), reset.CollectAtLeast(devices, kAmple, kLinger)};
}

std::string Decoded(const DeviceEntry& e, size_t row) {
    ParameterTextArray t;
    DecodeRecord(e.Record, t);
    return t[row];
}

}  // namespace

TEST(SimulatorE2E, BroadcastSearchReachesEveryDevice) {
    SimProcess sim(SampleLan());
    ASSERT_TRUE(sim.ready()) << sim.errors();
    for (const char* host : {"255.255.255.255", "192.168.1.255"}) {
        std::vector<Received> raw;
        auto store = Search(host, 13 * 3 + 1, 8888, 8889, &raw);
        EXPECT_EQ(store->DeviceCount, 14) << host;
        EXPECT_EQ(raw.size(), 13u * 3 + 1) << host;
        std::map<std::string, std::string> sourceOf;
        for (const auto& r : raw) {
            EXPECT_EQ(r.fromPort, 8888);
            sourceOf[r.data.size() == 98 ? FormatMac(r.data.data() + 56) : FormatMac(r.data.data() + 1)] = r.from;
        }
        for (int16_t i = 1; i <= store->DeviceCount; ++i) {
            const DeviceEntry& e = store->DeviceTable[static_cast<size_t>(i)];
            EXPECT_EQ(Decoded(e, 4), sourceOf[e.MacText]) << "each device answers from its own address";
        }
    }
    // The LAN modules answer the module query, and their record attaches.
    auto store = Search("255.255.255.255", 13 * 3 + 1);
    UdpClient module(8888);
    module.Send("255.255.255.255", kModulePort, BuildModuleQuery());
    int attached = 0;
    for (const auto& r : module.CollectAtLeast(2, kAmple, kLinger)) attached += ModuleReplyIntake(*store, r.data) > 0;
    EXPECT_EQ(attached, 2);
    EXPECT_EQ(Decoded(store->DeviceTable[12], 30), "Zenta LM");
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimulatorE2E, AddressSearchAnswersOnlyThatDevice) {
    SimProcess sim(SampleLan());
    ASSERT_TRUE(sim.ready()) << sim.errors();
    auto store = Search("192.168.1.31", 3, 8890, 8891);
    ASSERT_EQ(store->DeviceCount, 1);
    EXPECT_EQ(Decoded(store->DeviceTable[1], 0), "Rack 1");
    EXPECT_EQ(Search("192.168.1.255", 0, 8890, 8891)->DeviceCount, 0) << "8890 answers only its own address";
}

TEST(SimulatorE2E, WriteThenResetChangesTheAnswer) {
    SimProcess sim(WriteLan("write", "[device]\nmac=02:00:00:00:01:01\nip=192.168.1.20\nname=Before\nrestart=2\n"
                                     "[device]\nmac=02:00:00:00:01:02\nip=192.168.1.21\nname=Other\n"));
    ASSERT_TRUE(sim.ready()) << sim.errors();
    auto store = Search("255.255.255.255", 6);
    ASSERT_EQ(store->DeviceCount, 2);
    ParameterTextArray texts;
    ApplyParameter(*store, texts, 0, "After", 1);
    ApplyParameter(*store, texts, 4, "192.168.1.77", 1);
    const DeviceEntry& e = store->DeviceTable[1];

    // Once the reset is acknowledged, a search asked at once, well inside the
    // two seconds the reset keeps the device silent, finds the other alone.
    const auto [clearAcks, writeAcks, resetAcks] = WriteAndReset(e, 1);
    auto during = Search("255.255.255.255", 3);
    EXPECT_EQ(during->DeviceCount, 1) << "silent while restarting";
    for (const auto& acks : {clearAcks, writeAcks, resetAcks}) {
        ASSERT_EQ(acks.size(), 1u);
        EXPECT_TRUE(IsAcknowledgement(acks[0].data));
        EXPECT_EQ(acks[0].from, "192.168.1.20");
        EXPECT_EQ(FormatMac(acks[0].data.data() + 1), "02:00:00:00:01:01");
    }
    std::vector<Received> raw;
    // Both back, the written one with its new name: a search that catches a
    // late answer from before the restart does not end the wait.
    auto after = SearchUntil(
        [](const DeviceStore& s) {
            return s.DeviceCount == 2 && (Decoded(s.DeviceTable[1], 0) == "After" || Decoded(s.DeviceTable[2], 0) == "After");
        },
        &raw);
    ASSERT_EQ(after->DeviceCount, 2);
    const int16_t changed = after->DeviceTable[1].MacText == "02:00:00:00:01:01" ? 1 : 2;
    EXPECT_EQ(Decoded(after->DeviceTable[static_cast<size_t>(changed)], 0), "After");
    EXPECT_EQ(Decoded(after->DeviceTable[static_cast<size_t>(changed)], 4), "192.168.1.77");
    std::set<std::string> sources;
    for (const auto& r : raw) sources.insert(r.from);
    EXPECT_TRUE(sources.count("192.168.1.77")) << "answers from its new address";
}

TEST(SimulatorE2E, ModuleUpdateIsApplied) {
    SimProcess sim(WriteLan("module", "[device]\nmac=02:00:00:00:02:01\nip=192.168.1.40\nname=Module\nmodule=yes\nrestart=0.5\n"));
    ASSERT_TRUE(sim.ready()) << sim.errors();
    auto store = Search("255.255.255.255", 3);
    UdpClient module(8888);
    module.Send("255.255.255.255", kModulePort, BuildModuleQuery());
    for (const auto& r : module.CollectAtLeast(1, kAmple, kLinger)) ModuleReplyIntake(*store, r.data);
    ASSERT_EQ(store->DeviceTable[1].FormatTag, RecordFormat::WithModule);
    ParameterTextArray texts;
    ApplyParameter(*store, texts, 0, "Renamed", 1);
    module.Send("255.255.255.255", kModulePort, store->LanModuleTable[1].Record);
    // Silent while it restarts, then back with the new name.
    const auto back = SearchUntil([](const DeviceStore& s) { return s.DeviceCount == 1 && Decoded(s.DeviceTable[1], 0) == "Renamed"; });
    EXPECT_EQ(Decoded(back->DeviceTable[1], 0), "Renamed");
}

TEST(SimulatorE2E, FaultModes) {
    SimProcess sim(WriteLan("faults",
        "[device]\nmac=02:00:00:00:03:01\nip=192.168.1.61\ndrop=1\n"
        "[device]\nmac=02:00:00:00:03:02\nip=192.168.1.62\nduplicate=yes\n"
        "[device]\nmac=02:00:00:00:03:03\nip=192.168.1.63\ntruncate=500\n"
        "[device]\nmac=02:00:00:00:03:04\nip=192.168.1.64\nsilent=yes\n"
        "[device]\nmac=02:00:00:00:03:05\nip=192.168.1.65\nreorder=yes\n"
        "[device]\nmac=02:00:00:00:03:06\nip=192.168.1.66\nmalformed=30\nflood=200\n"
        "[device]\nmac=02:00:00:00:03:07\nip=192.168.1.67\ndelay=3\n"),
        {"--burst"});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    UdpClient client(8889);
    ASSERT_TRUE(client.bound());
    client.Send("255.255.255.255", 8888, BuildSearchRequest(SearchNetwork, 8888));
    // Every answer but the late device's: 2 + 6 + 3 + 3 + (3 + 30 + 200).
    constexpr size_t kPrompt = 2 + 6 + 3 + 3 + 233;
    const auto raw = client.CollectUntil([](const auto& got) { return got.size() >= kPrompt; }, 20);
    ASSERT_EQ(raw.size(), kPrompt);
    std::map<std::string, std::vector<size_t>> sizes;
    std::map<std::string, std::vector<const Received*>> from;
    for (const auto& r : raw) sizes[r.from].push_back(r.data.size()), from[r.from].push_back(&r);
    EXPECT_EQ(sizes["192.168.1.61"], (std::vector<size_t>{1008, 845}));
    EXPECT_EQ(sizes["192.168.1.62"], (std::vector<size_t>{1008, 1008, 982, 982, 845, 845}));
    EXPECT_EQ(sizes["192.168.1.63"], (std::vector<size_t>{500, 500, 500}));
    EXPECT_EQ(sizes.count("192.168.1.64"), 0u);
    EXPECT_EQ(sizes["192.168.1.65"], (std::vector<size_t>{845, 982, 1008}));
    ASSERT_EQ(sizes["192.168.1.66"].size(), 3u + 30 + 200);
    EXPECT_EQ(sizes.count("192.168.1.67"), 0u) << "answers only after its delay";

    // What each fault gives in the table: a whole page 0 or a page 1 or 2
    // makes an entry; truncated pages are refused; malformed pages and the
    // flood add nothing and change nothing.
    auto store = std::make_unique<DeviceStore>();
    for (const auto& r : raw) ReplyIntake(*store, r.data);
    std::map<std::string, const DeviceEntry*> entries;
    for (int16_t i = 1; i <= store->DeviceCount; ++i) entries[store->DeviceTable[static_cast<size_t>(i)].MacText] = &store->DeviceTable[static_cast<size_t>(i)];
    EXPECT_EQ(store->DeviceCount, 4);
    struct Expect { const char* mac; const char* ip; bool page1; };
    for (const Expect e : {Expect{"02:00:00:00:03:01", "192.168.1.61", false}, Expect{"02:00:00:00:03:02", "192.168.1.62", true},
                           Expect{"02:00:00:00:03:05", "192.168.1.65", true}, Expect{"02:00:00:00:03:06", "192.168.1.66", true}}) {
        ASSERT_TRUE(entries.count(e.mac)) << e.mac;
        const DeviceEntry& d = *entries[e.mac];
        EXPECT_EQ(d.FormatTag, RecordFormat::Paged) << e.mac;
        EXPECT_EQ(Decoded(d, 4), e.ip) << e.mac;
        EXPECT_EQ(d.Record[kPages[1].recordOffset], e.page1 ? kPageMark : 0) << e.mac << ": page 1";
        EXPECT_EQ(d.Record[kPages[2].recordOffset], kPageMark) << e.mac << ": page 2";
    }
    // The noisy device's entry holds exactly its own three pages.
    const auto& noisy = from["192.168.1.66"];
    const DeviceEntry& six = *entries["02:00:00:00:03:06"];
    for (size_t page = 0; page < 3; ++page)
        EXPECT_TRUE(std::equal(noisy[page]->data.begin(), noisy[page]->data.end(),
                               six.Record.begin() + static_cast<long>(kPages[page].recordOffset))) << page;

    // The late device answers after its delay, with all its pages.
    const auto late = client.CollectUntil([](const auto& got) { return got.size() >= 3; }, 20);
    std::vector<size_t> lateSizes;
    for (const auto& r : late) {
        EXPECT_EQ(r.from, "192.168.1.67");
        lateSizes.push_back(r.data.size());
        ReplyIntake(*store, r.data);
    }
    EXPECT_EQ(lateSizes, (std::vector<size_t>{1008, 982, 845}));
    EXPECT_EQ(store->DeviceCount, 5);
    EXPECT_EQ(store->DeviceTable[5].MacText, "02:00:00:00:03:07");
}

TEST(SimulatorE2E, CaptureLogShowsWhatArrived) {
    const std::string capture = (std::filesystem::temp_directory_path() / "cobalin-e2e-capture.log").string();
    std::filesystem::remove(capture);
    SimProcess sim(SampleLan(), {"--capture", capture});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    Search("255.255.255.255", 13 * 3 + 1);
    sim.Stop();
    std::ifstream in(capture);
    std::string t, proto, src, arrow, dst, hex;
    size_t length = 0;
    ASSERT_TRUE(in >> t >> proto >> src >> arrow >> dst >> length >> hex);
    EXPECT_EQ(proto, "UDP");
    EXPECT_EQ(src, "192.168.1.250:8889");
    EXPECT_EQ(dst, "255.255.255.255:8888");
    EXPECT_EQ(length, 23u);
    EXPECT_EQ(hex, "54657373616C792044617461636F6D6D20436F72702E00");
}

TEST(SimulatorE2E, ClearErrors) {
    SimProcess bad(WriteLan("bad", "[device]\nmac=02:00:00:00:04:01\nip=192.168.1.300\n"));
    EXPECT_FALSE(bad.ready());
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_NE(bad.errors().find(":3: bad value '192.168.1.300' for ip"), std::string::npos) << bad.errors();

    SimProcess first(SampleLan());
    ASSERT_TRUE(first.ready());
    SimProcess second(SampleLan());
    EXPECT_FALSE(second.ready());
    EXPECT_EQ(second.Wait(), 3);
    EXPECT_NE(second.errors().find("cannot bind UDP port 8888"), std::string::npos) << second.errors();
}

TEST(SimulatorE2E, TwoHundredFiftyFiveDevicesInABurst) {
    SimProcess sim(WriteLan("many", "[device]\ncount=255\nmac=02:00:00:00:10:00\nip=192.168.1.1\n"), {"--burst"});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    UdpClient client(8889);
    ASSERT_TRUE(client.bound());
    client.Send("255.255.255.255", 8888, BuildSearchRequest(SearchNetwork, 8888));
    // Until a page of every device has come: a burst this long may lose a
    // datagram in the network stack, which the table does not need.
    auto got = client.CollectUntil([](const std::vector<Received>& g) {
        std::set<Bytes> macs;
        for (const auto& r : g)
            if (r.data.size() >= 7) macs.insert(Bytes(r.data.begin() + 1, r.data.begin() + 7));
        return macs.size() >= 255;
    }, kAmple);
    for (auto& r : client.Collect(kLinger)) got.push_back(std::move(r));
    auto store = std::make_unique<DeviceStore>();
    for (const auto& r : got) ReplyIntake(*store, r.data);
    EXPECT_EQ(store->DeviceCount, 255);
}

namespace {

// The server name a page-0 datagram carries (record bytes 10-25).
std::string NameIn(const Bytes& page0) {
    const char* name = reinterpret_cast<const char*>(page0.data()) + 10;
    return std::string(name, strnlen(name, 16));
}

// Addresses earlier simulators of this LAN added stay on its interface: only
// the given LAN's devices answer after this.
void FreshLan() { ASSERT_EQ(std::system((Env("COBALIN_NETLAB") + " exec lan ip -4 addr flush dev lan0").c_str()), 0); }

// Whether the LAN namespace drops datagrams whose source it has no route
// back to (rp_filter, which new namespaces take from the host).
bool LanFiltersByReversePath() {
    const std::string command = Env("COBALIN_NETLAB") + " exec lan cat /proc/sys/net/ipv4/conf/all/rp_filter"
                                " /proc/sys/net/ipv4/conf/lan0/rp_filter";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return true;
    int all = 1, lan0 = 1;
    const bool read = std::fscanf(p, "%d %d", &all, &lan0) == 2;
    pclose(p);
    return !read || all != 0 || lan0 != 0;
}

}  // namespace

// A device whose address lies outside the PC's subnet answers on the PC's
// wire all the same: the broadcast search and a search sent to its address.
// The LAN namespace has no route to the PC for it; it answers out of the
// interface the request came in by. Alone in its LAN, nothing at all routes
// back to the PC.
TEST(SimulatorE2E, ADeviceOutsideThePcsSubnetAnswersOnThePcsWire) {
    const std::string elsewhere = "[device]\nmac=02:00:00:00:05:01\nip=10.0.0.5\nnetmask=255.0.0.0\ngateway=10.0.0.1\n"
                                  "name=Elsewhere\n";
    const struct {
        const char* name;
        std::string lan;
        std::map<std::string, std::set<std::string>> sources;  // by MAC
    } cases[] = {
        {"beside a device of the PC's subnet", elsewhere + "[device]\nmac=02:00:00:00:05:02\nip=192.168.1.71\nname=Home\n",
         {{"02:00:00:00:05:01", {"10.0.0.5"}}, {"02:00:00:00:05:02", {"192.168.1.71"}}}},
        {"alone", elsewhere, {{"02:00:00:00:05:01", {"10.0.0.5"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.sources.size() == 1 && LanFiltersByReversePath()) {
            std::printf("skipped \"%s\": the LAN namespace filters by reverse path\n", c.name);
            continue;
        }
        FreshLan();
        SimProcess sim(WriteLan("elsewhere", c.lan));
        ASSERT_TRUE(sim.ready()) << sim.errors();
        std::vector<Received> raw;
        auto store = Search("255.255.255.255", 3 * c.sources.size(), 8888, 8889, &raw);
        EXPECT_EQ(store->DeviceCount, static_cast<int16_t>(c.sources.size()));
        std::map<std::string, std::set<std::string>> sources;
        for (const auto& r : raw) sources[FormatMac(r.data.data() + 1)].insert(r.from);
        EXPECT_EQ(sources, c.sources);
        auto own = Search("10.0.0.5", 3, 8890, 8891);
        ASSERT_EQ(own->DeviceCount, 1);
        EXPECT_EQ(Decoded(own->DeviceTable[1], 0), "Elsewhere");
        EXPECT_EQ(sim.Stop(), 0) << sim.errors();
    }
}

// Two devices with one MAC: each answers from its own address with its own
// record, and both take a clear, a write and a reset for that MAC.
TEST(SimulatorE2E, TwoDevicesWithOneMacAnswerAndTakeWritesEach) {
    FreshLan();
    SimProcess sim(WriteLan("shared", "[defaults]\nrestart=1\npage_gap=0.005\n"
                                      "[device]\nmac=02:00:00:00:06:01\nip=192.168.1.81\nname=First\n"
                                      "[device]\nmac=02:00:00:00:06:01\nip=192.168.1.82\nname=Second\n"));
    ASSERT_TRUE(sim.ready()) << sim.errors();
    std::vector<Received> raw;
    auto store = Search("255.255.255.255", 6, 8888, 8889, &raw);
    ASSERT_EQ(raw.size(), 6u);
    std::vector<std::string> wire;  // the pages as they came: source and page
    std::map<std::string, std::string> nameFrom;
    for (const auto& r : raw) {
        EXPECT_EQ(FormatMac(r.data.data() + 1), "02:00:00:00:06:01");
        wire.push_back(r.from + "/" + std::to_string(r.data[7]));
        if (r.data[7] == 0) nameFrom[r.from] = NameIn(r.data);
    }
    EXPECT_EQ(wire, (std::vector<std::string>{"192.168.1.81/0", "192.168.1.82/0", "192.168.1.81/1", "192.168.1.82/1",
                                              "192.168.1.81/2", "192.168.1.82/2"}))
        << "the two devices' pages interleave";
    EXPECT_EQ(nameFrom, (std::map<std::string, std::string>{{"192.168.1.81", "First"}, {"192.168.1.82", "Second"}}));
    EXPECT_EQ(store->DeviceCount, 1) << "the program's table files both under one MAC";

    const DeviceEntry& e = store->DeviceTable[1];
    ParameterTextArray texts;
    ApplyParameter(*store, texts, PagedRow::ServerName, "Both", 1);
    const auto [clearAcks, writeAcks, resetAcks] = WriteAndReset(e, 2);
    for (const auto& acks : {clearAcks, writeAcks, resetAcks}) {
        std::set<std::string> from;
        for (const auto& a : acks) from.insert(a.from);
        EXPECT_EQ(from, (std::set<std::string>{"192.168.1.81", "192.168.1.82"})) << "both acknowledge";
        EXPECT_EQ(acks.size(), 2u);
    }
    // Both come back with the record written, the second's address included:
    // the first one's own is gone.
    std::vector<Received> after;
    SearchUntil([](const DeviceStore& s) { return s.DeviceCount == 1 && Decoded(s.DeviceTable[1], 0) == "Both"; }, &after);
    std::multiset<std::string> names;
    for (const auto& r : after)
        if (r.data.size() == 1008) names.insert(r.from + " " + NameIn(r.data));
    EXPECT_EQ(names, (std::multiset<std::string>{"192.168.1.82 Both", "192.168.1.82 Both"}));
}

// A device that keeps its values and loses page 0 after its restart.
TEST(SimulatorE2E, ADeviceLosesPage0AfterItsRestart) {
    FreshLan();
    SimProcess sim(WriteLan("page0", "[device]\nmac=02:00:00:00:07:01\nip=192.168.1.91\nname=Stubborn\nrestart=1\n"
                                     "ignore_writes=yes\ndrop_after_restart=0\n"));
    ASSERT_TRUE(sim.ready()) << sim.errors();
    std::vector<Received> raw;
    auto store = Search("255.255.255.255", 3, 8888, 8889, &raw);
    ASSERT_EQ(raw.size(), 3u) << "whole before its restart";
    const DeviceEntry& e = store->DeviceTable[1];
    UdpClient reset(8882);
    reset.Send("255.255.255.255", 8890, BuildMaintenanceRequest(e.EchoBytes, e.Record, "reset"));
    ASSERT_EQ(reset.CollectAtLeast(1, kAmple, kLinger).size(), 1u);
    std::vector<Received> after;
    SearchUntil([](const DeviceStore& s) { return s.DeviceCount == 1; }, &after);
    std::vector<size_t> sizes;
    for (const auto& r : after) sizes.push_back(r.data.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{982, 845}));
}
