// Waiting for what a real thread or socket does, in real time: program time
// (a test's manual clock) stands still meanwhile.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace cobalin::testing {

// Handles events until done() holds or `ms` real milliseconds have passed;
// looks again at every event and at least every millisecond. True when done() held.
inline bool WaitReal(const std::function<bool()>& done, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    QTimer look;
    look.start(1);
    QEventLoop loop;
    while (!done()) {
        if (deadline.hasExpired()) return false;
        loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
    return true;
}

}  // namespace cobalin::testing
