// The details view, the found-device lists, device loading and the search's
// refusals, with device records put straight into the table (nothing is sent).
#include <QPushButton>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/app_fixture.h"
#include "core/device_class.h"
#include "core/input_rules.h"
#include "listed_device.h"
#include "real_wait.h"
#include "record_builder.h"
#include "features/search/command_channel.h"
#include "features/search/search_orchestration.h"
#include "toolkit/program_time.h"
#include <QJsonArray>
#include <QJsonObject>
#include "writable_store.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::AppFixture;
using cobalin::testing::Auto;
using cobalin::testing::ListDevice;
using cobalin::testing::Mac;
using cobalin::testing::RecordBuilder;

namespace {

// Stores a paged device as the reply intake would and lists it in List1.
void AddPagedDevice(AppFixture& app, uint8_t last, const std::string& hwid, const std::string& model,
                    const std::string& password = "pw") {
    using P = PagedRow;
    const auto record = RecordBuilder::Paged(Mac(last))
                            .Row(P::HardwareId, hwid)
                            .Row(P::ModelNo, model)
                            .Row(P::Password, password)
                            .Row(P::ServerName, "Dev" + std::to_string(last))
                            .Row(P::IpAddress, "192.168.1." + std::to_string(last));
    ListDevice(*Writable(app.state->Devices), app.c("List1"), record.Pages());
}

void AddShortDevice(AppFixture& app, uint8_t last) {
    cobalin::testing::ListShortDevice(*Writable(app.state->Devices), app.c("List1"), last);
}

// Lets Timer3 tick once the search has ended (Frame6 enabled).
void RunFinishingTick(AppFixture& app) {
    app.main().Timer3->start(1);
    for (int i = 0; i < 200 && app.main().Timer3->isActive(); ++i) AppFixture::Spin(5);
}

}  // namespace

TEST(DetailsView, PagedShortAndEmpty) {
    AppFixture app(Auto(2, "AdvancedMode=1\n"));
    SelectRow(app.c("List1"), -1);
    EXPECT_FALSE(app.visible("Frame1")) << "a click in an empty list hides the details";
    AddPagedDevice(app, 1, "PCB-4193-01", "M1");
    AddShortDevice(app, 2);
    SelectRow(app.c("List1"), 0);
    EXPECT_EQ(app.state->SelectedDevice, 1);
    EXPECT_TRUE(app.visible("Frame1"));
    ASSERT_EQ(ItemCount(app.c("List4")), 33);
    EXPECT_EQ(Items(app.c("List4"))[20], "Delimiter HEX:");
    EXPECT_EQ(Items(app.c("List4"))[26], "Connection at");
    EXPECT_EQ(Items(app.c("List5"))[0], "Dev1");
    EXPECT_EQ(Items(app.c("List5"))[10], "PCB-4193-01");
    EXPECT_EQ(app.text("Label7"), "02:7E:3A:04:C8:01");
    EXPECT_EQ(app.text("Label9x"), " & ");
    EXPECT_EQ(app.text("Label11"), "0)10/Half Duplex");

    Writable(app.state->Devices)->DeviceTable[2].Record[500] = 0x77;
    SelectRow(app.c("List1"), 1);
    EXPECT_EQ(app.state->SelectedDevice, 2);
    ASSERT_EQ(ItemCount(app.c("List4")), 11);
    ASSERT_EQ(ItemCount(app.c("List5")), 11);
    EXPECT_EQ(Items(app.c("List4"))[2], "Serial No.");
    EXPECT_EQ(Items(app.c("List5"))[0], "Legacy");
    EXPECT_EQ(Writable(app.state->Devices)->DeviceTable[2].Record[500], 0) << "a short record is zeroed beyond byte 97";
    for (const char* l : {"Label9x", "Label11", "Label58", "Label15"}) EXPECT_EQ(app.text(l), "N/A") << l;
    EXPECT_EQ(app.text("Label17"), "Legacy");
    for (size_t i = 11; i < kParameterCount; ++i) EXPECT_TRUE(app.state->ParameterTexts[i].empty()) << i;
}

