#include "sim/device_model.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/text_conversions.h"
#include "core/parameter_codec.h"

using namespace cobalin;
using namespace cobalin::sim;

namespace {

LanDescription Parse(const std::string& text) {
    ParseError e;
    auto lan = ParseLanDescription(text, e);
    EXPECT_TRUE(lan.has_value()) << e.line << ": " << e.message;
    return lan.value_or(LanDescription{});
}

std::string SampleLan() {
    std::ifstream in(std::string(COBALIN_SOURCE_DIR) + "/sim/sample-lan.conf");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const Address kBroadcast = {255, 255, 255, 255};

// A search of the whole LAN at program time `now`: what the devices send.
std::vector<Outgoing> SearchAll(SimLan& sim, double now) {
    return sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), now);
}

std::vector<size_t> Sizes(const std::vector<Outgoing>& out) {
    std::vector<size_t> sizes;
    for (const auto& o : out) sizes.push_back(o.data.size());
    return sizes;
}

// Writes a new server name into the device of the store's first entry, as
// the program does (clear, write A and B, reset), at program time `now`; the
// number of acknowledgements and the devices that sent them.
std::vector<size_t> WriteName(SimLan& sim, DeviceStore& store, const std::string& name, double now) {
    ParameterTextArray texts;
    EXPECT_EQ(ApplyParameter(store, texts, PagedRow::ServerName, name, 1), ApplyOutcome::Written);
    const DeviceEntry& e = store.DeviceTable[1];
    const WriteDatagrams w = BuildWriteDatagrams(e.Record);
    std::vector<size_t> acks;
    for (const Bytes& request : {BuildMaintenanceRequest(e.EchoBytes, e.Record, "clrCfgBuf"), w.a, w.b,
                                 BuildMaintenanceRequest(e.EchoBytes, e.Record, "reset")})
        for (const auto& o : sim.Handle(kCommandPort, kBroadcast, request, now)) {
            EXPECT_TRUE(IsAcknowledgement(o.data));
            acks.push_back(o.device);
        }
    return acks;
}

std::string NameOf(const SimDevice& d) {
    ParameterTextArray t;
    DecodeRecord(d.record, t);
    return t[PagedRow::ServerName];
}

}  // namespace

TEST(LanDescription, Errors) {
    struct Case { const char* text; int line; const char* message; };
    const Case cases[] = {
        {"", 0, "no [device] section"},
        {"ip = 1.2.3.4\n", 1, "a key outside any section"},
        {"[device]\nmac = 02:00:00:00:00:01\n", 1, "device has no ip"},
        {"[device]\nip = 10.0.0.1\n", 1, "device has no mac"},
        {"[device]\n\nmac = 02:00:00:00:00:0G\n", 3, "bad value '02:00:00:00:00:0G' for mac"},
        {"[device]\nip = 10.0.0.256\n", 2, "bad value '10.0.0.256' for ip"},
        {"[device]\nformat = long\n", 2, "bad value 'long' for format"},
        {"[device]\ncolour = red\n", 2, "unknown key 'colour'"},
        {"[device]\njust words\n", 2, "expected key = value"},
        {"[devices]\n", 1, "unknown section [devices] (expected [defaults] or [device])"},
        {"[device]\nmac=02:00:00:00:00:01\nip=1.1.1.1\n[defaults]\n", 4, "[defaults] must come before every [device]"},
        {"[device]\ndrop = 0,3\n", 2, "bad value '0,3' for drop"},
        {"[device]\ndrop_after_restart = 0,x\n", 2, "bad value '0,x' for drop_after_restart"},
        {"[device]\npage_gap = -0.5\n", 2, "bad value '-0.5' for page_gap"},
        {"[device]\nforge_from = 0.0.0\n", 2, "bad value '0.0.0' for forge_from"},
        // Values no record field can hold.
        {"[device]\nbaud = 9601\n", 2, "bad value '9601' for baud"},
        {"[device]\ndhcp = enable\n", 2, "bad value 'enable' for dhcp"},
        {"[device]\nport = 65536\n", 2, "bad value '65536' for port"},
        {"[device]\nalive = 256\n", 2, "bad value '256' for alive"},
        {"[device]\nmax_connections = 0\n", 2, "bad value '0' for max_connections"},
        {"[device]\nnetmask = 255.255.0\n", 2, "bad value '255.255.0' for netmask"},
        {"[device]\ndata_stop = 8-3\n", 2, "bad value '8-3' for data_stop"},
        {"[device]\ncount=4000\nmac=02:00:00:00:00:01\nip=1.1.1.1\n[device]\ncount=100\nmac=02:00:00:01:00:01\nip=1.1.1.1\n",
         5, "too many devices (at most 4096 in a LAN)"},
    };
    for (const auto& c : cases) {
        ParseError e;
        EXPECT_FALSE(ParseLanDescription(c.text, e).has_value()) << c.text;
        EXPECT_EQ(e.line, c.line) << c.text;
        EXPECT_EQ(e.message, c.message) << c.text;
    }
}

