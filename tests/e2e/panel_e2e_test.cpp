// The configuration panel end to end: the program under the UI driver in the
// PC namespace, the simulator in the LAN namespace, and the simulator's
// capture log telling what reached the wire. Screenshots of each state land
// in build/default/panel-shots.
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

// Devices restart after two program seconds, so that an update and its
// follow-up search take a moment only.
const std::string kLan =
    "[defaults]\npassword = admin\nrestart = 2\ncompany = ZentaHQ\nnetmask = 255.255.255.0\ngateway = 192.168.1.1\n"
    "[device]\ncount = 2\nmac = 02:7E:3A:04:C8:01\nip = 192.168.1.11\nname = Dongle\nhwid = PCB-4193-02\n"
    "model = IPD-100\nserial = D26000101\n"
    "[device]\nmac = 02:7E:3A:05:00:01\nip = 192.168.1.31\nname = Rack1\nhwid = PCB-4160-01\nmodel = ZB-2000\n"
    "serial = Z26000201\n";

struct Datagram {
    std::string src, dst;
    size_t length = 0;
};

std::vector<Datagram> Captured(const std::string& path) {
    std::vector<Datagram> out;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string t, proto, arrow;
        Datagram d;
        fields >> t >> proto >> d.src >> arrow >> d.dst >> d.length;
        out.push_back(d);
    }
    return out;
}

// Clear, write and reset requests: everything sent to the devices' command port.
size_t CommandsSent(const std::string& capture) {
    size_t n = 0;
    for (const Datagram& d : Captured(capture)) n += d.dst.ends_with(":8890");
    return n;
}

// The simulator, a program and the capture log of one test.
class Lab {
public:
    Lab(const std::string& name, const std::string& settings, const std::string& lan = kLan)
        : capture_(TempPath("cobalin-e2e-panel-" + name + ".log")) {
        std::filesystem::remove(capture_);
        setenv("COBALIN_TIME_SCALE", std::to_string(kScale).c_str(), 1);
        sim = std::make_unique<SimProcess>(WriteFile("cobalin-e2e-panel-" + name + ".conf", lan),
                                           std::vector<std::string>{"--capture", capture_});
        app = std::make_unique<DriveProcess>(Home(name, settings), kScale);
        name_ = name;
    }
    bool Ok(const std::string& command) { return app->Do(command).value("ok").toBool(); }
    std::string Text(const std::string& control) { return app->Text(control); }
    QJsonValue Get(const std::string& control, const std::string& prop) { return app->Get(control, prop); }
    QJsonArray Dialogs() { return app->Do("dialogs").value("value").toArray(); }
    void Shot(const std::string& state) { app->Do("shot " + ShotDir("panel-shots") + "/" + name_ + "-" + state + ".png"); }
    void Scan() {
        ASSERT_TRUE(Ok("click Command34(0)"));
        ASSERT_TRUE(Ok("idle 60"));
    }
    size_t Commands() { return CommandsSent(capture_); }
    const std::string& capture() const { return capture_; }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<DriveProcess> app;

private:
    std::string capture_, name_;
};

const std::string kDongleSettings = "[RunMode]\nStartupAutoDeviceType=1\nAdvancedMode=0\nShowPassword=1\n";
const std::string kBoxSettings = "[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=0\nShowPassword=1\n";

// The values recorded for a watched property, oldest first.
std::vector<std::string> Recorded(const QJsonArray& changes, const std::string& name) {
    std::vector<std::string> out;
    for (const auto& c : changes)
        if (c.toObject().value("name").toString().toStdString() == name)
            out.push_back(c.toObject().value("value").toString().toStdString());
    return out;
}

bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted) {
    size_t w = 0;
    for (const std::string& s : seen)
        if (w < wanted.size() && s == wanted[w]) ++w;
    return w == wanted.size();
}

}  // namespace

