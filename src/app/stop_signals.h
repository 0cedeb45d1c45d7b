// SIGINT, SIGTERM and SIGHUP (Ctrl-C, a kill, an ssh session that drops)
// for a command that must not be cut off in the middle: each is counted and
// told in the event loop instead of ending the process. While one of these
// lives, the three signals no longer end the program. A signal the process
// was started with ignored (`nohup` ignores SIGHUP) stays ignored and is
// never counted; at the end each signal gets back the action it had.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

namespace cobalin {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signals received so far.
    int count() const;
    // Told the count after each signal, from the event loop (there must be
    // an application object by then).
    void Watch(std::function<void(int count)> told);

private:
    // The action each stop signal had, in the order of the signals, and
    // whether it was replaced (and must be put back).
    struct Found {
        struct sigaction action {};
        bool taken = false;
    };
    static constexpr size_t kSignals = 3;  // SIGINT, SIGTERM, SIGHUP
    Found found_[kSignals];
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> told_;
};

}  // namespace cobalin
