// The device session on its own: who owns the found devices, and write
// sequences carried out from the event loop, one at a time, ending when the
// session shuts.
#include "session/device_session.h"

#include <gtest/gtest.h>

#include "core/request_packets.h"
#include "toolkit/program_time.h"

namespace cobalin {
namespace {

TEST(DeviceSession, OwnsTheFoundDevicesWhileItLives) {
    AppState state(".");
    DeviceStore* idle = state.Devices;
    {
        DeviceSession first(state);
        DeviceStore* own = state.Devices;
        EXPECT_NE(own, idle);
        {
            DeviceSession second(state);  // a new main window's session takes over
            EXPECT_NE(state.Devices, own);
        }
        EXPECT_EQ(state.Devices, idle) << "the newer session was the one shown";
    }
    EXPECT_EQ(state.Devices, idle);
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
    ASSERT_TRUE(WaitUntil([&] { return r.done; }, 10));
    EXPECT_EQ(r.told, (std::vector<std::string>{"status:a", "status:b", "search"}));
    EXPECT_FALSE(session.SequenceRuns());
    EXPECT_TRUE(other.told.empty());
}

TEST(DeviceSession, ShuttingEndsAWaitingSequenceWithNothingMore) {
    AppState state(".");
    DeviceSession session(state);
    Recorder r;
    ASSERT_TRUE(session.RunSequence(r.Sequence({{WriteStep::Wait, {}, -1, 0.2}, {WriteStep::Status, "late"}})));
    session.Shut();
    WaitSeconds(0.5);
    EXPECT_TRUE(r.told.empty());
    EXPECT_FALSE(r.done);
    EXPECT_FALSE(session.SequenceRuns());
}

TEST(DeviceSession, ADeviceLeftOutLetsTheSequenceGoOn) {
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
    EXPECT_EQ(asked, 2) << "asked before the start and after the wait";
    EXPECT_EQ(session.SequenceStarted(), std::set<int16_t>{1});
    EXPECT_EQ(r.told, std::vector<std::string>{"status:end"});
    EXPECT_FALSE(session.SequenceAbandoned()) << "what is left out is no abandonment";
}

}  // namespace
}  // namespace cobalin