TEST(PanelE2E, IpDongleRoadSavesNetworkNameLocationAndPassword) {
    Lab lab("dongle", kDongleSettings);
    ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
    lab.Shot("idle");
    EXPECT_EQ(lab.Text("Label54(1)"), "Ready");
    EXPECT_EQ(lab.Get("Command34(2)", "enabled"), false);

    // The super user password first, so that the device's settings reach the panel.
    ASSERT_TRUE(lab.Ok("type Text12(3) admin"));
    ASSERT_TRUE(lab.Ok("click Command34(0)"));
    ASSERT_TRUE(lab.Ok("wait 1.5"));
    lab.Shot("searching");
    EXPECT_EQ(lab.Text("Label54(1)").rfind("Searching...", 0), 0u) << lab.Text("Label54(1)");
    // A search running: Scan and Refresh are refused with a box titled by the button.
    ASSERT_TRUE(lab.Ok("invoke Command34(0)"));
    ASSERT_TRUE(lab.Ok("invoke Command34(1)"));
    QJsonArray boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(boxes[i].toObject().value("text"), "Please wait for application ready and then try again!");
        EXPECT_EQ(boxes[i].toObject().value("title"), i == 0 ? "Scan" : "Refresh");
        EXPECT_EQ(boxes[i].toObject().value("icon"), "critical");
    }
    ASSERT_TRUE(lab.Ok("idle 60"));
    lab.Shot("found");
    EXPECT_EQ(lab.Text("Label54(1)"), "Found...2 IP Dongle(s)");
    const std::string mac = lab.Text("Text12(11)");
    EXPECT_EQ(lab.Text("Text12(6)"), "Dongle");
    EXPECT_EQ(lab.Text("Text12(7)"), "ZentaHQ");
    const std::string oldIp = lab.Text("Text12(0)");
    EXPECT_TRUE(oldIp == "192.168.1.11" || oldIp == "192.168.1.12") << oldIp;
    EXPECT_EQ(lab.Get("Command34(2)", "enabled"), true);

    // A refusal in red; nothing is sent, nothing is cleared.
    ASSERT_TRUE(lab.Ok("type Text12(8) Admin"));
    ASSERT_TRUE(lab.Ok("type Text12(6) NewName"));
    ASSERT_TRUE(lab.Ok("click Command34(2)"));
    boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value("title"), "Password Authentication");
    EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);
    lab.Shot("refused");
    EXPECT_EQ(lab.Text("Text12(8)"), "Admin");
    EXPECT_EQ(lab.Text("Text12(6)"), "NewName");
    EXPECT_EQ(lab.Commands(), 0u);

    // The new settings.
    ASSERT_TRUE(lab.Ok("type Text12(8) admin"));
    ASSERT_TRUE(lab.Ok("type Text12(7) NewPlace"));
    ASSERT_TRUE(lab.Ok("type Text12(9) newpass12"));
    ASSERT_TRUE(lab.Ok("type Text12(10) newpass12"));
    ASSERT_TRUE(lab.Ok("type Text12(0) 192.168.1.77"));
    ASSERT_TRUE(lab.Ok("watch Label54(1) text"));
    const QJsonObject saved = lab.app->Do("click Command34(2)");
    EXPECT_EQ(saved.value("value"), "busy") << "the update waits through the restart";
    ASSERT_TRUE(lab.Ok("wait 3"));
    lab.Shot("applying");
    for (const char* name : {"Command34(0)", "Command34(2)", "Frame22"}) EXPECT_EQ(lab.Get(name, "enabled"), false) << name;
    // Past Timer1's end, within the restart: neither Scan nor Save starts anything.
    ASSERT_TRUE(lab.Ok("wait 5"));
    EXPECT_EQ(lab.Get("Timer1", "enabled"), false);
    ASSERT_TRUE(lab.Ok("invoke Command34(0)"));
    ASSERT_TRUE(lab.Ok("invoke Command34(2)"));
    boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[0].toObject().value("text"), "Are you sure to setup the IP Dongle?");
    EXPECT_EQ(boxes[1].toObject().value("title"), "Scan");
    EXPECT_EQ(boxes[2].toObject().value("title"), "Save");
    EXPECT_EQ(boxes[2].toObject().value("text"), "Please wait for application ready and then try again!");
    ASSERT_TRUE(lab.Ok("idle 60"));
    lab.Shot("done");

    // The panel's status through the update.
    const auto status = Recorded(lab.app->Do("changes").value("value").toArray(), "Label54(1)");
    EXPECT_TRUE(InOrder(status, {"Updating...", "Ready", "Update...Done", "Found...2 IP Dongle(s)"}))
        << ::testing::PrintToString(status);
    // The lists are filled again and the first IP Dongle, the one just
    // written, is loaded: its password is new, the super user password typed
    // before is the old one, so the panel stays empty and says so.
    EXPECT_EQ(status.back(), "Please enter password authentication to query a device!");
    EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);

    // What reached the wire: one clear, one write in two datagrams, one reset.
    std::vector<std::string> sent;
    for (const Datagram& d : Captured(lab.capture()))
        if (d.dst.ends_with(":8890")) sent.push_back(d.src + " " + std::to_string(d.length));
    EXPECT_EQ(sent, (std::vector<std::string>{"192.168.1.250:8883 59", "192.168.1.250:8884 1031",
                                              "192.168.1.250:8884 1007", "192.168.1.250:8882 59"}));

    // Found again on its new address with its new name, location and password.
    // The super user password typed before is the old one: the panel stays
    // empty until the new one is typed.
    const auto found = Strings(lab.Get("List1", "items"));
    ASSERT_NE(std::find(found.begin(), found.end(), mac), found.end());
    EXPECT_EQ(lab.Text("Text12(6)"), "");
    ASSERT_TRUE(lab.Ok("type Text12(3) newpass12"));
    lab.Scan();
    std::string ip;
    for (int i = 0; i < 2 && ip != "192.168.1.77"; ++i) {
        if (i == 1) {
            // The first device shown is the other one: type its password in turn.
            ASSERT_TRUE(lab.Ok("type Text12(3) admin"));
            lab.Scan();
        }
        ip = lab.Text("Text6(0)");
    }
    EXPECT_EQ(lab.Text("Frame13"), mac);
    EXPECT_EQ(lab.Text("Text6(0)"), "192.168.1.77");
    EXPECT_EQ(lab.Text("Text6(9)"), "NewName");
    EXPECT_EQ(lab.Text("Text6(10)"), "NewPlace");
    EXPECT_EQ(lab.Text("Text6(3)"), "newpass12");
    EXPECT_EQ(lab.Text("Combo2"), "Disable");
    lab.Shot("found-again");
}

