// Searching end to end: the program under the UI driver in the PC namespace,
// the simulator in the LAN namespace.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "netlab_harness.h"

using namespace cobalin::e2e;

namespace {

const std::string kSimpleFace = "[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=2\nSkipPassword=1\n";

// A whole search is 19 ticks of 0.3 program seconds, and these tests count
// exactly what it found. At this scale it lasts over a second of real time,
// against a simulator that answers within milliseconds: a loaded machine
// that delays the simulator or the program by a few hundred milliseconds
// still leaves every answer inside the search.
constexpr double kSearchScale = 0.2;

std::string Sample() { return Env("COBALIN_SOURCE_DIR") + "/sim/sample-lan.conf"; }

void SearchMode(DriveProcess& app, int mode, const std::string& address = "") {
    ASSERT_EQ(app.Do("click Option1(" + std::to_string(mode) + ")").value("ok"), true);
    if (mode == 1) app.Do("type Text6(4) " + address);
    if (mode == 2) app.Do("type Text6(5) " + address);
}

void RunSearch(DriveProcess& app) {
    ASSERT_EQ(app.Do("click Command10").value("ok"), true);
    ASSERT_EQ(app.Do("idle 60").value("ok"), true);
}

}  // namespace

TEST(SearchE2E, AnyNetworkFindsAndShowsEveryDevice) {
    const std::string capture = TempPath("cobalin-e2e-search-capture.log");
    std::filesystem::remove(capture);
    SimProcess sim(Sample(), {"--capture", capture});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    DriveProcess app(Home("any", kSimpleFace), kSearchScale);
    SearchMode(app, 0);
    RunSearch(app);
    EXPECT_EQ(app.Text("Label44"), "Found...14 device(s)");
    EXPECT_EQ(app.Get("List6", "count"), 14);
    EXPECT_EQ(app.Get("List1", "count"), 14);
    EXPECT_EQ(app.Text("Label21"), "14");
    EXPECT_EQ(app.Text("Label1"), "Searching...Done");
    EXPECT_EQ(app.Get("Frame16", "visible"), false);
    EXPECT_EQ(app.Text("Label54(1)"), "Found...3 ZentaBox(s)");
    EXPECT_EQ(app.Get("Combo6", "count"), 3);
    EXPECT_EQ(app.Get("Combo5", "count"), 8);
    EXPECT_EQ(app.Get("Combo4", "count"), 14);
    EXPECT_EQ(app.Get("List7", "count"), 3);
    EXPECT_EQ(app.Text("Text12(11)"), "02:7E:3A:05:00:01");
    // The first ZentaBox is loaded into the simple face and the panel.
    EXPECT_EQ(app.Text("Frame13"), "02:7E:3A:05:00:01");
    EXPECT_EQ(app.Text("Text6(0)"), "192.168.1.31");
    EXPECT_EQ(app.Text("Text6(9)"), "Rack 1");
    EXPECT_EQ(app.Text("Text12(6)"), "Rack 1");
    EXPECT_EQ(app.Get("Option2(1)", "checked"), true);

    // Details of a paged LAN module, its company name merged from the module record.
    ASSERT_EQ(app.Do("select List6 11").value("ok"), true);
    const auto values = Strings(app.Get("List5", "items"));
    ASSERT_EQ(values.size(), 33u);
    EXPECT_EQ(values[7], "02:7E:3A:06:00:01");
    EXPECT_EQ(values[4], "192.168.1.41");
    EXPECT_EQ(values[12], "115200");
    EXPECT_EQ(values[30], "Zenta LM");
    EXPECT_EQ(values[8], "V1.0.7 & 2026-03-14");
    EXPECT_EQ(app.Do("state FormatTag 12").value("value"), "2");
    EXPECT_EQ(app.Text("Label7"), "02:7E:3A:06:00:01");
    EXPECT_EQ(app.Text("Label15"), "Connected");
    // And of the short-format device: 11 rows, four summary lines "N/A".
    ASSERT_EQ(app.Do("select List6 13").value("ok"), true);
    const auto shortValues = Strings(app.Get("List5", "items"));
    ASSERT_EQ(shortValues.size(), 11u);
    EXPECT_EQ(shortValues[0], "Legacy");
    EXPECT_EQ(shortValues[3], "02:7E:3A:07:00:01");
    EXPECT_EQ(shortValues[10], "CC01");
    EXPECT_EQ(app.Text("Label9x"), "N/A");
    EXPECT_EQ(app.Do("state FormatTag 14").value("value"), "1.2");
    sim.Stop();

    // What reached the wire: the search request, then the module query on tick 9.
    std::ifstream in(capture);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 2u);
    std::istringstream first(lines[0]), second(lines[1]);
    std::string t, proto, src, arrow, dst, len, hex;
    first >> t >> proto >> src >> arrow >> dst >> len >> hex;
    EXPECT_EQ(src + " " + dst + " " + len, "192.168.1.250:8889 255.255.255.255:8888 23");
    EXPECT_EQ(hex, "54657373616C792044617461636F6D6D20436F72702E00");
    second >> t >> proto >> src >> arrow >> dst >> len >> hex;
    EXPECT_EQ(src + " " + dst + " " + len, "192.168.1.250:8888 255.255.255.255:8880 173");
    EXPECT_EQ(hex, "4272656E696B4C4D" + std::string(330, '0'));
}