TEST(LanDescription, CountsUpAndSharesAddressesBeyond253) {
    const LanDescription lan = Parse("[device]\ncount = 255\nmac = 02:00:00:00:00:FF\nip = 192.168.1.1\n");
    ASSERT_EQ(lan.devices.size(), 255u);
    EXPECT_EQ(lan.devices[1].mac, (std::array<uint8_t, 6>{2, 0, 0, 0, 1, 0}));
    EXPECT_EQ(FormatIp(lan.devices[248].ip), "192.168.1.249");
    EXPECT_EQ(FormatIp(lan.devices[249].ip), "192.168.1.251") << ".250 is the PC";
    EXPECT_EQ(FormatIp(lan.devices[252].ip), "192.168.1.254");
    EXPECT_EQ(FormatIp(lan.devices[253].ip), "192.168.1.1");
    EXPECT_EQ(lan.devices[7].identity, lan.devices[7].mac);
}

// The records the simulator answers with decode to what the file says.
TEST(DeviceModel, SampleRecordsDecodeToTheDescription) {
    const LanDescription lan = Parse(SampleLan());
    ASSERT_EQ(lan.devices.size(), 14u);
    for (const auto& d : lan.devices) {
        ParameterTextArray t;
        DecodeRecord(BuildRecord(d), t);
        auto value = [&](const char* key) { return d.values.count(key) ? d.values.at(key) : std::string(); };
        if (d.paged) {
            EXPECT_EQ(t[7], FormatMac(d.mac.data()));
            EXPECT_EQ(t[4], FormatIp(d.ip));
            EXPECT_EQ(t[0], value("name"));
            EXPECT_EQ(t[1], value("serial"));
            EXPECT_EQ(t[2], value("password"));
            EXPECT_EQ(t[5], value("netmask"));
            EXPECT_EQ(t[6], value("gateway"));
            EXPECT_EQ(t[10], value("hwid"));
            EXPECT_EQ(t[29], value("model"));
            EXPECT_EQ(t[30], value("company"));
            EXPECT_EQ(t[8], value("version") + " & " + value("date"));
            EXPECT_EQ(t[24], "4000");
            if (d.module) {
                EXPECT_EQ(t[12], "115200");
                EXPECT_EQ(t[11], "2");
                EXPECT_EQ(t[23], "Connected");
            }
        } else {
            EXPECT_EQ(t[3], FormatMac(d.mac.data()));
            EXPECT_EQ(t[4], FormatIp(d.ip));
            EXPECT_EQ(t[0], value("name"));
            EXPECT_EQ(t[1], value("hwid"));
            EXPECT_EQ(t[2], value("serial"));
            EXPECT_EQ(t[6], value("gateway"));
            EXPECT_EQ(t[10], value("checkcode"));
        }
    }
}

