// The chooser, the main window's set-up by device type and settings, and
// the faces.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/main_window_setup.h"
#include "app/app_fixture.h"
#include "features/faces/faces.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::AppFixture;
using cobalin::testing::Auto;

TEST(Chooser, OpensMainWindowByChoiceOrSetting) {
    {
        AppFixture app("");  // no settings file at all
        ASSERT_TRUE(app.startup->chooser()->isVisible());
        EXPECT_EQ(app.startup->main(), nullptr);
        EXPECT_TRUE(IsChecked(app.startup->chooser()->Control("Option1(1)")));
        EXPECT_EQ(Caption(app.startup->chooser()->Control("Label1")), "Rev. : " + VersionText());
        qobject_cast<QPushButton*>(app.startup->chooser()->Control("Command11"))->click();
        ASSERT_NE(app.startup->main(), nullptr);
        EXPECT_EQ(app.state->DeviceType, DeviceClass::ZentaBox);
        EXPECT_FALSE(app.startup->chooser()->isVisible());
        EXPECT_EQ(Caption(&app.main()), "Cobalin for ZentaBox (Ver. Q113V1)");
        EXPECT_FALSE(app.visible("Image1"));
        EXPECT_FALSE(app.visible("Command7")) << "fill buttons hidden";
        EXPECT_EQ(Items(app.c("Combo1")), QStringList{"Undefined Device"});
        EXPECT_FALSE(app.enabled("Combo1"));
        for (const char* o : {"Option1(0)", "Option1(1)", "Option1(2)"}) EXPECT_FALSE(IsChecked(app.c(o))) << o;
        EXPECT_TRUE(app.state->CloseAllowed);
        EXPECT_EQ(Items(app.c("cmbSckMode")), (QStringList{"UDP", "TCP/IP"}));
        EXPECT_EQ(app.text("txtIPaddr"), "255.255.255.255");
        EXPECT_EQ(app.text("txtRemotePort"), "8888");
    }
    struct Case { const char* value; DeviceClass type; };
    using D = DeviceClass;
    for (const Case c : {Case{" 1 ", D::IpDongle}, Case{"2", D::ZentaBox}, Case{"3", D::None}, Case{"0", D::None}, Case{"x", D::None}}) {
        AppFixture app(std::string("[RunMode]\nStartupAutoDeviceType=") + c.value + "\n");
        EXPECT_EQ(app.state->DeviceType, c.type) << c.value;
        EXPECT_EQ(app.startup->main() != nullptr, c.type != D::None) << c.value;
        EXPECT_EQ(app.startup->chooser() && app.startup->chooser()->isVisible(), c.type == D::None) << c.value;
    }
    AppFixture dongle("");
    SetChecked(dongle.startup->chooser()->Control("Option1(0)"), true);
    qobject_cast<QPushButton*>(dongle.startup->chooser()->Control("Command11"))->click();
    EXPECT_EQ(dongle.state->DeviceType, DeviceClass::IpDongle);
}

TEST(MainWindowSetup, CaptionTable) {
    struct Case { int type; const char* cool; const char* advanced; const char* window; const char* frame; const char* name; };
    const Case cases[] = {
        {1, "0", "0", "Cobalin for IP Dongle (Ver. Q113V1)", "IP Dongle list", "Name"},
        {1, "1", "0", "Cobalin for Master IP fan unit (Ver. Q113V1)", "Master IP fan unit", "Name"},
        {1, "1", "1", "Cobalin for Master IP fan unit (Ver. Q113V1)", "Master IP fan unit", "Name"},
        {2, "0", "0", "Cobalin for ZentaBox (Ver. Q113V1)", "ZentaBox list", "Rack No."},
        {2, "0", "1", "Cobalin (Ver. Q113V1)", "Device list", "Rack No."},
        {2, "1", "2", "Cobalin for ZentaBox (Ver. Q113V1)", "ZentaBox list", "Rack No."},
        {2, "0", "one", "Cobalin for ZentaBox (Ver. Q113V1)", "ZentaBox list", "Rack No."},
    };
    for (const auto& c : cases) {
        AppFixture app(Auto(c.type, std::string("ZentaCoolMode=") + c.cool + "\nAdvancedMode=" + c.advanced + "\n"));
        EXPECT_EQ(Caption(&app.main()), c.window);
        EXPECT_EQ(Caption(app.c("Frame21")), c.frame);
        EXPECT_EQ(Caption(app.c("Label53(6)")), c.name);
        const QString notice = QString("*Max. 8 pcs of %1 can be configured every time").arg(c.type == 1 ? "IP Dongle" : "ZentaBox");
        EXPECT_EQ(Caption(app.c("Label56")), notice);
        EXPECT_EQ(Caption(app.c("Label57")), notice);
        EXPECT_EQ(app.visible("Frame25"), c.type == 1);
    }
}

