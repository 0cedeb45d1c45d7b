// The writes that restart a device, as steps: "Update (7)" (clear, write and
// reset, or the LAN-module transfer), "Reset", the restart countdown and the
// search that follows. Each step is an action for whoever runs the sequence
// (the window, with its timer and status line); running it is "take the next
// step, do it, and when it is done take the next", which WriteMachine does
// on events. The order of the sends and the waits between them is defined
// once, here.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace cobalin {

struct WriteStep {
    enum Kind : uint8_t {
        FirstTick,    // the operation's tick count starts again at 1
        TimerOn,      // the operation timer runs (it ticks through the waits)
        TimerOff,     // the operation timer stops
        Status,       // the status line shows `text`
        HoldPanel,    // the command panel stays disabled
        Send,         // send request `command` for the device
        Wait,         // wait `seconds` of program time, handling events
        SearchAgain,  // the search that finds the restarted device
    };
    Kind kind;
    std::string text = {};
    int16_t command = -1;
    double seconds = 0;
    // The device entry a Send is for; -1: the device the sequence runs for.
    int16_t device = -1;

    bool operator==(const WriteStep&) const = default;
};

// "Update (7)" of a device: through its LAN-module record when it has one,
// else clear, write and reset. Ends with the countdown and the search.
std::vector<WriteStep> UpdateSteps(bool throughModule);
// "Reset": the reset request, the countdown and the search (`searchType`,
// a network or an address search).
std::vector<WriteStep> ResetSteps(int16_t searchType);

// Program seconds a sequence waits in all.
double WaitedSeconds(const std::vector<WriteStep>& steps);

// Many devices updated at once, from the same steps as one device's
// update: each device's requests at the moments its own sequence sends them
// (its clear, half a second later its write and reset, or its module
// transfer), the devices paced so that at most one device's requests leave
// every `pace` seconds, then one countdown as long as the longest any device
// needs after its last request, then one follow-up search.
struct BatchDevice {
    int16_t device;      // the entry
    bool throughModule;  // a device with a LAN-module record
};
constexpr double kBatchPace = 0.02;
std::vector<WriteStep> BatchUpdateSteps(const std::vector<BatchDevice>& devices, double pace = kBatchPace);

// What a write machine asks its runner to do now, in order: the steps up to
// and including the next wait (after which the runner tells WaitOver), up to
// the next request that is due (the runner tells what changed meanwhile, then
// RequestDue), or up to the end of the run. Every Send names its device.
struct WriteActions {
    std::vector<WriteStep> steps;
    bool ended = false;       // the run is over: nothing more comes, and there is no wait to tell
    bool requestDue = false;  // a request is due next: its device, the choice and a stop are looked at now
};

// A write sequence being carried out, as a machine that takes events and
// returns what to do: the update of one device, its reset, or a batch of
// many. It keeps, for the run, which device each request is for, which
// devices are still the ones the run started with, which were started and
// which were left out; whoever runs it only detects the facts (a device's
// entry holds another MAC, the choice moved, a stop was asked), tells them,
// and does the steps it is given. Nothing here blocks or waits.
class WriteMachine {
public:
    // `device`: the entry the steps that name none are for.
    explicit WriteMachine(std::vector<WriteStep> steps, int16_t device = -1);

    // Every device the run sends to, once, in the order of its first request.
    std::vector<int16_t> Devices() const;
    // The run begins: `held` maps each of those devices whose entry holds a
    // device now to that device's MAC (one missing from it gets nothing).
    WriteActions Start(const std::map<int16_t, std::string>& held);
    // The wait the last actions ended with is over.
    WriteActions WaitOver();
    // The request the last actions stopped before is due; what the steps
    // before it did (a step shown may move the choice) has been told.
    WriteActions RequestDue();

    // The devices still the ones the run started with, by entry and MAC.
    const std::map<int16_t, std::string>& Identities() const { return identities_; }
    // Entry `device` no longer holds the device it held at the start. Gone
    // once, gone for good: it never gets half of what was left when it
    // answers again.
    void DeviceGone(int16_t device) { identities_.erase(device); }
    // The device the run was started for is no longer the one chosen: no
    // later request of the run goes, so a device never gets half a
    // sequence's rest, and the run counts as abandoned once one is dropped.
    void ChoiceLost() { choiceLost_ = true; }
    // A batch stops starting devices: one with no request due yet gets none;
    // those started get the rest of their own.
    void StopStarting() { stopStarting_ = true; }
    // The run is stopped: it ends as soon as its last request was due (what
    // waits after it is skipped), at once when none is left.
    WriteActions Stop();
    // Nothing more is sent: the run is over, with no end of its own.
    void Shut() { ended_ = true; }

    bool Ended() const { return ended_; }
    // True once a request was dropped because the choice was lost.
    bool Abandoned() const { return abandoned_; }
    // The devices whose first request was due before StopStarting; those left out after it.
    const std::set<int16_t>& Started() const { return started_; }
    const std::set<int16_t>& LeftOut() const { return leftOut_; }

private:
    WriteActions Advance();
    // Whether a request due for `device` goes; notes the device started, left out or the run abandoned.
    bool Goes(int16_t device);
    int16_t DeviceOf(const WriteStep& step) const { return step.device >= 0 ? step.device : device_; }

    std::vector<WriteStep> steps_;
    int16_t device_;
    size_t at_ = 0;
    size_t lastSend_ = 0;  // one past the last Send step; 0 when there is none
    std::map<int16_t, std::string> identities_;
    std::set<int16_t> started_, leftOut_;
    bool choiceLost_ = false, stopStarting_ = false, stopping_ = false;
    bool abandoned_ = false, ended_ = false;
};

}  // namespace cobalin
