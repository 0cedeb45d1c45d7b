#include "core/write_sequence.h"

#include "core/request_packets.h"

#include <algorithm>

namespace cobalin {

namespace {

constexpr int kRestartSeconds = 10;   // "Restarting..." counts from 10 down to 0, a second each
constexpr int kModuleUpdateSteps = 5;  // "Updating..." counts from 5 down to 0, half a second each
constexpr double kSendPause = 0.5;     // after the clear, and between the module steps

using K = WriteStep;

WriteStep Step(WriteStep::Kind kind) { return {kind}; }
WriteStep Status(std::string text) { return {K::Status, std::move(text)}; }
WriteStep Send(int16_t command) { return {K::Send, {}, command}; }
WriteStep Wait(double seconds) { return {K::Wait, {}, -1, seconds}; }

// Every request of a sequence starts the operation's count again, with its
// timer running, so the timer's sockets stay open for the acknowledgements.
void SendWithTimer(std::vector<WriteStep>& out, int16_t command) {
    out.push_back(Step(K::FirstTick));
    out.push_back(Step(K::TimerOn));
    out.push_back(Send(command));
}

void CountDownAndSearch(std::vector<WriteStep>& out, int16_t searchType) {
    for (int i = kRestartSeconds; i >= 0; --i) {
        out.push_back(Status("Restarting..." + std::to_string(i)));
        out.push_back(Wait(1));
    }
    out.push_back({K::SearchAgain, {}, searchType});
}

}  // namespace

std::vector<WriteStep> UpdateSteps(bool throughModule) {
    std::vector<WriteStep> out;
    if (throughModule) {
        // The timer stays off until the search: the module transfer has no
        // acknowledgement to listen for.
        out = {Step(K::TimerOff), Status("Sending command..."), Step(K::HoldPanel), Wait(kSendPause),
               Step(K::FirstTick), Send(UpdateTransfer), Status("Ready..."), Step(K::HoldPanel), Wait(kSendPause)};
        for (int i = kModuleUpdateSteps; i >= 0; --i) {
            out.push_back(Status("Updating..." + std::to_string(i)));
            out.push_back(Wait(kSendPause));
        }
    } else {
        out = {Step(K::FirstTick), Step(K::TimerOn), Status("Sending command..."), Step(K::HoldPanel),
               Send(ClearConfigBuffer), Wait(kSendPause)};
        SendWithTimer(out, WriteConfig);
        // The reset follows the write at once.
        SendWithTimer(out, ResetDevice);
        out.push_back(Step(K::HoldPanel));
    }
    CountDownAndSearch(out, SearchNetwork);
    return out;
}

std::vector<WriteStep> ResetSteps(int16_t searchType) {
    std::vector<WriteStep> out = {Step(K::FirstTick), Step(K::TimerOn), Status("Sending command..."),
                                  Step(K::HoldPanel), Send(ResetDevice), Step(K::HoldPanel)};
    CountDownAndSearch(out, searchType);
    return out;
}

double WaitedSeconds(const std::vector<WriteStep>& steps) {
    double total = 0;
    for (const WriteStep& s : steps)
        if (s.kind == K::Wait) total += s.seconds;
    return total;
}

namespace {

// When one device's update sends what, in program seconds from its start,
// and how long its sequence goes on after its last request until the
// follow-up search.
struct Timeline {
    struct Group {
        double at;
        std::vector<int16_t> commands;
    };
    std::vector<Group> groups;
    double after = 0;
};

Timeline TimelineOf(bool throughModule) {
    Timeline t;
    double now = 0;
    for (const WriteStep& step : UpdateSteps(throughModule)) {
        if (step.kind == K::Wait) {
            now += step.seconds;
            t.after += step.seconds;
        } else if (step.kind == K::Send) {
            if (t.groups.empty() || t.groups.back().at != now) t.groups.push_back({now, {}});
            t.groups.back().commands.push_back(step.command);
            t.after = 0;
        }
    }
    return t;
}

struct Due {
    double at;
    size_t order;  // the device's place in the batch, then its group's
    int16_t device;
    const std::vector<int16_t>* commands;
    double after;  // set on the device's last group
};

}  // namespace

std::vector<WriteStep> BatchUpdateSteps(const std::vector<BatchDevice>& devices, double pace) {
    const Timeline timelines[2] = {TimelineOf(false), TimelineOf(true)};
    std::vector<Due> due;
    for (size_t i = 0; i < devices.size(); ++i) {
        const Timeline& t = timelines[devices[i].throughModule ? 1 : 0];
        for (size_t g = 0; g < t.groups.size(); ++g)
            due.push_back({t.groups[g].at, i, devices[i].device, &t.groups[g].commands,
                           g + 1 == t.groups.size() ? t.after : -1});
    }
    std::stable_sort(due.begin(), due.end(), [](const Due& a, const Due& b) { return a.at < b.at; });
    std::vector<WriteStep> out;
    double now = 0, end = 0;
    bool first = true;
    for (const Due& d : due) {
        // A device's requests leave when its own sequence would send them,
        // and never closer than `pace` after the device before.
        const double at = std::max(d.at, first ? 0 : now + pace);
        if (at > now) out.push_back(Wait(at - now));
        now = at;
        first = false;
        for (int16_t command : *d.commands) {
            WriteStep send = Send(command);
            send.device = d.device;
            out.push_back(send);
        }
        if (d.after >= 0) end = std::max(end, now + d.after);
    }
    if (end > now) out.push_back(Wait(end - now));
    if (!devices.empty()) out.push_back({K::SearchAgain, {}, SearchNetwork});
    return out;
}

// The machine that carries a sequence out, on events.

WriteMachine::WriteMachine(std::vector<WriteStep> steps, int16_t device) : steps_(std::move(steps)), device_(device) {
    for (size_t i = 0; i < steps_.size(); ++i)
        if (steps_[i].kind == K::Send) lastSend_ = i + 1;
}

std::vector<int16_t> WriteMachine::Devices() const {
    std::vector<int16_t> out;
    for (const WriteStep& s : steps_)
        if (s.kind == K::Send && std::find(out.begin(), out.end(), DeviceOf(s)) == out.end()) out.push_back(DeviceOf(s));
    return out;
}

WriteActions WriteMachine::Start(const std::map<int16_t, std::string>& held) {
    for (int16_t device : Devices())
        if (const auto h = held.find(device); h != held.end()) identities_.emplace(device, h->second);
    return Advance();
}

WriteActions WriteMachine::WaitOver() { return Advance(); }

WriteActions WriteMachine::RequestDue() { return Advance(); }

WriteActions WriteMachine::Stop() {
    if (ended_) return {{}, true};
    stopping_ = true;
    // Nothing is due any more: what is left are waits and the end.
    if (at_ >= lastSend_) ended_ = true;
    return {{}, ended_};
}

bool WriteMachine::Goes(int16_t device) {
    // A device is started by its first request being due; after a stop no
    // other device is, whether or not its request could have gone.
    if (started_.count(device) == 0) {
        if (stopStarting_) {
            leftOut_.insert(device);
            return false;
        }
        started_.insert(device);
    }
    if (choiceLost_) {
        abandoned_ = true;
        return false;
    }
    return identities_.count(device) != 0;
}

WriteActions WriteMachine::Advance() {
    WriteActions out;
    for (bool first = true; !ended_ && at_ < steps_.size(); first = false) {
        // Whether a request goes is decided when it is due, on what holds
        // then: the steps done before it may have moved the choice.
        if (!first && steps_[at_].kind == K::Send) {
            out.requestDue = true;
            return out;
        }
        WriteStep step = steps_[at_++];
        if (step.kind == K::Wait) {
            if (!(step.seconds > 0)) continue;
            out.steps.push_back(step);
            return out;
        }
        if (step.kind == K::Send) {
            step.device = DeviceOf(step);
            if (Goes(step.device)) out.steps.push_back(step);
            // Stopped: the run ends once its last request was due.
            if (stopping_ && at_ >= lastSend_) ended_ = true;
            continue;
        }
        out.steps.push_back(step);
    }
    ended_ = true;
    out.ended = true;
    return out;
}

}  // namespace cobalin
