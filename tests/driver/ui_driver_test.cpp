// The UI driver's command language, command by command, against the real
// windows (offscreen).
#include "driver/ui_driver.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "driver/driver_hooks.h"
#include "app/app_fixture.h"
#include "toolkit/program_time.h"
#include "writable_store.h"

// Readable failures.
inline void PrintTo(const QJsonObject& o, std::ostream* os) { *os << QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString(); }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << b.toStdString(); }
inline void PrintTo(const QJsonArray& a, std::ostream* os) { *os << QJsonDocument(a).toJson(QJsonDocument::Compact).toStdString(); }
inline void PrintTo(const QJsonValue& v, std::ostream* os) {
    *os << QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact).toStdString();
}

using namespace cobalin;
using namespace cobalin::ui;
using cobalin::testing::AppFixture;
using cobalin::testing::Auto;

namespace {

class DriverFixture {
public:
    explicit DriverFixture(const std::string& settings) : app(settings) {
        DriverHooks hooks = MakeDriverHooks(app.startup->Windows(), *app.state);
        hooks.quit = [this] { quitCalled = true; };
        driver = std::make_unique<UiDriver>(hooks, app.dialogs);
        driver->sink = [this](const QByteArray& line) { answers << line; };
    }

    // Feeds the commands and returns their answers, once all have come.
    QList<QJsonObject> Run(const QStringList& commands, int timeoutMs = 5000) {
        const int start = static_cast<int>(answers.size());
        for (const QString& c : commands) driver->Feed(c);
        QElapsedTimer t;
        t.start();
        while (answers.size() < start + commands.size() && t.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QList<QJsonObject> out;
        for (int i = start; i < answers.size(); ++i) out << QJsonDocument::fromJson(answers[i]).object();
        return out;
    }
    QJsonObject Do(const QString& command) {
        const auto r = Run({command});
        return r.isEmpty() ? QJsonObject{{"missing", command}} : r.front();
    }
    QJsonValue Value(const QString& command) { return Do(command).value("value"); }

    AppFixture app;
    std::unique_ptr<UiDriver> driver;
    QList<QByteArray> answers;
    bool quitCalled = false;
};

// The values recorded for one watch, oldest first.
QJsonArray ValuesOf(const QJsonArray& changes, const QString& name, const QString& prop) {
    QJsonArray values;
    for (const QJsonValue& c : changes)
        if (c["name"] == name && c["prop"] == prop) values.append(c["value"]);
    return values;
}

QJsonObject Ok() { return {{"ok", true}}; }
QJsonObject Val(const QJsonValue& v) { return {{"ok", true}, {"value", v}}; }
QJsonObject Err(const QString& e) { return {{"ok", false}, {"error", e}}; }

}  // namespace

TEST(UiDriver, AnswersAreSingleJsonLines) {
    DriverFixture d(Auto(2));
    d.Run({"get Label54(1) text", "get Nothing text", "frobnicate"});
    ASSERT_EQ(d.answers.size(), 3);
    EXPECT_EQ(d.answers[0], R"({"ok":true,"value":"Ready"})");
    EXPECT_EQ(d.answers[1], R"({"ok":false,"error":"no such control"})");
    EXPECT_EQ(d.answers[2], R"({"ok":false,"error":"bad command"})");
}

TEST(UiDriver, GetProperties) {
    DriverFixture d(Auto(2, "AdvIPDMode=1\n"));
    struct Case { const char* command; QJsonValue value; };
    const Case cases[] = {
        {"get FormMain text", "Cobalin for ZentaBox (Ver. Q113V1)"},
        {"get FormMain width", 9540},
        {"get Command34(0) text", "Scan"},
        {"get Command34(0) tooltip", "UDP Broadcast (255.255.255.255:8888)"},
        {"get Command34(2) enabled", false},
        {"get Command34(3) visible", false},
        {"get Text12(3) mask", "*"},
        {"get Text12(3) maxlength", 16},
        {"get Text12(11) maxlength", 0},
        {"get Text12(0) text", ""},
        {"get txtRemotePort text", "8888"},
        {"get cmbSckMode items", QJsonArray{"UDP", "TCP/IP"}},
        {"get cmbSckMode index", 0},
        {"get cmbSckMode text", "UDP"},
        {"get Combo2 count", 2},
        {"get List1 index", -1},
        {"get Check1 checked", true},
        {"get Option2(1) checked", true},
        {"get Label54(1) color", 0},
        {"get Label54(1) backcolor", 0xC0FFFF},
        {"get List4 backcolor", 0xFFC0C0},
        {"get Label8(0) text", "Version && Date : "},
        {"get Label11 tooltip", "Auto detected"},
        {"get Image1 left", 0},
        {"get Image1 width", 9540},
        {"get Image1 height", 1080},
        {"get Image1 picture", ""},
        {"get Frame14 width", 12225},
        {"get Line1 x1", 60},
        {"get Line1 x2", 9420},
        {"get Line1 y1", 3285},
        {"get Line1 y2", 3285},
        {"get Frame14 top", 120},
        {"get Command34(4) top", 3435},
        {"get Timer1 interval", 300},
        {"get Timer3 interval", 1000},
        {"get Timer1 enabled", false},
        {"get Frame10 visible", false},
        {"get Frame6 text", "Command Panel"},
        {"get Command5 tag", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(d.Do(c.command), Val(c.value)) << c.command;
    EXPECT_EQ(d.Do("get Label54(1) shine"), Err("bad command"));
    EXPECT_EQ(d.Do("get Label54(1) items"), Err("bad command"));
}

// "clipped": a caption that needs more room than its control gives it and
// whose tool tip does not hold it whole. A caption too long for its control
// is shortened with the whole text in the tool tip, so it is not clipped; one
// cut by the frame around the control is.
TEST(UiDriver, GetClipped) {
    DriverFixture d(Auto(2, "AdvancedMode=1\n"));
    const QString wide(40, QLatin1Char('W'));
    SetCaption(d.app.c("Label7"), wide);
    struct Case { const char* command; QJsonObject answer; };
    const Case cases[] = {
        {"get Command1 clipped", Val(false)},
        {"get Label1 clipped", Val(false)},
        {"get Check1 clipped", Val(false)},
        {"get Frame6 clipped", Val(false)},
        {"get Label7 clipped", Val(false)},
        {"get Label7 tooltip", Val(wide)},
        {"get Label7 text", Val(wide)},
        {"get Text4 clipped", Err("bad command")},
        {"get List1 clipped", Val(false)},
        {"get cmbSckMode clipped", Val(false)},
        {"get FormMain clipped", Err("bad command")},
        {"get Timer1 clipped", Err("bad command")},
    };
    for (const auto& c : cases) EXPECT_EQ(d.Do(c.command), c.answer) << c.command;
    // "Start Byte" moved to the right edge of its frame: cut, not shortened.
    MoveTo(d.app.c("Label39"), GetTwips(d.app.c("Frame11")).width - 300, 300);
    EXPECT_EQ(d.Do("get Label39 clipped"), Val(false)) << "its frame is hidden";
    Show(d.app.c("Frame11"));
    EXPECT_EQ(d.Do("get Label39 clipped"), Val(true));
    EXPECT_EQ(d.Do("get Label39 tooltip"), Val(""));
}

// "clipped" of a list: a line needs more width than the list shows without
// scrolling sideways, the vertical scroll bar taking its part when the lines
// are taller than the list; Qt's own horizontal scroll bar agrees.
TEST(UiDriver, GetClippedOfLists) {
    DriverFixture d(Auto(2, "AdvancedMode=1\n"));
    auto* list = qobject_cast<QListWidget*>(d.app.c("List1"));
    const QString mac = "DD:DD:DD:DD:DD:DD";
    const int need = list->fontMetrics().horizontalAdvance(mac) + 20;  // the text, its margins, the frame
    auto scrollsSideways = [&] {
        list->doItemsLayout();
        QCoreApplication::processEvents();
        return list->horizontalScrollBar()->maximum() > 0;
    };
    AddItem(list, mac);
    // Wide enough for the line alone, not for the line beside a scroll bar.
    SetWidth(list, need * kTwipsPerPixel);
    EXPECT_EQ(d.Do("get List1 clipped"), Val(false));
    EXPECT_FALSE(scrollsSideways());
    for (int i = 0; i < 254; ++i) AddItem(list, mac);
    EXPECT_EQ(d.Do("get List1 clipped"), Val(true)) << "the vertical scroll bar takes room";
    EXPECT_TRUE(scrollsSideways());
    SetWidth(list, (need + 2 * list->verticalScrollBar()->sizeHint().width()) * kTwipsPerPixel);
    EXPECT_EQ(d.Do("get List1 clipped"), Val(false));
    EXPECT_FALSE(scrollsSideways());
    // Cut by the frame around it.
    SetLeft(list, GetTwips(d.app.c("Frame14")).width - 600);
    EXPECT_EQ(d.Do("get List1 clipped"), Val(true));
    Hide(list);
    EXPECT_EQ(d.Do("get List1 clipped"), Val(false)) << "hidden";

    // A drop-down list: any line may be the one its field shows.
    QWidget* mode = d.app.c("cmbSckMode");
    AddItem(mode, QString(30, QLatin1Char('W')));
    EXPECT_EQ(d.Do("get cmbSckMode clipped"), Val(true));
    EXPECT_EQ(d.Do("get cmbSckMode text"), Val("UDP")) << "though the shown line fits";
}

TEST(UiDriver, ClickSelectTypeAndRefusals) {
    DriverFixture d(Auto(2, "AdvancedMode=2\n"));
    // Options and the check box run their handlers.
    EXPECT_EQ(d.Do("click Option1(2)"), Ok());
    EXPECT_EQ(d.Value("get txtRemotePort text"), "8890");
    EXPECT_EQ(d.Value("get Check1 checked"), false);
    EXPECT_EQ(d.Do("type Text6(5) 192.168.1.20"), Ok());
    EXPECT_EQ(d.Do("click Option1(2)"), Ok());
    EXPECT_EQ(d.Value("get txtIPaddr text"), "192.168.1.20");
    EXPECT_EQ(d.Do("click Option1(0)"), Ok());
    EXPECT_EQ(d.Value("get Text6(5) enabled"), false);
    EXPECT_EQ(d.Do("type Text6(5) 1.2.3.4"), Err("disabled"));
    // Hidden, disabled, read-only, frames around.
    EXPECT_EQ(d.Do("click Command34(0)"), Err("hidden")) << "Frame20 is hidden in this face";
    EXPECT_EQ(d.Do("click Command1"), Err("hidden"));
    EXPECT_EQ(d.Do("select Combo1 0"), Err("disabled"));
    EXPECT_EQ(d.Do("type Text6(7) x"), Err("hidden")) << "Frame13 is hidden until a device loads";
    // Lists.
    EXPECT_EQ(d.Do("select Combo16 3"), Err("hidden"));
    EXPECT_EQ(d.Do("select Label44 0"), Err("not a list"));
    EXPECT_EQ(d.Do("select List6 0"), Err("no such row"));
    EXPECT_EQ(d.Do("click List6"), Ok()) << "a click on an empty list runs its handler";
    // type: the maximum length applies; a JSON string keeps blanks.
    DriverFixture panel(Auto(1));
    EXPECT_EQ(panel.Do("type Text12(7) 12345678901234567890"), Ok());
    EXPECT_EQ(panel.Value("get Text12(7) text"), "1234567890123456");
    EXPECT_EQ(panel.Do(R"(type Text12(6) "  two  words ")"), Ok());
    EXPECT_EQ(panel.Value("get Text12(6) text"), "  two  words ");
    EXPECT_EQ(panel.Do("type Text12(11) x"), Err("disabled")) << "read-only";
    EXPECT_EQ(panel.Do("leave Text12(6)"), Val("left"));
    EXPECT_EQ(panel.Do("invoke Command34(3)"), Ok()) << "invoke runs hidden buttons";
}

TEST(UiDriver, ValidationKeepsTheFocus) {
    DriverFixture d(Auto(1, "ShowPassword=1\n"));
    bool keep = true;
    SetValidateHandler(d.app.c("Text12(5)"), [&keep] { return keep; });
    EXPECT_EQ(d.Do("type Text12(5) abc"), Ok());
    EXPECT_EQ(d.Do("click Option2(0)"), Val("kept"));
    EXPECT_EQ(d.Value("get Option2(0) checked"), false) << "the click did not happen";
    EXPECT_EQ(d.Do("leave Text12(5)"), Val("kept"));
    keep = false;
    EXPECT_EQ(d.Do("click Option2(0)"), Ok());
    EXPECT_EQ(d.Value("get Option2(0) checked"), true);
}

TEST(UiDriver, BusyWaitsModalWindowsAndIdle) {
    DriverFixture d(Auto(2));
    // A handler that waits: the command is answered "busy" and the next ones
    // run inside the wait. The hidden "Fake" button lends its click (its own
    // handler is taken off).
    QObject::disconnect(qobject_cast<QPushButton*>(d.app.c("Command39")), &QPushButton::clicked, nullptr, nullptr);
    // It waits until the driver has answered the command after the click
    // (from inside the wait), then returns.
    const qsizetype before = d.answers.size();
    QObject::connect(qobject_cast<QPushButton*>(d.app.c("Command39")), &QPushButton::clicked, [&d, before] {
        SetCaption(d.app.c("Label54(1)"), "waiting");
        WaitUntil([&] { return d.answers.size() >= before + 2; }, 10);
        SetCaption(d.app.c("Label54(1)"), "done");
    });
    const auto r = d.Run({"invoke Command39", "get Label54(1) text", "idle 5", "get Label54(1) text"});
    ASSERT_EQ(r.size(), 4);
    EXPECT_EQ(r[0], Val("busy"));
    EXPECT_EQ(r[1], Val("waiting"));
    EXPECT_EQ(r[2], Ok());
    EXPECT_EQ(r[3], Val("done"));

    // The help window is modal: the main window refuses clicks until it closes.
    const auto h = d.Run({"invoke Command34(5)", "windows", "get FormHelp.labVer text", "get FormHelp.Picture1 visible",
                          "get FormHelp.Label6 text", "click Command34(4)", "click FormHelp.Command1", "idle 2", "windows"});
    ASSERT_EQ(h.size(), 9);
    EXPECT_EQ(h[0], Val("busy"));
    EXPECT_EQ(h[1].value("value").toArray().first().toObject().value("name"), "FormHelp");
    EXPECT_EQ(h[2], Val("Rev. " + VersionText()));
    EXPECT_EQ(h[3], Val(true));
    EXPECT_EQ(h[4], Val("Administration PC with ZentaSolution Cobalin installed."));
    EXPECT_EQ(h[5], Err("disabled"));
    EXPECT_EQ(h[6], Ok());
    EXPECT_EQ(h[7], Ok());
    EXPECT_EQ(h[8].value("value").toArray().size(), 1);

    // idle times out while a timer runs.
    d.app.main().Timer3->start();
    EXPECT_EQ(d.Do("idle 0.2"), Err("timeout"));
    d.app.main().Timer3->stop();
    EXPECT_EQ(d.Do("idle 0.2"), Ok());
}

TEST(UiDriver, DialogsAnswersWatchStateShotWindowsQuit) {
    DriverFixture d(Auto(2));
    // Boxes are answered from the queue and recorded.
    EXPECT_EQ(d.Do("answer Cancel"), Ok());
    EXPECT_EQ(d.Do("answer text:hello"), Ok());
    EXPECT_EQ(d.Do("answer maybe"), Err("bad command"));
    EXPECT_EQ(d.app.dialogs.Message("Sure?", "Setup", MessageIcon::Warning, MessageButtons::OKCancel), MessageAnswer::Cancel);
    EXPECT_EQ(d.app.dialogs.Input("Name?", "", "default"), std::optional<QString>("hello"));
    EXPECT_EQ(d.app.dialogs.Message("Done", "", MessageIcon::None, MessageButtons::OK), MessageAnswer::OK);
    const QJsonArray shown = d.Value("dialogs").toArray();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].toObject(), (QJsonObject{{"kind", "message"}, {"title", "Setup"}, {"text", "Sure?"}, {"icon", "warning"},
                                                {"buttons", "OKCancel"}, {"default", ""}, {"answer", "Cancel"}}));
    EXPECT_EQ(shown[1].toObject().value("answer"), "hello");
    EXPECT_EQ(shown[1].toObject().value("title"), "Cobalin");
    EXPECT_EQ(shown[2].toObject().value("answer"), "OK");
    EXPECT_EQ(d.Value("dialogs").toArray().size(), 0);

    // watch / changes with program time.
    EXPECT_EQ(d.Do("watch Label54(1) text"), Ok());
    SetCaption(d.app.c("Label54(1)"), "one");
    EXPECT_EQ(d.Do("wait 0.1"), Ok());
    SetCaption(d.app.c("Label54(1)"), "two");
    const QJsonArray changes = d.Value("changes").toArray();
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[0].toObject().value("value"), "one");
    EXPECT_EQ(changes[1].toObject().value("value"), "two");
    EXPECT_LE(changes[0].toObject().value("t").toDouble(), changes[1].toObject().value("t").toDouble());
    EXPECT_EQ(d.Value("changes").toArray().size(), 0);

