// The configuration panel, the simple face's Update and Default, and the
// serial-number frame, with devices put straight into the table. Nothing
// here sends: every refusal stops before the update sequence, and the
// connection field points at 127.0.0.1 all the same, so that a refusal that
// failed could reach nothing but this machine.
#include <QFocusEvent>
#include <QJsonArray>
#include <QJsonObject>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/lan_module.h"

#include "app/app_fixture.h"
#include "core/input_rules.h"
#include "listed_device.h"
#include "record_builder.h"
#include "features/help/help_window.h"
#include "features/panel/configuration_apply.h"
#include "features/panel/configuration_panel.h"
#include "windows/names.h"
#include "writable_store.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::AppFixture;
using cobalin::testing::Auto;
using cobalin::testing::ListDevice;
using cobalin::testing::Mac;
using cobalin::testing::RecordBuilder;

namespace {

struct Device {
    uint8_t last = 0;
    std::string hwid = "PCB-4193-01";
    std::string password = "admin";
    std::string name = {};  // "Dev" + last when empty
    std::string company = "ZentaHQ";
    bool dhcp = false;
    std::vector<uint8_t> pages = {0, 1, 2};  // those that arrive
};

void AddDevice(AppFixture& app, const Device& d) {
    using P = PagedRow;
    const auto record = RecordBuilder::Paged(Mac(d.last))
                            .Row(P::ServerName, d.name.empty() ? "Dev" + std::to_string(d.last) : d.name)
                            .Row(P::Password, d.password)
                            .Row(P::CompanyName, d.company)
                            .Row(P::ModelNo, "IPD-100")
                            .Row(P::HardwareId, d.hwid)
                            .Row(P::SerialBrenik, "D2600")
                            .Row(P::Dhcp, d.dhcp ? "Enable" : "Disable")
                            .Row(P::IpAddress, "192.168.1." + std::to_string(d.last))
                            .Row(P::Netmask, "255.255.255.0")
                            .Row(P::Gateway, "192.168.1.1");
    std::vector<Bytes> replies;
    for (uint8_t page : d.pages) replies.push_back(cobalin::testing::PageBytes(record, page));
    ListDevice(*Writable(app.state->Devices), app.c("List1"), replies);
}

void AddShortDevice(AppFixture& app, uint8_t last) {
    cobalin::testing::ListShortDevice(*Writable(app.state->Devices), app.c("List1"), last);
}

// The end of a search: Timer3's finishing tick fills the lists.
void FinishSearch(AppFixture& app) {
    app.main().Timer3->start(1);
    for (int i = 0; i < 200 && app.main().Timer3->isActive(); ++i) AppFixture::Spin(5);
}

// A value of the box shown n-th.
QString At(const QJsonArray& boxes, int n, const char* key) { return boxes.at(n).toObject().value(key).toString(); }

void Click(AppFixture& app, const char* name) { qobject_cast<QPushButton*>(app.c(name))->click(); }
void Type(AppFixture& app, const char* name, const QString& text) { SetText(app.c(name), text); }

// A program whose connection field points at this machine only.
struct Panel {
    explicit Panel(const std::string& settings) : app(settings) { SetText(app.c("txtIPaddr"), "127.0.0.1"); }
    AppFixture app;
};

const char* const kIpDongle = "ShowPassword=1\nSkipPassword=1\n";

// The record bytes of every device, to tell that nothing was applied.
std::vector<DeviceRecord> Records(AppFixture& app) {
    std::vector<DeviceRecord> out;
    for (int i = 1; i <= Writable(app.state->Devices)->DeviceCount; ++i) out.push_back(Writable(app.state->Devices)->DeviceTable[i].Record);
    return out;
}

}  // namespace