TEST(MainWindowSetup, PasswordMaskAndAuthenticationFrame) {
    struct Case { const char* line; const char* mask; };
    const Case cases[] = {{"", "*"}, {"PasswordMask=-1\n", "*"}, {"PasswordMask=0\n", ""}, {"PasswordMask=3\n", "*"},
                          {"PasswordMask=abc\n", "*"}, {"PasswordMask=\n", "*"}};
    for (const auto& c : cases) {
        AppFixture app(Auto(2, c.line));
        for (const char* name : {"Text12(3)", "Text12(4)", "Text12(5)"})
            EXPECT_EQ(Mask(qobject_cast<QLineEdit*>(app.c(name))), c.mask) << c.line << name;
        EXPECT_EQ(Mask(qobject_cast<QLineEdit*>(app.c("Text12(8)"))), "*") << "always masked";
    }
    for (const auto& [value, shown] : {std::pair{"1", true}, {"1.0", true}, {"2", false}, {"yes", false}}) {
        AppFixture app(Auto(1, std::string("ShowPassword=") + value + "\n"));
        EXPECT_EQ(app.visible("Frame24"), shown) << value;
    }
}

TEST(MainWindowSetup, LogoTable) {
    QPixmap logo(40, 20);
    logo.fill(Qt::blue);
    struct Case { int type; const char* cool; const char* oem; bool visible; const char* picture; };
    const Case cases[] = {
        {1, "0", "1", true, "IPDOEMLogo.bmp"},  {1, "1", "1", true, "IPFANOEMLogo.bmp"},
        {1, "1", "2", true, "IPDOEMLogo.bmp"},  {2, "0", "1", true, "OEMLogo.bmp"},
        {2, "0", "0", false, ""},               {2, "0", "", false, ""},
        {2, "0", "x", true, "OEMLogo.bmp"},
    };
    for (const auto& c : cases) {
        AppFixture app(Auto(c.type, std::string("ZentaCoolMode=") + c.cool + "\nOEMLogo=" + c.oem + "\n"), false);
        for (const char* f : {"IPDOEMLogo.bmp", "IPFANOEMLogo.bmp", "OEMLogo.bmp"}) logo.save(QString::fromStdString(app.dir.File(f)), "BMP");
        app.startup->Run();
        EXPECT_EQ(app.visible("Image1"), c.visible) << c.oem;
        EXPECT_EQ(PictureName(app.c("Image1")), c.picture) << c.oem;
    }
    // A missing or corrupt picture leaves the logo as created.
    for (const char* content : {"", "BM not a bitmap at all"}) {
        AppFixture app(Auto(2, "OEMLogo=1\n"), false);
        if (*content) app.dir.Write("OEMLogo.bmp", content);
        app.startup->Run();
        EXPECT_EQ(PictureName(app.c("Image1")), "");
        EXPECT_TRUE(app.visible("Image1"));
    }
}

