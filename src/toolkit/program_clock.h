// Program time behind a clock. The program runs on the real clock: scaled
// wall-clock time, its timers Qt's own. A test puts a manual clock in its
// place and moves it forward; the program-time timers that fall due on the
// way time out then, in order, and no test has to sleep through a wait.
#pragma once

#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

namespace cobalin {

class ProgramClock {
public:
    virtual ~ProgramClock() = default;
    // Program seconds since an arbitrary start.
    virtual double Now() const = 0;
    // Starts (or restarts) `timer` to time out after `programMs` of program
    // time, and every `programMs` after unless it is single-shot.
    virtual void Start(QTimer& timer, double programMs) = 0;
    // Handles events until done() holds or `seconds` of program time have
    // passed; true when done() held. `done` may be empty.
    virtual bool WaitUntil(const std::function<bool()>& done, double seconds) = 0;
};

// The clock program time runs on now: the real one unless a manual clock lives.
ProgramClock& CurrentClock();

// A clock that stands still until it is moved. While it lives it is the
// current clock (the one before comes back when it goes). The timers it
// started run in Qt only as far as `isActive` and `stop` go: they time out
// when the clock passes their moment, never by themselves.
class ManualClock : public ProgramClock {
public:
    ManualClock();
    ~ManualClock() override;
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    double Now() const override { return now_; }
    void Start(QTimer& timer, double programMs) override;
    // Moves the clock through the due timers in turn, handling the events
    // each one posts, until done() holds or the seconds have passed.
    bool WaitUntil(const std::function<bool()>& done, double seconds) override;
    // Moves the clock `seconds` forward: every timer due on the way times out.
    void Advance(double seconds) { WaitUntil(nullptr, seconds); }
    // Program-time timers still to time out.
    int Pending();

private:
    struct Due {
        QPointer<QTimer> timer;
        int timerId = 0;
        double at = 0;     // program seconds
        double every = 0;  // program seconds, for a repeating timer
        unsigned long long order = 0;
    };
    void DropStale();
    bool Fire(double until);

    ProgramClock* before_;
    double now_ = 0;
    unsigned long long started_ = 0;
    std::vector<Due> due_;
};

}  // namespace cobalin