TEST(PanelSave, EveryCheckRefusesOnceWithItsTextTitleAndForm) {
    Panel p(Auto(1, kIpDongle));
    AppFixture& app = p.app;
    AddDevice(app, {.last = 11});
    FinishSearch(app);
    ASSERT_EQ(app.text("Text12(6)"), "Dev11");
    ASSERT_TRUE(app.enabled("Command34(2)"));
    const auto before = Records(app);

    struct Case {
        const char* field;
        QString typed;
        Refusal refusal;
    };
    const QString notAllowed = QString("( # ),( ' ),( \" ),( ; ),( & ),( \\ ) and Space characters are not allowed for ");
    const Case cases[] = {
        {"Text12(8)", "Admin", Refusal::NotAuthenticated},
        {"Text12(6)", "Dev", Refusal::NameTooShort},
        {"Text12(7)", "Hal", Refusal::NameTooShort},
        {"Text12(6)", "Dev 1", Refusal::NameNotSafe},
        {"Text12(7)", QString::fromUtf8("Caf\xC3\xA9"), Refusal::NameNotSafe},
        {"Text12(7)", QString::fromUtf8("\xE5\x8C\x97\xE4\xBA\xAC\xE5\x8A\x9E\xE5\x85\xAC"), Refusal::NameNotSafe},
        {"Text12(6)", QString::fromUtf8("Rack\xF0\x9F\x98\x80"), Refusal::NameNotSafe},
        {"Text12(9)", "abcdefgh", Refusal::NewPasswordTooShort},
        {"Text12(9)", QString::fromUtf8("abcdefg\xC3\xA9"), Refusal::NewPasswordTooShort},
        {"Text12(0)", "192.168.1.255", Refusal::InvalidIpAddress},
        {"Text12(1)", "255.255.0", Refusal::InvalidSubnet},
        {"Text12(2)", "192.168.1.0", Refusal::InvalidGateway},
    };
    for (const Case& c : cases) {
        // A panel that passes every check but the one of the case.
        Type(app, "Text12(8)", "admin");
        Type(app, "Text12(6)", "Dev11");
        Type(app, "Text12(7)", "Hall-B");
        Type(app, "Text12(9)", "");
        Type(app, "Text12(10)", "");
        Type(app, "Text12(0)", "192.168.1.11");
        Type(app, "Text12(1)", "255.255.255.0");
        Type(app, "Text12(2)", "192.168.1.1");
        Type(app, c.field, c.typed);
        app.dialogs.TakeShown();
        Click(app, "Command34(2)");
        const RefusalReport report = ReportOf(c.refusal);
        const QJsonArray shown = app.dialogs.TakeShown();
        ASSERT_EQ(shown.size(), 1) << report.text;
        EXPECT_EQ(At(shown, 0, "text").toStdString(), report.text);
        EXPECT_EQ(At(shown, 0, "title").toStdString(), report.title);
        EXPECT_EQ(At(shown, 0, "icon"), "critical");
        EXPECT_EQ(At(shown, 0, "buttons"), "OK");
        EXPECT_EQ(app.text("Label54(1)").toStdString(), report.text);
        EXPECT_EQ(ForeColor(app.c("Label54(1)")), 255u);
        EXPECT_EQ(app.text(c.field), c.typed) << "a refused input is kept";
        EXPECT_TRUE(app.enabled("Command34(2)")) << report.text;
        EXPECT_FALSE(app.main().Timer3->isActive()) << report.text;
    }
    EXPECT_EQ(notAllowed.toStdString() + "<Name>, <Location>.", ReportOf(Refusal::NameNotSafe).text);
    // The passwords of the new-password check go together.
    Type(app, "Text12(9)", QString::fromUtf8("abcdefg\xC3\xA9"));
    Type(app, "Text12(10)", QString::fromUtf8("abcdefg\xC3\xA9"));
    Click(app, "Command34(2)");
    EXPECT_EQ(app.text("Label54(1)").toStdString(), ReportOf(Refusal::NewPasswordNotSafe).text);
    EXPECT_EQ(Records(app), before) << "nothing was applied";

    // All pass: the question, and Cancel changes nothing.
    Type(app, "Text12(2)", "192.168.1.1");
    Type(app, "Text12(9)", "");
    Type(app, "Text12(10)", "");
    app.dialogs.TakeShown();
    app.dialogs.QueueAnswer("Cancel");
    Click(app, "Command34(2)");
    const QJsonArray asked = app.dialogs.TakeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(At(asked, 0, "text"), "Are you sure to setup the IP Dongle?");
    EXPECT_EQ(At(asked, 0, "title"), "Setup IP Dongle");
    EXPECT_EQ(At(asked, 0, "buttons"), "OKCancel");
    EXPECT_EQ(app.text("Text12(4)"), "");
    EXPECT_EQ(Records(app), before);
}