TEST(FoundLists, ModelFilterClassificationAndPanel) {
    AppFixture app(Auto(1, "SkipPassword=1\n[ModelSelection]\nCount=1\n1=Zenta-5400 series\nSelectable=YES\n"));
    AddPagedDevice(app, 1, "PCB-4193-01", "5400");
    AddPagedDevice(app, 2, "PCB-4160-02", "5200");
    AddPagedDevice(app, 3, "PCB-4193-03", "");
    AddPagedDevice(app, 4, "XPCB-4193", "5400");
    // Model filter: "5400" occurs in the chosen model, "5200" does not, "" always.
    SelectRow(app.c("Combo1"), 1);
    RunFinishingTick(app);
    EXPECT_EQ(Items(app.c("List6")), (QStringList{"02:7E:3A:04:C8:01", "02:7E:3A:04:C8:03", "02:7E:3A:04:C8:04"}));
    EXPECT_EQ(app.text("Label44"), "Found...3 device(s)");
    EXPECT_FALSE(app.main().Timer3->isActive());
    EXPECT_EQ(ItemCount(app.c("Combo4")), 3);
    EXPECT_EQ(Items(app.c("Combo5")), (QStringList{"02:7E:3A:04:C8:01", "02:7E:3A:04:C8:03"}));
    EXPECT_EQ(ItemCount(app.c("Combo6")), 0) << "a hardware ID with the prefix further in is unclassified";
    EXPECT_EQ(Items(app.c("List7")), Items(app.c("Combo5")));
    EXPECT_EQ(app.text("Text12(11)"), "02:7E:3A:04:C8:01");
    EXPECT_EQ(app.text("Label54(1)"), "Found...2 IP Dongle(s)");
    EXPECT_TRUE(app.enabled("Command34(2)"));
    // The first IP Dongle is loaded into both faces.
    EXPECT_EQ(app.text("Text6(9)"), "Dev1");
    EXPECT_EQ(app.text("Text12(6)"), "Dev1");
    EXPECT_EQ(app.text("Text12(0)"), "192.168.1.1");
    EXPECT_EQ(app.text("Text12(3)"), "pw") << "SkipPassword copies the device password";

    // Picking another IP Dongle in the panel runs the selection chain.
    SelectRow(app.c("List7"), 1);
    EXPECT_EQ(SelectedRow(app.c("Combo4")), 1);
    EXPECT_EQ(SelectedRow(app.c("List6")), 1);
    EXPECT_EQ(app.text("Text12(6)"), "Dev3");

    EXPECT_EQ(ClassifyDevice("A", "A", "37264000-1"), DeviceClass::ZentaBox);
    EXPECT_EQ(ClassifyDevice("A", "B", "PCB-4193"), DeviceClass::None);
}

TEST(FoundLists, NothingOfTheTypeAndQueryAuthentication) {
    AppFixture app(Auto(1));  // SkipPassword 0: the super user password must match
    AddPagedDevice(app, 5, "PCB-4160-01", "", "secret");
    SetText(app.c("Text12(0)"), "stale");
    app.state->CloseAllowed = false;
    RunFinishingTick(app);
    EXPECT_EQ(app.text("Label54(1)"), "Found...0 IP Dongle(s)");
    EXPECT_EQ(app.text("Text12(0)"), "");
    EXPECT_TRUE(IsChecked(app.c("Option2(1)")));
    EXPECT_FALSE(app.enabled("Command34(2)"));
    EXPECT_FALSE(app.enabled("Command34(4)")) << "Close follows CloseAllowed";

    // Loading the device with a wrong super user password empties the panel.
    SetText(app.c("Text12(7)"), "somewhere");
    SelectRow(app.c("List6"), 0);
    EXPECT_EQ(app.text("Frame13"), "02:7E:3A:04:C8:05");
    EXPECT_EQ(app.text("Text6(3)"), "secret");
    EXPECT_EQ(app.text("Text12(7)"), "");
    EXPECT_TRUE(IsChecked(app.c("Option2(0)")));
    EXPECT_EQ(app.text("Label54(1)"), "Please enter password authentication to query a device!");
    EXPECT_EQ(ForeColor(app.c("Label54(1)")), 255u);
    SetText(app.c("Text12(3)"), "secret");
    SelectRow(app.c("List6"), 0);
    EXPECT_EQ(app.text("Text12(7)"), "");
    EXPECT_EQ(app.text("Text12(0)"), "192.168.1.5");
}

