// The ticks of an operation's listening period, shared by the window's
// Timer1 and the command-line search: one tick every 300 ms, the LAN-module
// query on tick 9 (halfway), and tick 19 the last, when the sockets close.
#pragma once

#include <cstdint>

namespace cobalin {

constexpr int kOperationTickMs = 300;
constexpr int16_t kModuleQueryTick = 9;
constexpr int16_t kLastOperationTick = 19;

// What a tick asks of the operation.
enum class TickStep {
    Counted,       // nothing but the count
    QueryModules,  // send the LAN-module query now
    Finished,      // the listening period is over: close the sockets
};

// One tick of a running operation: `tick` is the number the tick shows; it
// moves on to the next, or to -1 (no operation) when the period is over.
TickStep AdvanceOperationTick(int16_t& tick);

}  // namespace cobalin