TEST(PanelSave, ApplyingRefusesWithDetailedOrSingleTexts) {
    for (const bool detailed : {true, false}) {
        Panel p(Auto(1, detailed ? "ShowPassword=1\nSkipPassword=1\n" : "SkipPassword=1\n"));
        AppFixture& app = p.app;
        AddDevice(app, {.last = 12});
        FinishSearch(app);
        const auto before = Records(app);
        auto save = [&app] {
            app.dialogs.TakeShown();
            Type(app, "Text12(8)", "admin");
            Click(app, "Command34(2)");
            return app.dialogs.TakeShown();
        };
        // New password and confirmation pass Save but differ.
        Type(app, "Text12(9)", "abcdefgh");
        Type(app, "Text12(10)", "abcdefgi");
        QJsonArray shown = save();
        ASSERT_EQ(shown.size(), 2);
        EXPECT_EQ(At(shown, 1, "text").toStdString(), detailed ? "Please enter a valid password.\r\n(8 characters)"
                                                                     : "Invalid configuration!");
        EXPECT_EQ(At(shown, 1, "title"), kAppTitle);
        EXPECT_EQ(At(shown, 1, "icon"), "none");
        // A super user password other than the device's.
        Type(app, "Text12(9)", "");
        Type(app, "Text12(10)", "");
        SetText(app.c("Text12(3)"), "wrong");
        shown = save();
        ASSERT_EQ(shown.size(), 2);
        EXPECT_EQ(At(shown, 1, "text").toStdString(),
                  detailed ? "Please enter password authentication for the setup device!" : "Invalid configuration!");
        // A staged password longer than a field takes: only the program can put one there.
        SetText(app.c("Text12(3)"), "admin");
        app.dialogs.TakeShown();
        SetText(app.c("Text12(4)"), "abcdefghijklmnopq");
        SetText(app.c("Text12(5)"), "abcdefghijklmnopq");
        app.startup->apply().ApplyConfiguration();
        shown = app.dialogs.TakeShown();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(At(shown, 0, "text").toStdString(),
                  detailed ? "Please enter new password and enter passwrod(confirm)!\r\n"
                             "(Leave it blank to update network configuration only!)"
                           : "Invalid configuration!");
        EXPECT_TRUE(app.enabled("Command34(2)")) << "a refusal leaves the panel enabled";
        EXPECT_EQ(Records(app), before);
    }
}