    // state
    Writable(d.app.state->Devices)->DeviceTable[3].MacText = "02:00:00:00:00:03";
    Writable(d.app.state->Devices)->DeviceTable[3].EchoBytes[0] = 0xAB;
    EXPECT_EQ(d.Value("state DeviceType"), 2);
    EXPECT_EQ(d.Value("state OperationTick"), -1);
    EXPECT_EQ(d.Value("state CloseAllowed"), true);
    EXPECT_EQ(d.Value("state MacText 3"), "02:00:00:00:00:03");
    EXPECT_EQ(d.Value("state EchoBytes 3"), "AB000000000000000000000000000000");
    EXPECT_EQ(d.Do("state Nonsense"), Err("bad command"));

    const std::string png = d.app.dir.File("main.png");
    EXPECT_EQ(d.Do(QString::fromStdString("shot " + png)), Ok());
    EXPECT_TRUE(QImage(QString::fromStdString(png)).width() > 100);

    EXPECT_EQ(d.Value("windows"), (QJsonArray{QJsonObject{{"name", "FormMain"}, {"caption", "Cobalin for ZentaBox (Ver. Q113V1)"}}}));
    EXPECT_EQ(d.Do("close FormMain"), Ok());
    EXPECT_TRUE(d.app.state->AppClosing);
    EXPECT_EQ(d.Do("quit"), Ok());
    EXPECT_TRUE(d.quitCalled);
}