TEST(Search, RefusalsAndFailedPreparationsReturnToIdle) {
    AppFixture app(Auto(2, "AdvancedMode=2\n"));
    // An invalid network address: nothing starts.
    SetChecked(app.c("Option1(1)"), true);
    SetText(app.c("Text6(4)"), "192.168.1");
    qobject_cast<QPushButton*>(app.c("Command10"))->click();
    EXPECT_EQ(app.text("Label44"), "Invalid IP address entry!");
    EXPECT_FALSE(app.main().Timer1->isActive());
    EXPECT_FALSE(app.main().Timer3->isActive());

    // A remote port that is not a port: "Invalid port entry!", nothing sent, idle again.
    SetChecked(app.c("Check1"), true);
    SetText(app.c("txtRemotePort"), "88x8");
    app.dialogs.TakeShown();
    qobject_cast<QPushButton*>(app.c("Command1"))->click();
    QJsonArray shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].toObject().value("text"), "Invalid port entry!");
    EXPECT_EQ(shown[0].toObject().value("title"), "Cobalin");
    EXPECT_FALSE(app.main().Timer1->isActive());
    EXPECT_EQ(app.state->OperationTick, -1);
    EXPECT_TRUE(app.enabled("Frame6"));
    EXPECT_EQ(app.main().UDP8888->State(), SocketControl::kClosed);

    // Port 8889 held by another program: the C0 box at once, no retries, idle.
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(8889);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    SetText(app.c("txtRemotePort"), "8888");
    QElapsedTimer t;
    t.start();
    qobject_cast<QPushButton*>(app.c("Command1"))->click();
    shown = app.dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].toObject().value("text"), "C0:Failed to initial UDP connection! Please retry again.");
    EXPECT_EQ(app.state->OperationTick, -1);
    EXPECT_TRUE(app.enabled("Frame6"));
    close(holder);
}

TEST(DetailsView, ALineWithNoDeviceBehindItShowsNoDetails) {
    AppFixture app(Auto(2, "AdvancedMode=1\n"));
    AddPagedDevice(app, 1, "PCB-4193-01", "M1");
    AddShortDevice(app, 2);
    // List1 out of step with the table: lines past the devices found, and past
    // the table's last entry.
    for (int i = 3; i <= 300; ++i) AddItem(app.c("List1"), QString("stray %1").arg(i));
    const uint8_t beyond = Writable(app.state->Devices)->DeviceTable[3].Record[0];
    for (const int row : {2, 253, 254, 255, 299}) {
        SelectRow(app.c("List1"), 0);
        ASSERT_TRUE(app.visible("Frame1"));
        SelectRow(app.c("List1"), row);
        EXPECT_EQ(app.state->SelectedDevice, row + 1);
        EXPECT_FALSE(app.visible("Frame1")) << row;
        EXPECT_EQ(Items(app.c("List5"))[0], "Dev1") << "nothing else is decoded";
    }
    EXPECT_EQ(Writable(app.state->Devices)->DeviceTable[3].Record[0], beyond);

    // An entry left from an earlier search (DeviceCount lowered) is no device
    // either: its record is neither shown nor zero-filled.
    Writable(app.state->Devices)->DeviceCount = 1;
    Writable(app.state->Devices)->DeviceTable[2].Record[500] = 0x77;
    SelectRow(app.c("List1"), 0);
    SelectRow(app.c("List1"), 1);
    EXPECT_EQ(app.state->SelectedDevice, 2);
    EXPECT_FALSE(app.visible("Frame1"));
    EXPECT_EQ(Writable(app.state->Devices)->DeviceTable[2].Record[500], 0x77);
    EXPECT_EQ(ItemCount(app.c("List4")), 33) << "the lists keep device 1";
    SelectRow(app.c("List1"), 0);
    EXPECT_TRUE(app.visible("Frame1"));
}

