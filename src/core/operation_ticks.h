// The ticks of an operation's listening period, shared by the window and the
// command line: one tick every 300 ms, the LAN-module query on tick 9
// (halfway), and tick 19 the last, when the sockets close.
#pragma once

#include <cstdint>
#include <string>

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

// Which socket an operation listens on when its timer ticks.
enum class Listening : uint8_t {
    None,     // no socket is open
    Search,   // the search socket, asking the search port
    Other,    // the search socket asking another port, or the command socket
};

// What one tick of the operation timer does, given the tick count and the
// socket that is open: the pure part of the timer's handler.
struct OperationTickEvent {
    enum Kind : uint8_t {
        NothingOpen,  // the status line shows "Ready"
        NoOperation,  // the command panel is free again
        Counting,     // the status line shows `word` + `shown`
    };
    Kind kind;
    std::string word;             // "Searching..." or "Sending..."
    int16_t shown = 0;            // the tick shown
    TickStep step = TickStep::Counted;

    // The status text at the end of the period: `word` + "Done".
    std::string DoneText() const { return word + "Done"; }
};
OperationTickEvent OperationTimerTick(int16_t& tick, Listening listening);

}  // namespace cobalin