TEST(MainWindowSetup, ModelListAndDefaultSearchMode) {
    struct Models { const char* section; QStringList items; int index; bool enabled; };
    const Models models[] = {
        {"Count=2\n1= Alpha \n2=Beta\nDefault=2\nSelectable=YES\n", {"Undefined Device", "Alpha", "Beta"}, 2, true},
        {"Count=2\n1=Alpha\n2=Beta\nDefault=2\nSelectable=yes\n", {"Undefined Device", "Alpha", "Beta"}, 2, false},
        {"Count=3\n1=Alpha\nDefault=9\nSelectable=YES\n", {"Undefined Device", "Alpha", "0", "0"}, 0, true},
        {"Count=0\nDefault=1\nSelectable=YES\n", {"Undefined Device"}, 0, false},
        {"Count=-4\n", {"Undefined Device"}, 0, false},
        {"Count=many\nSelectable=YES\n", {"Undefined Device"}, 0, false},
    };
    for (const auto& m : models) {
        // The Simple 1 face keeps the model selection made by the set-up.
        AppFixture app(Auto(2, "AdvancedMode=2\n") + "[ModelSelection]\n" + m.section);
        EXPECT_EQ(Items(app.c("Combo1")), m.items) << m.section;
        EXPECT_EQ(SelectedRow(app.c("Combo1")), m.index) << m.section;
        EXPECT_EQ(app.enabled("Combo1"), m.enabled) << m.section;
    }
    struct Mode { const char* section; int option; QString network, address; bool networkOn, addressOn; const char* host; };
    const Mode modes[] = {
        {"Mode=1\nParameter=10.0.0.1\n", 0, "", "", false, false, "255.255.255.255"},
        {"Mode=2\nParameter=192.168.1.255\n", 1, "192.168.1.255", "", true, false, ""},
        {"Mode=3\nParameter=192.168.1.20\n", 2, "", "192.168.1.20", false, true, ""},
        {"Mode=0\n", -1, "", "", true, true, "255.255.255.255"},
        {"Mode=7\nParameter=1.2.3.4\n", -1, "", "", true, true, "255.255.255.255"},
        {"Mode=x\n", -1, "", "", true, true, "255.255.255.255"},
    };
    for (const auto& m : modes) {
        AppFixture app(Auto(2, "AdvancedMode=2\n") + "[DefaultNetwork]\n" + m.section);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(IsChecked(app.c(qPrintable(QString("Option1(%1)").arg(k)))), k == m.option) << m.section << k;
        EXPECT_EQ(app.text("Text6(4)"), m.network) << m.section;
        EXPECT_EQ(app.text("Text6(5)"), m.address) << m.section;
        EXPECT_EQ(app.enabled("Text6(4)"), m.networkOn) << m.section;
        EXPECT_EQ(app.enabled("Text6(5)"), m.addressOn) << m.section;
        if (*m.host) {
            EXPECT_EQ(app.text("txtIPaddr"), m.host) << m.section;
        }
    }
    AppFixture mode3(Auto(2, "AdvancedMode=2\n[DefaultNetwork]\nMode=3\nParameter=192.168.1.20\n"));
    EXPECT_FALSE(IsChecked(mode3.c("Check1")));
    EXPECT_EQ(mode3.text("txtRemotePort"), "8890");
}

TEST(MainWindowSetup, FillButtonReductionAndSerialFrame) {
    AppFixture full(Auto(2, "AdvIPDMode=1\n"));
    for (const char* b : {"Command7", "Command36", "Command37", "Command38", "Command13", "Command24", "Command35"})
        EXPECT_TRUE(full.visible(b)) << b;
    EXPECT_EQ(Caption(full.c("Command28")), "Fill LAN Upgrade");

    AppFixture reduced(Auto(2, "AdvIPDMode=0\n"));
    for (const char* b : {"Command7", "Command36", "Command37", "Command38", "Command13", "Command24", "Command35"})
        EXPECT_FALSE(reduced.visible(b)) << b;
    EXPECT_EQ(Caption(reduced.c("Command28")), "Fill Upgrade");
    EXPECT_EQ(reduced.at("Command20").left, reduced.at("Command7").left);
    EXPECT_EQ(reduced.at("Command12").left, reduced.at("Command37").left);
    EXPECT_EQ(reduced.at("Command28").left, reduced.at("Command36").left);
    EXPECT_EQ(reduced.at("Command28").top, reduced.at("Command36").top);
    EXPECT_EQ(reduced.c("Command28")->font(), reduced.c("Command20")->font());

    EXPECT_EQ(reduced.text("Text9"), QDate::currentDate().toString("yyyyMMdd"));
    EXPECT_EQ(reduced.text("Text8"), "0001");
    EXPECT_EQ(SelectedRow(reduced.c("Combo16")), 1);
    EXPECT_EQ(Items(reduced.c("Combo2")), (QStringList{"Enable", "Disable"}));
    EXPECT_EQ(Caption(reduced.c("Label44")), "Please select a mode, network and then click Search button.");
    EXPECT_EQ(Caption(reduced.c("Label54(1)")), "Ready");
    EXPECT_FALSE(reduced.visible("Frame13"));
}

