// The UI driver's command language, command by command, against the real
// windows (offscreen).
#include "driver/ui_driver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <gtest/gtest.h>

#include "driver/driver_hooks.h"
#include "app/app_fixture.h"
#include "toolkit/program_time.h"

// Readable failures.
inline void PrintTo(const QJsonObject& o, std::ostream* os) { *os << QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString(); }
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
    // run inside the wait.
    QObject::connect(qobject_cast<QPushButton*>(d.app.c("Command39")), &QPushButton::clicked, [&d] {
        SetCaption(d.app.c("Label54(1)"), "waiting");
        WaitSeconds(0.4);
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
    d.app.state->Devices->DeviceTable[3].MacText = "02:00:00:00:00:03";
    d.app.state->Devices->DeviceTable[3].EchoBytes[0] = 0xAB;
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
