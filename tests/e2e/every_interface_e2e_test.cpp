// A PC with two network interfaces, each leading to a LAN of its own (netlab
// with NETLAB_SECOND_LAN=1): searches and module queries to 255.255.255.255
// leave by both, so the devices of both LANs are found; a device's clear,
// write, reset and module transfer leave by its own LAN's interface alone,
// the one its page 0 came in by, whatever the address, the mode and any
// page forged on the other LAN; with SearchRoutedOnly=1 searches leave by
// the routed interface.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "netlab_harness.h"

using namespace cobalin::e2e;

namespace {

constexpr double kScale = 0.05;

const std::string kEngineering = "[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=1\nAdvIPDMode=1\nSkipPassword=1\n";

// Three devices on each LAN; the second LAN's last one has a LAN module.
const std::string kFirstLan =
    "[defaults]\nrestart = 2\nhwid = PCB-4160-01\n"
    "[device]\ncount = 3\nmac = 02:00:00:01:00:01\nip = 192.168.1.11\nname = First\n";
const std::string kSecondLan =
    "[defaults]\nrestart = 2\nhwid = PCB-4160-01\n"
    "[device]\ncount = 2\nmac = 02:00:00:02:00:01\nip = 192.168.2.21\nname = Second\n"
    "[device]\nmac = 02:00:00:02:00:09\nip = 192.168.2.29\nname = Module\nmodule = yes\nmodule_company = LM Two\n";

const std::set<std::string> kFirstMacs = {"02:00:00:01:00:01", "02:00:00:01:00:02", "02:00:00:01:00:03"};
const std::set<std::string> kSecondMacs = {"02:00:00:02:00:01", "02:00:00:02:00:02", "02:00:00:02:00:09"};

// Source, destination, length and the first eight bytes (in hexadecimal) of
// every UDP datagram in a capture file.
struct Datagram {
    std::string src, dst, len, head;
};
std::vector<Datagram> CapturedDatagrams(const std::string& file) {
    std::ifstream in(file);
    std::vector<Datagram> out;
    for (std::string line; std::getline(in, line);) {
        std::istringstream l(line);
        std::string t, proto, arrow, hex;
        Datagram d;
        l >> t >> proto >> d.src >> arrow >> d.dst >> d.len >> hex;
        d.head = hex.substr(0, 16);
        if (proto == "UDP") out.push_back(d);
    }
    return out;
}

// Source, destination and length of every UDP datagram in a capture file.
std::vector<std::string> Captured(const std::string& file) {
    std::vector<std::string> out;
    for (const Datagram& d : CapturedDatagrams(file)) out.push_back(d.src + " " + d.dst + " " + d.len);
    return out;
}

const std::string kQueryHead = "4272656E696B4C4D";   // "BrenikLM"
const std::string kUpdateHead = "5570646174654C4D";  // "UpdateLM"

// What a LAN received of the program's requests: searches, module queries,
// module transfers, and every datagram to the command port.
struct Reached {
    int searches = 0, queries = 0;
    std::multiset<std::string> transfers, commands;
};
Reached ReachedLan(const std::string& file) {
    Reached r;
    for (const Datagram& d : CapturedDatagrams(file)) {
        const std::string route = d.src + " " + d.dst + " " + d.len;
        if (d.dst == "255.255.255.255:8888" && d.len == "23") ++r.searches;
        if (d.dst.ends_with(":8880") && d.head == kQueryHead) ++r.queries;
        if (d.dst.ends_with(":8880") && d.head == kUpdateHead) r.transfers.insert(route);
        if (d.dst.ends_with(":8890")) r.commands.insert(route);
    }
    return r;
}

// What a LAN received once it holds `searches` search requests, the last
// datagrams of the program's run: the simulator writes its log in a process
// of its own, which may lag behind the program a little.
Reached AwaitReached(const std::string& file, int searches) {
    Reached r = ReachedLan(file);
    for (int i = 0; i < 1000 && r.searches < searches; ++i) {
        usleep(5000);
        r = ReachedLan(file);
    }
    return r;
}

class TwoLans : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("NETLAB_SECOND_LAN") != "1") GTEST_SKIP() << "needs a netlab with a second LAN";
        setenv("COBALIN_TIME_SCALE", std::to_string(kScale).c_str(), 1);
        StartLans(kFirstLan, kSecondLan, "");
    }
    void TearDown() override { StopLans(); }
    // Starts a simulator on each LAN, with capture files named by `tag`.
    void StartLans(const std::string& firstLan, const std::string& secondLan, const std::string& tag) {
        StopLans();
        firstCapture = TempPath("cobalin-e2e-lan1-capture" + tag + ".log");
        secondCapture = TempPath("cobalin-e2e-lan2-capture" + tag + ".log");
        std::filesystem::remove(firstCapture);
        std::filesystem::remove(secondCapture);
        first = std::make_unique<SimProcess>(WriteFile("cobalin-e2e-lan1.conf", firstLan),
                                             std::vector<std::string>{"--capture", firstCapture});
        second = std::make_unique<SimProcess>(WriteFile("cobalin-e2e-lan2.conf", secondLan),
                                              std::vector<std::string>{"--capture", secondCapture}, "lan2");
        ASSERT_TRUE(first->ready()) << first->errors();
        ASSERT_TRUE(second->ready()) << second->errors();
    }
    void StopLans() {
        if (first) first->Stop();
        if (second) second->Stop();
        first.reset();
        second.reset();
    }
    // Runs "Search (1)" with the broadcast box ticked; the MACs found.
    static std::vector<std::string> SearchAnyNetwork(DriveProcess& app) {
        EXPECT_EQ(app.Text("txtIPaddr"), "255.255.255.255");
        EXPECT_EQ(app.Do("click Command1").value("ok"), true);
        EXPECT_EQ(app.Do("idle 60").value("ok"), true);
        return Strings(app.Get("List1", "items"));
    }
    // Selects the device with `mac` in List1, as a user does.
    static void Pick(DriveProcess& app, const std::string& mac) {
        const auto macs = Strings(app.Get("List1", "items"));
        const auto it = std::find(macs.begin(), macs.end(), mac);
        ASSERT_NE(it, macs.end()) << mac << " not in " << ::testing::PrintToString(macs);
        ASSERT_EQ(app.Do("select List1 " + std::to_string(it - macs.begin())).value("ok"), true);
    }
    // The datagrams to the command port that reached each LAN, once the
    // simulators have written what they received.
    std::pair<std::multiset<std::string>, std::multiset<std::string>> CommandsReached() const {
        usleep(200000);
        return {ReachedLan(firstCapture).commands, ReachedLan(secondCapture).commands};
    }
    std::string firstCapture, secondCapture;
    std::unique_ptr<SimProcess> first, second;
};