TEST(Faces, Geometry) {
    // A ZentaBox with an unknown AdvancedMode gets the Simple 2 face and height 10350.
    AppFixture five(Auto(2, "AdvancedMode=5\n"));
    EXPECT_TRUE(five.visible("Frame20"));
    EXPECT_FALSE(five.visible("Frame19"));
    EXPECT_FALSE(five.visible("Frame14"));
    EXPECT_EQ(five.windowHeight(), 10350);
    EXPECT_EQ(five.windowWidth(), 9540);

    AppFixture zero(Auto(2, "AdvancedMode=0\n"));
    EXPECT_EQ(zero.windowHeight(), zero.at("Frame12").height);
    // For every face the separator, Close and the status bar follow the foot of Frame22.
    const int foot = zero.at("Frame22").top + zero.at("Frame22").height + 150;
    EXPECT_EQ(GetLine(zero.c("Line1")).y1, foot);
    EXPECT_EQ(zero.at("Command34(4)").top, foot + 150);
    EXPECT_EQ(zero.at("Frame23").top, foot + 150);
    EXPECT_EQ(GetLine(zero.c("Line1")).x2, 9420);

    // IP Dongle, Simple 2, logo visible, ShowPassword not 1: OK, Help, DEBUG at 4690.
    AppFixture logo(Auto(1, "OEMLogo=1\n"));
    for (const char* b : {"Command34(3)", "Command34(5)", "Command34(6)"}) EXPECT_EQ(logo.at(b).top, 4690) << b;
    EXPECT_EQ(logo.at("Frame20").top, 1080);
    EXPECT_EQ(logo.windowHeight(), logo.at("Frame12").height);

    // Running ArrangeFace twice adds 1700 + extra to Frame20 each time.
    const int before = logo.at("Frame20").height;
    FaceController faces(logo.main(), *logo.state);
    faces.ArrangeFace();
    EXPECT_EQ(logo.at("Frame20").height, before + 1700 + 1050);

    // "Simple 1..." for a ZentaBox: 6000 first, then 10350.
    AppFixture advance(Auto(2, "AdvancedMode=1\nAdvIPDMode=1\n"));
    EXPECT_TRUE(advance.visible("Frame14"));
    EXPECT_FALSE(advance.visible("Frame12"));
    EXPECT_EQ(advance.windowWidth(), 12255);
    qobject_cast<QPushButton*>(advance.c("Command24"))->click();
    EXPECT_EQ(advance.state->Run.AdvancedMode, Face::SimpleOne);
    EXPECT_EQ(advance.windowHeight(), 10350);
    EXPECT_EQ(advance.windowWidth(), 11100);
    EXPECT_TRUE(advance.visible("Frame19"));
    EXPECT_FALSE(advance.visible("Frame14"));
    EXPECT_EQ(advance.at("Frame19").height, 5175);
    EXPECT_EQ(advance.at("Frame12").width, 11100) << "the simple face is not cut off";
    advance.c("Command23")->setVisible(true);
    qobject_cast<QPushButton*>(advance.c("Command23"))->click();
    EXPECT_EQ(advance.state->Run.AdvancedMode, Face::Advance);
    EXPECT_TRUE(advance.visible("Frame14"));
    qobject_cast<QPushButton*>(advance.c("Command35"))->click();
    EXPECT_EQ(advance.state->Run.AdvancedMode, Face::SimpleTwo);
    EXPECT_TRUE(advance.visible("Frame20"));
    EXPECT_EQ(advance.windowHeight(), advance.at("Frame12").height);

    // Frame buttons.
    qobject_cast<QPushButton*>(advance.c("Command13"))->click();
    EXPECT_TRUE(advance.visible("Frame10"));
    qobject_cast<QPushButton*>(advance.c("Command14"))->click();
    EXPECT_FALSE(advance.visible("Frame10"));
    qobject_cast<QPushButton*>(advance.c("Command16"))->click();
    EXPECT_TRUE(advance.visible("Frame11"));
}

