#include "core/operation_ticks.h"

#include "core/app_state.h"

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

}  // namespace cobalin