TEST(PanelSave, NothingChangedAndTheNetworkCheckOfUpdate) {
    Panel p(Auto(1, kIpDongle));
    AppFixture& app = p.app;
    AddDevice(app, {.last = 13});
    FinishSearch(app);
    const auto before = Records(app);
    // Both new-password fields empty: the device's own password goes back; equal, not applied.
    Type(app, "Text12(8)", "admin");
    Click(app, "Command34(2)");
    EXPECT_EQ(app.text("Text12(9)"), "admin");
    EXPECT_EQ(app.text("Text12(4)"), "admin");
    EXPECT_EQ(app.text("Label54(1)"), "No change is made");
    EXPECT_EQ(app.text("Label44"), "No change is made");
    EXPECT_EQ(ForeColor(app.c("Label54(1)")), 0u);
    EXPECT_EQ(Tag(app.c("Label44")), "0");
    EXPECT_FALSE(app.main().Timer3->isActive());
    for (const char* name : {"Command34(0)", "Command34(2)", "Command34(4)", "Frame22", "Combo4", "List7"})
        EXPECT_TRUE(app.enabled(name)) << name << ": enabled again at once";
    EXPECT_EQ(Records(app), before);

    // Save without a new password left the device's own in the new-password
    // fields; a password shorter than 8 would now be refused there.
    EXPECT_EQ(app.text("Text12(10)"), "admin");
    Type(app, "Text12(9)", "");
    Type(app, "Text12(10)", "");
    // An address the device must not get: refused after the panel's own checks.
    Type(app, "Text12(8)", "admin");
    Type(app, "Text12(0)", "127.0.0.1");
    Click(app, "Command34(2)");
    EXPECT_EQ(app.text("Label54(1)"), "Invalid network settings");
    EXPECT_EQ(app.text("Label44"), "Invalid network settings");
    EXPECT_EQ(ForeColor(app.c("Label54(1)")), 255u);
    EXPECT_TRUE(app.enabled("Command34(2)"));
    EXPECT_TRUE(app.enabled("Frame22"));
    EXPECT_FALSE(app.main().Timer3->isActive());
    EXPECT_EQ(app.text("Text12(0)"), "127.0.0.1");
    EXPECT_EQ(Records(app), before);
}

TEST(PanelSave, ZentaBoxAsksAndStagesThePasswordField) {
    Panel p(Auto(2, "SkipPassword=1\n"));
    AppFixture& app = p.app;
    AddDevice(app, {.last = 31, .hwid = "PCB-4160-01"});
    FinishSearch(app);
    ASSERT_EQ(app.text("Label54(1)"), "Found...1 ZentaBox(s)");
    SetText(app.c("Text12(4)"), "typed before");
    SetText(app.c("Text12(5)"), "typed before");
    app.dialogs.QueueAnswer("Cancel");
    Click(app, "Command34(2)");
    QJsonArray shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(At(shown, 0, "text"), "Are you sure to setup the ZentaBox?");
    EXPECT_EQ(At(shown, 0, "title"), "Setup ZentaBox");
    EXPECT_EQ(At(shown, 0, "buttons"), "OKCancel");
    EXPECT_EQ(app.text("Text12(4)"), "typed before") << "Cancel changes nothing";
    // A rack number of any form: the ZentaBox has no checks of its own.
    const auto before = Records(app);
    Click(app, "Command34(2)");
    EXPECT_EQ(app.text("Text12(4)"), "");
    EXPECT_EQ(app.text("Text12(5)"), "");
    EXPECT_EQ(app.text("Text6(3)"), "admin") << "the password stays as loaded";
    EXPECT_EQ(app.text("Label54(1)"), "No change is made");
    EXPECT_EQ(Records(app), before);
}

TEST(PanelOk, ChecksOnlyThePasswordThenAsks) {
    Panel p(Auto(1, kIpDongle));
    AppFixture& app = p.app;
    // Before any search: no device selected, reported in the status line only.
    app.dialogs.TakeShown();
    qobject_cast<QPushButton*>(app.c("Command34(3)"))->clicked();
    QJsonArray shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(At(shown, 0, "text"), "Are you sure to setup the device?");
    EXPECT_EQ(At(shown, 0, "title"), "Setup Device");
    EXPECT_EQ(app.text("Label54(1)"), "Please select a device to setup");
    EXPECT_EQ(ForeColor(app.c("Label54(1)")), 255u);

    AddDevice(app, {.last = 14});
    FinishSearch(app);
    Type(app, "Text12(8)", "nope");
    qobject_cast<QPushButton*>(app.c("Command34(3)"))->clicked();
    shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(At(shown, 0, "title"), "Password Authentication");
    EXPECT_EQ(app.text("Label54(1)"), "Please enter the password for authentication!");
    // Short new passwords pass OK; applying still compares them.
    Type(app, "Text12(8)", "admin");
    Type(app, "Text12(9)", "abc");
    Type(app, "Text12(10)", "abd");
    qobject_cast<QPushButton*>(app.c("Command34(3)"))->clicked();
    shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(app.text("Text12(4)"), "abc");
    EXPECT_EQ(app.text("Text12(5)"), "abd");
    EXPECT_EQ(At(shown, 1, "text").toStdString(), "Please enter a valid password.\r\n(8 characters)");
}