TEST(PanelE2E, DhcpWritesOnlyNameLocationPasswordAndBootMode) {
    Lab lab("dhcp", kDongleSettings);
    ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
    ASSERT_TRUE(lab.Ok("type Text12(3) admin"));
    lab.Scan();
    const std::string mac = lab.Text("Text12(11)");
    const std::string ip = lab.Text("Text12(0)");
    ASSERT_TRUE(lab.Ok("click Option2(0)"));
    ASSERT_TRUE(lab.Ok("type Text12(0) 192.168.1.99"));
    ASSERT_TRUE(lab.Ok("type Text12(6) Dhcp-Dongle"));
    ASSERT_TRUE(lab.Ok("type Text12(7) Lab-2"));
    ASSERT_TRUE(lab.Ok("type Text12(8) admin"));
    lab.app->Do("click Command34(2)");
    ASSERT_TRUE(lab.Ok("idle 60"));
    EXPECT_EQ(lab.Commands(), 4u);
    EXPECT_EQ(lab.Text("Frame13"), mac);
    EXPECT_EQ(lab.Text("Text6(0)"), ip) << "the addresses are not written with DHCP";
    EXPECT_EQ(lab.Text("Text12(6)"), "Dhcp-Dongle");
    EXPECT_EQ(lab.Text("Text12(7)"), "Lab-2");
    EXPECT_EQ(lab.Text("Combo2"), "Enable");
    EXPECT_EQ(lab.Get("Option2(0)", "checked"), true);

    // The same values again: nothing differs, nothing is sent.
    ASSERT_TRUE(lab.Ok("type Text12(8) admin"));
    ASSERT_TRUE(lab.Ok("click Command34(2)"));
    EXPECT_EQ(lab.Text("Label54(1)"), "No change is made");
    EXPECT_EQ(lab.Get("Command34(2)", "enabled"), true);
    EXPECT_EQ(lab.Commands(), 4u);
}

