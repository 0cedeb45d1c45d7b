// "Update (7)", "Reset", "Clear NSV" and "SetBaud" against a device played by
// the test on the loopback address: what is sent from which port in which
// order, the status texts and the command panel through the countdown and the
// search that follows, and the report of a device that did not come back or
// came back with other values. Run with a small COBALIN_TIME_SCALE.
#include <gtest/gtest.h>

#include <sys/eventfd.h>

#include <cerrno>
#include <cstring>

#include <QJsonObject>
#include <QTimer>

#include "core/lan_module.h"
#include "core/request_packets.h"
#include "toolkit/program_clock.h"
#include "writes_fixture.h"
#include "writable_store.h"

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::ChangeLog;
using cobalin::testing::LoopbackUdp;
using cobalin::testing::MacText;
using cobalin::testing::ModuleAnswer;
using cobalin::testing::PageBytes;
using cobalin::testing::SequenceTexts;
using cobalin::testing::UsualRecord;
using cobalin::testing::WritesApp;

namespace {

QStringList Countdown(const char* word, int from) {
    QStringList out;
    for (int i = from; i >= 0; --i) out << QString(word) + QString::number(i);
    return out;
}

// True when Frame6 was never enabled between two entries of the log.
bool PanelHeldBetween(const ChangeLog& log, int from, int to) {
    for (int i = from; i < to; ++i) {
        const auto& e = log.entries[static_cast<size_t>(i)];
        if (e.name == "Frame6" && e.value == "on") return false;
    }
    return true;
}

struct DeviceSide {
    LoopbackUdp commands{kCommandPort};
    LoopbackUdp module{kModulePort};
    LoopbackUdp sender;
    std::vector<LoopbackUdp::Datagram> got;  // on the command port, in order
    void Collect() {
        for (auto& d : commands.Drain()) got.push_back(std::move(d));
    }
    // Answers the search as a device does: its pages to the search socket.
    void Answer(const DeviceRecord& r, std::initializer_list<int> pages = {0, 1, 2}) const {
        for (int p : pages) sender.Send(kNetworkSearchLocalPort, PageBytes(r, p));
    }
};

// The message a command whose socket cannot be made ready shows.
const QString kCommandPortTaken = "C3:Failed to initial UDP connection! Please retry again.";

// The texts of the message boxes shown since the last look.
QStringList ShownTexts(WritesApp& app) {
    QStringList out;
    for (const auto& box : app.dialogs.TakeShown()) out << box.toObject().value("text").toString();
    return out;
}

}  // namespace

