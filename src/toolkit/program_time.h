// Program time: every timer interval and every wait is multiplied by the
// time scale (COBALIN_TIME_SCALE, 1 by default), so tests run a whole
// search in a fraction of a second with the same tick counts. The waits and
// the program-time timers run on the current clock (program_clock.h).
#pragma once

#include <QTimer>
#include <functional>

namespace cobalin {

// The factor from program time to real time; read once from the environment.
double TimeScale();

// Real milliseconds for a span of program milliseconds (at least 1 when the
// span is positive, so a scaled timer never turns into a busy loop).
int ScaledMs(double programMs);

// Waits the given program seconds while the window keeps handling events.
// Uses a monotonic clock and sleeps in the event loop until the deadline or
// the next event; a wait of 0 or less returns at once.
void WaitSeconds(double seconds);

// Waits, handling events, until done() holds or the program-time deadline
// passes; true when done() held.
bool WaitUntil(const std::function<bool()>& done, double timeoutSeconds);

// Makes every wait return at once from now on: the program is ending.
void AbortAllWaits();

// Observes the waits, so that the UI driver can tell when a handler is inside one.
struct WaitObserver {
    std::function<void()> entered;
    std::function<void()> left;
};
void SetWaitObserver(WaitObserver observer);

// A wait that does not block: Start returns at once, and `then` runs from
// the event loop once the program seconds have passed. The handler that
// started it has long returned, so nothing has to guard against being entered
// again; for the wait observer (the UI driver) it still counts as a wait
// until `then` has run, or until the wait is cancelled or destroyed.
class ProgramWait {
public:
    ProgramWait();
    ~ProgramWait();
    ProgramWait(const ProgramWait&) = delete;
    ProgramWait& operator=(const ProgramWait&) = delete;

    // A wait of 0 or less, or one once every wait is aborted, runs `then`
    // without waiting (from the event loop, when aborted).
    void Start(double seconds, std::function<void()> then);
    void Cancel();
    bool Pending() const { return counted_; }

private:
    void Leave();

    QTimer timer_;
    std::function<void()> then_;
    bool counted_ = false;
};

// A modal window (a box, the help window) is a wait of its own kind: the
// handler that opened it goes on only when it closes.
void NotifyModalEntered();
void NotifyModalLeft();

}  // namespace cobalin
