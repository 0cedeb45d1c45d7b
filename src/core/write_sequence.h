// The writes that restart a device, as steps: "Update (7)" (clear, write and
// reset, or the LAN-module transfer), "Reset", the restart countdown and the
// search that follows. Each step is an action for whoever runs the sequence
// (the window, with its timer and status line); running it is "take the next
// step, do it, and when it is done take the next". The order of the sends
// and the waits between them is defined once, here.
#pragma once

#include <cstdint>
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

// A sequence being carried out: its steps, how far it has come, and whether
// its device went away. Whoever runs it takes one step after the other and,
// at a wait, takes the next only when the wait is over; nothing here blocks.
class WriteRun {
public:
    explicit WriteRun(std::vector<WriteStep> steps) : steps_(std::move(steps)) {}

    // The next step, or nullptr when the sequence is over.
    const WriteStep* Next() { return at_ < steps_.size() ? &steps_[at_++] : nullptr; }
    // A request is due: it goes only while the device the sequence was
    // started for is still the one chosen. Once it was not, no later request
    // of the run goes either, so a device never gets half a sequence's rest.
    bool MaySend(bool stillTheDevice) {
        abandoned_ = abandoned_ || !stillTheDevice;
        return !abandoned_;
    }
    bool Abandoned() const { return abandoned_; }
    const std::vector<WriteStep>& Steps() const { return steps_; }

private:
    std::vector<WriteStep> steps_;
    size_t at_ = 0;
    bool abandoned_ = false;
};

}  // namespace cobalin