// The free-address frame in the engineering face: inside what the window
// shows of it, over none of the face's other frames and controls (those
// hidden at creation included, as their buttons show them), and where the
// window has the room below the "More" and "Advance" frames, below them.
TEST(Faces, FreeAddressFrameStandsInFreeRoom) {
    for (int type : {1, 2}) {
        AppFixture app(Auto(type, "AdvancedMode=1\nAdvIPDMode=1\n"));
        const QRect frame8 = app.c("Frame8")->geometry();
        const QRect shown = QRect(QPoint(0, 0), app.main().size()).translated(-app.c("Frame14")->pos());
        EXPECT_TRUE(shown.contains(frame8)) << "DeviceType " << type;
        EXPECT_TRUE(app.c("Frame14")->rect().contains(frame8)) << "DeviceType " << type;
        for (QObject* o : app.c("Frame14")->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w == app.c("Frame8") || w->objectName().isEmpty()) continue;
            EXPECT_FALSE(w->geometry().intersects(frame8)) << "DeviceType " << type << ": " << w->objectName().toStdString();
        }
        const bool room = type == 2;  // an IP Dongle's window is only as high as its panel
        EXPECT_EQ(app.at("Frame8").top > app.at("Frame10").top + app.at("Frame10").height, room) << "DeviceType " << type;
        for (const char* list : {"List2", "List3"})
            EXPECT_TRUE(QRect(QPoint(0, 0), app.c("Frame8")->size()).contains(app.c(list)->geometry())) << list;
    }
}

// A companion program in the program folder that leaves a file behind when
// it runs; the file's name.
static std::string PutCompanion(AppFixture& app) {
    std::filesystem::create_directories(app.dir.path() / "Restart");
    const std::string marker = app.dir.File("companion-ran");
    const std::string script = app.dir.File("Restart/KillQVT.exe");
    app.dir.Write("Restart/KillQVT.exe", "#!/bin/sh\ntouch '" + marker + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return marker;
}

TEST(MainWindow, CloseStartsTheCompanionProgram) {
    AppFixture app(Auto(2));
    const std::string marker = PutCompanion(app);
    app.main().Timer1->start();
    app.main().UDP8888->Bind(0);
    qobject_cast<QPushButton*>(app.c("Command34(4)"))->click();
    EXPECT_TRUE(app.state->AppClosing);
    EXPECT_FALSE(app.main().Timer1->isActive());
    EXPECT_EQ(app.main().UDP8888->State(), SocketControl::kClosed);
    for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) AppFixture::Spin(20);
    EXPECT_TRUE(std::filesystem::exists(marker));

    // Without a companion program, closing is silent.
    AppFixture bare(Auto(1));
    bare.main().close();
    EXPECT_TRUE(bare.state->AppClosing);
    EXPECT_EQ(bare.dialogs.shownCount(), 0);
}