TEST(DeviceWrites, UpdateClearsWritesResetsCountsDownSearchesAndReportsWhatCameBack) {
    enum class Device { TookTheWrite, IgnoredIt, NeverCameBack, LostPageZero };
    struct Case {
        const char* name;
        Device device;
        QString report;  // empty: nothing beyond the sequence's own texts
    };
    const Case cases[] = {
        {"took the write", Device::TookTheWrite, ""},
        {"ignored it", Device::IgnoredIt, "Device kept other values: Server name, Baud rate"},
        {"never came back", Device::NeverCameBack, "Not found after the update: " + QString::fromStdString(MacText(2))},
        // Its page 0 is lost: what it holds of the rows written cannot be seen.
        {"lost page 0", Device::LostPageZero,
         "Not verified: page 0 of this device was not received after the update; search again"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WritesApp app;
        DeviceSide device;
        ASSERT_TRUE(device.commands.bound() && device.module.bound());
        app.Add(UsualRecord(1));
        const DeviceRecord original = UsualRecord(2);
        app.Add(original);
        app.pick(1);
        app.apply(PagedRow::ServerName, "Renamed");
        app.apply(PagedRow::BaudRate, "115200");
        app.apply(PagedRow::TcpUdpPort, "5000");    // the write sends 4000 there whatever the record says
        app.apply(PagedRow::SerialTimeout, "abc");  // refused: writes nothing
        const DeviceRecord copy = app.entry(2).Record;
        const EchoBytesArray echo = app.entry(2).EchoBytes;
        ASSERT_EQ(copy[177], 12);

        ChangeLog log;
        bool answered = false, triedAgain = false, refusedAgain = false, closeAllowedMeanwhile = true;
        bool timerEndedInTheCountdown = false;
        size_t sentBeforeSecondTry = 0;
        log.on = [&](const ChangeLog::Entry& e) {
            if (e.name != "Label1") return;
            if (e.value == "Restarting...1") {
                // The operation timer's run (5.7 program seconds) ends well
                // inside the countdown, but a loaded machine lets its ticks
                // slip: the last second of the countdown waits for its end
                // (at once when it has ended), so the follow-up search cannot
                // overtake it. The timer ticks on meanwhile, as in the countdown.
                timerEndedInTheCountdown = WaitUntil([&] { return log.Find("Label1", "Sending...Done") >= 0; }, 60);
            }
            if (e.value == "Restarting...5" && !triedAgain) {
                triedAgain = true;
                // A second update, a reset or a clear while the device restarts.
                closeAllowedMeanwhile = app.state.CloseAllowed;
                device.Collect();
                sentBeforeSecondTry = device.got.size();
                refusedAgain = !app.enabled("Command9");
                app.click("Command9");
                app.writes.Update();
                app.writes.Reset();
                app.writes.Clear();
            }
            if (e.value == "Searching...2" && !answered && log.Find("Label1", "Restarting...0") >= 0) {
                answered = true;
                device.Collect();
                DeviceRecord back = original;
                if (c.device == Device::TookTheWrite && device.got.size() >= 3) {
                    const Bytes& a = device.got[1].data;
                    const Bytes& b = device.got[2].data;
                    std::copy(a.begin() + 31, a.end(), back.begin() + kPageHeaderSize);
                    std::copy(b.begin() + 31, b.begin() + 1005, back.begin() + static_cast<long>(kPages[1].recordOffset + kPageHeaderSize));
                }
                if (c.device == Device::TookTheWrite || c.device == Device::IgnoredIt) device.Answer(back);
                if (c.device == Device::LostPageZero) device.Answer(back, {1, 2});
            }
        };
        app.click("Command9");
        ASSERT_TRUE(app.Settle());
        device.Collect();

        // On the wire: clear, the two datagrams of the write, reset.
        const WriteDatagrams w = BuildWriteDatagrams(copy);
        ASSERT_EQ(device.got.size(), 4u);
        EXPECT_EQ(sentBeforeSecondTry, 4u);
        EXPECT_TRUE(refusedAgain);
        EXPECT_EQ(device.got[0].fromPort, kClearLocalPort);
        EXPECT_EQ(device.got[0].data, BuildMaintenanceRequest(echo, copy, "clrCfgBuf"));
        EXPECT_EQ(device.got[1].fromPort, 8884);
        EXPECT_EQ(device.got[1].data, w.a);
        EXPECT_EQ(device.got[2].fromPort, 8884);
        EXPECT_EQ(device.got[2].data, w.b);
        EXPECT_EQ(device.got[3].fromPort, 8882);
        EXPECT_EQ(device.got[3].data, BuildMaintenanceRequest(echo, copy, "reset"));
        // The operation timer's module query during the countdown, and the search's.
        const auto queries = device.module.Drain();
        ASSERT_EQ(queries.size(), 2u);
        for (const auto& q : queries) {
            EXPECT_EQ(q.fromPort, 8888);
            EXPECT_EQ(q.data, BuildModuleQuery());
        }

        // Label1: the sequence's texts in order, the timer's in between.
        const QStringList label1 = log.Of("Label1");
        QStringList expected = QStringList{"Sending command..."} + Countdown("Restarting...", 10);
        QStringList seq = SequenceTexts(label1);
        EXPECT_EQ(seq.indexOf("Sending...Done"), seq.lastIndexOf("Sending...Done"));
        EXPECT_TRUE(timerEndedInTheCountdown);
        EXPECT_LT(seq.indexOf("Sending...Done"), seq.indexOf("Restarting...0")) << "the timer's run ends during the countdown";
        EXPECT_GT(seq.indexOf("Sending...Done"), seq.indexOf("Restarting...10")) << "and not before it";
        seq.removeAll("Sending...Done");
        expected << "Searching...Done";
        if (!c.report.isEmpty()) expected << c.report;
        EXPECT_EQ(seq, expected);
        EXPECT_TRUE(label1.contains("Searching...19"));
        EXPECT_EQ(app.text("Label1"), c.report.isEmpty() ? "Searching...Done" : c.report);
        EXPECT_EQ(ForeColor(app.c("Label1")), c.report.isEmpty() ? 0u : 255u);

        // The command panel stays disabled from the start until the search has ended.
        const int start = log.Find("Label1", "Sending command...");
        const int searchDone = log.Find("Label1", "Searching...Done");
        ASSERT_GE(start, 0);
        ASSERT_GT(searchDone, start);
        EXPECT_TRUE(PanelHeldBetween(log, 0, searchDone));
        EXPECT_EQ(log.Find("Frame6", "on", searchDone), searchDone + 1);
        EXPECT_TRUE(app.enabled("Frame6"));
        EXPECT_TRUE(app.enabled("Command9"));

        // The configuration panel: "Ready" once the search is sent, then the report.
        const QStringList status = log.Of("Label54(1)");
        const int ready = log.Find("Label54(1)", "Ready");
        EXPECT_GT(ready, log.Find("Label1", "Restarting...0"));
        EXPECT_LT(ready, searchDone);
        EXPECT_EQ(status.back(), c.report.isEmpty() ? "Ready" : c.report);
        EXPECT_EQ(ForeColor(app.c("Label54(1)")), c.report.isEmpty() ? 0u : 255u);
        EXPECT_FALSE(closeAllowedMeanwhile);
        EXPECT_TRUE(app.state.CloseAllowed);
        EXPECT_TRUE(app.enabled("Command34(4)"));
        EXPECT_EQ(app.dialogs.shownCount(), 0);

        // A later search starts the status line black again.
        if (!c.report.isEmpty()) {
            app.click("Command1");
            EXPECT_EQ(ForeColor(app.c("Label1")), 0u);
            ASSERT_TRUE(app.Settle());
        }
    }
}

TEST(DeviceWrites, AClearThatCannotBeSentLeavesTheRestOfTheUpdateGoing) {
    WritesApp app;
    DeviceSide device;
    ASSERT_TRUE(device.commands.bound());
    LoopbackUdp holder(kClearLocalPort);  // another program holds the clear's port
    ASSERT_TRUE(holder.bound());
    app.Add(UsualRecord(4));
    app.pick(0);
    app.apply(PagedRow::ServerName, "Still written");
    const DeviceRecord copy = app.entry(1).Record;
    ChangeLog log;
    app.click("Command9");
    ASSERT_TRUE(app.Settle());
    EXPECT_EQ(ShownTexts(app), QStringList{kCommandPortTaken});
    device.Collect();
    ASSERT_EQ(device.got.size(), 3u);
    EXPECT_EQ(device.got[0].data, BuildWriteDatagrams(copy).a);
    EXPECT_EQ(device.got[1].data, BuildWriteDatagrams(copy).b);
    EXPECT_EQ(device.got[2].fromPort, kResetLocalPort);
    QStringList seq = SequenceTexts(log.Of("Label1"));
    seq.removeAll("Sending...Done");
    // The timer's ticks find no socket open until the write has opened one.
    seq.removeAll("Ready");
    const QStringList expected = QStringList{"Sending command..."} + Countdown("Restarting...", 10) +
                                 QStringList{"Searching...Done", "Not found after the update: " + QString::fromStdString(MacText(4))};
    EXPECT_EQ(seq, expected);
}

// A write whose datagrams could not leave is no write: the report says so
// instead of "kept other values", and the reset still goes, as ever.
TEST(DeviceWrites, AWriteThatCannotBeSentIsReportedAsNotSent) {
    WritesApp app;
    DeviceSide device;
    ASSERT_TRUE(device.commands.bound());
    app.Add(UsualRecord(4));
    app.pick(0);
    app.apply(PagedRow::ServerName, "Never sent");
    std::vector<size_t> tried;
    // A device's requests leave by its interface, named on the send.
    app.form.UDP8890->calls.sendMessage = [&](int fd, const msghdr* m, int flags) {
        const size_t n = m->msg_iov[0].iov_len;
        tried.push_back(n);
        if (n != 1031 && n != 1007) return ::sendmsg(fd, m, flags);
        errno = ENETUNREACH;
        return ssize_t{-1};
    };
    ChangeLog log;
    app.click("Command9");
    ASSERT_TRUE(app.Settle());
    EXPECT_EQ(tried, (std::vector<size_t>{59, 1031, 1007, 59})) << "datagram 2 and the reset still tried";
    device.Collect();
    ASSERT_EQ(device.got.size(), 2u);
    EXPECT_EQ(device.got[1].fromPort, kResetLocalPort);
    const QString report = "Not updated: the write could not be sent: datagram 1 did not leave (" +
                           QString::fromStdString(std::strerror(ENETUNREACH)) + ")";
    EXPECT_EQ(SequenceTexts(log.Of("Label1")).last(), report);
    EXPECT_EQ(ForeColor(app.c("Label1")), 255u);
}

TEST(DeviceWrites, TheReportOutlastsTheSimpleFacesEndOfUpdate) {
    // An update run for the simple face: Timer3 follows it as an update
    // and, once it has ended, writes its own texts on the panel's status line.
    WritesApp app;
    DeviceSide device;
    ASSERT_TRUE(device.commands.bound());
    app.Add(UsualRecord(3));
    app.pick(0);
    app.apply(PagedRow::ServerName, "Gone");
    app.search.SetFaceOperation(SearchOrchestration::FaceOperation::Update);
    EnableTimer(app.form.Timer3, true);
    ChangeLog log;
    app.click("Command9");
    ASSERT_TRUE(app.Settle());
    ASSERT_TRUE(WaitUntil([&] { return !app.form.Timer3->isActive(); }, 10));
    const QString report = "Not found after the update: " + QString::fromStdString(MacText(3));
    // The simple face's status shows the report too.
    EXPECT_EQ(app.text("Label44"), report);
    EXPECT_TRUE(log.Of("Label54(1)").contains("Update...Done"));
    EXPECT_EQ(app.text("Label54(1)"), report);
    EXPECT_EQ(ForeColor(app.c("Label54(1)")), 255u);
    EXPECT_EQ(app.text("Label1"), report);
}

TEST(DeviceWrites, AModuleUpdateSendsOnlyTheModuleRecordAndIsCheckedAgainstTheModulesAnswer) {
    enum class Module { TookIt, KeptTheOldName, DidNotAnswer };
    struct Case {
        const char* name;
        Module module;
        QString report;  // empty: the plain end of the update
    };
    const Case cases[] = {
        {"took it", Module::TookIt, ""},
        {"kept the old name", Module::KeptTheOldName, "Device kept other values: Server name"},
        {"did not answer", Module::DidNotAnswer, "No module record after the update: " + QString::fromStdString(MacText(2))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WritesApp app;
        DeviceSide device;
        ASSERT_TRUE(device.commands.bound() && device.module.bound());
        const DeviceRecord original = UsualRecord(2);
        app.Add(original);
        ASSERT_EQ(ModuleReplyIntake(*Writable(app.state.Devices), ModuleAnswer(2)), 1);
        app.pick(0);
        app.apply(PagedRow::ServerName, "Via module");
        app.apply(PagedRow::BaudRate, "300");  // not carried by the module record: refused
        EXPECT_EQ(app.text("Label1"), "Not applied: the LAN module of this device does not carry Baud rate");
        const Bytes sentModule = Writable(app.state.Devices)->LanModuleTable[1].Record;
        ASSERT_EQ(std::string(sentModule.begin(), sentModule.begin() + 8), "UpdateLM");

        ChangeLog log;
        bool timerRanBeforeSearch = false, answered = false;
        log.on = [&](const ChangeLog::Entry& e) {
            if (e.name != "Label1") return;
            if (e.value == "Restarting...0") timerRanBeforeSearch = app.form.Timer1->isActive();
            // The device's own record never changes on this road; its module
            // answers the search's query (on the ninth tick) as it now is.
            if (e.value == "Searching...2") device.Answer(original);
            if (e.value.startsWith("Searching...1") && e.value.size() > 13 && !answered && log.Find("Label1", "Restarting...0") >= 0) {
                answered = true;
                Bytes answer = ModuleAnswer(2);
                if (c.module == Module::TookIt) std::copy_n(sentModule.begin() + 32, 16, answer.begin() + 32);
                if (c.module != Module::DidNotAnswer) device.module.Send(kSearchPort, answer);  // to UDPsck, bound to 8888
            }
        };
        app.click("Command9");
        ASSERT_TRUE(app.Settle());

        EXPECT_TRUE(device.commands.Drain().empty()) << "no clear, write or reset";
        const auto toModule = device.module.Drain();
        ASSERT_GE(toModule.size(), 2u);
        EXPECT_EQ(toModule[0].fromPort, 8888);
        EXPECT_EQ(toModule[0].data, sentModule);
        EXPECT_EQ(toModule[1].data, BuildModuleQuery()) << "the search's own query";
        EXPECT_FALSE(timerRanBeforeSearch);

        QStringList expected = QStringList{"Sending command...", "Ready..."} + Countdown("Updating...", 5) +
                               Countdown("Restarting...", 10) + QStringList{"Searching...Done"};
        if (!c.report.isEmpty()) expected << c.report;
        EXPECT_EQ(SequenceTexts(log.Of("Label1")), expected);
        EXPECT_EQ(app.text("Label54(1)"), c.report.isEmpty() ? "Ready" : c.report);
        EXPECT_EQ(ForeColor(app.c("Label54(1)")), c.report.isEmpty() ? 0u : 255u);
        const int searchDone = log.Find("Label1", "Searching...Done");
        EXPECT_TRUE(PanelHeldBetween(log, 0, searchDone));
        // Nothing of the timer's own texts before the search.
        const QStringList label1 = log.Of("Label1");
        EXPECT_EQ(label1.indexOf("Searching...1"), label1.indexOf("Restarting...0") + 1);
    }
}

// Nothing leaves for a record that this search did not bring whole, or that
// holds no configuration: the entry's missing bytes could be another
// device's. The reason stays on the status line.
TEST(DeviceWrites, UpdateSendsNothingForARecordThisSearchDidNotBringWhole) {
    struct Case {
        const char* name;
        std::initializer_list<int> pages;  // empty: a short record
        bool moduleTag;
        QString reason;
    };
    const Case cases[] = {
        {"page 1 lost", {0, 2}, false, "Not updated: page 1 of this device was not received; search again"},
        {"page 0 lost", {1, 2}, false, "Not updated: page 0 of this device was not received; search again"},
        {"short record", {}, false, "Not updated: this device's record has no fields for these settings"},
        {"module tag without its record", {0, 1, 2}, true,
         "Not updated: the LAN module of this device did not answer this search; search again"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WritesApp app;
        DeviceSide device;
        ASSERT_TRUE(device.commands.bound() && device.module.bound());
        DeviceRecord r = UsualRecord(5);
        if (c.pages.size() == 0) {
            r = cobalin::testing::RecordBuilder::Short(cobalin::testing::Mac(5));
            app.Add(r, false);
        } else {
            app.Add(r, true, c.pages);
        }
        if (c.moduleTag) app.entry(1).FormatTag = RecordFormat::WithModule;
        app.pick(0);
        app.state.CloseAllowed = true;
        ChangeLog log;
        ManualClock clock;  // what the click might have started waits on it
        app.click("Command9");
        EXPECT_EQ(app.text("Label1"), c.reason);
        EXPECT_EQ(ForeColor(app.c("Label1")), 255u);
        EXPECT_FALSE(app.writes.busy());
        EXPECT_TRUE(app.state.CloseAllowed) << "the panel's Close stays allowed";
        EXPECT_TRUE(app.enabled("Frame6"));
        EXPECT_FALSE(app.form.Timer1->isActive());
        clock.Advance(0.5);
        EXPECT_TRUE(device.commands.Drain().empty());
        EXPECT_TRUE(device.module.Drain().empty());
        EXPECT_EQ(log.Of("Label1"), QStringList{c.reason});
    }
}

TEST(DeviceWrites, ResetCountsDownAndSearchesTheWayCheck1Says) {
    struct Case {
        bool broadcast;
        QString word;  // the timer's word in the search that follows
    };
    for (const Case& c : {Case{true, "Searching..."}, Case{false, "Sending..."}}) {
        SCOPED_TRACE(c.broadcast);
        WritesApp app;
        DeviceSide device;
        ASSERT_TRUE(device.commands.bound());
        app.Add(UsualRecord(1));
        app.pick(0);
        SetChecked(app.c("Check1"), c.broadcast);
        SetText(app.c("txtIPaddr"), "127.0.0.1");  // the check box set its own address
        // (Cleared, the box also sets the port field to 8890, where the module
        // query then cannot bind: this test plays the device on that port.)
        const DeviceRecord record = app.entry(1).Record;
        const QString panelStatus = app.text("Label54(1)");
        ChangeLog log;
        app.click("Command3");
        ASSERT_TRUE(app.Settle());
        device.Collect();
        ASSERT_EQ(device.got.size(), c.broadcast ? 1u : 2u);
        EXPECT_EQ(device.got[0].fromPort, 8882);
        EXPECT_EQ(device.got[0].data, BuildMaintenanceRequest(app.entry(1).EchoBytes, record, "reset"));
        if (!c.broadcast) {
            EXPECT_EQ(device.got[1].fromPort, 8891);
            EXPECT_EQ(device.got[1].data, BuildSearchRequest(SearchAddress, kCommandPort));
        }
        QStringList seq = SequenceTexts(log.Of("Label1"));
        seq.removeAll("Sending...Done");
        QStringList expected = QStringList{"Sending command..."} + Countdown("Restarting...", 10);
        if (c.broadcast) expected << "Searching...Done";
        EXPECT_EQ(seq, expected);
        const QStringList label1 = log.Of("Label1");
        EXPECT_EQ(label1.mid(label1.indexOf("Restarting...0") + 1, 1), QStringList{c.word + "1"});
        EXPECT_EQ(label1.back(), c.word + "Done");
        EXPECT_TRUE(PanelHeldBetween(log, 0, log.Find("Label1", c.word + "Done", log.Find("Label1", "Restarting...0"))));
        EXPECT_TRUE(app.enabled("Frame6"));
        EXPECT_EQ(app.text("Label54(1)"), panelStatus) << "a reset reports nothing";
        EXPECT_TRUE(log.Of("Label54(1)").isEmpty());
    }
}

TEST(DeviceWrites, ClearSendsOneRequestAndNoSearch) {
    WritesApp app;
    DeviceSide device;
    ASSERT_TRUE(device.commands.bound() && device.module.bound());
    app.Add(UsualRecord(1));
    app.pick(0);
    ChangeLog log;
    app.click("Command8");
    EXPECT_FALSE(app.enabled("Frame6"));
    ASSERT_TRUE(app.Settle());
    device.Collect();
    ASSERT_EQ(device.got.size(), 1u);
    EXPECT_EQ(device.got[0].fromPort, kClearLocalPort);
    EXPECT_EQ(device.got[0].data, BuildMaintenanceRequest(app.entry(1).EchoBytes, app.entry(1).Record, "clrCfgBuf"));
    EXPECT_EQ(device.module.Drain().size(), 1u) << "the timer's query";
    EXPECT_EQ(SequenceTexts(log.Of("Label1")), (QStringList{"Sending command...", "Sending...Done"}));
    EXPECT_TRUE(app.enabled("Frame6"));
    EXPECT_EQ(app.items("List1").size(), 1) << "no search";
}

// A clear whose socket cannot be made ready has its message shown, and the
// window is idle again: no timer left ticking "Ready" over a locked panel.
TEST(DeviceWrites, AClearThatCannotBeSentReturnsToIdle) {
    WritesApp app;
    DeviceSide device;
    LoopbackUdp holder(kClearLocalPort);  // another program holds the clear's port
    ASSERT_TRUE(holder.bound());
    app.Add(UsualRecord(1));
    app.pick(0);
    ChangeLog log;
    app.click("Command8");
    ASSERT_TRUE(app.Settle());
    EXPECT_EQ(ShownTexts(app), QStringList{kCommandPortTaken});
    EXPECT_FALSE(app.form.Timer1->isActive());
    EXPECT_EQ(app.state.OperationTick, kNoOperation);
    EXPECT_TRUE(app.enabled("Frame6"));
    EXPECT_EQ(SequenceTexts(log.Of("Label1")), (QStringList{"Sending command...", "Ready"}));
    device.Collect();
    EXPECT_TRUE(device.got.empty());
}

TEST(DeviceWrites, NothingIsDoneForAStaleIndexOnceASearchHasEmptiedTheList) {
    WritesApp app;
    DeviceSide device;
    ASSERT_TRUE(device.commands.bound() && device.module.bound());
    app.Add(UsualRecord(1));
    app.pick(0);
    app.apply(PagedRow::ServerName, "Edited");
    // A search empties List1 and finds another device at index 1.
    ClearItems(app.c("List1"));
    Writable(app.state.Devices)->DeviceCount = 0;
    app.Add(UsualRecord(5));
    ASSERT_EQ(app.state.SelectedDevice, 1);
    app.state.CloseAllowed = true;
    ChangeLog log;
    ManualClock clock;  // what a click might have started waits on it
    for (const char* button : {"Command9", "Command3", "Command8"}) {
        app.click(button);
        EXPECT_FALSE(app.form.Timer1->isActive()) << button;
        EXPECT_EQ(app.state.OperationTick, kNoOperation) << button;
        EXPECT_TRUE(app.state.CloseAllowed) << button;
    }
    clock.Advance(1);
    device.Collect();
    EXPECT_TRUE(device.got.empty());
    EXPECT_TRUE(device.module.Drain().empty());
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(app.form.UDP8890->State(), SocketControl::kClosed);
}

namespace {

// Holds a connection of the socket's thread back until opened: while it is
// shut, a poll for the connection's end waits for the gate or for the
// socket's close alone.
class ConnectGate {
public:
    ConnectGate() : fd_(eventfd(0, EFD_CLOEXEC)) {}
    ~ConnectGate() { close(fd_); }
    ConnectGate(const ConnectGate&) = delete;
    ConnectGate& operator=(const ConnectGate&) = delete;
    void Open() {
        const uint64_t one = 1;
        (void)!write(fd_, &one, sizeof one);
    }
    // fds[0] is the socket's wake-up, fds[1] the socket.
    int Poll(pollfd* fds, nfds_t n, int timeout) {
        if (n == 2 && (fds[1].events & POLLOUT)) {
            pollfd held[2] = {fds[0], {fd_, POLLIN, 0}};
            const int r = ::poll(held, 2, timeout);
            if (r <= 0) return r;
            if (held[0].revents) {
                fds[0].revents = held[0].revents;
                fds[1].revents = 0;
                return 1;
            }
        }
        return ::poll(fds, n, timeout);
    }

private:
    int fd_;
};

// A TCP listener of the test on 127.0.0.1:5300. With `full`, its queue of
// connections is filled first, so that a further connection is never taken
// up: the address stays silent.
class BaudListener {
public:
    explicit BaudListener(bool full, const char* address = "127.0.0.1") {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(kBaudPort);
        if (inet_pton(AF_INET, address, &a.sin_addr) != 1) a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd_, 0) == 0;
        if (!full) return;
        filler_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ok_ = ok_ && connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~BaudListener() {
        if (peer_ >= 0) close(peer_);
        if (filler_ >= 0) close(filler_);
        close(fd_);
    }
    bool ok() const { return ok_; }
    // The bytes of the first connection within the time, or nothing.
    Bytes Read(size_t want, int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) != 1) return {};
        peer_ = accept(fd_, nullptr, nullptr);
        Bytes got;
        uint8_t buf[256];
        for (pollfd q{peer_, POLLIN, 0}; got.size() < want && poll(&q, 1, ms) == 1;) {
            const ssize_t n = read(peer_, buf, sizeof buf);
            if (n <= 0) break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

private:
    int fd_ = -1, filler_ = -1, peer_ = -1;
    bool ok_ = false;
};

}  // namespace

TEST(DeviceWrites, SetBaudSendsOnlyOverAConnectionMadeInTime) {
    WritesApp app;
    app.Add(UsualRecord(1));  // its address: 127.0.0.1
    app.pick(0);
    const Bytes request = BuildBaudRequest(app.entry(1).EchoBytes, app.entry(1).Record);
    SetCaption(app.c("Label1"), "before");

    {  // Listening: the 64 bytes go out and the status says so.
        BaudListener listener(false);
        ASSERT_TRUE(listener.ok());
        app.click("Command19");
        ASSERT_TRUE(app.SettleBaud());
        EXPECT_EQ(app.text("Label1"), "Sending Setbuad command...");
        EXPECT_EQ(listener.Read(request.size(), 5000), request);
    }
    SetCaption(app.c("Label1"), "before");
    {  // Nothing listens: the refusal ends it silently.
        app.click("Command19");
        ASSERT_TRUE(app.SettleBaud());
        EXPECT_EQ(app.text("Label1"), "before");
    }
    {  // Silent: the wait ends after five seconds of program time, nothing sent.
        BaudListener silent(true);
        ASSERT_TRUE(silent.ok());
        ChangeLog clock;
        const double start = clock.Now();
        app.click("Command19");
        EXPECT_TRUE(app.form.session.BaudConnecting()) << "the click returns while the connection is made";
        ASSERT_TRUE(app.SettleBaud());
        const double took = clock.Now() - start;
        EXPECT_GE(took, 4.9);
        EXPECT_LT(took, 200) << "bounded, not left to the system's own time-out";
        EXPECT_EQ(app.text("Label1"), "before");
        EXPECT_EQ(app.form.TCP5300Cmd->State(), SocketControl::kClosed);
    }
    // No address, or none a device can have: no connection is even tried,
    // not even to a listener there.
    for (const char* address : {"", "abc", "127.0.0.0", "127.0.0.255", "127.0.0"}) {
        BaudListener listener(false, address);
        ASSERT_TRUE(listener.ok());
        app.state.ParameterTexts[PagedRow::IpAddress] = address;
        ChangeLog log;
        app.click("Command19");
        EXPECT_EQ(app.text("Label1"), "before") << address;
        EXPECT_TRUE(log.entries.empty()) << address;
        EXPECT_TRUE(listener.Read(1, 200).empty()) << address;
        EXPECT_EQ(app.form.TCP5300Cmd->State(), SocketControl::kClosed) << address;
    }
}

TEST(DeviceWrites, ASecondSetBaudWhileTheFirstWaitsForItsConnectionIsRefused) {
    WritesApp app;
    app.Add(UsualRecord(1));
    app.pick(0);
    BaudListener silent(true);               // 127.0.0.1: never takes the connection
    BaudListener listening(false, "127.0.0.3");  // takes any
    ASSERT_TRUE(silent.ok() && listening.ok());
    SetCaption(app.c("Label1"), "before");
    bool clickedAgain = false;
    QTimer::singleShot(ScaledMs(1000), [&] {
        // The user clicks again, the address row now naming another device.
        app.state.ParameterTexts[PagedRow::IpAddress] = "127.0.0.3";
        app.click("Command19");
        clickedAgain = true;
    });
    app.click("Command19");
    ASSERT_TRUE(app.SettleBaud());
    ASSERT_TRUE(clickedAgain);
    EXPECT_EQ(app.text("Label1"), "before");
    EXPECT_TRUE(listening.Read(1, 300).empty()) << "no request, and none twice";
}

// The connection takes a moment; a user who chooses another device in it, or
// a search that empties the table, must not have that other device's echo
// bytes and values sent down the first one's connection.
TEST(DeviceWrites, SetBaudSendsNothingWhenTheChoiceMovedWhileConnecting) {
    struct Case {
        const char* what;
        std::function<void(WritesApp&)> meanwhile;
        const char* status;
    };
    const std::vector<Case> cases = {
        {"another device chosen", [](WritesApp& app) { app.pick(1); }, kBaudOtherDeviceChosen},
        {"a search began", [](WritesApp& app) { app.click("Command1"); },
         kBaudDeviceGone},
    };
    for (const Case& c : cases) {
        WritesApp app;
        app.Add(UsualRecord(1));  // its address: 127.0.0.1
        app.Add(UsualRecord(2));
        app.pick(0);
        BaudListener listener(false);
        ASSERT_TRUE(listener.ok());
        // On the loopback address the socket's thread may connect before the
        // click returns; the gate holds the connection back until the choice
        // has moved.
        const auto gate = std::make_shared<ConnectGate>();
        app.form.TCP5300Cmd->calls.poll = [gate](pollfd* fds, nfds_t n, int timeout) { return gate->Poll(fds, n, timeout); };
        app.click("Command19");
        ASSERT_TRUE(app.session.BaudConnecting()) << c.what << ": the connection is made after the click returns";
        c.meanwhile(app);
        gate->Open();
        ASSERT_TRUE(app.SettleBaud());
        EXPECT_EQ(app.text("Label1"), c.status) << c.what;
        EXPECT_EQ(ForeColor(app.c("Label1")), 255u) << c.what;
        EXPECT_TRUE(listener.Read(1, 300).empty()) << c.what << ": not a byte of either device";
        EXPECT_EQ(app.form.TCP5300Cmd->State(), SocketControl::kClosed) << c.what;
        ASSERT_TRUE(app.Settle());
    }
}

// The waits of the update let the user choose another device; what is still
// to be sent then goes nowhere, rather than to the device now chosen, whose
// record nobody checked.
TEST(DeviceWrites, ChoosingAnotherDeviceDuringTheUpdateStopsItsRequests) {
    WritesApp app;
    DeviceSide device;
    ASSERT_TRUE(device.commands.bound() && device.module.bound());
    app.Add(UsualRecord(1));
    app.Add(UsualRecord(2));
    app.pick(1);
    app.apply(PagedRow::ServerName, "Renamed");
    ChangeLog log;
    bool switched = false;
    log.on = [&](const ChangeLog::Entry& e) {
        // The operation timer's first tick during the wait after the clear.
        if (e.name == "Label1" && e.value == "Sending...1" && !switched) {
            switched = true;
            app.pick(0);
        }
    };
    app.click("Command9");
    ASSERT_TRUE(app.Settle());
    ASSERT_TRUE(switched);
    device.Collect();
    ASSERT_EQ(device.got.size(), 1u) << "the clear only: no write and no reset";
    EXPECT_EQ(device.got[0].fromPort, kClearLocalPort);
    EXPECT_EQ(app.text("Label1"), kDeviceChangedMeanwhile);
    EXPECT_EQ(ForeColor(app.c("Label1")), 255u);
}