// Every command's refusals, byte for byte, so that the command table answers
// exactly what the language promises.
TEST(UiDriver, EveryCommandAnswersAndRefuses) {
    DriverFixture d(Auto(2));
    struct Case { const char* command; const char* answer; };
    const Case cases[] = {
        {"click Nothing", R"({"ok":false,"error":"no such control"})"},
        {"click", R"({"ok":false,"error":"no such control"})"},
        {"invoke Nothing", R"({"ok":false,"error":"no such control"})"},
        {"invoke Timer1", R"({"ok":false,"error":"no such control"})"},
        {"select Nothing 0", R"({"ok":false,"error":"no such control"})"},
        {"select cmbSckMode x", R"({"ok":false,"error":"bad command"})"},
        {"select cmbSckMode 2", R"({"ok":false,"error":"no such row"})"},
        {"select cmbSckMode -1", R"({"ok":false,"error":"no such row"})"},
        {"type Nothing x", R"({"ok":false,"error":"no such control"})"},
        {"type Label44 x", R"({"ok":false,"error":"bad command"})"},
        {R"(type txtRemotePort "unended)", R"({"ok":false,"error":"bad command"})"},
        {R"(type txtRemotePort "a" "b")", R"({"ok":false,"error":"bad command"})"},
        {"leave Nothing", R"({"ok":false,"error":"no such control"})"},
        {"leave Command1", R"({"ok":false,"error":"hidden"})"},
        {"close Nothing", R"({"ok":false,"error":"no such control"})"},
        {"close Command34(0)", R"({"ok":false,"error":"no such control"})"},
        {"get Nothing text", R"({"ok":false,"error":"no such control"})"},
        {"get Timer1 text", R"({"ok":false,"error":"bad command"})"},
        {"get Timer3 tag", R"({"ok":true,"value":""})"},
        {"get Label44 mask", R"({"ok":false,"error":"bad command"})"},
        {"get Label44 count", R"({"ok":false,"error":"bad command"})"},
        {"get Label44", R"({"ok":false,"error":"bad command"})"},
        {"get FormDeviceSelect.Option1(0) text", R"({"ok":false,"error":"no such control"})"},
        {"get FormMain.Label54(1) text", R"({"ok":true,"value":"Ready"})"},
        {"get FormMain visible", R"({"ok":true,"value":true})"},
        {"get   Label54(1) text  ", R"({"ok":false,"error":"no such control"})"},
        {"  get Label54(1) text  ", R"({"ok":true,"value":"Ready"})"},
        {"answer", R"({"ok":false,"error":"bad command"})"},
        {"answer ok", R"({"ok":false,"error":"bad command"})"},
        {"answer text:", R"({"ok":true})"},
        {"dialogs", R"({"ok":true,"value":[]})"},
        {"wait", R"({"ok":false,"error":"bad command"})"},
        {"wait -1", R"({"ok":false,"error":"bad command"})"},
        {"wait soon", R"({"ok":false,"error":"bad command"})"},
        {"wait 0", R"({"ok":true})"},
        {"idle", R"({"ok":false,"error":"bad command"})"},
        {"idle -2", R"({"ok":false,"error":"bad command"})"},
        {"idle 1", R"({"ok":true})"},
        {"watch Nothing text", R"({"ok":false,"error":"no such control"})"},
        {"watch Label44 shine", R"({"ok":false,"error":"bad command"})"},
        {"changes", R"({"ok":true,"value":[]})"},
        {"state", R"({"ok":false,"error":"bad command"})"},
        {"state SelectedDevice", R"({"ok":true,"value":0})"},
        {"state DeviceCount", R"({"ok":true,"value":0})"},
        {"state AppClosing", R"({"ok":true,"value":false})"},
        {"state MacText", R"({"ok":false,"error":"bad command"})"},
        {"state MacText x", R"({"ok":false,"error":"bad command"})"},
        {"state FormatTag 0", R"({"ok":true,"value":""})"},
        {"shot", R"({"ok":false,"error":"bad command"})"},
        {"Get Label54(1) text", R"({"ok":false,"error":"bad command"})"},
        {"get\tLabel54(1) text", R"({"ok":false,"error":"bad command"})"},
    };
    for (const auto& c : cases) {
        const qsizetype before = d.answers.size();
        d.Run({c.command});
        ASSERT_EQ(d.answers.size(), before + 1) << c.command;
        EXPECT_EQ(d.answers.back().toStdString(), c.answer) << c.command;
    }
    // Blank lines are skipped without an answer.
    const qsizetype before = d.answers.size();
    d.driver->Feed("");
    d.driver->Feed("   ");
    d.Run({"get Label54(1) text"});
    ASSERT_EQ(d.answers.size(), before + 1);
    EXPECT_EQ(d.answers.back(), R"({"ok":true,"value":"Ready"})");
    EXPECT_FALSE(d.quitCalled);
}

