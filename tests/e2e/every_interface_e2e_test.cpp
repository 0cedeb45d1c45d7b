// A PC with two network interfaces, each leading to a LAN of its own (netlab
// with NETLAB_SECOND_LAN=1): searches and module queries to 255.255.255.255
// leave by both, so the devices of both LANs are found; a device's clear,
// write, reset and module transfer leave by its own LAN's interface alone;
// with SearchRoutedOnly=1 everything leaves by the routed interface.
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
        std::filesystem::remove(firstCapture);
        std::filesystem::remove(secondCapture);
        first = std::make_unique<SimProcess>(WriteFile("cobalin-e2e-lan1.conf", kFirstLan),
                                             std::vector<std::string>{"--capture", firstCapture});
        second = std::make_unique<SimProcess>(WriteFile("cobalin-e2e-lan2.conf", kSecondLan),
                                              std::vector<std::string>{"--capture", secondCapture}, "lan2");
        ASSERT_TRUE(first->ready()) << first->errors();
        ASSERT_TRUE(second->ready()) << second->errors();
    }
    void TearDown() override {
        if (first) first->Stop();
        if (second) second->Stop();
    }
    // Runs "Search (1)" with the broadcast box ticked; the MACs found.
    static std::vector<std::string> SearchAnyNetwork(DriveProcess& app) {
        EXPECT_EQ(app.Text("txtIPaddr"), "255.255.255.255");
        EXPECT_EQ(app.Do("click Command1").value("ok"), true);
        EXPECT_EQ(app.Do("idle 60").value("ok"), true);
        return Strings(app.Get("List1", "items"));
    }
    const std::string firstCapture = TempPath("cobalin-e2e-lan1-capture.log");
    const std::string secondCapture = TempPath("cobalin-e2e-lan2-capture.log");
    std::unique_ptr<SimProcess> first, second;
};

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
