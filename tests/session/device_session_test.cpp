// The device session on its own: who owns the found devices, and write
// sequences carried out from the event loop, one at a time, ending when the
// session shuts.
#include "session/device_session.h"

#include <gtest/gtest.h>

#include "core/request_packets.h"
#include "toolkit/program_clock.h"
#include "toolkit/program_time.h"
#include "writable_store.h"

namespace cobalin {
namespace {

TEST(DeviceSession, OwnsTheFoundDevicesWhileItLives) {
    AppState state(".");
    DeviceStore* idle = Writable(state.Devices);
    {
        DeviceSession first(state);
        DeviceStore* own = Writable(state.Devices);
        EXPECT_NE(own, idle);
        {
            DeviceSession second(state);  // a new main window's session takes over
            EXPECT_NE(Writable(state.Devices), own);
        }
        EXPECT_EQ(Writable(state.Devices), idle) << "the newer session was the one shown";
    }
    EXPECT_EQ(Writable(state.Devices), idle);
}

// Steps told to the window, in order, as "status:TEXT" or "search".
struct Recorder {
    std::vector<std::string> told;
    bool done = false;
    DeviceSession::Sequence Sequence(std::vector<WriteStep> steps) {
        return {std::move(steps), "127.0.0.1", 1,
                [this](const WriteStep& s) {
                    told.push_back(s.kind == WriteStep::Status ? "status:" + s.text : s.kind == WriteStep::SearchAgain ? "search" : "other");
                },
                [this] { done = true; }};
    }
};

TEST(DeviceSession, ASequenceRunsFromTheEventLoopOneAtATime) {
    ManualClock clock;
    AppState state(".");
    DeviceSession session(state);
    Recorder r;
    const std::vector<WriteStep> steps = {{WriteStep::Status, "a"}, {WriteStep::Wait, {}, -1, 0.2},
                                          {WriteStep::Status, "b"}, {WriteStep::SearchAgain, {}, SearchNetwork}};
    ASSERT_TRUE(session.RunSequence(r.Sequence(steps)));
    // The handler that started it has returned; the wait is still ahead.
    EXPECT_EQ(r.told, std::vector<std::string>{"status:a"});
    EXPECT_TRUE(session.SequenceRuns());
    Recorder other;
    EXPECT_FALSE(session.RunSequence(other.Sequence(steps))) << "one sequence at a time";
    clock.Advance(0.19);
    EXPECT_EQ(r.told, std::vector<std::string>{"status:a"}) << "the wait is not over";
    clock.Advance(0.02);
    EXPECT_TRUE(r.done);
    EXPECT_EQ(r.told, (std::vector<std::string>{"status:a", "status:b", "search"}));
    EXPECT_FALSE(session.SequenceRuns());
    EXPECT_TRUE(other.told.empty());
}

TEST(DeviceSession, ShuttingEndsAWaitingSequenceWithNothingMore) {
    ManualClock clock;
    AppState state(".");
    DeviceSession session(state);
    Recorder r;
    ASSERT_TRUE(session.RunSequence(r.Sequence({{WriteStep::Wait, {}, -1, 0.2}, {WriteStep::Status, "late"}})));
    session.Shut();
    clock.Advance(0.5);
    EXPECT_TRUE(r.told.empty());
    EXPECT_FALSE(r.done);
    EXPECT_FALSE(session.SequenceRuns());
}

TEST(DeviceSession, ADeviceLeftOutLetsTheSequenceGoOn) {
    ManualClock clock;
    AppState state(".");
    DeviceSession session(state);
    Recorder r;
    DeviceSession::Sequence sequence =
        r.Sequence({{WriteStep::Send, {}, ClearConfigBuffer, 0, 1}, {WriteStep::Wait, {}, -1, 0.05},
                    {WriteStep::Send, {}, ClearConfigBuffer, 0, 2}, {WriteStep::Send, {}, WriteConfig, 0, 1},
                    {WriteStep::Send, {}, WriteConfig, 0, 2}, {WriteStep::Status, "end"}});
    // Device 2 is not started once device 1 has been; device 1 goes on.
    int asked = 0;
    sequence.stopStarting = [&] { return ++asked > 1; };
    ASSERT_TRUE(session.RunSequence(std::move(sequence)));
    ASSERT_TRUE(WaitUntil([&] { return r.done; }, 10));
    EXPECT_EQ(asked, 4) << "asked before the start, after the wait and before each later request";
    EXPECT_EQ(session.SequenceStarted(), std::set<int16_t>{1});
    EXPECT_EQ(r.told, std::vector<std::string>{"status:end"});
    EXPECT_FALSE(session.SequenceAbandoned()) << "what is left out is no abandonment";
}

// A stop ends the run as soon as its last request was due: at once when it
// comes after it, else once it is; the end is told once either way, and a
// step that ends its own run from inside is taken no further.
TEST(DeviceSession, AStoppedSequenceEndsOnceItsLastRequestWasDue) {
    const std::vector<WriteStep> steps = {{WriteStep::Status, "a"},        {WriteStep::Wait, {}, -1, 0.05},
                                          {WriteStep::Send, {}, ClearConfigBuffer, 0, 1},
                                          {WriteStep::Wait, {}, -1, 0.05}, {WriteStep::Status, "late"}};
    ManualClock clock;
    for (const bool afterTheLastRequest : {false, true}) {
        SCOPED_TRACE(afterTheLastRequest ? "after the last request" : "before the last request");
        AppState state(".");
        DeviceSession session(state);
        Recorder r;
        int ends = 0;
        DeviceSession::Sequence sequence = r.Sequence(steps);
        sequence.done = [&] { ++ends; };
        ASSERT_TRUE(session.RunSequence(std::move(sequence)));
        if (afterTheLastRequest) {
            ASSERT_TRUE(WaitUntil([&] { return session.SequenceStarted().count(1) > 0; }, 10));
        }
        session.StopSequence();
        EXPECT_EQ(session.SequenceRuns(), !afterTheLastRequest) << "a stop after the last request ends at once";
        ASSERT_TRUE(WaitUntil([&] { return !session.SequenceRuns(); }, 10));
        clock.Advance(0.2);
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(r.told, std::vector<std::string>{"status:a"}) << "what waits after the last request is skipped";
        EXPECT_EQ(session.SequenceStarted(), std::set<int16_t>{1});
    }
    // A step that stops its own run: nothing after it is taken, the end told once.
    AppState state(".");
    DeviceSession session(state);
    std::vector<std::string> told;
    int ends = 0;
    DeviceSession::Sequence sequence{{{WriteStep::Status, "stop"}, {WriteStep::Status, "after"}},
                                     "127.0.0.1",
                                     1,
                                     [&](const WriteStep& s) {
                                         told.push_back(s.text);
                                         if (s.text == "stop") session.StopSequence();
                                     },
                                     [&] { ++ends; }};
    ASSERT_TRUE(session.RunSequence(std::move(sequence)));
    clock.Advance(0.1);
    EXPECT_EQ(told, std::vector<std::string>{"stop"});
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(session.SequenceRuns());
}

}  // namespace
}  // namespace cobalin
