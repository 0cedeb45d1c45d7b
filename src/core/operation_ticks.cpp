#include "core/operation_ticks.h"

#include "core/app_state.h"

#include <utility>

namespace cobalin {

TickStep AdvanceOperationTick(int16_t& tick) {
    const int16_t t = tick;
    tick = static_cast<int16_t>(t + 1);
    if (t == kModuleQueryTick) return TickStep::QueryModules;
    if (t >= kLastOperationTick) {
        tick = kNoOperation;
        return TickStep::Finished;
    }
    return TickStep::Counted;
}

OperationTickEvent OperationTimerTick(int16_t& tick, Listening listening) {
    if (listening == Listening::None) return {OperationTickEvent::NothingOpen, {}};
    if (tick == kNoOperation) return {OperationTickEvent::NoOperation, {}};
    OperationTickEvent e{OperationTickEvent::Counting, listening == Listening::Search ? "Searching..." : "Sending..."};
    e.shown = tick;
    e.step = AdvanceOperationTick(tick);
    return e;
}

ListeningActions ListeningPeriod::Tick(Listening listening, bool queryModules) {
    ListeningActions a;
    a.shown = OperationTimerTick(tick_, listening);
    if (a.shown.kind != OperationTickEvent::Counting) return a;
    a.queryModules = a.shown.step == TickStep::QueryModules && queryModules;
    if (a.shown.step != TickStep::Finished) return a;
    // Replies that arrive after the sockets close are lost; the last tick is
    // shown before the timer stops, and what follows the period starts after.
    a.closeSockets = a.timerOff = a.listeningEnded = true;
    a.searchEnded = std::exchange(searching_, false);
    return a;
}

void ListeningPeriod::Stop() {
    searching_ = false;
    tick_ = kNoOperation;
}

}  // namespace cobalin