TEST(DeviceModel, SearchRepliesAndFaults) {
    struct Case { const char* faults; std::vector<size_t> sizes; };
    const Case cases[] = {
        {"", {1008, 982, 845}},
        {"drop = 1", {1008, 845}},
        {"drop = 0,2", {982}},
        {"duplicate = yes", {1008, 1008, 982, 982, 845, 845}},
        {"reorder = yes", {845, 982, 1008}},
        {"truncate = 500", {500, 500, 500}},
        {"silent = yes", {}},
    };
    for (const auto& c : cases) {
        SimLan sim(Parse(std::string("[device]\nmac=02:00:00:00:00:01\nip=192.168.1.9\n") + c.faults + "\n"), 1);
        std::vector<size_t> sizes;
        for (const auto& o : sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 0))
            sizes.push_back(o.data.size());
        EXPECT_EQ(sizes, c.sizes) << c.faults;
    }
    // Malformed and flooding datagrams never make a second device, whatever
    // the seed: a malformed page is refused, a flood datagram is no reply.
    const LanDescription noisyLan = Parse("[device]\nmac=02:00:00:00:00:01\nip=192.168.1.9\nmalformed=40\nflood=200\n");
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SimLan noisy(noisyLan, seed);
        auto store = std::make_unique<DeviceStore>();
        const auto out = noisy.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 0);
        ASSERT_EQ(out.size(), 3u + 40 + 200);
        for (size_t k = 0; k < out.size(); ++k) {
            const Bytes& d = out[k].data;
            // The three pages, then the malformed ones (cut short: refused; a
            // page number past 2: dropped), then the flood (dropped).
            const IntakeResult::Outcome expected = k == 0 ? IntakeResult::Added
                                                 : k < 3  ? IntakeResult::Stored
                                                 : k < 43 ? (d[7] > 2 ? IntakeResult::Dropped : IntakeResult::Refused)
                                                          : IntakeResult::Dropped;
            EXPECT_EQ(ReplyIntake(*store, d).outcome, expected) << "seed " << seed << ", datagram " << k << " of " << d.size() << " bytes";
        }
        EXPECT_EQ(store->DeviceCount, 1) << "seed " << seed;
        EXPECT_EQ(store->DeviceTable[1].MacText, "02:00:00:00:00:01");
        EXPECT_TRUE(std::equal(store->DeviceTable[1].Record.begin(), store->DeviceTable[1].Record.begin() + 2835,
                               noisy.devices()[0].record.begin()))
            << "seed " << seed << ": the device's own pages, untouched by the noise";
    }
}

TEST(DeviceModel, WriteResetAndModuleUpdate) {
    SimLan sim(Parse("[device]\nmac=02:00:00:00:00:01\nip=192.168.1.9\nname=Old\nrestart=2\nmodule=yes\n"
                     "[device]\nmac=02:00:00:00:00:02\nip=192.168.1.10\n"), 1);
    auto store = std::make_unique<DeviceStore>();
    for (const auto& o : sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 0))
        ReplyIntake(*store, o.data);
    ASSERT_EQ(store->DeviceCount, 2);
    ParameterTextArray texts;
    ApplyParameter(*store, texts, 0, "New", 1);
    ApplyParameter(*store, texts, 4, "192.168.1.77", 1);
    const DeviceEntry& e = store->DeviceTable[1];
    const WriteDatagrams w = BuildWriteDatagrams(e.Record);

    // A corrupted second datagram is dropped without an answer.
    Bytes bad = w.b;
    bad[1005] ^= 1;
    EXPECT_TRUE(sim.Handle(kCommandPort, kBroadcast, w.a, 0).empty());
    EXPECT_TRUE(sim.Handle(kCommandPort, kBroadcast, bad, 0).empty());
    EXPECT_FALSE(sim.devices()[0].hasPending);

    EXPECT_TRUE(sim.Handle(kCommandPort, kBroadcast, w.a, 0).empty());
    const auto ack = sim.Handle(kCommandPort, kBroadcast, w.b, 0);
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(ack[0].device, 0u) << "the write is for the device whose identity it carries";
    EXPECT_TRUE(IsAcknowledgement(ack[0].data));

    const auto resetAck = sim.Handle(kCommandPort, kBroadcast, BuildMaintenanceRequest(e.EchoBytes, e.Record, "reset"), 1);
    ASSERT_EQ(resetAck.size(), 1u);
    EXPECT_EQ(sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 2).size(), 3u)
        << "only the other device answers while the first restarts";
    EXPECT_TRUE(sim.Advance(2.9).empty());
    EXPECT_EQ(sim.Advance(3.0), std::vector<size_t>{0});
    EXPECT_EQ(FormatIp(sim.devices()[0].ip), "192.168.1.77");
    ParameterTextArray t;
    DecodeRecord(sim.devices()[0].record, t);
    EXPECT_EQ(t[0], "New");

    // A maintenance request with another device's serial copy is ignored.
    EchoBytesArray wrongEcho = e.EchoBytes;
    wrongEcho[0] ^= 0xFF;
    EXPECT_TRUE(sim.Handle(kCommandPort, kBroadcast, BuildMaintenanceRequest(wrongEcho, e.Record, "reset"), 4).empty());

    // Module: query, update, restart, new name.
    const auto answers = sim.Handle(kModulePort, kBroadcast, BuildModuleQuery(), 5);
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_EQ(ModuleReplyIntake(*store, answers[0].data), 1);
    EXPECT_TRUE(BuildModuleUpdate(*store, 1, 3, "FromModule"));
    EXPECT_TRUE(sim.Handle(kModulePort, kBroadcast, store->LanModuleTable[1].Record, 5).empty());
    sim.Advance(7.1);
    DecodeRecord(sim.devices()[0].record, t);
    EXPECT_EQ(t[0], "FromModule");
    const auto again = sim.Handle(kModulePort, kBroadcast, BuildModuleQuery(), 8);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].data[0], 0x41);
    EXPECT_EQ(std::string(again[0].data.begin() + 32, again[0].data.begin() + 42), "FromModule");
}

