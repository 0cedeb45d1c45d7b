// The ping scan end to end: the program under the UI driver in the PC
// namespace pings 192.168.1.1-100, and the LAN namespace answers for the
// addresses this test gives it. Every socket kind the program may use is
// tried: the raw socket (root), the datagram socket (ping_group_range opened
// in the PC namespace, CAP_NET_RAW dropped) and neither.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "netlab_harness.h"

using namespace cobalin::e2e;

namespace {

const std::vector<int> kAnswering = {3, 9, 17, 26, 37, 44, 58, 71, 86, 100};

std::string Home() {
    const std::string dir = (std::filesystem::temp_directory_path() / "cobalin-e2e-ping-home").string();
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/Setting.ini") << "[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=1\nAdvIPDMode=1\n";
    return dir;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string Lan(const std::string& command) { return Env("COBALIN_NETLAB") + " exec lan " + command; }

void SetPingGroupRange(const char* range) {
    // This test runs inside the PC namespace: the setting is that namespace's own.
    ASSERT_EQ(Shell(std::string("sysctl -qw net.ipv4.ping_group_range='") + range + "'"), 0);
}

std::vector<std::string> Addresses(int first, int last, bool answering) {
    std::vector<std::string> out;
    for (int i = first; i <= last; ++i) {
        const bool a = std::find(kAnswering.begin(), kAnswering.end(), i) != kAnswering.end();
        if (a == answering) out.push_back("192.168.1." + std::to_string(i));
    }
    return out;
}

class PingE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (int i : kAnswering) Shell(Lan("ip addr add 192.168.1." + std::to_string(i) + "/24 dev lan0"));
    }
    static void TearDownTestSuite() {
        Shell(Lan("ip -4 addr flush dev lan0"));
    }
    void TearDown() override { SetPingGroupRange("1 0"); }

    // Opens the More frame and runs one whole scan.
    static void FullScan(DriveProcess& app) {
        ASSERT_EQ(app.Do("click Command13").value("ok"), true);
        ASSERT_EQ(app.Do("click Command4").value("value"), "busy");
        ASSERT_EQ(app.Do("idle 60").value("ok"), true);
        EXPECT_EQ(app.Text("Label1"), "Scanning...Done");
        EXPECT_EQ(app.Text("Command4"), "Ping");
    }
};

}  // namespace

TEST_F(PingE2E, RawSocketFindsTheAnsweringAddressesInOrder) {
    DriveProcess app(Home(), 1.0);
    FullScan(app);
    EXPECT_EQ(Strings(app.Get("List2", "items")), Addresses(1, 100, true));
    EXPECT_EQ(Strings(app.Get("List3", "items")), Addresses(1, 100, false));
    EXPECT_EQ(app.Do("dialogs").value("value").toArray().size(), 0);
}

TEST_F(PingE2E, DatagramSocketWithoutRawCapability) {
    SetPingGroupRange("0 2147483647");
    DriveProcess app(Home(), 1.0, {"setpriv", "--bounding-set=-net_raw", "--inh-caps=-net_raw", "--"});
    FullScan(app);
    EXPECT_EQ(Strings(app.Get("List2", "items")), Addresses(1, 100, true));
    EXPECT_EQ(app.Get("List3", "count").toInt(), 90);
    EXPECT_EQ(app.Do("dialogs").value("value").toArray().size(), 0);
}

TEST_F(PingE2E, NoSocketPermittedGivesOneMessageAndGeneralFailures) {
    DriveProcess app(Home(), 1.0, {"setpriv", "--bounding-set=-net_raw", "--inh-caps=-net_raw", "--"});
    FullScan(app);
    EXPECT_EQ(app.Get("List2", "count").toInt(), 0);
    std::vector<std::string> all;
    for (int i = 1; i <= 100; ++i) all.push_back("192.168.1." + std::to_string(i));
    EXPECT_EQ(Strings(app.Get("List3", "items")), all);
    const QJsonArray shown = app.Do("dialogs").value("value").toArray();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].toObject().value("text").toString().contains("CAP_NET_RAW"));
}

TEST_F(PingE2E, StopThenAQuickSecondClickThenANewScan) {
    DriveProcess app(Home(), 1.0);
    ASSERT_EQ(app.Do("click Command13").value("ok"), true);
    ASSERT_EQ(app.Do("click Command4").value("value"), "busy");
    EXPECT_EQ(app.Text("Command4"), "Stop");
    // Stop while .37 is pinged: its status line follows the one of .36.
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end && line.rfind("Scanning...192.168.1.36,", 0) != 0)
        line = app.Text("Label1");
    ASSERT_EQ(line, "Scanning...192.168.1.36, Status=11010 [ ip req timed out ]");
    ASSERT_EQ(app.Do("click Command4").value("ok"), true);
    EXPECT_EQ(app.Text("Command4"), "Ping");
    app.Do("click Command4");  // at once again: the stopped loop has not ended yet
    ASSERT_EQ(app.Do("idle 60").value("ok"), true);
    EXPECT_EQ(app.Text("Label1"), "Scanning...Done");
    EXPECT_EQ(Strings(app.Get("List2", "items")), Addresses(1, 37, true));
    EXPECT_EQ(Strings(app.Get("List3", "items")), Addresses(1, 37, false));

    ASSERT_EQ(app.Do("click Command4").value("value"), "busy");
    ASSERT_EQ(app.Do("idle 60").value("ok"), true);
    EXPECT_EQ(app.Get("List2", "count").toInt() + app.Get("List3", "count").toInt(), 100);
}