TEST(PanelE2E, ZentaBoxRoadChangesAddressesAndRackNumberOnly) {
    Lab lab("zentabox", kBoxSettings);
    ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
    lab.Shot("idle");
    EXPECT_EQ(lab.Get("Frame25", "visible"), false) << "no location or password rows";
    ASSERT_TRUE(lab.Ok("type Text12(3) admin"));
    ASSERT_TRUE(lab.Ok("click Command34(0)"));
    ASSERT_TRUE(lab.Ok("wait 1.5"));
    lab.Shot("searching");
    ASSERT_TRUE(lab.Ok("idle 60"));
    lab.Shot("found");
    EXPECT_EQ(lab.Text("Label54(1)"), "Found...1 ZentaBox(s)");
    EXPECT_EQ(lab.Text("Text12(6)"), "Rack1");
    EXPECT_EQ(lab.Text("Text12(0)"), "192.168.1.31");

    // An address no device may have: refused after the question, in red.
    ASSERT_TRUE(lab.Ok("type Text12(0) 127.0.0.1"));
    ASSERT_TRUE(lab.Ok("click Command34(2)"));
    QJsonArray boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value("text"), "Are you sure to setup the ZentaBox?");
    EXPECT_EQ(boxes[0].toObject().value("title"), "Setup ZentaBox");
    EXPECT_EQ(lab.Text("Label54(1)"), "Invalid network settings");
    EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);
    lab.Shot("refused");
    EXPECT_EQ(lab.Commands(), 0u);

    // Cancel changes nothing; OK writes.
    ASSERT_TRUE(lab.Ok("type Text12(0) 192.168.1.39"));
    ASSERT_TRUE(lab.Ok("type Text12(6) Rack9"));
    ASSERT_TRUE(lab.Ok("answer Cancel"));
    ASSERT_TRUE(lab.Ok("click Command34(2)"));
    EXPECT_EQ(lab.Commands(), 0u);
    lab.app->Do("click Command34(2)");
    ASSERT_TRUE(lab.Ok("wait 3"));
    lab.Shot("applying");
    ASSERT_TRUE(lab.Ok("idle 60"));
    lab.Shot("done");
    EXPECT_EQ(lab.Commands(), 4u);
    EXPECT_EQ(lab.Text("Label54(1)"), "Found...1 ZentaBox(s)");
    EXPECT_EQ(lab.Text("Text12(0)"), "192.168.1.39");
    EXPECT_EQ(lab.Text("Text12(6)"), "Rack9");
    EXPECT_EQ(lab.Text("Text6(3)"), "admin") << "the password stays";
    EXPECT_EQ(lab.Text("Text6(10)"), "ZentaHQ");
}