// Each change is recorded where the property is set: two changes in one pass
// of the event loop are both there, in order, and with their program times.
TEST(UiDriver, WatchRecordsEveryChangeMadeThroughTheToolkit) {
    DriverFixture d(Auto(2));
    auto c = [&d](const char* name) { return d.app.c(name); };
    auto* box = qobject_cast<QLineEdit*>(c("Text12(6)"));
    auto* masked = qobject_cast<QLineEdit*>(c("Text12(3)"));
    QTimer* timer = d.app.main().Timer1;
    struct Case {
        const char* name;
        const char* prop;
        std::function<void()> change;  // makes two changes, one after the other
        QJsonArray values;
    };
    const Case cases[] = {
        {"Label54(1)", "text", [&] { SetCaption(c("Label54(1)"), "one"); SetCaption(c("Label54(1)"), "two"); }, {"one", "two"}},
        {"Text12(6)", "text", [&] { SetText(box, "a"); SetText(box, "b"); }, {"a", "b"}},
        {"Label54(1)", "color", [&] { SetForeColor(c("Label54(1)"), 255); SetForeColor(c("Label54(1)"), 0); }, {255, 0}},
        {"Label54(1)", "backcolor", [&] { SetBackColor(c("Label54(1)"), 1); SetBackColor(c("Label54(1)"), 0xC0FFFF); }, {1, 0xC0FFFF}},
        {"Command34(2)", "enabled", [&] { Enable(c("Command34(2)")); Disable(c("Command34(2)")); }, {true, false}},
        {"Frame10", "visible", [&] { Show(c("Frame10")); Hide(c("Frame10")); }, {true, false}},
        {"Image1", "left", [&] { SetLeft(c("Image1"), 15); SetLeft(c("Image1"), 0); }, {15, 0}},
        {"Line1", "x1", [&] { SetLine(c("Line1"), {75, 3285, 9420, 3285}); SetLine(c("Line1"), {60, 3285, 9420, 3285}); }, {75, 60}},
        {"Command5", "tag", [&] { SetTag(c("Command5"), "x"); SetTag(c("Command5"), ""); }, {"x", ""}},
        {"Check1", "checked", [&] { SetChecked(c("Check1"), false); SetChecked(c("Check1"), true); }, {false, true}},
        {"List6", "count", [&] { AddItem(c("List6"), "a"); AddItem(c("List6"), "b"); }, {1, 2}},
        {"List6", "index", [&] { SetRowQuietly(c("List6"), 1); SetRowQuietly(c("List6"), 0); }, {1, 0}},
        {"List6", "text", [&] { SetItemText(c("List6"), 0, "c"); ClearItems(c("List6")); }, {"c", ""}},
        {"cmbSckMode", "index", [&] { SetRowQuietly(c("cmbSckMode"), 1); SetRowQuietly(c("cmbSckMode"), 0); }, {1, 0}},
        {"Text12(3)", "mask", [&] { SetMask(masked, ""); SetMask(masked, "*"); }, {"", "*"}},
        {"Text12(3)", "maxlength", [&] { SetMaxLength(masked, 4); SetMaxLength(masked, 16); }, {4, 16}},
        {"Timer1", "interval", [&] { SetTimerInterval(timer, 100); SetTimerInterval(timer, 300); }, {100, 300}},
        {"Timer1", "enabled", [&] { EnableTimer(timer, true); EnableTimer(timer, false); }, {true, false}},
        {"FormMain", "width", [&] { SetWindowWidth(&d.app.main(), 9555); SetWindowWidth(&d.app.main(), 9540); }, {9555, 9540}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.name) + " " + k.prop);
        ASSERT_EQ(d.Do(QString("watch %1 %2").arg(k.name, k.prop)), Ok());
        k.change();  // no event-loop pass in between
        const QJsonArray changes = d.Value("changes").toArray();
        EXPECT_EQ(ValuesOf(changes, k.name, k.prop), k.values);
        for (qsizetype i = 1; i < changes.size(); ++i) EXPECT_LE(changes[i - 1]["t"].toDouble(), changes[i]["t"].toDouble());
    }
    // Setting a value a control already has is no change.
    SetCaption(c("Label54(1)"), "two");
    Enable(c("Command34(2)"), false);
    EXPECT_EQ(d.Value("changes"), QJsonArray());
}