TEST(DeviceModel, DevicesThatIgnoreWritesOrNeverComeBack) {
    SimLan sim(Parse("[device]\nmac=02:00:00:00:00:01\nip=192.168.1.9\nname=Old\nrestart=1\nignore_writes=yes\n"
                     "[device]\nmac=02:00:00:00:00:02\nip=192.168.1.10\nname=Old\nrestart=never\n"), 1);
    auto store = std::make_unique<DeviceStore>();
    for (const auto& o : sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 0))
        ReplyIntake(*store, o.data);
    ASSERT_EQ(store->DeviceCount, 2);
    ParameterTextArray texts;
    for (long device : {1, 2}) {
        ApplyParameter(*store, texts, PagedRow::ServerName, "New", device);
        const DeviceEntry& e = store->DeviceTable[static_cast<size_t>(device)];
        const WriteDatagrams w = BuildWriteDatagrams(e.Record);
        sim.Handle(kCommandPort, kBroadcast, w.a, 0);
        const auto ack = sim.Handle(kCommandPort, kBroadcast, w.b, 0);
        ASSERT_EQ(ack.size(), 1u) << "both acknowledge the write";
        ASSERT_EQ(sim.Handle(kCommandPort, kBroadcast, BuildMaintenanceRequest(e.EchoBytes, e.Record, "reset"), 0).size(), 1u);
    }
    EXPECT_EQ(sim.NextRestart(), 1.0) << "the one that never comes back has no restart to end";
    EXPECT_EQ(sim.Advance(100), std::vector<size_t>{0});
    ParameterTextArray t;
    DecodeRecord(sim.devices()[0].record, t);
    EXPECT_EQ(t[PagedRow::ServerName], "Old") << "the write was acknowledged but not taken";
    EXPECT_EQ(sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 100).size(), 3u)
        << "only the first answers: the second never restarts";
    EXPECT_LT(sim.NextRestart(), 0);
}

TEST(DeviceModel, ADeviceThatIgnoresItsResetAnswersOnWithItsOldValues) {
    SimLan sim(Parse("[device]\nmac=02:00:00:00:00:01\nip=192.168.1.9\nname=Old\nrestart=1\nignore_reset=yes\n"), 1);
    auto store = std::make_unique<DeviceStore>();
    for (const auto& o : sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 0))
        ReplyIntake(*store, o.data);
    ASSERT_EQ(store->DeviceCount, 1);
    ParameterTextArray texts;
    ApplyParameter(*store, texts, PagedRow::ServerName, "New", 1);
    const DeviceEntry& e = store->DeviceTable[1];
    const WriteDatagrams w = BuildWriteDatagrams(e.Record);
    sim.Handle(kCommandPort, kBroadcast, w.a, 0);
    ASSERT_EQ(sim.Handle(kCommandPort, kBroadcast, w.b, 0).size(), 1u) << "the write is acknowledged";
    ASSERT_EQ(sim.Handle(kCommandPort, kBroadcast, BuildMaintenanceRequest(e.EchoBytes, e.Record, "reset"), 0).size(), 1u)
        << "the reset is acknowledged";
    EXPECT_LT(sim.NextRestart(), 0) << "no restart";
    EXPECT_EQ(sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 0.5).size(), 3u)
        << "it answers at once, as before";
    sim.Advance(100);
    ParameterTextArray t;
    DecodeRecord(sim.devices()[0].record, t);
    EXPECT_EQ(t[PagedRow::ServerName], "Old");
}

