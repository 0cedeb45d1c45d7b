// What a person sees on a real screen: the program on an X display of its
// own (Xvfb, the xcb platform, through tests/e2e/run-under-xvfb) searches the
// sample LAN from the PC namespace; the configuration panel, the simple face,
// the engineering face and the help window are shown for both device types
// at QT_SCALE_FACTOR 1 and 2, no caption and no list line in them is
// clipped (the engineering face after a ping scan of the virtual LAN), and a
// screenshot of each lands in build/default/screen-shots.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "netlab_harness.h"
#include "windows/window_layouts.h"

using namespace cobalin::e2e;

namespace {

constexpr double kScale = 0.05;

// A caption or a list's lines, which the driver tells clipped.
bool MayBeClipped(cobalin::ui::Kind k) {
    using K = cobalin::ui::Kind;
    return k == K::Label || k == K::Button || k == K::Option || k == K::Check || k == K::Frame || k == K::ListBox ||
           k == K::ComboBox;
}

// The program on the test's X display, searching the sample LAN.
class Screen {
public:
    Screen(int deviceType, const std::string& scaleFactor) : where_("DeviceType " + std::to_string(deviceType) + " scale " + scaleFactor) {
        const std::string name = "screen-" + std::to_string(deviceType) + "-" + scaleFactor;
        prefix_ = (deviceType == 1 ? "dongle" : "zentabox") + std::string(scaleFactor == "1" ? "" : "-x" + scaleFactor);
        const std::string settings = "[RunMode]\nStartupAutoDeviceType=" + std::to_string(deviceType) +
                                     "\nAdvancedMode=0\nAdvIPDMode=1\nShowPassword=1\nSkipPassword=1\n";
        app = std::make_unique<DriveProcess>(
            Home(name, settings), kScale, std::vector<std::string>{},
            std::vector<std::string>{"QT_QPA_PLATFORM=xcb", "DISPLAY=" + Env("DISPLAY"), "XAUTHORITY=" + Env("XAUTHORITY"),
                                     "QT_SCALE_FACTOR=" + scaleFactor});
    }
    bool Ok(const std::string& command) { return app->Do(command).value("ok").toBool(); }
    void Shot(const std::string& face) {
        const std::string file = ShotDir("screen-shots") + "/" + prefix_ + "-" + face + ".png";
        EXPECT_TRUE(Ok("shot " + file)) << file;
        EXPECT_TRUE(std::filesystem::file_size(file) > 0) << file;
    }
    // No caption and no list line of the window is clipped.
    void ExpectNoneClipped(const std::string& face, std::span<const cobalin::ui::ControlDef> table, const std::string& window = "") {
        for (const auto& c : table) {
            if (!MayBeClipped(c.kind)) continue;
            const std::string name = window + c.name;
            const QJsonObject answer = app->Do("get " + name + " clipped");
            EXPECT_EQ(answer.value("value"), QJsonValue(false))
                << where_ << ", " << face << ": " << name << " \"" << app->Text(name) << "\" " << answer.value("error").toString().toStdString();
        }
    }

    // The longest refusals of Save, in red on the panel's status line: each
    // wraps to a second line, which its frame's fixed height still holds.
    void RefuseOnThePanel() {
        ASSERT_TRUE(Ok("type Text12(8) admin"));
        ASSERT_TRUE(Ok("type Text12(7) ZentaLab"));  // the sample's location holds a space
        const std::string notSafe = "( # ),( ' ),( \" ),( ; ),( & ),( \\ ) and Space characters are not allowed for ";
        struct Case { const char* name; const char* newPassword; std::string status; const char* shot; };
        const Case cases[] = {
            {"Dongle#1", "", notSafe + "<Name>, <Location>.", "panel-refusal-name"},
            {"Dongle", "new pass word", notSafe + "<New password>, <Confirm new password>.", "panel-refusal-password"},
        };
        for (const Case& c : cases) {
            ASSERT_TRUE(Ok("type Text12(6) " + std::string(c.name)));
            for (const char* box : {"Text12(9)", "Text12(10)"})
                ASSERT_TRUE(Ok("type " + std::string(box) + " \"" + c.newPassword + "\""));
            ASSERT_TRUE(Ok("click Command34(2)"));
            EXPECT_EQ(app->Text("Label54(1)"), c.status);
            EXPECT_EQ(app->Get("Label54(1)", "color"), QJsonValue(255));
            EXPECT_EQ(app->Get("Label54(1)", "clipped"), QJsonValue(false));
            EXPECT_EQ(app->Get("Label54(1)", "tooltip"), QJsonValue("")) << "shown whole";
            Shot(c.shot);
        }
        for (const char* box : {"Text12(9)", "Text12(10)"}) ASSERT_TRUE(Ok("type " + std::string(box) + " \"\""));
    }

    std::unique_ptr<DriveProcess> app;

private:
    std::string where_, prefix_;
};

}  // namespace

TEST(ScreenE2E, EveryFaceAndTheHelpWindowShowTheirCaptionsWhole) {
    ASSERT_FALSE(Env("DISPLAY").empty()) << "run under tests/e2e/run-under-xvfb";
    setenv("COBALIN_TIME_SCALE", std::to_string(kScale).c_str(), 1);
    SimProcess sim(Env("COBALIN_SOURCE_DIR") + "/sim/sample-lan.conf");
    ASSERT_TRUE(sim.ready()) << sim.errors();
    const auto main = cobalin::ui::MainWindowControls();
    for (int type : {1, 2}) {
        for (const char* scale : {"1", "2"}) {
            Screen s(type, scale);
            // The configuration panel searches.
            ASSERT_TRUE(s.Ok("click Command34(0)"));
            ASSERT_TRUE(s.Ok("idle 60"));
            EXPECT_EQ(s.app->Text("Text12(11)").size(), 17u) << "a device was found";
            s.ExpectNoneClipped("panel", main);
            s.Shot("panel");
            if (type == 1) s.RefuseOnThePanel();
            // The help window, over the panel.
            EXPECT_EQ(s.app->Do("invoke Command34(5)").value("value").toString(), "busy");
            s.ExpectNoneClipped("help window", cobalin::ui::HelpWindowControls(), "FormHelp.");
            s.Shot("help");
            ASSERT_TRUE(s.Ok("close FormHelp"));
            // The simple face with the first device found.
            ASSERT_TRUE(s.Ok("invoke Command24"));
            ASSERT_TRUE(s.Ok("select List6 0"));
            s.ExpectNoneClipped("simple face", main);
            s.Shot("simple");
            // The engineering face with its tools open.
            ASSERT_TRUE(s.Ok("invoke Command23"));
            ASSERT_TRUE(s.Ok("select List1 0"));
            ASSERT_TRUE(s.Ok("click Command13"));
            ASSERT_TRUE(s.Ok("click Command16"));
            // A ping scan of the virtual LAN fills the free-address lists.
            EXPECT_EQ(s.app->Do("click Command4").value("value").toString(), "busy");
            ASSERT_TRUE(s.Ok("idle 60"));
            EXPECT_EQ(s.app->Get("List2", "count").toInt() + s.app->Get("List3", "count").toInt(), 100);
            s.ExpectNoneClipped("engineering face", main);
            s.Shot("engineering");
            // The "Misc." frame over it, with BackupSetting, SetBaud and RestoreSetting.
            EXPECT_TRUE(s.Ok("invoke Command26"));
            EXPECT_EQ(s.app->Get("Command40", "clipped"), QJsonValue(false));
            s.Shot("misc");
            ASSERT_TRUE(s.Ok("quit"));
        }
    }
}