// Changes made from inside one command's handler, in the order they were made.
TEST(UiDriver, WatchRecordsChangesInsideOneHandlerInOrder) {
    DriverFixture d(Auto(2));
    QObject::disconnect(qobject_cast<QPushButton*>(d.app.c("Command39")), &QPushButton::clicked, nullptr, nullptr);
    QObject::connect(qobject_cast<QPushButton*>(d.app.c("Command39")), &QPushButton::clicked, [&d] {
        for (const char* text : {"3", "2", "1", "0"}) SetCaption(d.app.c("Label54(1)"), text);
        Disable(d.app.c("Command34(2)"));
        Enable(d.app.c("Command34(2)"));
    });
    EXPECT_EQ(d.Do("watch Label54(1) text"), Ok());
    EXPECT_EQ(d.Do("watch Command34(2) enabled"), Ok());
    EXPECT_EQ(d.Do("invoke Command39"), Ok());
    const QJsonArray changes = d.Value("changes").toArray();
    QStringList seen;
    for (const QJsonValue& c : changes) seen << c["name"].toString() + "=" + QJsonDocument(QJsonArray{c["value"]}).toJson(QJsonDocument::Compact);
    EXPECT_EQ(seen, (QStringList{R"(Label54(1)=["3"])", R"(Label54(1)=["2"])", R"(Label54(1)=["1"])", R"(Label54(1)=["0"])",
                                 "Command34(2)=[true]"}))
        << "Command34(2) starts disabled: disabling it again is no change";
}