TEST(CommandChannel, CommandsForNoDeviceOfTheSearchSendNothing) {
    AppFixture app(Auto(2, "AdvancedMode=1\n"));
    AddPagedDevice(app, 1, "PCB-4193-01", "M1");
    AddPagedDevice(app, 2, "PCB-4193-02", "M2");
    CommandChannel channel(app.main(), app.dialogs);
    // Only the loopback address, should anything be sent after all.
    SetText(app.c("txtIPaddr"), "127.0.0.1");
    SetText(app.c("txtRemotePort"), "8888");
    app.dialogs.TakeShown();

    // The baud-rate request goes on a TCP connection to a listener of this test.
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    socklen_t len = sizeof a;
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
    SocketControl& tcp = *app.main().TCP5300Cmd;
    tcp.Connect("127.0.0.1", ntohs(a.sin_port));
    // The connection is made by the socket's own thread, which posts no event
    // for it: its state is looked at again and again, with a real deadline.
    ASSERT_TRUE(cobalin::testing::WaitReal([&] { return tcp.State() == SocketControl::kConnected; }, 10000));
    const int peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);

    // device index and SelectedDevice: none, past DeviceCount, past the
    // table, negative, with no device or a device of the search chosen (what
    // is chosen does not make a request for no device go).
    struct Case { int16_t device, selected; };
    const Case cases[] = {{0, 0}, {3, 3}, {255, 255}, {256, 256}, {300, 300}, {32767, 32767},
                          {-1, -1}, {0, 1}, {3, 1}, {300, 1}, {-1, 2}};
    for (const int16_t type : {ResetDevice, ClearConfigBuffer, WriteConfig, SetBaud, UpdateTransfer}) {
        for (const Case c : cases) {
            if (type == UpdateTransfer && c.device >= 1 && c.device <= 2) continue;  // it names only the device
            app.state->SelectedDevice = c.selected;
            EXPECT_FALSE(channel.SendDeviceCommand("127.0.0.1", type, c.device)) << type << " " << c.device << " " << c.selected;
            EXPECT_EQ(app.main().UDP8890->State(), SocketControl::kClosed) << type << " " << c.device;
            EXPECT_EQ(app.main().UDPsck->State(), SocketControl::kClosed) << type << " " << c.device;
        }
    }
    EXPECT_EQ(app.main().UDP8890->LocalPort, 0) << "no socket was even prepared";
    EXPECT_EQ(app.dialogs.shownCount(), 0);

    // A device of the search: the request goes out, built from that device
    // whatever is chosen. The first bytes on the connection are this
    // request, so none of the cases above sent one.
    app.state->SelectedDevice = 0;
    ASSERT_TRUE(channel.SendDeviceCommand("127.0.0.1", SetBaud, 2));
    const DeviceEntry& two = Writable(app.state->Devices)->DeviceTable[2];
    const Bytes expected = BuildBaudRequest(two.EchoBytes, two.Record);
    Bytes got;
    uint8_t buf[256];
    for (pollfd p{peer, POLLIN, 0}; got.size() < expected.size() && poll(&p, 1, 10000) == 1;) {
        const ssize_t n = read(peer, buf, sizeof buf);
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
    }
    EXPECT_EQ(got, expected);
    ASSERT_TRUE(channel.SendDeviceCommand("127.0.0.1", ResetDevice, 2));
    EXPECT_EQ(app.main().UDP8890->State(), SocketControl::kOpen);
    EXPECT_EQ(app.main().UDP8890->LocalPort, 8882);
    app.main().UDP8890->Close();
    tcp.Close();
    close(peer);
    close(listener);
}

