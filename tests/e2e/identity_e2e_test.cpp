// A device's identity end to end through the window: the program under the
// UI driver in the PC namespace, simulated devices in the LAN namespace that
// keep their values and lose page 0 after their restart, or share one MAC.
// What reached the wire is read from the simulator's capture log.
// Screenshots land in build/default/identity-shots.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "netlab_harness.h"

using namespace cobalin::e2e;

namespace {

constexpr double kScale = 0.05;

// The length of every datagram that reached the devices' command port
// (clear, write, reset), in the order they came.
std::vector<size_t> CommandLengths(const std::string& capture) {
    std::vector<size_t> out;
    std::ifstream in(capture);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string t, proto, src, arrow, dst;
        size_t length = 0;
        fields >> t >> proto >> src >> arrow >> dst >> length;
        if (dst.ends_with(":8890")) out.push_back(length);
    }
    return out;
}

// The simulator on a LAN interface holding only its own devices' addresses,
// and the program in its engineering face.
class IdentityE2E : public ::testing::Test {
protected:
    void SetUp() override { setenv("COBALIN_TIME_SCALE", std::to_string(kScale).c_str(), 1); }
    void TearDown() override { unsetenv("COBALIN_TIME_SCALE"); }

    void Start(const std::string& name, const std::string& lan) {
        ASSERT_EQ(std::system((Env("COBALIN_NETLAB") + " exec lan ip -4 addr flush dev lan0").c_str()), 0);
        name_ = name;
        capture_ = TempPath("cobalin-e2e-identity-" + name + ".log");
        std::filesystem::remove(capture_);
        sim = std::make_unique<SimProcess>(WriteFile("cobalin-e2e-identity-" + name + ".conf", lan),
                                           std::vector<std::string>{"--capture", capture_});
        ASSERT_TRUE(sim->ready()) << sim->errors();
        app = std::make_unique<DriveProcess>(
            Home("identity-" + name, "[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=1\nAdvIPDMode=1\n"), kScale);
        ASSERT_EQ(app->Text("Command1"), "Search (1)");
        ASSERT_EQ(app->Do("click Command1").value("ok"), true);
        ASSERT_EQ(app->Do("idle 60").value("ok"), true);
    }
    // Selects the device in List1, as a user does.
    void Pick(const std::string& mac) {
        const auto macs = Strings(app->Get("List1", "items"));
        const auto it = std::find(macs.begin(), macs.end(), mac);
        ASSERT_NE(it, macs.end()) << mac << " not in " << ::testing::PrintToString(macs);
        ASSERT_EQ(app->Do("select List1 " + std::to_string(it - macs.begin())).value("ok"), true);
    }
    // Types a new server name into the editor and applies it to the copy.
    void Rename(const std::string& name) {
        ASSERT_EQ(app->Do("select List5 0").value("ok"), true);
        ASSERT_EQ(app->Do("type Text4 " + name).value("ok"), true);
        ASSERT_EQ(app->Do("click Command6").value("ok"), true);
        ASSERT_EQ(Strings(app->Get("List5", "items")).at(0), name);
    }
    std::string Shot(const std::string& state) {
        const std::string file = ShotDir("identity-shots") + "/" + name_ + "-" + state + ".png";
        EXPECT_EQ(app->Do("shot " + file).value("ok"), true) << file;
        return file;
    }
    std::vector<size_t> Commands() const { return CommandLengths(capture_); }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<DriveProcess> app;

private:
    std::string name_, capture_;
};

}  // namespace

// The device acknowledges the write, keeps its values and, after its
// restart, never sends page 0 again: the one page that holds the name the
// write carried. Nothing that came back shows the name was taken.
TEST_F(IdentityE2E, ADeviceThatLosesPage0AfterItsRestartIsNotVerified) {
    const std::string mac = "02:00:00:00:24:01";
    Start("page0", "[device]\nmac = " + mac + "\nip = 192.168.1.61\nname = Stubborn\nhwid = PCB-4160-01\nrestart = 4\n"
                   "ignore_writes = yes\ndrop_after_restart = 0\n");
    Pick(mac);
    Rename("Renamed");
    ASSERT_EQ(app->Do("click Command9").value("value"), "busy");
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    Shot("not-verified");
    EXPECT_EQ(app->Text("Label1"), "Not verified: page 0 of this device was not received after the update; search again");
    EXPECT_EQ(app->Get("Label1", "color").toInt(), 255);
    EXPECT_EQ(Commands(), (std::vector<size_t>{59, 1031, 1007, 59})) << "the clear, the write and the reset went";
}