// The PC filters no reverse paths, as many do not (netlab's namespaces
// inherit the host's setting): a datagram from an address of the first
// LAN's subnet then comes in by the second LAN's interface as well.
void NoReversePathFilter() {
    for (const char* conf : {"all", "default", "pc1"})
        std::ofstream(std::string("/proc/sys/net/ipv4/conf/") + conf + "/rp_filter") << "0\n";
}

}  // namespace

TEST_F(TwoLans, BothLansAreFoundOnceAndTheSecondIsUpdated) {
    DriveProcess app(Home("two-lans", kEngineering), kScale);
    const auto macs = SearchAnyNetwork(app);
    std::set<std::string> want = kFirstMacs;
    want.insert(kSecondMacs.begin(), kSecondMacs.end());
    EXPECT_EQ(macs.size(), 6u) << "each device once";
    EXPECT_EQ(std::set<std::string>(macs.begin(), macs.end()), want);
    // The module query of tick 9 reached the second LAN as well.
    const auto module = std::find(macs.begin(), macs.end(), "02:00:00:02:00:09");
    ASSERT_NE(module, macs.end());
    EXPECT_EQ(app.Do("state FormatTag " + std::to_string(module - macs.begin() + 1)).value("value"), "2");
    // The same bytes from the same local port, once on each LAN.
    for (const std::string& file : {firstCapture, secondCapture}) {
        const auto got = Captured(file);
        ASSERT_EQ(got.size(), 2u) << file;
        EXPECT_EQ(got[0].substr(got[0].find(' ')), " 255.255.255.255:8888 23") << file;
        EXPECT_EQ(got[1].substr(got[1].find(' ')), " 255.255.255.255:8880 173") << file;
    }
    EXPECT_EQ(Captured(firstCapture)[0].substr(0, Captured(firstCapture)[0].find(' ')), "192.168.1.250:8889");
    EXPECT_EQ(Captured(secondCapture)[0].substr(0, Captured(secondCapture)[0].find(' ')), "192.168.2.250:8889");

    // Update a device of the second LAN: its new name comes back in the follow-up search.
    const int row = static_cast<int>(std::find(macs.begin(), macs.end(), "02:00:00:02:00:02") - macs.begin());
    ASSERT_LT(row, 6);
    ASSERT_EQ(app.Do("select List1 " + std::to_string(row)).value("ok"), true);
    ASSERT_EQ(app.Do("select List5 0").value("ok"), true);
    ASSERT_EQ(app.Do("type Text4 Renamed").value("ok"), true);
    ASSERT_EQ(app.Do("click Command6").value("ok"), true);
    ASSERT_EQ(app.Do("click Command9").value("ok"), true);
    ASSERT_EQ(app.Do("idle 120").value("ok"), true);
    const auto after = Strings(app.Get("List1", "items"));
    const auto again = std::find(after.begin(), after.end(), "02:00:00:02:00:02");
    ASSERT_NE(again, after.end()) << "the updated device came back";
    ASSERT_EQ(app.Do("select List1 " + std::to_string(again - after.begin())).value("ok"), true);
    EXPECT_EQ(Strings(app.Get("List5", "items")).at(0), "Renamed");
    EXPECT_EQ(after.size(), 6u);

    // Update the second LAN's LAN module: only its module record is sent.
    const auto moduleRow = std::find(after.begin(), after.end(), "02:00:00:02:00:09");
    ASSERT_NE(moduleRow, after.end());
    ASSERT_EQ(app.Do("select List1 " + std::to_string(moduleRow - after.begin())).value("ok"), true);
    ASSERT_EQ(app.Do("select List5 0").value("ok"), true);
    ASSERT_EQ(app.Do("type Text4 Moved").value("ok"), true);
    ASSERT_EQ(app.Do("click Command6").value("ok"), true);
    ASSERT_EQ(app.Do("click Command9").value("ok"), true);
    ASSERT_EQ(app.Do("idle 120").value("ok"), true);
    EXPECT_EQ(Strings(app.Get("List1", "items")).size(), 6u);

    // Three searches, each with its module query, reached both LANs (and the
    // query of the timer that runs through the first update's countdown);
    // the clear, the two write datagrams, the reset and the module transfer,
    // which carry the device's password, reached the second LAN alone.
    const Reached firstLan = AwaitReached(firstCapture, 3), secondLan = AwaitReached(secondCapture, 3);
    EXPECT_EQ(firstLan.searches, 3);
    EXPECT_EQ(secondLan.searches, 3);
    EXPECT_EQ(firstLan.queries, 4);
    EXPECT_EQ(secondLan.queries, 4);
    EXPECT_EQ(secondLan.commands, (std::multiset<std::string>{"192.168.2.250:8883 255.255.255.255:8890 59",
                                                              "192.168.2.250:8884 255.255.255.255:8890 1031",
                                                              "192.168.2.250:8884 255.255.255.255:8890 1007",
                                                              "192.168.2.250:8882 255.255.255.255:8890 59"}));
    EXPECT_EQ(secondLan.transfers, (std::multiset<std::string>{"192.168.2.250:8888 255.255.255.255:8880 173"}));
    EXPECT_TRUE(firstLan.commands.empty()) << firstLan.commands.size() << " datagrams to the first LAN's command port";
    EXPECT_TRUE(firstLan.transfers.empty()) << "the module record reached the first LAN";
}