// A property watched twice is recorded once per change.
TEST(UiDriver, WatchingTwiceRecordsOnce) {
    DriverFixture d(Auto(2));
    EXPECT_EQ(d.Do("watch Label54(1) text"), Ok());
    EXPECT_EQ(d.Do("watch Label54(1) text"), Ok());
    EXPECT_EQ(d.Do("watch Label54(1) color"), Ok());
    SetCaption(d.app.c("Label54(1)"), "once");
    EXPECT_EQ(d.Do("wait 0.05"), Ok());
    SetForeColor(d.app.c("Label54(1)"), 255);
    const QJsonArray changes = d.Value("changes").toArray();
    ASSERT_EQ(changes.size(), 2) << QJsonDocument(changes).toJson().toStdString();
    EXPECT_EQ(changes[0]["value"], "once");
    EXPECT_EQ(changes[1]["prop"], "color");
    EXPECT_EQ(changes[1]["value"], 255);
}

// What a user changes without the program's helpers (typing, picking a line,
// ticking a box) and what code changes on the widgets directly are recorded
// as they happen too.
TEST(UiDriver, WatchRecordsUserActionsAndDirectChanges) {
    DriverFixture d(Auto(2));
    for (const char* w : {"Text12(6) text", "List4 count", "List4 index", "List4 text", "Check1 checked", "Timer3 enabled",
                          "Frame10 visible", "Command34(2) enabled"})
        ASSERT_EQ(d.Do(QString("watch ") + w), Ok()) << w;

    auto* box = qobject_cast<QLineEdit*>(d.app.c("Text12(6)"));
    for (const char* key : {"a", "b"}) {
        QKeyEvent press(QEvent::KeyPress, key[0] - 'a' + Qt::Key_A, Qt::NoModifier, key);
        QCoreApplication::sendEvent(box, &press);
    }
    auto* list = qobject_cast<QListWidget*>(d.app.c("List4"));
    list->addItem("x");
    list->addItem("y");
    list->setCurrentRow(0);
    list->setCurrentRow(1);
    auto* check = qobject_cast<QCheckBox*>(d.app.c("Check1"));
    check->click();
    check->click();
    d.app.main().Timer3->start();
    d.app.main().Timer3->stop();
    d.app.c("Frame10")->setVisible(true);
    d.app.c("Frame10")->setVisible(false);
    d.app.c("Command34(2)")->setEnabled(true);
    d.app.c("Command34(2)")->setEnabled(false);

    const QJsonArray changes = d.Value("changes").toArray();
    EXPECT_EQ(ValuesOf(changes, "Text12(6)", "text"), (QJsonArray{"a", "ab"}));
    EXPECT_EQ(ValuesOf(changes, "List4", "count"), (QJsonArray{1, 2}));
    EXPECT_EQ(ValuesOf(changes, "List4", "index"), (QJsonArray{0, 1}));
    EXPECT_EQ(ValuesOf(changes, "List4", "text"), (QJsonArray{"x", "y"}));
    EXPECT_EQ(ValuesOf(changes, "Check1", "checked"), (QJsonArray{false, true}));
    EXPECT_EQ(ValuesOf(changes, "Timer3", "enabled"), (QJsonArray{true, false}));
    EXPECT_EQ(ValuesOf(changes, "Frame10", "visible"), (QJsonArray{true, false}));
    EXPECT_EQ(ValuesOf(changes, "Command34(2)", "enabled"), (QJsonArray{true, false}));
}