// A device that answers whole until it restarts, then never sends the pages
// named: with ignore_writes it keeps its values and loses page 0, the case a
// verification must not take for a device that holds what was written.
TEST(DeviceModel, PagesLostAfterARestart) {
    struct Case { const char* faults; std::vector<size_t> before, after; const char* nameAfter; };
    const Case cases[] = {
        {"", {1008, 982, 845}, {1008, 982, 845}, "New"},
        {"drop_after_restart = 0", {1008, 982, 845}, {982, 845}, "New"},
        {"drop_after_restart = 0\nignore_writes = yes", {1008, 982, 845}, {982, 845}, "Old"},
        {"drop_after_restart = 0,2\ndrop = 1", {1008, 845}, {}, "New"},
        {"drop_after_restart = 0\nreorder = yes", {845, 982, 1008}, {845, 982}, "New"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        SimLan sim(Parse(std::string("[device]\nmac=02:00:00:00:00:01\nip=192.168.1.9\nname=Old\nrestart=2\n") + c.faults + "\n"), 1);
        auto store = std::make_unique<DeviceStore>();
        const auto first = SearchAll(sim, 0);
        EXPECT_EQ(Sizes(first), c.before);
        EXPECT_EQ(Sizes(SearchAll(sim, 0.5)), c.before) << "the same until the device restarts";
        // The write needs pages 0 and 1 in the program's copy: build it from
        // the device's own record when a page is dropped from the start.
        store->DeviceCount = 1;
        store->DeviceTable[1].MacText = "02:00:00:00:00:01";
        std::copy(sim.devices()[0].record.begin(), sim.devices()[0].record.end(), store->DeviceTable[1].Record.begin());
        std::copy_n(sim.devices()[0].record.begin() + kPagedSerialAt, store->DeviceTable[1].EchoBytes.size(),
                    store->DeviceTable[1].EchoBytes.begin());
        EXPECT_EQ(WriteName(sim, *store, "New", 1), (std::vector<size_t>{0, 0, 0})) << "clear, write and reset acknowledged";
        EXPECT_TRUE(SearchAll(sim, 2).empty()) << "silent while it restarts";
        EXPECT_EQ(sim.Advance(3.0), std::vector<size_t>{0});
        EXPECT_EQ(Sizes(SearchAll(sim, 3.5)), c.after);
        EXPECT_EQ(Sizes(SearchAll(sim, 4.5)), c.after) << "for good";
        EXPECT_EQ(NameOf(sim.devices()[0]), c.nameAfter);
    }
}

// A module update restarts the device too: the pages go from then on.
TEST(DeviceModel, PagesLostAfterAModuleRestart) {
    SimLan sim(Parse("[device]\nmac=02:00:00:00:00:01\nip=192.168.1.9\nrestart=1\nmodule=yes\ndrop_after_restart=0\n"), 1);
    auto store = std::make_unique<DeviceStore>();
    for (const auto& o : SearchAll(sim, 0)) ReplyIntake(*store, o.data);
    const auto answers = sim.Handle(kModulePort, kBroadcast, BuildModuleQuery(), 0);
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_EQ(ModuleReplyIntake(*store, answers[0].data), 1);
    ASSERT_TRUE(BuildModuleUpdate(*store, 1, 3, "Moved"));
    sim.Handle(kModulePort, kBroadcast, store->LanModuleTable[1].Record, 0);
    EXPECT_EQ(sim.Advance(1.5), std::vector<size_t>{0});
    EXPECT_EQ(Sizes(SearchAll(sim, 2)), (std::vector<size_t>{982, 845}));
}

// Two sections may give one MAC: each device answers from its own address
// with its own record, and each takes a request carrying the identity both
// share, as devices cloned from one firmware image do.
TEST(DeviceModel, TwoDevicesWithOneMac) {
    // Devices answer 2 ms apart; `faults` goes to the two sharing a MAC.
    const auto lanWith = [](const std::string& faults) {
        return "[defaults]\nrestart = 1\n"
               "[device]\nmac = 02:00:00:00:00:01\nip = 192.168.1.9\nname = First\n" + faults + "\n"
               "[device]\nmac = 02:00:00:00:00:01\nip = 192.168.1.10\nname = Second\n" + faults + "\n"
               "[device]\nmac = 02:00:00:00:00:02\nip = 192.168.1.11\nname = Bystander\n";
    };
    struct Order { const char* faults; std::vector<std::pair<size_t, int>> wire; };  // (device, page) in the order sent
    const Order orders[] = {
        {"", {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}}},
        // Pages 5 ms apart: the two devices' pages interleave.
        {"page_gap = 0.005", {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {0, 1}, {1, 1}, {0, 2}, {1, 2}}},
        {"page_gap = 0.005\nreorder = yes", {{0, 2}, {1, 2}, {2, 0}, {2, 1}, {2, 2}, {0, 1}, {1, 1}, {0, 0}, {1, 0}}},
    };
    for (const auto& o : orders) {
        SCOPED_TRACE(o.faults);
        const LanDescription parsed = Parse(lanWith(o.faults));
        ASSERT_EQ(parsed.devices.size(), 3u);
        EXPECT_EQ(parsed.devices[0].mac, parsed.devices[1].mac);
        SimLan sim(parsed, 1);
        auto out = SearchAll(sim, 0);
        std::stable_sort(out.begin(), out.end(), [](const Outgoing& a, const Outgoing& b) { return a.at < b.at; });
        std::vector<std::pair<size_t, int>> wire;
        for (const auto& g : out) wire.emplace_back(g.device, g.data[7]);
        EXPECT_EQ(wire, o.wire);
        for (const auto& g : out)
            EXPECT_EQ(FormatMac(g.data.data() + 1), g.device == 2 ? "02:00:00:00:00:02" : "02:00:00:00:00:01");
        EXPECT_EQ(FormatIp(sim.devices()[0].ip), "192.168.1.9");
        EXPECT_EQ(FormatIp(sim.devices()[1].ip), "192.168.1.10");
        EXPECT_NE(sim.devices()[0].record, sim.devices()[1].record) << "each its own record";
    }

    // A write built from either device's record reaches both.
    SimLan sim(Parse(lanWith("")), 1);
    auto store = std::make_unique<DeviceStore>();
    for (const auto& g : SearchAll(sim, 0)) ReplyIntake(*store, g.data);
    ASSERT_EQ(store->DeviceCount, 2) << "the program's table files the two under one MAC";
    EXPECT_EQ(WriteName(sim, *store, "Renamed", 0), (std::vector<size_t>{0, 1, 0, 1, 0, 1}))
        << "clear, write and reset acknowledged by both";
    EXPECT_TRUE(sim.Handle(kSearchPort, kBroadcast, BuildSearchRequest(SearchNetwork, 8888), 0.5).size() == 3)
        << "both restart; the bystander answers";
    EXPECT_EQ(sim.Advance(1.0), (std::vector<size_t>{0, 1}));
    EXPECT_EQ(NameOf(sim.devices()[0]), "Renamed");
    EXPECT_EQ(NameOf(sim.devices()[1]), "Renamed");
    EXPECT_EQ(NameOf(sim.devices()[2]), "Bystander");
    EXPECT_EQ(FormatIp(sim.devices()[2].ip), "192.168.1.11");

    // The write was built from the second one's pages: the first took its
    // address too, and both answer a search sent there.
    EXPECT_EQ(FormatIp(sim.devices()[0].ip), "192.168.1.10");
    EXPECT_EQ(FormatIp(sim.devices()[1].ip), "192.168.1.10");
    std::vector<size_t> from;
    for (const auto& g : sim.Handle(kCommandPort, {192, 168, 1, 10}, BuildSearchRequest(SearchAddress, 8890), 2))
        from.push_back(g.device);
    EXPECT_EQ(from, (std::vector<size_t>{0, 0, 0, 1, 1, 1}));
    EXPECT_TRUE(sim.Handle(kCommandPort, {192, 168, 1, 9}, BuildSearchRequest(SearchAddress, 8890), 2).empty());
}