TEST_F(TwoLans, RoutedOnlySearchesTheRoutedLan) {
    DriveProcess app(Home("routed-only", kEngineering + "SearchRoutedOnly=1\n"), kScale);
    const auto macs = SearchAnyNetwork(app);
    EXPECT_EQ(std::set<std::string>(macs.begin(), macs.end()), kFirstMacs);
    EXPECT_EQ(macs.size(), 3u);
    EXPECT_TRUE(Captured(secondCapture).empty()) << "nothing reached the second LAN";
}

TEST_F(TwoLans, CommandLineSearchCoversBothLans) {
    struct Case {
        std::string settings;
        size_t found;
    };
    for (const Case& c : {Case{"", 6}, Case{"[RunMode]\nSearchRoutedOnly=1\n", 3}, Case{"[RunMode]\nSearchRoutedOnly=0\n", 6}}) {
        const std::string home = Home("cli-two-lans", c.settings);
        const std::string command = "COBALIN_TIME_SCALE=" + std::to_string(kScale) + " " + Env("COBALIN_BIN") +
                                    " search --csv --home " + home;
        FILE* p = popen(command.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        EXPECT_EQ(WEXITSTATUS(pclose(p)), 0) << c.settings;
        std::set<std::string> macs;
        std::istringstream rows(out);
        std::string row;
        std::getline(rows, row);  // the header
        size_t count = 0;
        while (std::getline(rows, row)) {
            ++count;
            macs.insert(row.substr(0, 17));
            // The interface the device's reply came in by, then no warnings.
            const std::string lan = kFirstMacs.count(row.substr(0, 17)) ? "pc0" : "pc1";
            EXPECT_TRUE(row.ends_with("," + lan + ",\r")) << row;
        }
        EXPECT_EQ(count, c.found) << c.settings;
        EXPECT_EQ(macs.size(), c.found) << "each device once: " << c.settings;
    }
}

// A host on the second LAN (the office side of a jump host, say) answers the
// search with a page 2 of a first-LAN device's MAC, after the device's own
// reply: from 0.0.0.0, which passes every reverse-path filter, or from the
// device's own address. Page 0 decides where the device's requests go, so its
// clear, write (with its password) and reset never reach the second LAN: the
// first forger makes the MAC one that two answer (two sources, 0.0.0.0 one of
// them), so nothing is sent at all; the second, from the same address, leaves
// the device's interface as it was and the update goes to the first LAN.
TEST_F(TwoLans, APage2FromAnotherNetworkNeverMovesADevicesWrites) {
    NoReversePathFilter();
    const std::string mac = "02:00:00:01:00:02";
    const std::multiset<std::string> update = {"192.168.1.250:8883 255.255.255.255:8890 59",
                                               "192.168.1.250:8884 255.255.255.255:8890 1031",
                                               "192.168.1.250:8884 255.255.255.255:8890 1007",
                                               "192.168.1.250:8882 255.255.255.255:8890 59"};
    const std::string shared = "Not updated: two devices answer with MAC " + mac +
                               "; give one of them another MAC or disconnect it, then search again";
    struct Case {
        std::string forgedFrom;
        std::string warning;  // Label1 once the device is chosen
        std::string verdict;  // Label1 after "Update (7)"
        std::multiset<std::string> firstLan;
    };
    const Case cases[] = {
        {"0.0.0.0", "MAC answered by two devices (addresses 192.168.1.12, 0.0.0.0)", shared, {}},
        {"192.168.1.12", "Searching...Done", "Searching...Done", update},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.forgedFrom);
        StartLans(kFirstLan,
                  "[device]\nmac = " + mac + "\nip = 192.168.2.99\nhwid = PCB-4160-01\nname = Forger\n"
                  "drop = 0,1\ndelay = 1\nforge_from = " + c.forgedFrom + "\n",
                  "-forged-" + c.forgedFrom);
        DriveProcess app(Home("forged-page", kEngineering), kScale);
        const auto macs = SearchAnyNetwork(app);
        EXPECT_EQ(std::set<std::string>(macs.begin(), macs.end()), kFirstMacs);
        Pick(app, mac);
        EXPECT_EQ(app.Text("Label1"), c.warning);
        ASSERT_EQ(app.Do("select List5 0").value("ok"), true);
        ASSERT_EQ(app.Do("type Text4 Renamed").value("ok"), true);
        ASSERT_EQ(app.Do("click Command6").value("ok"), true);
        ASSERT_EQ(app.Do("click Command9").value("ok"), true);
        ASSERT_EQ(app.Do("idle 120").value("ok"), true);
        EXPECT_EQ(app.Text("Label1"), c.verdict);
        const auto [firstLan, secondLan] = CommandsReached();
        EXPECT_EQ(firstLan, c.firstLan);
        EXPECT_TRUE(secondLan.empty()) << ::testing::PrintToString(secondLan);
    }
}