namespace {

// The state a finishing tick leaves, as one text to compare: the selected
// rows and contents of every list, the device loaded into the faces and the
// details, the panel's fields and its status line.
std::string FillState(AppFixture& app) {
    QStringList out;
    for (const char* l : {"List1", "List6", "Combo4", "Combo5", "Combo6", "List7"})
        out << QString("%1 row %2: %3").arg(l).arg(SelectedRow(app.c(l))).arg(Items(app.c(l)).join(","));
    out << QString("SelectedDevice %1, Frame1 %2, details %3 rows, List5[0] %4, Label7 %5, Label17 %6")
               .arg(app.state->SelectedDevice)
               .arg(app.visible("Frame1"))
               .arg(ItemCount(app.c("List5")))
               .arg(Items(app.c("List5")).value(0), app.text("Label7"), app.text("Label17"));
    out << QString("Frame13 %1 '%2', Text6(9) %3, Text6(3) %4, Combo2 %5")
               .arg(app.visible("Frame13"))
               .arg(app.text("Frame13"), app.text("Text6(9)"), app.text("Text6(3)"))
               .arg(SelectedRow(app.c("Combo2")));
    QStringList panel;
    for (int i : {0, 3, 6, 7, 8, 11}) panel << QString("%1=%2").arg(i).arg(app.text(QString("Text12(%1)").arg(i).toUtf8()));
    out << "Text12 " + panel.join(" ") + QString(", DHCP %1").arg(IsChecked(app.c("Option2(0)")));
    out << QString("status '%1' colour %2, Label44 '%3', Save %4")
               .arg(app.text("Label54(1)"))
               .arg(ForeColor(app.c("Label54(1)")))
               .arg(app.text("Label44"))
               .arg(app.enabled("Command34(2)"));
    // The devices differ in their last MAC byte only.
    return out.join("\n").remove("02:7E:3A:04:C8:").toStdString();
}

// What a fill shows on the way: the texts of the status line, in order with
// repeats of one text folded, and how often a line of List1 is selected.
class FillWatch {
public:
    explicit FillWatch(AppFixture& app) {
        QWidget* status = app.c("Label54(1)");
        QWidget* list1 = app.c("List1");
        SetControlObserver([this, status, list1](QObject* o, ControlProperty p) {
            if (o == list1 && p == ControlProperty::Row) ++list1Selections;
            if (o == status && p == ControlProperty::Caption && (texts_.isEmpty() || texts_.back() != Caption(status)))
                texts_ << Caption(status);
        });
    }
    ~FillWatch() { SetControlObserver({}); }
    QStringList Last(int n) const { return texts_.mid(std::max<qsizetype>(0, texts_.size() - n)); }
    int list1Selections = 0;

private:
    QStringList texts_;
};

struct FillCase {
    const char* name;
    int deviceType;
    const char* settings;
    const char* superPassword;
    void (*devices)(AppFixture&);
    int model;  // Combo1 row selected before the tick
    std::string expected;
    QStringList lastStatusTexts;
};

// A mixed search: an unclassified device (prefix further in), a ZentaBox, a
// short device, two IP Dongles and a ZentaBox by its other prefix.
void AddMixedDevices(AppFixture& app) {
    AddPagedDevice(app, 1, "XPCB-4193", "5400", "x1");
    AddPagedDevice(app, 2, "PCB-4160-02", "5200", "zb");
    AddShortDevice(app, 3);
    AddPagedDevice(app, 4, "PCB-4193-04", "5400", "pw");
    AddPagedDevice(app, 5, "PCB-4193-05", "5400", "pw5");
    AddPagedDevice(app, 6, "37264000-06", "5200", "zb6");
    Writable(app.state->Devices)->DeviceTable[3].Record[500] = 0x77;
}

// Nothing of the chosen type: an IP Dongle and, last, a short device.
void AddDongleAndShort(AppFixture& app) {
    AddPagedDevice(app, 1, "PCB-4193-01", "", "pw");
    AddShortDevice(app, 3);
    Writable(app.state->Devices)->DeviceTable[2].Record[500] = 0x77;
}

// Two devices of models that the model "Zenta-9900" does not name.
void AddOtherModels(AppFixture& app) {
    AddPagedDevice(app, 1, "PCB-4193-01", "5400", "pw");
    AddPagedDevice(app, 2, "PCB-4160-02", "5200", "pw");
}

// What a new search does to the found list and the table, without sending.
void ForgetDevices(AppFixture& app) {
    ClearDeviceTable(*Writable(app.state->Devices));
    Writable(app.state->Devices)->DeviceCount = 0;
    ClearItems(app.c("List1"));
    Hide(app.c("Frame1"));
}

}  // namespace