TEST(SearchE2E, SpecifiedNetworkAndAddressAndRefusals) {
    SimProcess sim(Sample());
    ASSERT_TRUE(sim.ready()) << sim.errors();
    DriveProcess app(Home("modes", kSimpleFace), kSearchScale);
    SearchMode(app, 1, "192.168.1.255");
    RunSearch(app);
    EXPECT_EQ(app.Text("Label44"), "Found...14 device(s)");

    SearchMode(app, 2, "192.168.1.31");
    RunSearch(app);
    EXPECT_EQ(app.Text("Label44"), "Found...1 device(s)");
    EXPECT_EQ(Strings(app.Get("List6", "items")), std::vector<std::string>{"02:7E:3A:05:00:01"});
    EXPECT_EQ(app.Text("Label1"), "Sending...Done");
    EXPECT_EQ(app.Text("txtRemotePort"), "8890");

    const std::pair<int, const char*> refused[] = {{2, "192.168.1.255"}, {2, "192.168.1.0"}, {1, "192.168.1"},
                                                   {1, "192.168.1.256"}, {1, "192.168.a.1"}};
    for (const auto& [mode, address] : refused) {
        SearchMode(app, mode, address);
        ASSERT_EQ(app.Do("click Command10").value("ok"), true);
        EXPECT_EQ(app.Text("Label44"), "Invalid IP address entry!") << address;
        EXPECT_EQ(app.Text("Label46"), "Invalid IP address entry!") << address;
        EXPECT_EQ(app.Get("Label54(1)", "color"), 255) << address;
        EXPECT_EQ(app.Get("Timer1", "enabled"), false) << "nothing is sent for " << address;
    }
}

TEST(SearchE2E, NothingFoundShowsTheHint) {
    SimProcess sim(WriteFile("cobalin-e2e-silent.conf", "[device]\nmac=02:00:00:00:20:01\nip=192.168.1.60\nsilent=yes\n"));
    ASSERT_TRUE(sim.ready()) << sim.errors();
    DriveProcess app(Home("none", kSimpleFace), kSearchScale);
    SearchMode(app, 0);
    RunSearch(app);
    EXPECT_EQ(app.Text("Label44"), "Found...0 device(s)");
    EXPECT_EQ(app.Get("Frame16", "visible"), true);
    EXPECT_EQ(app.Text("Label46"), "Found...0 device(s)");
    EXPECT_EQ(app.Text("Label54(1)"), "Found...0 ZentaBox(s)");
    EXPECT_EQ(app.Get("Command34(2)", "enabled"), false);
}

TEST(SearchE2E, TwoHundredFiftyFiveDevicesAndTheNextOneRefused) {
    SimProcess sim(WriteFile("cobalin-e2e-256.conf", "[device]\ncount=256\nmac=02:00:00:00:30:00\nip=192.168.1.1\nhwid=PCB-4160-01\n"),
                   {"--burst"});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    DriveProcess app(Home("many", kSimpleFace), kSearchScale);
    SearchMode(app, 0);
    RunSearch(app);
    EXPECT_EQ(app.Do("state DeviceCount").value("value"), 255);
    EXPECT_EQ(app.Get("List1", "count"), 255);
    EXPECT_EQ(app.Get("List6", "count"), 255);
    EXPECT_EQ(app.Get("Combo6", "count"), 255);
    EXPECT_EQ(app.Text("Label44"), "Found...255 device(s)");
    EXPECT_EQ(app.Text("Label54(1)"), "Found...255 ZentaBox(s)");
    // The refusal was shown in red while the replies came in.
    app.Do("watch Label54(1) text");
    SearchMode(app, 0);
    ASSERT_EQ(app.Do("click Command10").value("ok"), true);
    ASSERT_EQ(app.Do("idle 60").value("ok"), true);
    bool refused = false;
    for (const auto& c : app.Do("changes").value("value").toArray())
        refused = refused || c.toObject().value("value").toString() == "Error occured when connecting device!";
    EXPECT_TRUE(refused);
}

TEST(SearchE2E, FaultyRepliesLeaveTheTableSane) {
    SimProcess sim(WriteFile("cobalin-e2e-faulty.conf",
        "[device]\nmac=02:00:00:00:40:01\nip=192.168.1.71\nreorder=yes\nname=Reordered\n"
        "[device]\nmac=02:00:00:00:40:02\nip=192.168.1.72\nduplicate=yes\nname=Twice\n"
        "[device]\nmac=02:00:00:00:40:03\nip=192.168.1.73\ntruncate=900\nname=Cut\n"
        "[device]\nmac=02:00:00:00:40:04\nip=192.168.1.74\nmalformed=300\nflood=2000\nname=Noisy\n"),
        {"--burst"});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    DriveProcess app(Home("faulty", kSimpleFace), kSearchScale);
    SearchMode(app, 0);
    ASSERT_EQ(app.Do("click Command10").value("ok"), true);
    // The window answers while the flood arrives.
    EXPECT_EQ(app.Do("get Command10 text").value("ok"), true);
    ASSERT_EQ(app.Do("idle 60").value("ok"), true);
    const auto macs = Strings(app.Get("List1", "items"));
    // A truncated page 0 never makes an entry, but its whole pages 1 and 2 do
    // no more than its MAC: one entry per device either way.
    std::set<std::string> unique(macs.begin(), macs.end());
    EXPECT_EQ(unique.size(), macs.size()) << "no device twice";
    for (const char* mac : {"02:00:00:00:40:01", "02:00:00:00:40:02", "02:00:00:00:40:04"})
        EXPECT_TRUE(unique.count(mac)) << mac;
    ASSERT_EQ(app.Do("select List6 0").value("ok"), true);
    EXPECT_EQ(app.Text("Label17"), "Reordered") << "pages in reverse order land in one entry";
    ASSERT_EQ(app.Do("select List6 1").value("ok"), true);
    EXPECT_EQ(app.Text("Label17"), "Twice");
}
