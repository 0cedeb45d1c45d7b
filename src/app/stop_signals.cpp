#include "app/stop_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace cobalin {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
static_assert(std::size(kStopSignals) == 3, "StopSignals keeps the action found of each");

std::atomic<int> received{0};
std::atomic<int> wakeFd{-1};

// Only what is safe in a handler: count, and wake the event loop.
void OnStopSignal(int) {
    const int saved = errno;
    received.fetch_add(1);
    if (const int fd = wakeFd.load(); fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
    received = 0;
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) == 0) wakeFd = pipe_[1];
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        found_[i].taken = sigaction(kStopSignals[i], nullptr, &found_[i].action) == 0 &&
                          found_[i].action.sa_handler != SIG_IGN;
        // A signal the process was started with ignored (`nohup` ignores
        // SIGHUP) was meant not to stop it: it stays ignored.
        if (found_[i].taken) found_[i].taken = sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
}

StopSignals::~StopSignals() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        if (found_[i].taken) sigaction(kStopSignals[i], &found_[i].action, nullptr);
    wakeFd = -1;
    notifier_.reset();
    for (int fd : pipe_)
        if (fd >= 0) close(fd);
}

int StopSignals::count() const { return received.load(); }

void StopSignals::Watch(std::function<void(int count)> told) {
    told_ = std::move(told);
    if (pipe_[0] < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char buffer[64];
        while (read(pipe_[0], buffer, sizeof buffer) > 0) {
        }
        if (told_) told_(count());
    });
}

}  // namespace cobalin