// Filling the lists leaves the faces, the details and the panel as selecting
// the lines one by one leaves them.
TEST(FoundLists, TheStateAfterAFillIsTheOneTheSelectionsLeave) {
    const QString kQuery = kQueryNotAuthenticated;
    // The first IP Dongle of the mixed search, selected and loaded.
    const std::string kFirstDongleLoaded = R"(List1 row 3: 01,02,03,04,05,06
List6 row 3: 01,02,03,04,05,06
Combo4 row 3: 01,02,03,04,05,06
Combo5 row 0: 04,05
Combo6 row -1: 02,06
List7 row 0: 04,05
SelectedDevice 4, Frame1 1, details 33 rows, List5[0] Dev4, Label7 04, Label17 Dev4
Frame13 1 '04', Text6(9) Dev4, Text6(3) pw, Combo2 1
)";
    const FillCase cases[] = {
        {"dongles, authenticated", 1, "", "pw", AddMixedDevices, 0,
         kFirstDongleLoaded + R"(Text12 0=192.168.1.4 3=pw 6=Dev4 7= 8= 11=04, DHCP 0
status 'Found...2 IP Dongle(s)' colour 0, Label44 'Found...6 device(s)', Save 1)",
         {"Found...2 IP Dongle(s)"}},
        {"dongles, wrong password", 1, "", "nope", AddMixedDevices, 0,
         kFirstDongleLoaded + R"(Text12 0= 3=nope 6= 7= 8= 11=04, DHCP 1
status 'Please enter password authentication to query a device!' colour 255, Label44 'Found...6 device(s)', Save 1)",
         {"Found...2 IP Dongle(s)", kQuery}},
        {"boxes, password skipped", 2, "SkipPassword=1\n", "", AddMixedDevices, 0,
         R"(List1 row 1: 01,02,03,04,05,06
List6 row 1: 01,02,03,04,05,06
Combo4 row 1: 01,02,03,04,05,06
Combo5 row -1: 04,05
Combo6 row 0: 02,06
List7 row 0: 02,06
SelectedDevice 2, Frame1 1, details 33 rows, List5[0] Dev2, Label7 02, Label17 Dev2
Frame13 1 '02', Text6(9) Dev2, Text6(3) zb, Combo2 1
Text12 0=192.168.1.2 3=zb 6=Dev2 7= 8= 11=02, DHCP 0
status 'Found...2 ZentaBox(s)' colour 0, Label44 'Found...6 device(s)', Save 1)",
         {"Found...2 ZentaBox(s)"}},
        {"no device of the type", 2, "", "", AddDongleAndShort, 0,
         R"(List1 row 1: 01,03
List6 row 1: 01,03
Combo4 row -1: 
Combo5 row -1: 
Combo6 row -1: 
List7 row -1: 
SelectedDevice 2, Frame1 1, details 11 rows, List5[0] Legacy, Label7 03, Label17 Legacy
Frame13 1 '03', Text6(9) Legacy, Text6(3) , Combo2 1
Text12 0= 3= 6= 7= 8= 11=, DHCP 0
status 'Found...0 ZentaBox(s)' colour 0, Label44 'Found...2 device(s)', Save 0)",
         {"Found...0 ZentaBox(s)"}},
        {"the model filter passes none", 1, "SkipPassword=1\n", "", AddOtherModels, 1,
         R"(List1 row 1: 01,02
List6 row -1: 
Combo4 row -1: 
Combo5 row -1: 
Combo6 row -1: 
List7 row -1: 
SelectedDevice 2, Frame1 1, details 33 rows, List5[0] Dev2, Label7 02, Label17 Dev2
Frame13 0 'MAC', Text6(9) , Text6(3) , Combo2 -1
Text12 0= 3= 6= 7= 8= 11=, DHCP 0
status 'Found...0 IP Dongle(s)' colour 0, Label44 'Found...0 device(s)', Save 0)",
         {"Found...0 IP Dongle(s)"}},
        // Only the last device's password: the refusals of the others stay.
        {"no device type", 0, "", "zb6", AddMixedDevices, 0,
         R"(List1 row 5: 01,02,03,04,05,06
List6 row 5: 01,02,03,04,05,06
Combo4 row -1: 01,02,03,04,05,06
Combo5 row -1: 04,05
Combo6 row -1: 02,06
List7 row -1: 
SelectedDevice 6, Frame1 1, details 33 rows, List5[0] Dev6, Label7 06, Label17 Dev6
Frame13 1 '06', Text6(9) Dev6, Text6(3) zb6, Combo2 1
Text12 0=192.168.1.6 3=zb6 6=Dev6 7= 8= 11=, DHCP 0
status 'Please enter password authentication to query a device!' colour 255, Label44 'Found...6 device(s)', Save 0)",
         {kQuery}},
    };
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.name);
        AppFixture app(Auto(std::max(c.deviceType, 1), std::string(c.settings) + "[ModelSelection]\nCount=1\n1=Zenta-9900\nSelectable=YES\n"));
        app.state->DeviceType = static_cast<DeviceClass>(c.deviceType);
        c.devices(app);
        SetText(app.c("Text12(3)"), c.superPassword);
        SelectRow(app.c("Combo1"), c.model);
        FillWatch status(app);
        RunFinishingTick(app);
        // Only the device the fill ends on is loaded; the others are not
        // selected in List1 in order to be read back.
        EXPECT_EQ(status.list1Selections, 1);
        for (int e = 1; Writable(app.state->Devices)->IsDevice(e); ++e) {
            const DeviceRecord& r = Writable(app.state->Devices)->DeviceTable[static_cast<size_t>(e)].Record;
            if (!IsPagedRecord(r)) {
                EXPECT_EQ(r[500], 0) << "a short device looked at is zero-filled";
            }
        }
        EXPECT_EQ(FillState(app), c.expected);
        EXPECT_EQ(status.Last(c.lastStatusTexts.size()), c.lastStatusTexts);
    }
}

