#include "driver/ui_driver.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "driver/ui_driver_answers.h"
#include "toolkit/controls.h"
#include "toolkit/program_time.h"

namespace cobalin::ui {

const UiDriver::CommandDef UiDriver::kCommands[] = {
    {"click", &UiDriver::Click},
    {"invoke", &UiDriver::Invoke},
    {"select", &UiDriver::Select},
    {"type", &UiDriver::Type},
    {"leave", &UiDriver::Leave},
    {"close", &UiDriver::Close},
    {"get", &UiDriver::GetCommand},
    {"answer", &UiDriver::AnswerCommand},
    {"dialogs", &UiDriver::DialogsCommand},
    {"wait", &UiDriver::WaitCommand},
    {"idle", &UiDriver::IdleCommand},
    {"watch", &UiDriver::WatchCommand},
    {"changes", &UiDriver::Changes},
    {"state", &UiDriver::State},
    {"shot", &UiDriver::Shot},
    {"windows", &UiDriver::Windows},
    {"quit", &UiDriver::QuitCommand},
};

UiDriver::UiDriver(DriverHooks hooks, ScriptedDialogs& dialogs) : hooks_(std::move(hooks)), dialogs_(dialogs) {
    clock_.start();
    SetWaitObserver({[this] { WaitEntered(); }, [this] { WaitLeft(); }});
    // Each change a toolkit helper makes is seen where it is made. One
    // property can move another the driver reads (a line's ends move its box,
    // a list's lines its shown text), so every watch on the control is read.
    SetControlObserver([this](QObject* control, ControlProperty) { ControlChanged(control); });
    // A control that appears later under a watched name (the help window
    // opened again) is taken up when the program next waits for events.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { CheckWatches(); });
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] {
        // The command in progress is answered and the program ends.
        for (Running* r : running_)
            if (!r->answered) {
                r->answered = true;
                Answer(OkJson());
            }
        Quit();
    });
}

UiDriver::~UiDriver() {
    SetControlObserver({});
    SetWaitObserver({});
}

void UiDriver::Start() {
    sink = [](const QByteArray& line) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    Listen(STDIN_FILENO);
}

void UiDriver::Listen(int fd) {
    inputFd_ = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadInput(); });
}

void UiDriver::ReadInput() {
    if (inputEnded_) return;
    char buf[4096];
    ssize_t n;
    // A signal that interrupts the read is no end of input: read again.
    do n = read(inputFd_, buf, sizeof buf);
    while (n < 0 && errno == EINTR);
    // Nothing there yet on an input that does not block: the notifier calls again.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
        if (n < 0) std::fprintf(stderr, "cobalin: reading commands: %s\n", std::strerror(errno));
        notifier_->setEnabled(false);
        inputEnded_ = true;
        // A last line without its line feed is a command all the same.
        if (!inputBuffer_.isEmpty()) queue_ << QString::fromUtf8(inputBuffer_);
        inputBuffer_.clear();
        queue_ << "quit";
    } else {
        inputBuffer_.append(buf, static_cast<int>(n));
        for (int nl; (nl = inputBuffer_.indexOf('\n')) >= 0;) {
            QByteArray line = inputBuffer_.left(nl);
            inputBuffer_.remove(0, nl + 1);
            if (line.endsWith('\r')) line.chop(1);
            queue_ << QString::fromUtf8(line);
        }
    }
    SchedulePump();
}

void UiDriver::Feed(const QString& line) {
    queue_ << line;
    SchedulePump();
}

void UiDriver::SchedulePump() {
    if (pumpScheduled_) return;
    pumpScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        pumpScheduled_ = false;
        Pump();
    });
}

void UiDriver::Pump() {
    // One command at a time: the next one waits until the one before it has
    // been answered (a handler inside a wait answers "busy").
    while (!quitting_ && !queue_.isEmpty() && !pendingAsync_ && (running_.empty() || running_.back()->answered)) {
        const QString line = queue_.takeFirst();
        if (line.trimmed().isEmpty()) continue;
        Execute(line);
    }
}

void UiDriver::Answer(const QByteArray& json) {
    if (sink) sink(json);
}

void UiDriver::WaitEntered() {
    ++waitDepth_;
    if (!running_.empty() && !running_.back()->answered) {
        running_.back()->answered = true;
        Answer(ValueJson("busy"));
    }
    SchedulePump();
}

void UiDriver::WaitLeft() {
    --waitDepth_;
    if (idlePending_) QTimer::singleShot(0, this, [this] { CheckIdle(); });
}

double UiDriver::ProgramSeconds() const { return clock_.nsecsElapsed() / 1e9 / TimeScale(); }

void UiDriver::Execute(const QString& line) {
    const auto [name, args] = SplitWord(line.trimmed());
    Running running;
    running_.push_back(&running);
    const auto* command = Lookup(kCommands, name);
    const QByteArray answer = command ? (this->*command->run)(args) : ErrorJson("bad command");
    // A handler that entered a wait has been answered "busy" already.
    if (!running.answered) {
        running.answered = true;
        if (!answer.isEmpty()) Answer(answer);
    }
    running_.pop_back();
    CheckWatches();
}

void UiDriver::CheckIdle() {
    if (!idlePending_) return;
    const bool idle = waitDepth_ == 0 && (!hooks_.idle || hooks_.idle());
    if (idle || ProgramSeconds() >= idleDeadline_) {
        idlePending_ = false;
        pendingAsync_ = false;
        Answer(idle ? OkJson() : ErrorJson("timeout"));
        SchedulePump();
        return;
    }
    QTimer::singleShot(std::max(1, ScaledMs(20)), this, [this] { CheckIdle(); });
}

void UiDriver::Quit() {
    if (quitting_) return;
    quitting_ = true;
    if (hooks_.quit) hooks_.quit();
}

}  // namespace cobalin::ui
