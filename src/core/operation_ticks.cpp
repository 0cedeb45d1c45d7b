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

}  // namespace cobalin