TEST(PanelConfirmation, LeavingTheConfirmationChecksIt) {
    Panel p(Auto(1, "ShowPassword=1\n"));
    AppFixture& app = p.app;
    QWidget* confirm = app.c("Text12(5)");
    Type(app, "Text12(4)", "secret12");
    Type(app, "Text12(5)", "secret13");
    EXPECT_TRUE(RunValidateHandler(confirm)) << "the focus stays";
    EXPECT_EQ(ForeColor(app.c("_lblText12(5)")), 255u);
    const QJsonArray shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(At(shown, 0, "text"), "Invalid confirm password!");
    EXPECT_EQ(At(shown, 0, "title"), kAppTitle);
    EXPECT_EQ(At(shown, 0, "icon"), "none");
    EXPECT_EQ(app.text("Text12(5)"), "secret13");
    Type(app, "Text12(5)", "secret12");
    EXPECT_FALSE(RunValidateHandler(confirm));
    EXPECT_EQ(ForeColor(app.c("_lblText12(5)")), 0u);
    EXPECT_EQ(app.dialogs.TakeShown().size(), 0);

    // On the screen the same check runs when a user moves the focus away,
    // and not when the program or another window takes it.
    Type(app, "Text12(5)", "other");
    QFocusEvent programs(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(confirm, &programs);
    EXPECT_EQ(app.dialogs.TakeShown().size(), 0);
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(confirm, &tab);
    EXPECT_EQ(app.dialogs.TakeShown().size(), 1);
    EXPECT_EQ(ForeColor(app.c("_lblText12(5)")), 255u);

    // Leaving the IP address field enables Refresh, even empty.
    EXPECT_FALSE(app.enabled("Command34(1)"));
    Type(app, "Text12(0)", "");
    EXPECT_FALSE(RunValidateHandler(app.c("Text12(0)")));
    EXPECT_TRUE(app.enabled("Command34(1)"));
}

TEST(PanelButtons, RefreshDebugCloseAndHelp) {
    Panel p(Auto(1, kIpDongle));
    AppFixture& app = p.app;
    AddDevice(app, {.last = 15, .name = "Before", .company = "Somewhere"});
    FinishSearch(app);
    for (const char* name : {"Text12(0)", "Text12(6)", "Text12(7)"}) Type(app, name, "edited");
    Type(app, "Text12(8)", "x");
    Type(app, "Text12(9)", "y");
    qobject_cast<QPushButton*>(app.c("Command34(1)"))->clicked();
    EXPECT_EQ(app.text("Text12(0)"), "192.168.1.15");
    EXPECT_EQ(app.text("Text12(6)"), "Before");
    EXPECT_EQ(app.text("Text12(7)"), "Somewhere");
    EXPECT_EQ(app.text("Text12(8)"), "");
    EXPECT_EQ(app.text("Text12(9)"), "");

    // DEBUG opens the simple face under the panel, growing the window each time.
    const int height = app.windowHeight(), area = app.at("Frame12").height, face = app.at("Frame19").height;
    qobject_cast<QPushButton*>(app.c("Command34(6)"))->clicked();
    EXPECT_EQ(app.windowHeight(), height + face);
    EXPECT_EQ(app.at("Frame12").height, area + face);
    EXPECT_EQ(app.windowWidth(), 11100);
    EXPECT_EQ(app.at("Frame12").width, 11100);
    EXPECT_EQ(app.at("Frame19").top, app.at("Frame20").top + app.at("Frame20").height + 10);
    EXPECT_TRUE(app.visible("Frame19"));
    qobject_cast<QPushButton*>(app.c("Command34(6)"))->clicked();
    EXPECT_EQ(app.windowHeight(), height + 2 * face);

    // Help: the IP Dongle's picture and caption, the version without leading zeros.
    QString version, label6;
    bool picture2 = false, picture1 = true;
    QTimer::singleShot(0, [&] {
        FormHelp* help = app.startup->help().window();
        ASSERT_NE(help, nullptr);
        version = Caption(help->Control("labVer"));
        label6 = Caption(help->Control("Label6"));
        picture2 = OwnVisible(help->Control("Picture2"));
        picture1 = OwnVisible(help->Control("Picture1"));
        qobject_cast<QPushButton*>(help->Control("Command1"))->click();
    });
    qobject_cast<QPushButton*>(app.c("Command34(5)"))->clicked();
    EXPECT_TRUE(QRegularExpression("^Rev\\. (0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$").match(version).hasMatch())
        << version.toStdString();
    EXPECT_EQ(label6, "Administration PC with ZentaPower Cobalin installed.");
    EXPECT_TRUE(picture2);
    EXPECT_FALSE(picture1);
    EXPECT_EQ(app.startup->help().window(), nullptr) << "closed and discarded";

    Click(app, "Command34(4)");
    EXPECT_TRUE(app.state->AppClosing);
    EXPECT_FALSE(app.main().isVisible());
}

TEST(PanelFake, FillsThePanelAndItsLinesLeadNowhere) {
    Panel p(Auto(1, kIpDongle));
    AppFixture& app = p.app;
    AddDevice(app, {.last = 16});
    AddDevice(app, {.last = 17});
    FinishSearch(app);
    ASSERT_EQ(ItemCount(app.c("List7")), 2);
    ASSERT_EQ(SelectedRow(app.c("Combo5")), 0);
    qobject_cast<QPushButton*>(app.c("Command39"))->clicked();
    EXPECT_FALSE(app.visible("Command39"));
    QStringList expected{"02:7E:3A:04:C8:10", "02:7E:3A:04:C8:11"};
    for (const char* mac : kFakeDevices) expected << mac;
    EXPECT_EQ(Items(app.c("List7")), expected) << "the eight are appended after what was there";
    EXPECT_EQ(expected[9], "02:7E:3A:04:C8:25");
    EXPECT_EQ(app.text("Label54(1)"), "Found...8 IP Dongle(s)!");
    EXPECT_EQ(app.text("Text12(0)"), "192.168.0.1");
    EXPECT_EQ(app.text("Text12(1)"), "255.255.255.0");
    EXPECT_EQ(app.text("Text12(2)"), "192.168.0.254");
    EXPECT_EQ(app.text("Text12(6)"), "PDU group 1");
    EXPECT_EQ(app.text("Text12(7)"), "First PDU level");
    EXPECT_EQ(Writable(app.state->Devices)->DeviceCount, 2) << "no entry is added to the table";

    // A made-up line has no IP Dongle behind it: nothing happens.
    SelectRow(app.c("List7"), 5);
    EXPECT_EQ(SelectedRow(app.c("Combo5")), 0);
    EXPECT_EQ(SelectedRow(app.c("Combo4")), 0);
    EXPECT_EQ(app.text("Text12(6)"), "PDU group 1");
    // A real line still leads to its device.
    SelectRow(app.c("List7"), 1);
    EXPECT_EQ(SelectedRow(app.c("Combo5")), 1);
    EXPECT_EQ(app.text("Text12(6)"), "Dev17");
}

TEST(SimpleFaceUpdate, ShortRecordsAndUnloadedDevicesAreRefused) {
    Panel p(Auto(1, std::string(kIpDongle) + "AdvancedMode=2\n"));
    AppFixture& app = p.app;
    AddDevice(app, {.last = 18});
    AddShortDevice(app, 19);
    FinishSearch(app);
    SelectRow(app.c("List6"), 1);
    ASSERT_EQ(app.text("Frame13"), "02:7E:3A:04:C8:13");
    ASSERT_EQ(ItemCount(app.c("List5")), 11);
    const auto before = Records(app);
    Type(app, "Text6(0)", "192.168.1.99");
    Type(app, "Text6(1)", "255.255.255.0");
    Type(app, "Text6(2)", "192.168.1.1");
    Type(app, "Text6(9)", "Renamed");
    Click(app, "Command21");
    EXPECT_EQ(app.text("Label44"), kRecordNotWritable);
    EXPECT_EQ(app.text("Label54(1)"), kRecordNotWritable);
    EXPECT_EQ(ForeColor(app.c("Label54(1)")), 255u);
    EXPECT_FALSE(app.main().Timer3->isActive());
    EXPECT_EQ(Tag(app.c("Label44")), "0");
    EXPECT_EQ(Items(app.c("List5")).value(0), "Legacy") << "no row was touched";
    EXPECT_EQ(Records(app), before);

    // The engineering face's list moved to another device than the one shown.
    SelectRow(app.c("List6"), 0);
    ASSERT_EQ(app.text("Text6(9)"), "Dev18");
    SelectRow(app.c("List1"), 1);
    Type(app, "Text6(9)", "Renamed");
    Click(app, "Command21");
    EXPECT_EQ(app.text("Label54(1)"), kNoDeviceLoaded);
    EXPECT_EQ(Records(app), before);
}

// The simple face checks the update before it applies anything: a refused
// update leaves the record, the module record and the lists as they were,
// and its reason on the status lines.
TEST(SimpleFaceUpdate, AnUpdateThatCannotBeSentIsRefusedBeforeAnythingIsApplied) {
    struct Case {
        const char* what;
        Device device;
        bool module;
        const char* field;
        QString value;
        QString reason;
    };
    const Case cases[] = {
        {"page 1 lost", {.last = 21, .pages = {0, 2}}, false, "Text6(9)", "Renamed",
         "Not updated: page 1 of this device was not received; search again"},
        {"a name longer than the module's field", {.last = 22}, true, "Text6(9)", "Seventeen chars!!",
         "Not applied: the LAN module of this device holds at most 16 characters of Server name"},
        {"a serial number the module does not carry", {.last = 23}, true, "Text6(7)", "D2601",
         "Not applied: the LAN module of this device does not carry Serial No. (Brenik)"},
        {"a name longer than its field", {.last = 24}, false, "Text6(9)", "A name of twenty chr",
         "Server name: cut to 16 characters, \"A name of twenty\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Panel p(Auto(1, std::string(kIpDongle) + "AdvancedMode=2\n"));
        AppFixture& app = p.app;
        AddDevice(app, c.device);
        if (c.module) {
            const Bytes answer = cobalin::testing::ModuleAnswer(cobalin::testing::Mac(c.device.last));
            ASSERT_EQ(ModuleReplyIntake(*Writable(app.state->Devices), answer), 1);
        }
        FinishSearch(app);
        SelectRow(app.c("List6"), 0);
        ASSERT_EQ(app.text("Frame13"), QString::fromStdString(Writable(app.state->Devices)->DeviceTable[1].MacText));
        const auto before = Records(app);
        const Bytes moduleBefore = Writable(app.state->Devices)->LanModuleTable[1].Record;
        const QStringList list = Items(app.c("List5"));
        Type(app, c.field, c.value);
        Click(app, "Command21");
        for (const char* label : {"Label44", "Label46", "Label54(1)"}) {
            EXPECT_EQ(app.text(label), c.reason) << label;
            EXPECT_EQ(ForeColor(app.c(label)), 255u) << label;
        }
        EXPECT_FALSE(app.main().Timer3->isActive()) << "no end of update overwrites the reason";
        EXPECT_EQ(Tag(app.c("Label44")), "0");
        EXPECT_EQ(Items(app.c("List5")), list) << "no row was touched";
        EXPECT_EQ(Records(app), before);
        EXPECT_EQ(Writable(app.state->Devices)->LanModuleTable[1].Record, moduleBefore);
        EXPECT_TRUE(OwnEnabled(app.c("Command21")));
    }
}

TEST(SimpleFaceDefault, FillsFromTheSettingsFileReadAnew) {
    Panel p(Auto(1, "AdvancedMode=2\n[DefaultDeviceSetting]\nDHCP=1\n"));
    AppFixture& app = p.app;
    Click(app, "Command22");
    EXPECT_EQ(app.text("Combo2"), "Enable");
    for (const char* name : {"Text6(0)", "Text6(1)", "Text6(2)", "Text6(3)", "Text6(6)"}) EXPECT_EQ(app.text(name), "0") << name;
    struct Case {
        const char* dhcp;
        const char* combo;
    };
    for (const Case c : {Case{"2", "Disable"}, Case{"yes", "Disable"}, Case{"1", "Enable"}}) {
        app.dir.Write("Setting.ini", Auto(1, std::string("AdvancedMode=2\n[DefaultDeviceSetting]\nDHCP=") + c.dhcp +
                                                 "\nIP=10.0.0.10\nSubnet=255.0.0.0\nGateway=10.0.0.1\nPassWord=factory1\n"));
        Click(app, "Command22");
        EXPECT_EQ(app.text("Combo2"), c.combo) << c.dhcp;
        EXPECT_EQ(app.text("Text6(0)"), "10.0.0.10");
        EXPECT_EQ(app.text("Text6(1)"), "255.0.0.0");
        EXPECT_EQ(app.text("Text6(2)"), "10.0.0.1");
        EXPECT_EQ(app.text("Text6(3)"), "factory1");
        EXPECT_EQ(app.text("Text6(6)"), "factory1");
    }
}

TEST(SerialNumberFrame, ComposeAdvanceTakeOverAndClose) {
    Panel p(Auto(1, std::string(kIpDongle) + "AdvancedMode=2\n"));
    AppFixture& app = p.app;
    AddDevice(app, {.last = 20});
    FinishSearch(app);
    ASSERT_EQ(app.text("Text6(8)"), "IPD-100");
    const QString serialBefore = app.text("Text6(7)");
    ASSERT_FALSE(app.visible("Frame18"));
    qobject_cast<QPushButton*>(app.c("Command32"))->clicked();
    EXPECT_TRUE(app.visible("Frame18"));
    EXPECT_EQ(app.text("Text7"), "IPD-100");
    Type(app, "Text9", "20130905");
    Type(app, "Text8", "0001");
    SelectRow(app.c("Combo16"), 1);
    EXPECT_EQ(app.text("txSNO"), "4=950001");
    EXPECT_EQ(app.text("Label47"), "LAN-20130905-0001");
    SelectRow(app.c("Combo16"), 3);
    EXPECT_EQ(app.text("txSNO"), "6=950001");
    EXPECT_EQ(app.text("Label47"), "IPD-20130905-0001");
    Type(app, "Text8", "0009");
    Click(app, "Command29");
    EXPECT_EQ(app.text("Text8"), "0010");
    EXPECT_EQ(app.text("txSNO"), "6=950010");
    // "X" copies nothing.
    Click(app, "Command31");
    EXPECT_FALSE(app.visible("Frame18"));
    EXPECT_EQ(app.text("Text6(7)"), serialBefore);
    // A second ".." goes on with the last running number; Cancel takes the result over.
    qobject_cast<QPushButton*>(app.c("Command32"))->clicked();
    EXPECT_EQ(app.text("Text8"), "0010");
    Type(app, "Text8", "9999");
    Click(app, "Command29");
    EXPECT_EQ(app.text("Text8"), "0000");
    Click(app, "Command33(1)");
    EXPECT_FALSE(app.visible("Frame18"));
    EXPECT_EQ(app.text("Text6(7)"), "6=950000");
    EXPECT_EQ(ToolTip(app.c("Text6(7)")), "IPD-20130905-0000");
    // "T" sets today.
    qobject_cast<QPushButton*>(app.c("Command32"))->clicked();
    Click(app, "Command30");
    EXPECT_EQ(app.text("Text9"), QDate::currentDate().toString("yyyyMMdd"));
    Click(app, "Command33(0)");
    EXPECT_EQ(app.text("Text6(7)").size(), 8);
}