namespace {
std::atomic<int> signalsCaught{0};
void CountSignal(int) { signalsCaught.fetch_add(1); }

// True when the thread is inside the given system call now.
bool InSyscall(pid_t tid, long number) {
    std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long current = -1;
    return f >> current && current == number;
}

// Waits for another thread: looks until done() holds or the real deadline
// passes, yielding the core between looks.
template <class F>
bool Eventually(F done, std::chrono::milliseconds deadline = std::chrono::milliseconds(2000)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::yield();
    }
    return true;
}
}  // namespace

// A signal that interrupts the driver's read of its commands does not end
// the driver: the next command is still read and answered.
TEST(UiDriver, ASignalDuringTheReadDoesNotEndTheInput) {
    DriverFixture d(Auto(2));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    d.driver->Listen(fds[0]);

    struct sigaction quiet {}, old {};
    quiet.sa_handler = CountSignal;
    sigemptyset(&quiet.sa_mask);
    quiet.sa_flags = 0;  // no SA_RESTART: the read returns EINTR
    ASSERT_EQ(sigaction(SIGUSR1, &quiet, &old), 0);
    signalsCaught = 0;

    const pid_t reader = gettid();
    const pthread_t readerThread = pthread_self();
    bool interrupted = false, readAgain = false;
    std::thread other([&] {
        // Wait until the reader blocks in read(), interrupt it, and give the
        // reader the chance to read again before the command comes.
        interrupted = Eventually([&] { return InSyscall(reader, SYS_read); }) &&
                      pthread_kill(readerThread, SIGUSR1) == 0 && Eventually([] { return signalsCaught > 0; });
        readAgain = Eventually([&] { return InSyscall(reader, SYS_read); }, std::chrono::milliseconds(500));
        const char command[] = "get Label54(1) text\n";
        (void)!write(fds[1], command, sizeof command - 1);
    });
    d.driver->ReadInput();  // nothing waits on the input yet: blocks
    other.join();
    sigaction(SIGUSR1, &old, nullptr);
    EXPECT_TRUE(interrupted) << "the read was not interrupted; the test proves nothing";
    EXPECT_TRUE(readAgain);

    QElapsedTimer t;
    t.start();
    while (d.answers.isEmpty() && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(d.quitCalled);
    ASSERT_EQ(d.answers.size(), 1);
    EXPECT_EQ(d.answers[0], R"({"ok":true,"value":"Ready"})");
    close(fds[1]);
    close(fds[0]);
}

// Input that is not there yet on a descriptor that does not block (EAGAIN)
// is no end of input either; a line split across reads is one command; a
// last line without its line feed is a command too; the end of input is quit.
TEST(UiDriver, InputArrivesInPiecesAndEndsWithQuit) {
    DriverFixture d(Auto(2));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK), 0);
    d.driver->Listen(fds[0]);
    d.driver->ReadInput();  // nothing there
    auto send = [&](const char* text) { ASSERT_EQ(write(fds[1], text, strlen(text)), static_cast<ssize_t>(strlen(text))); };
    auto answersAfter = [&d](int n) {
        QElapsedTimer t;
        t.start();
        while (d.answers.size() < n && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return d.answers;
    };
    send("get Label54");
    AppFixture::Spin(20);
    EXPECT_TRUE(d.answers.isEmpty());
    EXPECT_FALSE(d.quitCalled);
    send("(1) text\r\nget Command34(0) text\n");
    EXPECT_EQ(answersAfter(2), (QList<QByteArray>{R"({"ok":true,"value":"Ready"})", R"({"ok":true,"value":"Scan"})"}));
    send("get Command34(1) text");
    close(fds[1]);
    EXPECT_EQ(answersAfter(4).mid(2), (QList<QByteArray>{R"({"ok":true,"value":"Refresh"})", R"({"ok":true})"}));
    EXPECT_TRUE(d.quitCalled);
    close(fds[0]);
}

