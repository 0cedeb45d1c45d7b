#include "toolkit/program_time.h"

#include <QTimer>
#include <cmath>
#include <utility>

#include "core/program_options.h"
#include "toolkit/program_clock.h"

namespace cobalin {

namespace {
bool& Aborted() {
    static bool aborted = false;
    return aborted;
}

WaitObserver& Observer() {
    static WaitObserver observer;
    return observer;
}

struct WaitScope {
    WaitScope() {
        if (Observer().entered) Observer().entered();
    }
    ~WaitScope() {
        if (Observer().left) Observer().left();
    }
};
}  // namespace

double TimeScale() {
    static const double scale = ReadTimeScale();
    return scale;
}

int ScaledMs(double programMs) {
    if (!(programMs > 0)) return 0;
    const double real = std::round(programMs * TimeScale());
    if (real < 1) return 1;
    if (real > 2e9) return 2000000000;
    return static_cast<int>(real);
}

void SetWaitObserver(WaitObserver observer) { Observer() = std::move(observer); }

void NotifyModalEntered() {
    if (Observer().entered) Observer().entered();
}

void NotifyModalLeft() {
    if (Observer().left) Observer().left();
}

void AbortAllWaits() { Aborted() = true; }

bool WaitUntil(const std::function<bool()>& done, double timeoutSeconds) {
    if (done && done()) return true;
    if (Aborted()) return false;
    if (!(timeoutSeconds > 0)) return done && done();
    WaitScope scope;
    // Every wait ends at once when the program ends.
    CurrentClock().WaitUntil([&] { return Aborted() || (done && done()); }, timeoutSeconds);
    return done && done();
}

void WaitSeconds(double seconds) { WaitUntil(nullptr, seconds); }

ProgramWait::ProgramWait() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        Leave();
        // `then` may start this wait again: it runs from a copy.
        const auto then = std::exchange(then_, nullptr);
        if (then) then();
    });
}

ProgramWait::~ProgramWait() { Cancel(); }

void ProgramWait::Start(double seconds, std::function<void()> then) {
    Cancel();
    if (!(seconds > 0)) {
        if (then) then();
        return;
    }
    then_ = std::move(then);
    counted_ = true;
    if (Observer().entered) Observer().entered();
    if (Aborted()) timer_.start(0);
    else CurrentClock().Start(timer_, seconds * 1000.0);
}

void ProgramWait::Cancel() {
    timer_.stop();
    then_ = nullptr;
    Leave();
}

void ProgramWait::Leave() {
    if (!std::exchange(counted_, false)) return;
    if (Observer().left) Observer().left();
}

}  // namespace cobalin