// Two devices answer with one MAC, each with its own record: selected, the
// device is shown with the warning in red; "Update (7)" sends nothing to it.
TEST_F(IdentityE2E, TwoDevicesWithOneMacAreShownAndNeverWritten) {
    const std::string mac = "02:00:00:00:24:02";
    Start("shared-mac", "[defaults]\nrestart = 4\nhwid = PCB-4160-01\npage_gap = 0.005\n"
                        "[device]\nmac = " + mac + "\nip = 192.168.1.71\nname = Twin A\n"
                        "[device]\nmac = " + mac + "\nip = 192.168.1.72\nname = Twin B\n"
                        "[device]\nmac = 02:00:00:00:24:03\nip = 192.168.1.73\nname = Bystander\n");
    Pick(mac);
    Shot("details");
    EXPECT_NE(app->Text("Label1").find("MAC answered by two devices"), std::string::npos) << app->Text("Label1");
    EXPECT_EQ(app->Get("Label1", "color").toInt(), 255);

    Rename("Renamed");
    app->Do("click Command9");
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    Shot("refused");
    EXPECT_EQ(app->Text("Label1"), "Not updated: two devices answer with MAC " + mac +
                                       "; give one of them another MAC or disconnect it, then search again");
    EXPECT_EQ(app->Get("Label1", "color").toInt(), 255);
    EXPECT_EQ(Commands(), std::vector<size_t>{}) << "no clear, write or reset reached either device";

    // The bystander is written as ever.
    Pick("02:00:00:00:24:03");
    Rename("Bystander 2");
    ASSERT_EQ(app->Do("click Command9").value("value"), "busy");
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    EXPECT_EQ(app->Text("Label1"), "Searching...Done");
    EXPECT_EQ(app->Get("Label1", "color").toInt(), 0);
}

// Two devices hold one IP address, and one answers from outside the PC's
// subnet: selected, each shows its warning in red on the status line; a
// device with nothing wrong shows the search's own words in black.
TEST_F(IdentityE2E, AddressesHeldTwiceAndOutsideTheSubnetAreShownInRed) {
    const std::string same1 = "02:00:00:00:24:11", same2 = "02:00:00:00:24:12", elsewhere = "02:00:00:00:24:13",
                      clean = "02:00:00:00:24:14";
    Start("warnings", "[defaults]\nhwid = PCB-4160-01\n"
                      "[device]\nmac = " + same1 + "\nip = 192.168.1.91\nname = Same 1\n"
                      "[device]\nmac = " + same2 + "\nip = 192.168.1.91\nname = Same 2\n"
                      "[device]\nmac = " + elsewhere + "\nip = 10.0.0.5\nnetmask = 255.0.0.0\ngateway = 10.0.0.1\n"
                      "name = Elsewhere\n"
                      "[device]\nmac = " + clean + "\nip = 192.168.1.92\nname = Clean\n");
    const struct {
        std::string mac, status;
        int color;
    } cases[] = {
        {same1, "IP address also held by MAC " + same2, 255},
        {same2, "IP address also held by MAC " + same1, 255},
        {elsewhere, "not in the subnet of interface pc0 (192.168.1.250/24)", 255},
        {clean, "Searching...Done", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mac);
        Pick(c.mac);
        EXPECT_EQ(app->Text("Label1"), c.status);
        EXPECT_EQ(app->Get("Label1", "color").toInt(), c.color);
    }
    Pick(elsewhere);
    Shot("outside-subnet");
}

// The PC's link goes down between the search and "Update (7)": the
// interface the device answered on is gone, and its write never takes
// another way (the default route); the window says so in red.
TEST_F(IdentityE2E, AWriteWhoseInterfaceIsGoneIsRefused) {
    const std::string mac = "02:00:00:00:24:21";
    Start("gone", "[device]\nmac = " + mac + "\nip = 192.168.1.66\nname = Cut Off\nhwid = PCB-4160-01\nrestart = 4\n");
    Pick(mac);
    Rename("Renamed");
    const std::string link = Env("COBALIN_NETLAB") + " exec pc ip link set pc0 ";
    ASSERT_EQ(std::system((link + "down").c_str()), 0);
    struct Up {
        std::string command;
        ~Up() { EXPECT_EQ(std::system(command.c_str()), 0); }
    } up{link + "up"};
    app->Do("click Command9");
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    Shot("interface-gone");
    EXPECT_EQ(app->Text("Label1"), "Not updated: the interface this device answered on is gone; search again");
    EXPECT_EQ(app->Get("Label1", "color").toInt(), 255);
    EXPECT_EQ(Commands(), std::vector<size_t>{}) << "nothing reached the device";
}