// The address of a device need not lie in the PC's subnet: it answers a
// broadcast search all the same (its wire is the PC's), and a write by its
// identity.
TEST(DeviceModel, ADeviceOutsideThePcsSubnetAnswers) {
    SimLan sim(Parse("[device]\nmac = 02:00:00:00:00:05\nip = 10.0.0.5\nnetmask = 255.0.0.0\ngateway = 10.0.0.1\n"
                     "name = Elsewhere\nrestart = 1\n"), 1);
    EXPECT_EQ(FormatIp(sim.devices()[0].ip), "10.0.0.5");
    auto store = std::make_unique<DeviceStore>();
    const auto out = SearchAll(sim, 0);
    EXPECT_EQ(Sizes(out), (std::vector<size_t>{1008, 982, 845}));
    for (const auto& g : out) ReplyIntake(*store, g.data);
    ASSERT_EQ(store->DeviceCount, 1);
    ParameterTextArray t;
    DecodeRecord(store->DeviceTable[1].Record, t);
    EXPECT_EQ(t[PagedRow::IpAddress], "10.0.0.5");
    EXPECT_EQ(WriteName(sim, *store, "Found", 0).size(), 3u);
    sim.Advance(1.0);
    EXPECT_EQ(NameOf(sim.devices()[0]), "Found");
}
