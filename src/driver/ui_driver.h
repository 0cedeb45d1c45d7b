// The UI driver: commands on standard input, one JSON answer per line on
// standard output, so that another program can use the windows as a person
// would. See docs/ui-driver.md.
#pragma once

#include <QElapsedTimer>
#include <QJsonValue>
#include <QJsonArray>
#include <QObject>
#include <QPointer>
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

    // One command line, for tests; the answer goes to the sink.
    std::function<void(const QByteArray& line)> sink;
    void Feed(const QString& line);

private:
    struct Running {
        bool answered = false;
    };
    void ReadInput();
    void SchedulePump();
    void Pump();
    void Execute(const QString& line);
    void Answer(const QByteArray& json);
    void Ok() { Answer(R"({"ok":true})"); }
    void Value(const QJsonValue& v);
    void Error(const QString& text);
    void WaitEntered();
    void WaitLeft();
    void CheckWatches();
    void CheckIdle();
    void Quit();
    double ProgramSeconds() const;

    QWidget* Find(const QString& name, QObject** component = nullptr) const;
    Form* WindowOf(QWidget* w) const;
    QString Refusal(QWidget* w) const;  // "hidden"/"disabled" or empty
    bool MoveFocusTo(QWidget* w);       // false when the focused control keeps it
    bool Get(const QString& name, const QString& prop, QJsonValue& out, QString& error) const;

    DriverHooks hooks_;
    ScriptedDialogs& dialogs_;
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
    struct Watch {
        QString name, prop;
        QJsonValue last;
    };
    std::vector<Watch> watches_;
    QJsonArray changes_;
};

}  // namespace cobalin::ui