// A watched control that goes away (its window closed) reads null; the same
// name in the window opened again is followed again.
TEST(UiDriver, WatchFollowsAWindowThatClosesAndOpensAgain) {
    DriverFixture d(Auto(2));
    const QString rev = "Rev. " + VersionText();
    // The help window is modal: the commands after each "invoke" run inside it.
    const auto r = d.Run({"invoke Command34(5)", "watch FormHelp.labVer text", "watch FormHelp visible", "click FormHelp.Command1",
                          "idle 2", "changes", "invoke Command34(5)", "changes", "close FormHelp", "idle 2", "changes"});
    ASSERT_EQ(r.size(), 11);
    EXPECT_EQ(r[0], Val("busy"));
    const QJsonArray closed = r[5].value("value").toArray();
    EXPECT_EQ(ValuesOf(closed, "FormHelp.labVer", "text"), QJsonArray{QJsonValue()});
    EXPECT_EQ(ValuesOf(closed, "FormHelp", "visible"), QJsonArray{QJsonValue()});
    EXPECT_EQ(r[6], Val("busy"));
    const QJsonArray reopened = r[7].value("value").toArray();
    EXPECT_EQ(ValuesOf(reopened, "FormHelp.labVer", "text"), QJsonArray{rev});
    EXPECT_EQ(ValuesOf(reopened, "FormHelp", "visible"), QJsonArray{true});
    const QJsonArray closedAgain = r[10].value("value").toArray();
    EXPECT_EQ(ValuesOf(closedAgain, "FormHelp.labVer", "text"), QJsonArray{QJsonValue()});
    EXPECT_EQ(ValuesOf(closedAgain, "FormHelp", "visible"), QJsonArray{QJsonValue()});
}