// After an update the panel's lists are filled again from the unchanged
// List6 while the follow-up search found the devices anew: a line whose
// device did not answer loads nothing and is classified by what was loaded
// before it, and a short device that is loaded is zero-filled.
TEST(FoundLists, AfterAnUpdateALineWithNoDeviceKeepsWhatWasLoaded) {
    AppFixture app(Auto(1, "SkipPassword=1\n"));
    AddPagedDevice(app, 1, "PCB-4193-01", "", "pw1");
    AddPagedDevice(app, 2, "PCB-4160-02", "", "pw2");
    AddShortDevice(app, 3);
    AddPagedDevice(app, 4, "PCB-4193-04", "", "pw4");
    RunFinishingTick(app);
    ASSERT_EQ(app.text("Text6(9)"), "Dev1");

    // The follow-up search: device 1 (the one loaded) stays silent.
    ForgetDevices(app);
    AddPagedDevice(app, 2, "PCB-4160-02", "", "pw2");
    AddShortDevice(app, 3);
    AddPagedDevice(app, 4, "PCB-4193-04", "", "pw4");
    Writable(app.state->Devices)->DeviceTable[2].Record[500] = 0x77;
    app.startup->search().SetFaceOperation(SearchOrchestration::FaceOperation::Update);
    FillWatch status(app);
    RunFinishingTick(app);
    EXPECT_EQ(status.list1Selections, 1);
    EXPECT_EQ(Writable(app.state->Devices)->DeviceTable[2].Record[500], 0);
    EXPECT_EQ(FillState(app), R"(List1 row 2: 02,03,04
List6 row 0: 01,02,03,04
Combo4 row 0: 01,02,03,04
Combo5 row 0: 01,04
Combo6 row -1: 02
List7 row 0: 01,04
SelectedDevice 3, Frame1 1, details 33 rows, List5[0] Dev4, Label7 04, Label17 Dev4
Frame13 1 '04', Text6(9) Dev4, Text6(3) pw4, Combo2 1
Text12 0=192.168.1.4 3=pw4 6=Dev4 7= 8= 11=01, DHCP 0
status 'Found...2 IP Dongle(s)' colour 0, Label44 'Update...Done', Save 1)");
    EXPECT_EQ(status.Last(2), (QStringList{"Update...Done", "Found...2 IP Dongle(s)"}));
}
