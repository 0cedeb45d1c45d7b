// The UI driver: commands on standard input, one JSON answer per line on
// standard output, so that another program can use the windows as a person
// would. See docs/ui-driver.md. The input, the table of verbs and the order
// of commands are in ui_driver.cpp, the verbs that act in
// ui_driver_commands.cpp, reading and watching controls (get, watch,
// changes) in ui_driver_watches.cpp.
#pragma once

#include <QElapsedTimer>
#include <QJsonValue>
#include <QJsonArray>
#include <QObject>
#include <QPointer>
#include <QProperty>
#include <QSet>
#include <QSocketNotifier>
#include <QStringList>
#include <functional>
#include <vector>

#include "driver/scripted_dialogs.h"

namespace cobalin {
struct AppState;
}

namespace cobalin::ui {

class Form;

// What the driver needs of the running program.
struct DriverHooks {
    std::function<QList<Form*>()> windows;  // open windows, topmost first
    std::function<bool()> idle;             // no operation runs (timers off, tick -1)
    std::function<QJsonValue(const QString& what, int index, bool& ok)> state;
    std::function<void()> quit;             // close the windows as the user would and end
};

class UiDriver : public QObject {
public:
    UiDriver(DriverHooks hooks, ScriptedDialogs& dialogs);
    ~UiDriver() override;
    // Reads commands from standard input and answers on standard output.
    void Start();
    // Reads commands from the descriptor from now on (Start uses standard input).
    void Listen(int fd);
    // Reads what the input holds and queues its complete lines; called when
    // the input is readable (a test calls it to block in the read).
    void ReadInput();

    // One command line, for tests; the answer goes to the sink.
    std::function<void(const QByteArray& line)> sink;
    void Feed(const QString& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Running {
        bool answered = false;
    };
    // A command of the language and the member that runs it. The member
    // returns its answer, or nothing when the answer comes later (wait, idle)
    // or has been given already (quit).
    struct CommandDef {
        const char* name;
        QByteArray (UiDriver::*run)(const QString& args);
    };
    static const CommandDef kCommands[];

    void SchedulePump();
    void Pump();
    void Execute(const QString& line);
    void Answer(const QByteArray& json);
    void WaitEntered();
    void WaitLeft();
    void CheckIdle();
    void Quit();
    double ProgramSeconds() const;

    // The commands.
    QByteArray Click(const QString& args);
    QByteArray Invoke(const QString& args);
    QByteArray Press(const QString& name, bool asUser);
    QByteArray Select(const QString& args);
    QByteArray Type(const QString& args);
    QByteArray Leave(const QString& args);
    QByteArray Close(const QString& args);
    QByteArray GetCommand(const QString& args);
    QByteArray AnswerCommand(const QString& args);
    QByteArray DialogsCommand(const QString& args);
    QByteArray WaitCommand(const QString& args);
    QByteArray IdleCommand(const QString& args);
    QByteArray WatchCommand(const QString& args);
    QByteArray Changes(const QString& args);
    QByteArray State(const QString& args);
    QByteArray Shot(const QString& args);
    QByteArray Windows(const QString& args);
    QByteArray QuitCommand(const QString& args);

    QWidget* Find(const QString& name, QObject** component = nullptr) const;
    QObject* FindAny(const QString& name) const;  // a control, a window or a component
    Form* WindowOf(QWidget* w) const;
    QString Refusal(QWidget* w) const;  // "hidden"/"disabled" or empty
    bool MoveFocusTo(QWidget* w);       // false when the focused control keeps it
    bool Get(const QString& name, const QString& prop, QJsonValue& out, QString& error) const;

    // watch
    struct Watch {
        QString name, prop;
        QJsonValue last;
        QPointer<QObject> control;  // what the name named when last looked up
    };
    void Record(Watch& w);
    void ControlChanged(QObject* control);
    void Observe(QObject* control);
    void CheckWatches();

    DriverHooks hooks_;
    ScriptedDialogs& dialogs_;
    int inputFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray inputBuffer_;
    QStringList queue_;
    bool inputEnded_ = false;
    bool quitting_ = false;
    std::vector<Running*> running_;
    bool pendingAsync_ = false;   // a wait or idle command not yet answered
    bool pumpScheduled_ = false;
    int waitDepth_ = 0;
    QElapsedTimer clock_;
    QPointer<QWidget> focus_;
    // idle
    double idleDeadline_ = 0;
    bool idlePending_ = false;
    // watch
    std::vector<Watch> watches_;
    QSet<QObject*> observed_;                       // controls whose changes reach ControlChanged
    std::vector<QPropertyNotifier> timerNotifiers_;  // a timer tells when it starts or stops
    QJsonArray changes_;
};

}  // namespace cobalin::ui
