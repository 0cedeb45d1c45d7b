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

// The listening period as a machine on events: the session starts it, tells
// it every tick of its timer with the socket that listens, and does what it
// returns. It keeps whether the period is a search's (a search request was
// the last to leave), so the end of a search is told only after one.
struct ListeningActions {
    OperationTickEvent shown{OperationTickEvent::NoOperation, {}};  // what the tick shows
    bool queryModules = false;   // send the LAN-module query now
    bool closeSockets = false;   // the sockets close (before the tick is shown)
    bool timerOff = false;       // the operation timer stops (after the tick is shown)
    bool listeningEnded = false; // then the end of the listening period is told
    bool searchEnded = false;    // and after it the end of the search
};

class ListeningPeriod {
public:
    // `tick`: the operation's count, which others read and may set again.
    explicit ListeningPeriod(int16_t& tick) : tick_(tick) {}

    // A period begins: the count at 1 (the caller turns the timer on).
    void Begin() { tick_ = 1; }
    // A request left: a search request makes the period a search's, a
    // request for a device makes it not.
    void Requested(bool search) { searching_ = search; }
    // The timer ticked; `queryModules`: the module query goes on the ninth
    // tick (the window's road).
    ListeningActions Tick(Listening listening, bool queryModules);
    // The operation could not start: no count, the timer off, no end told.
    void Stop();
    // The session shuts: no end is told; the count stays as it stands.
    void Shut() { searching_ = false; }

    bool Searching() const { return searching_; }

private:
    int16_t& tick_;
    bool searching_ = false;
};

}  // namespace cobalin