TEST(PanelE2E, EveryRefusalThroughTheDriverSendsNothing) {
    Lab lab("refusals", kDongleSettings);
    ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
    // Before any search: no device selected, said in the status line only.
    ASSERT_TRUE(lab.Ok("invoke Command34(3)"));
    QJsonArray boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value("title"), "Setup Device");
    EXPECT_EQ(lab.Text("Label54(1)"), "Please select a device to setup");
    EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);

    ASSERT_TRUE(lab.Ok("type Text12(3) admin"));
    lab.Scan();
    struct Case {
        std::vector<std::string> typed;
        std::string text, title;
        int boxes;  // the question comes before the boxes of the applying step
    };
    const std::string notAllowed = "( # ),( ' ),( \" ),( ; ),( & ),( \\ ) and Space characters are not allowed for ";
    const Case cases[] = {
        {{"Text12(8) wrong"}, "Please enter the password for authentication!", "Password Authentication", 1},
        {{"Text12(6) abc"}, "<Name>, <Location> requires a minimum 4 characters.", "Invalid Input", 1},
        {{"Text12(7) \"Caf\\u00e9\""}, notAllowed + "<Name>, <Location>.", "Invalid Input", 1},
        {{"Text12(6) \"two words\""}, notAllowed + "<Name>, <Location>.", "Invalid Input", 1},
        {{"Text12(9) abcdefgh"}, "<New password> and <Confirm new password> requires a minimum 8 characters.",
         "Invalid Input", 1},
        {{"Text12(9) abc#defgh", "Text12(10) abc#defgh"}, notAllowed + "<New password>, <Confirm new password>.",
         "Invalid Input", 1},
        {{"Text12(0) 192.168.1.255"}, "Invalid IP address.", "Invalid Input", 1},
        {{"Text12(1) 255.255.256.0"}, "Invalid subnet address.", "Invalid Input", 1},
        {{"Text12(2) 192.168.1.0"}, "Invalid gateway address.", "Invalid Input", 1},
        {{"Text12(9) abcdefgh", "Text12(10) abcdefgi"}, "Please enter a valid password.\r\n(8 characters)", "Cobalin", 2},
        {{"Text12(3) wrong"}, "Please enter password authentication for the setup device!", "Cobalin", 2},
        {{"Text12(0) 127.0.0.1"}, "Invalid network settings", "", 1},
    };
    for (const Case& c : cases) {
        for (const char* field : {"Text12(3) admin", "Text12(8) admin", "Text12(6) Dongle-1", "Text12(7) Hall-B",
                                         "Text12(9) \"\"", "Text12(10) \"\"", "Text12(0) 192.168.1.11",
                                         "Text12(1) 255.255.255.0", "Text12(2) 192.168.1.1"})
            ASSERT_TRUE(lab.Ok(std::string("type ") + field));
        for (const std::string& t : c.typed) ASSERT_TRUE(lab.Ok("type " + t)) << t;
        ASSERT_TRUE(lab.Ok("click Command34(2)")) << c.text;
        boxes = lab.Dialogs();
        ASSERT_EQ(boxes.size(), c.boxes) << c.text;
        const QJsonObject last = boxes.last().toObject();
        if (c.title.empty()) {
            EXPECT_EQ(lab.Text("Label54(1)"), c.text);  // status only after the question
            EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);
        } else {
            EXPECT_EQ(last.value("text").toString().toStdString(), c.text);
            EXPECT_EQ(last.value("title").toString().toStdString(), c.title);
            EXPECT_EQ(last.value("icon"), c.boxes == 1 ? "critical" : "none");
            if (c.boxes == 1) {
                EXPECT_EQ(lab.Text("Label54(1)"), c.text);
                EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);
            }
        }
        const std::string field = c.typed.front().substr(0, c.typed.front().find(' '));
        EXPECT_EQ(lab.Get(field, "text").toString().isEmpty(), false) << "never cleared: " << field;
        EXPECT_EQ(lab.Get("Command34(2)", "enabled"), true) << c.text;
    }
    // Leaving the confirmation field with another text than the new password.
    ASSERT_TRUE(lab.Ok("type Text12(4) secret12"));
    ASSERT_TRUE(lab.Ok("type Text12(5) secret13"));
    EXPECT_EQ(lab.app->Do("leave Text12(5)").value("value"), "kept");
    EXPECT_EQ(lab.Get("_lblText12(5)", "color"), 255);
    boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].toObject().value("text"), "Invalid confirm password!");
    EXPECT_EQ(boxes[0].toObject().value("icon"), "none");
    EXPECT_EQ(lab.app->Do("click Command34(2)").value("value"), "kept") << "the click does not happen";
    ASSERT_TRUE(lab.Ok("type Text12(5) secret12"));
    EXPECT_EQ(lab.app->Do("leave Text12(5)").value("value"), "left");
    EXPECT_EQ(lab.Get("_lblText12(5)", "color"), 0);

    lab.sim->Stop();
    EXPECT_EQ(CommandsSent(lab.capture()), 0u) << "no refusal sent anything";
    EXPECT_EQ(Captured(lab.capture()).size(), 2u) << "the search and the module query only";
}

