#include "core/write_sequence.h"

#include "core/request_packets.h"

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

}  // namespace cobalin
