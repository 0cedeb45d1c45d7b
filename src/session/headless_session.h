// The device session driven from the command line: a search, the batch of
// many devices or the watch of their return runs to its end, one at a time.
// The batch and the watch are the session's operations (ManyDevices); this
// adapter only waits for their ends. The session's observers are wired once,
// here, for every run.
#pragma once

#include <QEventLoop>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/configure_watch.h"
#include "core/search_command.h"
#include "core/write_sequence.h"
#include "session/device_session.h"
#include "session/many_devices.h"

namespace cobalin {

class HeadlessSession {
public:
    HeadlessSession(AppState& state, const SearchCommandOptions& where, bool everyInterface);

    // Empties the table and searches for the period asked. Empty when the
    // search ran, else one line saying what failed. An address search also
    // asks each of `alsoAsk` (devices that were given a new address).
    std::string Search(const std::vector<std::string>& alsoAsk = {});
    // Searches as Search does for the devices of a plan, but sends the
    // LAN-module query with the search request and ends as soon as every
    // MAC of `plan` has answered with what its checks need and a program
    // second has passed with nothing more (else at the full length).
    std::string SearchFor(const std::vector<std::string>& plan);
    // Watches the written devices come back after their resets: a search
    // request (and the module query, when a module was written) every
    // program second on the sockets it keeps, the table kept; an address
    // search also asks each of `alsoAsk`. A device the watch asks to write
    // again gets its whole sequence of `batch` once more, paced as the batch
    // was, unless `stopStarting` holds. Ends when all are verified, at the
    // watch's deadline, or when stopped. Empty, or the request that could
    // not be sent.
    std::string Watch(ReturnWatch& watch, const std::vector<std::string>& alsoAsk = {},
                      const std::vector<BatchDevice>& batch = {}, std::function<bool()> stopStarting = nullptr);
    // Writes many devices at once, each with the window's update steps,
    // paced, and without the countdown: the watch takes its place. It goes on
    // past a request that could not be sent. Once `stopStarting` holds
    // (asked before every request and after every wait), a device with no
    // request due yet gets none; those started get the rest of their own.
    // `countdown` is set to the program seconds the window would wait after
    // the last request. Empty, or the first thing that could not be sent.
    std::string RunBatch(const std::vector<BatchDevice>& batch, std::function<bool()> stopStarting, double& countdown);
    // The devices the last run started: each whose first request was due
    // before `stopStarting` held.
    std::set<int16_t> Started() const { return started_; }
    // Cuts the run in progress short: a search ends at once; a batch ends
    // as soon as its last request went (its waits after it are skipped).
    void Stop();
    // Binds every port a run will use once and lets it go again: empty when
    // each could be bound, else one line naming the first that could not.
    std::string PortsFree();

    // Replies the intake refused, over every search (a page cut short, or a
    // device past the 255th).
    int refused() const { return refused_; }
    DeviceSession& session() { return session_; }

    // Told a line of progress as a run goes: the search's devices found, the
    // batch's countdown.
    std::function<void(const std::string&)> progress;

private:
    std::string Search(PlanSearchWatch* plan, const std::vector<std::string>& alsoAsk);
    // Program seconds on a monotonic clock.
    static double Now();

    AppState& state_;
    SearchCommandOptions where_;
    DeviceSession session_;
    QEventLoop* loop_ = nullptr;  // the run in progress
    std::string error_;
    int refused_ = 0;
    ManyDevices many_{session_};
    std::set<int16_t> started_;  // the devices the last batch started
    // Told every datagram of the search and module sockets: the entry it went
    // to (-1: none), and whether it was a module's answer.
    std::function<void(long entry, bool module)> arrived_;
};

// One line of progress on standard error when it is a terminal, drawn over
// itself and cleared at the end; nothing when it is not a terminal.
class TerminalProgress {
public:
    TerminalProgress();
    ~TerminalProgress() { Show({}); }
    void Show(const std::string& line);

private:
    bool on_;
};

// "cannot use UDP port N (NAME): ..."
std::string PortTakenText(int port, const std::string& socket);

}  // namespace cobalin