// Every request for one device leaves by the interface the device answered
// on, whatever the route says: with SearchRoutedOnly=1 a clear to
// 255.255.255.255 for a device a network search found on the second LAN, and
// a clear to one address that the route would send to the first LAN (which
// has a device of that address too) for a device that answered on the second.
TEST_F(TwoLans, ADevicesRequestsLeaveByItsInterfaceWhateverTheRoute) {
    NoReversePathFilter();
    const std::string stray = "02:00:00:02:00:77";
    const std::string firstWithStray = kFirstLan + "[device]\nmac = 02:00:00:01:00:77\nip = 192.168.1.77\nname = Here\n";
    const std::string secondWithStray = kSecondLan + "[device]\nmac = " + stray + "\nip = 192.168.1.77\nname = Stray\n";
    struct Case {
        const char* what;
        std::string settings, searchAt, device, clearTo;
        std::string sent;  // what the second LAN received
    };
    const Case cases[] = {
        {"routed only", "SearchRoutedOnly=1\n", "192.168.2.255", "02:00:00:02:00:01", "255.255.255.255",
         "192.168.2.250:8883 255.255.255.255:8890 59"},
        {"one address", "", "255.255.255.255", stray, "192.168.1.77", "192.168.2.250:8883 192.168.1.77:8890 59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartLans(firstWithStray, secondWithStray, std::string("-route-") + (c.settings.empty() ? "every" : "routed"));
        DriveProcess app(Home("by-interface", kEngineering + c.settings), kScale);
        ASSERT_EQ(app.Do("type txtIPaddr " + c.searchAt).value("ok"), true);
        ASSERT_EQ(app.Do("click Command1").value("ok"), true);
        ASSERT_EQ(app.Do("idle 60").value("ok"), true);
        if (c.clearTo != "255.255.255.255") {
            ASSERT_EQ(app.Do("click Check1").value("ok"), true);
        }
        ASSERT_EQ(app.Do("type txtIPaddr " + c.clearTo).value("ok"), true);
        Pick(app, c.device);
        ASSERT_EQ(app.Do("click Command13").value("ok"), true) << "the \"More\" frame";
        ASSERT_EQ(app.Do("click Command8").value("ok"), true);
        ASSERT_EQ(app.Do("idle 30").value("ok"), true);
        const auto [firstLan, secondLan] = CommandsReached();
        EXPECT_TRUE(firstLan.empty()) << ::testing::PrintToString(firstLan);
        EXPECT_EQ(secondLan, std::multiset<std::string>{c.sent});
    }
}
