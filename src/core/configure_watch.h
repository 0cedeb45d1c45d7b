// The waits of `cobalin configure`, driven by what arrives rather than by a
// clock: the first search ends once every device of the plan has answered
// with what its checks need and the LAN has fallen quiet; after the resets
// the written devices are watched, probed once a program second, and each is
// verified as soon as it answers holding what was written, until all are or
// the deadline comes. Nothing here sends or waits: the session around it
// feeds in what arrives and when its timer fires, and does what it is told.
#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/configure_plan.h"
#include "core/device_table.h"
#include "core/write_sequence.h"

namespace cobalin {

// What the session is to do after an event.
struct WatchStep {
    bool end = false;    // stop: the search or the watch is over
    bool probe = false;  // send the search request (and the module query) again
    // Program time at which the session calls Timer next; negative: no
    // change to the call already due.
    double wakeAt = -1;
    // Written devices (entries) to be written again, their whole sequence:
    // each answered with the very bytes it held before its write.
    std::vector<long> rewrite = {};
};

// A program second with nothing arriving: long enough for a second device
// with one MAC, or a module answering late, to be heard.
constexpr double kQuietSeconds = 1;

// True when every MAC has brought what the checks before a write need:
// pages 0 and 1 (or its short reply), and the module record of a device
// whose module answered.
bool PlanAnswered(const DeviceStore& store, const std::vector<std::string>& macs);

// The first search of a plan: it may end before its full length once the
// plan is answered and a quiet second has passed since the last datagram.
// While some device of the plan still lacks what its checks need (a page or
// a module record lost on the way), it asks again once a program second, so
// that a lossy LAN does not make a row refused for a record that did not
// come whole. Its full length stays the session's own (the operation ticks).
class PlanSearchWatch {
public:
    explicit PlanSearchWatch(std::vector<std::string> macs) : macs_(std::move(macs)) {}

    // The search request (and the module query) went out at `now`.
    WatchStep Start(double now);
    // A search reply or a module answer arrived at `now`.
    WatchStep Arrived(double now);
    // A search reply was taken into `entry` at `now`. Once the plan has been
    // asked again, a device that had answered whole before answers again:
    // that is no news, and does not keep the search listening.
    WatchStep Arrived(const DeviceStore& store, long entry, double now);
    // The timer asked for has fired.
    WatchStep Timer(const DeviceStore& store, double now);

private:
    std::vector<std::string> macs_;
    double last_ = 0;
    double nextAsk_ = 0;  // when the plan is asked again if it is not answered by then
    bool asked_ = false;  // the plan was asked again
    std::set<std::string> whole_;  // the MACs that have answered whole
};

// The steps of a batch up to its last request, and the program seconds it
// waits after that request (the countdown before its follow-up search).
std::vector<WriteStep> WithoutCountdown(const std::vector<WriteStep>& steps);
double CountdownSeconds(const std::vector<WriteStep>& steps);

// How often the written devices are asked again, in program seconds.
constexpr double kProbeSeconds = 1;

// How many times a device is written at most: its write and two more.
constexpr int kMaxWriteAttempts = 3;
// A device that took its reset is silent while it restarts: one that answers
// with its old bytes this long after its reset was sent did not take its
// write or its reset.
constexpr double kUntakenAfterSeconds = 2;

// The written devices coming back after their resets. A device is verified
// only by what it sent after the watch began: the table keeps the record the
// write sent in its entry, and its answer from before the write, so neither
// may count. The deadline is the countdown the window waits plus one whole
// search, so no device is given less time than the window gives it.
//
// On a LAN that loses datagrams a clear, a write or a reset may not arrive.
// A device that answers, kUntakenAfterSeconds or more after its reset was
// sent, with the very bytes it held before (page 0 as the first search saw
// it; for a device written through its LAN module, its module record) is
// written again, its whole sequence, up to kMaxWriteAttempts in all, each
// attempt with a deadline of its own. A device that answers with other
// values (something else changed it), or whose MAC two devices answer, is
// not written again.
class ReturnWatch {
public:
    // `seconds`: from a device's last request to its deadline.
    explicit ReturnWatch(double seconds) : seconds_(seconds) {}

    // A written device: its entry, what was sent, why its write could not
    // be sent (empty when it left), and what it held before its write (its
    // page 0, or its module record; empty: it is never written again). A
    // device whose write did not leave is not waited for: nothing it
    // answers can verify it.
    void Add(long entry, SentUpdate sent, std::string sendFault, Bytes before = {});
    // The writes are over, at `now`: what the entries of the written devices
    // hold from before no longer counts as an answer.
    WatchStep Start(DeviceStore& store, double now);
    // A search reply or module answer was taken into `entry` (a module
    // answer: `module`) at `now`. Once every device is verified, the watch
    // listens one more quiet second before it ends: a second device with
    // the same MAC, or a device that changes again, may still answer, and
    // the verdicts are judged again on what arrived by then.
    WatchStep Arrived(const DeviceStore& store, long entry, bool module, double now);
    // The last request of a device's new attempt left at `now`: only what
    // it answers from here on counts, until its new deadline.
    WatchStep Rewritten(DeviceStore& store, long entry, double now);
    // A device asked to be written again was not (a stop came first, or its
    // requests could not be sent): it is judged on what it answers, as before.
    void Unwritten(long entry);
    // Just before a device asked to be written again is written: whether it
    // still is to be. Meanwhile it may have answered with what was written
    // (it is verified then), or with other bytes, or its MAC may have become
    // shared; then it is not written again.
    bool StillToWrite(const DeviceStore& store, long entry);
    // The timer asked for has fired.
    WatchStep Timer(double now);

    // The written devices not yet verified (write faults aside), and all of them.
    size_t Waiting() const;
    size_t Count() const { return devices_.size(); }
    // True when a device was written through its LAN module: its module is asked too.
    bool Modules() const;
    // How device `entry` came back, judged only by what arrived since Start,
    // as a search started afresh then would have brought it.
    Verification Verdict(long entry, const DeviceStore& store) const;
    // How many times device `entry` was written (1 when never again).
    int Attempts(long entry) const;
    // Whether device `entry` answered holding what was written (so far).
    bool Verified(long entry) const;
    // What was sent to device `entry` (null for none): a new attempt sends
    // it again, whatever its answers since have left in its entry.
    const SentUpdate* SentTo(long entry) const;

private:
    struct Watched {
        long entry;
        SentUpdate sent;
        std::string fault;
        Bytes before;  // its page 0 or module record before the write
        bool back = false;    // something of it arrived since its last attempt
        bool module = false;  // its module answered since its last attempt
        bool verified = false;
        int attempts = 1;
        double lastSent = 0;       // when the last request of its last attempt left
        bool rewriting = false;    // written again, its last request not yet gone
    };
    const Watched* Find(long entry) const;
    Verification Judge(const Watched& w, const DeviceStore& store) const;
    // True when `w` answered with the bytes it held before its write.
    bool AnsweredAsBefore(const Watched& w, const DeviceStore& store) const;
    // Only what a device sends from here on counts as its answer.
    static void ForgetAnswers(Watched& w, DeviceStore& store);
    double Deadline() const;

    double seconds_;
    double nextProbe_ = 0;
    double settleUntil_ = -1;  // once all are verified: the end of the quiet second
    std::vector<Watched> devices_;
    // One entry's view, reused for every judgement (a whole table is large).
    std::unique_ptr<DeviceStore> view_ = std::make_unique<DeviceStore>();
};

}  // namespace cobalin
