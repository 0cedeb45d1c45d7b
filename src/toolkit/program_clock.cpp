#include "toolkit/program_clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimerEvent>
#include <algorithm>
#include <chrono>
#include <limits>

#include "toolkit/program_time.h"

namespace cobalin {

namespace {

class RealClock : public ProgramClock {
public:
    double Now() const override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return std::chrono::duration<double>(since).count() / TimeScale();
    }

    void Start(QTimer& timer, double programMs) override { timer.start(ScaledMs(programMs)); }

    bool WaitUntil(const std::function<bool()>& done, double seconds) override {
        const QDeadlineTimer deadline(ScaledMs(seconds * 1000.0), Qt::PreciseTimer);
        // The timer wakes the sleeping loop at the deadline; any other event
        // wakes it earlier, and then the condition is checked again.
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        QEventLoop loop;
        QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        while (!deadline.hasExpired()) {
            if (done && done()) return true;
            wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
            loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
        }
        return done && done();
    }
};

RealClock& Real() {
    static RealClock real;
    return real;
}

ProgramClock*& Current() {
    static ProgramClock* current = &Real();
    return current;
}

// A manual clock's timer runs in Qt so that it reports itself active, but
// with an interval it never reaches.
constexpr int kNever = std::numeric_limits<int>::max();

}  // namespace

ProgramClock& CurrentClock() { return *Current(); }

ManualClock::ManualClock() : before_(Current()) { Current() = this; }

ManualClock::~ManualClock() {
    for (const Due& d : due_)
        if (d.timer && d.timer->timerId() == d.timerId) d.timer->stop();
    Current() = before_;
}

void ManualClock::Start(QTimer& timer, double programMs) {
    std::erase_if(due_, [&](const Due& d) { return d.timer == &timer; });
    timer.start(kNever);
    const double span = std::max(0.0, programMs) / 1000.0;
    due_.push_back({&timer, timer.timerId(), now_ + span, span, started_++});
}

// A timer stopped, restarted outside this clock or destroyed is no longer due.
void ManualClock::DropStale() {
    std::erase_if(due_, [](const Due& d) { return !d.timer || !d.timer->isActive() || d.timer->timerId() != d.timerId; });
}

int ManualClock::Pending() {
    DropStale();
    return static_cast<int>(due_.size());
}

// Times out the first timer due by `until`, moving the clock to its moment;
// false when none is.
bool ManualClock::Fire(double until) {
    DropStale();
    const auto next = std::min_element(due_.begin(), due_.end(), [](const Due& a, const Due& b) {
        return a.at != b.at ? a.at < b.at : a.order < b.order;
    });
    if (next == due_.end() || next->at > until) return false;
    now_ = std::max(now_, next->at);
    QTimer* timer = next->timer;
    const int id = next->timerId;
    if (timer->isSingleShot()) {
        due_.erase(next);
    } else {
        // A repeating timer of no interval still lets the clock move on.
        next->at += std::max(next->every, 1e-6);
        next->order = started_++;
    }
    QTimerEvent event(id);
    QCoreApplication::sendEvent(timer, &event);
    return true;
}

bool ManualClock::WaitUntil(const std::function<bool()>& done, double seconds) {
    const double until = now_ + std::max(0.0, seconds);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (done && done()) return true;
        if (!Fire(until)) break;
    }
    now_ = std::max(now_, until);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return done && done();
}

}  // namespace cobalin