TEST(PanelE2E, DefaultSettingsRefuseDevicesWithAPassword) {
    const std::string settings = "[RunMode]\nStartupAutoDeviceType=1\nAdvancedMode=0\n";
    {
        Lab lab("default-password", settings);
        ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
        EXPECT_EQ(lab.Get("Frame24", "visible"), false);
        EXPECT_EQ(lab.app->Do("type Text12(3) admin").value("error"), "hidden");
        ASSERT_TRUE(lab.Ok("watch Label54(1) text"));
        lab.Scan();
        const auto status = Recorded(lab.app->Do("changes").value("value").toArray(), "Label54(1)");
        EXPECT_NE(std::find(status.begin(), status.end(), "Please enter password authentication to query a device!"),
                  status.end());
        EXPECT_EQ(lab.Text("Text12(6)"), "");
        EXPECT_EQ(lab.Text("Text12(0)"), "");
        EXPECT_EQ(lab.Get("Option2(0)", "checked"), true) << "DHCP selected";
        EXPECT_EQ(lab.Text("Text6(9)"), "Dongle") << "the simple face has the values";
        // Save now: the device's password is not known.
        ASSERT_TRUE(lab.Ok("type Text12(6) Newname"));
        ASSERT_TRUE(lab.Ok("click Command34(2)"));
        EXPECT_EQ(lab.Text("Label54(1)"), "Please enter the password for authentication!");
        lab.sim->Stop();
        EXPECT_EQ(CommandsSent(lab.capture()), 0u);
    }
    // A device without a password passes; the applying step then says only
    // "Invalid configuration!".
    Lab lab("default-open", settings,
            "[device]\nmac = 02:7E:3A:04:C8:41\nip = 192.168.1.41\nname = Open\nhwid = PCB-4193-02\ncompany = Floor-1\n"
            "restart = 2\n");
    ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
    lab.Scan();
    EXPECT_EQ(lab.Text("Text12(6)"), "Open");
    ASSERT_TRUE(lab.Ok("type Text12(9) abcdefgh"));
    ASSERT_TRUE(lab.Ok("type Text12(10) abcdefgi"));
    ASSERT_TRUE(lab.Ok("click Command34(2)"));
    QJsonArray boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].toObject().value("text"), "Invalid configuration!");
    EXPECT_EQ(boxes[1].toObject().value("title"), "Cobalin");
    // The simple face under the panel (DEBUG) lets a password be typed there:
    // the super user password (empty, its frame hidden) no longer matches.
    ASSERT_TRUE(lab.Ok("invoke Command34(6)"));
    ASSERT_TRUE(lab.Ok("type Text6(3) x"));
    ASSERT_TRUE(lab.Ok("type Text12(8) x"));
    ASSERT_TRUE(lab.Ok("type Text12(9) \"\""));
    ASSERT_TRUE(lab.Ok("type Text12(10) \"\""));
    ASSERT_TRUE(lab.Ok("click Command34(2)"));
    boxes = lab.Dialogs();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].toObject().value("text"), "Invalid configuration!");
    lab.sim->Stop();
    EXPECT_EQ(CommandsSent(lab.capture()), 0u);
}

TEST(PanelE2E, ADeviceThatKeptOtherValuesIsReportedOnThePanel) {
    Lab lab("kept", "[RunMode]\nStartupAutoDeviceType=1\nAdvancedMode=0\nSkipPassword=1\n",
            "[device]\nmac = 02:7E:3A:04:C8:51\nip = 192.168.1.51\nname = Stubborn\nhwid = PCB-4193-02\n"
            "company = Floor-1\nrestart = 2\nignore_writes = yes\n");
    ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
    lab.Scan();
    ASSERT_TRUE(lab.Ok("type Text12(6) Renamed"));
    lab.app->Do("click Command34(2)");
    ASSERT_TRUE(lab.Ok("idle 60"));
    EXPECT_EQ(lab.Text("Label54(1)"), "Device kept other values: Server name");
    EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);
    lab.Shot("kept-other-values");
}

TEST(PanelE2E, ADeviceThatDidNotComeBackIsReportedOnThePanel) {
    Lab lab("gone", "[RunMode]\nStartupAutoDeviceType=1\nAdvancedMode=0\nSkipPassword=1\n",
            "[device]\nmac = 02:7E:3A:04:C8:61\nip = 192.168.1.61\nname = Leaving\nhwid = PCB-4193-02\n"
            "company = Floor-1\nrestart = never\n");
    ASSERT_TRUE(lab.sim->ready()) << lab.sim->errors();
    lab.Scan();
    ASSERT_TRUE(lab.Ok("type Text12(7) Floor-2"));
    lab.app->Do("click Command34(2)");
    ASSERT_TRUE(lab.Ok("idle 60"));
    EXPECT_EQ(lab.Text("Label54(1)"), "Not found after the update: 02:7E:3A:04:C8:61");
    EXPECT_EQ(lab.Get("Label54(1)", "color"), 255);
    EXPECT_EQ(lab.Text("Label44"), "Not found after the update: 02:7E:3A:04:C8:61");
    EXPECT_EQ(lab.Get("List1", "count"), 0);
}
