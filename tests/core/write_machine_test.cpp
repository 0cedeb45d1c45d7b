// The write machine on events alone: what an update, a reset and a batch
// send and when, and what a device gone, a choice lost, a stop and a shut
// leave of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "core/request_packets.h"
#include "core/write_sequence.h"

namespace cobalin {
namespace {

using V = std::vector<std::string>;

// What a run did, as its runner saw it: the sends as "device:command@seconds"
// (program seconds waited before each), every other step in order ("status:
// TEXT", "search", "tick", "on", "off", "hold"), and whether it ended.
struct Trace {
    V sent;
    V shown;
    int waits = 0;
    bool ended = false;
};

std::string Shown(const WriteStep& s) {
    switch (s.kind) {
        case WriteStep::Status: return "status:" + s.text;
        case WriteStep::SearchAgain: return "search";
        case WriteStep::FirstTick: return "tick";
        case WriteStep::TimerOn: return "on";
        case WriteStep::TimerOff: return "off";
        case WriteStep::HoldPanel: return "hold";
        case WriteStep::Send:
        case WriteStep::Wait: break;
    }
    return "?";
}

// How a run's actions end: on a wait, before a request due, or at the end.
enum class Then { Wait, Due, End };

// Does what the actions ask, and says how they end.
Then Take(const WriteActions& a, Trace& t, double& now) {
    for (size_t i = 0; i < a.steps.size(); ++i) {
        const WriteStep& s = a.steps[i];
        if (s.kind == WriteStep::Wait) {
            EXPECT_EQ(i + 1, a.steps.size()) << "a wait ends the actions";
            EXPECT_FALSE(a.ended || a.requestDue);
            now += s.seconds;
            return Then::Wait;
        }
        if (s.kind != WriteStep::Send) {
            t.shown.push_back(Shown(s));
            continue;
        }
        EXPECT_EQ(i, 0u) << "a request is decided first, when it is due";
        EXPECT_GE(s.device, 0) << "a send names its device";
        char line[64];
        std::snprintf(line, sizeof line, "%d:%d@%.2f", s.device, s.command, now);
        t.sent.push_back(line);
    }
    EXPECT_NE(a.ended, a.requestDue) << "actions end on a wait, a request due or the end";
    return a.requestDue ? Then::Due : Then::End;
}

// Runs `m` to its end from the start, with every device of the run held by
// "mac-N" unless `held` says otherwise; `before(n, m)` is told before the
// n-th wait is over (n from 1), and may stop or shut it; `due(t, m)` before
// each request due, with what the run did so far.
Trace RunToEnd(WriteMachine& m, std::function<void(int, WriteMachine&)> before = nullptr,
               std::map<int16_t, std::string> held = {},
               std::function<void(const Trace&, WriteMachine&)> due = nullptr) {
    if (held.empty())
        for (int16_t d : m.Devices()) held[d] = "mac-" + std::to_string(d);
    Trace t;
    double now = 0;
    Then then = Take(m.Start(held), t, now);
    while (then != Then::End) {
        if (then == Then::Due) {
            if (due) due(t, m);
            then = Take(m.RequestDue(), t, now);
            continue;
        }
        ++t.waits;
        if (before) before(t.waits, m);
        if (m.Ended()) break;  // shut, or stopped with nothing due
        then = Take(m.WaitOver(), t, now);
    }
    t.ended = m.Ended();
    return t;
}

// The non-send, non-wait steps of a step list, as the runner shows them.
V ShownOf(const std::vector<WriteStep>& steps) {
    V out;
    for (const WriteStep& s : steps)
        if (s.kind != WriteStep::Send && s.kind != WriteStep::Wait) out.push_back(Shown(s));
    return out;
}

TEST(WriteMachine, RunsEachSequenceWithItsSendsAtTheirMomentsAndEveryStepShown) {
    const struct Case {
        const char* name;
        std::vector<WriteStep> steps;
        int16_t device;
        V sent;
        std::set<int16_t> started;
    } cases[] = {
        {"update", UpdateSteps(false), 4, {"4:3@0.00", "4:4@0.50", "4:2@0.50"}, {4}},
        {"module update", UpdateSteps(true), 4, {"4:8@0.50"}, {4}},
        {"reset", ResetSteps(SearchAddress), 4, {"4:2@0.00"}, {4}},
        // Three devices paced a quarter second apart, the module's transfer among them.
        {"batch of 3",
         BatchUpdateSteps({{1, false}, {2, true}, {3, false}}, 0.25),
         0,
         {"1:3@0.00", "3:3@0.25", "1:4@0.50", "1:2@0.50", "2:8@0.75", "3:4@1.00", "3:2@1.00"},
         {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteMachine m(c.steps, c.device);
        const Trace t = RunToEnd(m);
        EXPECT_EQ(t.sent, c.sent);
        EXPECT_EQ(t.shown, ShownOf(c.steps));
        EXPECT_EQ(t.shown.back(), "search");
        EXPECT_TRUE(t.ended);
        EXPECT_FALSE(m.Abandoned());
        EXPECT_EQ(m.Started(), c.started);
        EXPECT_TRUE(m.LeftOut().empty());
    }
}

// Three devices without a module, a quarter second apart: the clears at 0,
// 0.25 and 0.5, each device's write and reset from 0.75 on.
std::vector<WriteStep> BatchOfThree() { return BatchUpdateSteps({{1, false}, {2, false}, {3, false}}, 0.25); }
const V kBatchOfThree = {"1:3@0.00", "2:3@0.25", "3:3@0.50", "1:4@0.75", "1:2@0.75",
                         "2:4@1.00", "2:2@1.00", "3:4@1.25", "3:2@1.25"};

TEST(WriteMachine, ABatchOfThreeSendsEachDeviceItsOwnBytesPaced) {
    WriteMachine m(BatchOfThree());
    EXPECT_EQ(m.Devices(), (std::vector<int16_t>{1, 2, 3}));
    const Trace t = RunToEnd(m);
    EXPECT_EQ(t.sent, kBatchOfThree);
    EXPECT_EQ(t.shown, V{"search"});
}

TEST(WriteMachine, ADeviceGoneGetsNoLaterRequestAndTheOthersGoOn) {
    const struct Case {
        const char* name;
        std::function<void(int, WriteMachine&)> before;
        std::map<int16_t, std::string> held;
        V sent;
    } cases[] = {
        {"gone after its clear",
         [](int wait, WriteMachine& m) {
             if (wait == 2) m.DeviceGone(2);
         },
         {},
         {"1:3@0.00", "2:3@0.25", "3:3@0.50", "1:4@0.75", "1:2@0.75", "3:4@1.25", "3:2@1.25"}},
        {"not there at the start",
         nullptr,
         {{1, "mac-1"}, {3, "mac-3"}},
         {"1:3@0.00", "3:3@0.50", "1:4@0.75", "1:2@0.75", "3:4@1.25", "3:2@1.25"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteMachine m(BatchOfThree());
        const Trace t = RunToEnd(m, c.before, c.held);
        EXPECT_EQ(t.sent, c.sent);
        EXPECT_EQ(t.shown, V{"search"});
        EXPECT_FALSE(m.Abandoned()) << "a device gone is no abandonment";
        EXPECT_EQ(m.Identities().count(2), 0u) << "gone for good";
        EXPECT_EQ(m.Identities().at(1), "mac-1");
    }
}

TEST(WriteMachine, AChoiceLostDropsEveryLaterRequestButNoOtherStep) {
    const struct Case {
        const char* name;
        int lostBeforeWait;
        V sent;
        bool abandoned;
    } cases[] = {
        // A step shown before the clear moved the choice: not even the clear goes.
        {"as the clear is due", 0, {}, true},
        // The device is no longer chosen when the write is due.
        {"before the write", 1, {"4:3@0.00"}, true},
        // Every request has gone: the countdown goes on, nothing is dropped.
        {"in the countdown", 3, {"4:3@0.00", "4:4@0.50", "4:2@0.50"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteMachine m(UpdateSteps(false), 4);
        const Trace t = RunToEnd(m, [&](int wait, WriteMachine& machine) {
            if (wait == c.lostBeforeWait) machine.ChoiceLost();
        }, {}, [&](const Trace& so, WriteMachine& machine) {
            // A step shown before the clear (the panel held) moved the choice.
            if (c.lostBeforeWait == 0 && so.sent.empty()) machine.ChoiceLost();
        });
        EXPECT_EQ(t.sent, c.sent);
        EXPECT_EQ(t.shown, ShownOf(UpdateSteps(false))) << "every other step is taken once";
        EXPECT_TRUE(t.ended);
        EXPECT_EQ(m.Abandoned(), c.abandoned);
    }
}

TEST(WriteMachine, StopStartingLeavesOutTheDevicesNotStartedAndFinishesTheOthers) {
    WriteMachine m(BatchOfThree());
    const Trace t = RunToEnd(m, [](int wait, WriteMachine& machine) {
        if (wait == 1) machine.StopStarting();  // after the first device's clear
    });
    EXPECT_EQ(t.sent, (V{"1:3@0.00", "1:4@0.75", "1:2@0.75"}));
    EXPECT_EQ(t.shown, V{"search"});
    EXPECT_EQ(m.Started(), std::set<int16_t>{1});
    EXPECT_EQ(m.LeftOut(), (std::set<int16_t>{2, 3}));
    EXPECT_FALSE(m.Abandoned());
}

TEST(WriteMachine, AStopEndsTheRunOnceItsLastRequestWasDue) {
    const struct Case {
        const char* name;
        std::vector<WriteStep> steps;
        std::function<void(int, WriteMachine&)> before;
        V sent;
        bool endedAtTheStop;  // nothing was due any more
    } cases[] = {
        {"a batch stopped in its first wait sends what is due",
         BatchOfThree(),
         [](int wait, WriteMachine& m) {
             if (wait == 1) m.Stop();
         },
         kBatchOfThree,
         false},
        {"a second stop after the first stopped starting",
         BatchOfThree(),
         [](int wait, WriteMachine& m) {
             if (wait == 1) m.StopStarting();
             if (wait == 2) m.Stop();
         },
         {"1:3@0.00", "1:4@0.75", "1:2@0.75"},
         false},
        {"an update stopped in its countdown",
         UpdateSteps(false),
         [](int wait, WriteMachine& m) {
             if (wait == 3) {
                EXPECT_TRUE(m.Stop().ended);
            }
         },
         {"4:3@0.00", "4:4@0.50", "4:2@0.50"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteMachine m(c.steps, 4);
        const Trace t = RunToEnd(m, c.before);
        EXPECT_EQ(t.sent, c.sent);
        EXPECT_TRUE(t.ended);
        EXPECT_TRUE(std::find(t.shown.begin(), t.shown.end(), "search") == t.shown.end())
            << "what waits after the last request is skipped";
        if (c.endedAtTheStop) {
            EXPECT_EQ(t.shown.back(), "status:Restarting...9");
        }
    }
    WriteMachine done(ResetSteps(SearchNetwork), 4);
    RunToEnd(done);
    EXPECT_TRUE(done.Stop().ended) << "a run over stays over";
}

TEST(WriteMachine, AShutDuringAWaitSendsNothingMore) {
    WriteMachine m(UpdateSteps(false), 4);
    const Trace t = RunToEnd(m, [](int wait, WriteMachine& machine) {
        if (wait == 1) machine.Shut();
    });
    EXPECT_EQ(t.sent, V{"4:3@0.00"});
    EXPECT_EQ(t.shown, (V{"tick", "on", "status:Sending command...", "hold"}));
    EXPECT_TRUE(m.Ended());
    const WriteActions late = m.WaitOver();
    EXPECT_TRUE(late.steps.empty());
    EXPECT_FALSE(m.Abandoned());
}

}  // namespace
}  // namespace cobalin