TEST(MainWindow, CloseLeavesACompanionInAFolderOthersCanWriteTo) {
    AppFixture app(Auto(2));
    const std::string marker = PutCompanion(app);
    // Anyone could have swapped the file in there.
    std::filesystem::permissions(app.dir.path() / "Restart", std::filesystem::perms::all);
    qobject_cast<QPushButton*>(app.c("Command34(4)"))->click();
    EXPECT_TRUE(app.state->AppClosing);
    for (int i = 0; i < 25; ++i) AppFixture::Spin(20);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(MainWindowSetup, HostileSettingsFilesReadAsNeutralValues) {
    std::string garbage(200000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 251);
    // What the window shows for each file: what a missing key means, or what
    // the odd value reads as.
    struct Case {
        std::string settings;
        const char* caption;
        RunSettings run;       // the [RunMode] values read
        bool fillButtons;      // AdvIPDMode other than exactly "0"
        bool logo;             // Image1 visible (no picture file exists)
        int models;            // lines of Combo1, "Undefined Device" first, then "0" for each missing name
        bool modelsEnabled;
        int option;            // the search mode selected, -1 none
        QString address;       // Text6(5)
    };
    RunSettings odd;
    odd.AdvancedMode = Face::Other, odd.Logo = OemLogo::LoadedOnly;
    RunSettings emptyModes;
    emptyModes.AdvancedMode = Face::Other, emptyModes.ReducedCommandPanel = false;
    const Case cases[] = {
        {Auto(2, "AdvancedMode=x\nShowPassword=yes\nSkipPassword=1e9\nPasswordMask=--1\nOEMLogo=\xff\xfe\n"
                 "[ModelSelection]\nCount=32767\nDefault=-5\nSelectable=YES\n[DefaultNetwork]\nMode=7\n"),
         "Cobalin for ZentaBox (Ver. Q113V1)", odd, false, true, 32768, true, -1, ""},
        {Auto(1, "AdvancedMode=\nAdvIPDMode=\n[DefaultNetwork]\nMode=3\nParameter=" + std::string(5000, 'p') + "\n"),
         "Cobalin for IP Dongle (Ver. Q113V1)", emptyModes, true, false, 1, false, 2, QString(999, 'p')},
        {Auto(2) + garbage, "Cobalin for ZentaBox (Ver. Q113V1)", RunSettings{}, false, false, 1, false, -1, ""},
        {Auto(2, "[RunMode]\n" + std::string(100000, '=') + "\n"), "Cobalin for ZentaBox (Ver. Q113V1)", RunSettings{},
         false, false, 1, false, -1, ""},
    };
    for (size_t n = 0; n < std::size(cases); ++n) {
        const Case& c = cases[n];
        AppFixture app(c.settings);
        ASSERT_NE(app.startup->main(), nullptr) << n;
        EXPECT_TRUE(app.main().isVisible()) << n;
        const RunSettings& run = app.state->Run;
        EXPECT_EQ(run, c.run) << n;

        EXPECT_EQ(Caption(&app.main()), c.caption) << n;
        // The simple panel face, as for AdvancedMode "0".
        EXPECT_TRUE(app.visible("Frame20")) << n;
        EXPECT_FALSE(app.visible("Frame14")) << n;
        EXPECT_FALSE(app.visible("Frame19")) << n;
        EXPECT_EQ(app.windowWidth(), 9540) << n;
        EXPECT_FALSE(app.visible("Frame24")) << n << ": no authentication frame";
        for (const char* name : {"Text12(3)", "Text12(4)", "Text12(5)"})
            EXPECT_EQ(Mask(qobject_cast<QLineEdit*>(app.c(name))), "*") << n << name << ": masked as created";
        EXPECT_EQ(app.visible("Image1"), c.logo) << n;
        EXPECT_EQ(PictureName(app.c("Image1")), "") << n;
        EXPECT_EQ(app.visible("Command7"), c.fillButtons) << n;
        EXPECT_EQ(Caption(app.c("Command28")), c.fillButtons ? "Fill LAN Upgrade" : "Fill Upgrade") << n;

        const QStringList models = Items(app.c("Combo1"));
        ASSERT_EQ(models.size(), c.models) << n;
        EXPECT_EQ(models[0], "Undefined Device") << n;
        EXPECT_EQ(models.count("0"), c.models - 1) << n;
        EXPECT_EQ(SelectedRow(app.c("Combo1")), 0) << n;
        EXPECT_EQ(app.enabled("Combo1"), c.modelsEnabled) << n;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(IsChecked(app.c(qPrintable(QString("Option1(%1)").arg(k)))), k == c.option) << n << k;
        EXPECT_EQ(app.text("Text6(4)"), "") << n;
        EXPECT_EQ(app.text("Text6(5)"), c.address) << n;
        EXPECT_EQ(Caption(app.c("Label54(1)")), "Ready") << n;
    }
}
