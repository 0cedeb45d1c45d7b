#include "core/write_sequence.h"

#include <gtest/gtest.h>

#include "core/request_packets.h"

using namespace cobalin;

namespace {

// The requests a sequence sends and the search it ends with, in order, with
// the program seconds waited before each.
struct Sent {
    int16_t command;
    double at;
    bool operator==(const Sent&) const = default;
};
std::vector<Sent> Sends(const std::vector<WriteStep>& steps) {
    std::vector<Sent> out;
    double t = 0;
    for (const WriteStep& s : steps) {
        if (s.kind == WriteStep::Wait) t += s.seconds;
        if (s.kind == WriteStep::Send || s.kind == WriteStep::SearchAgain) out.push_back({s.command, t});
    }
    return out;
}

std::vector<std::string> Texts(const std::vector<WriteStep>& steps) {
    std::vector<std::string> out;
    for (const WriteStep& s : steps)
        if (s.kind == WriteStep::Status) out.push_back(s.text);
    return out;
}

std::vector<std::string> Countdown(const char* word, int from) {
    std::vector<std::string> out;
    for (int i = from; i >= 0; --i) out.push_back(word + std::to_string(i));
    return out;
}

}  // namespace

TEST(WriteSequence, UpdateClearsWritesResetsThenCountsDownAndSearches) {
    const auto steps = UpdateSteps(false);
    EXPECT_EQ(Sends(steps), (std::vector<Sent>{{ClearConfigBuffer, 0}, {WriteConfig, 0.5}, {ResetDevice, 0.5}, {SearchNetwork, 11.5}}));
    EXPECT_DOUBLE_EQ(WaitedSeconds(steps), 11.5);
    auto texts = std::vector<std::string>{"Sending command..."};
    for (const auto& t : Countdown("Restarting...", 10)) texts.push_back(t);
    EXPECT_EQ(Texts(steps), texts);
    // Each request starts the operation's count again with its timer running.
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].kind != WriteStep::Send || steps[i].command == ClearConfigBuffer) continue;
        ASSERT_GE(i, 2u);
        EXPECT_EQ(steps[i - 2].kind, WriteStep::FirstTick) << i;
        EXPECT_EQ(steps[i - 1].kind, WriteStep::TimerOn) << i;
    }
    EXPECT_EQ(steps.front().kind, WriteStep::FirstTick);
}

TEST(WriteSequence, AModuleUpdateSendsOnlyTheModuleRecordWithTheTimerOff) {
    const auto steps = UpdateSteps(true);
    EXPECT_EQ(Sends(steps), (std::vector<Sent>{{UpdateTransfer, 0.5}, {SearchNetwork, 15}}));
    EXPECT_DOUBLE_EQ(WaitedSeconds(steps), 15);
    auto texts = std::vector<std::string>{"Sending command...", "Ready..."};
    for (const auto& t : Countdown("Updating...", 5)) texts.push_back(t);
    for (const auto& t : Countdown("Restarting...", 10)) texts.push_back(t);
    EXPECT_EQ(Texts(steps), texts);
    EXPECT_EQ(steps.front().kind, WriteStep::TimerOff);
    EXPECT_EQ(std::count_if(steps.begin(), steps.end(), [](const WriteStep& s) { return s.kind == WriteStep::TimerOn; }), 0)
        << "the search turns the timer on";
}

TEST(WriteSequence, ResetCountsDownAndSearchesAsAsked) {
    for (int16_t search : {SearchNetwork, SearchAddress}) {
        const auto steps = ResetSteps(search);
        EXPECT_EQ(Sends(steps), (std::vector<Sent>{{ResetDevice, 0}, {search, 11}}));
        EXPECT_EQ(Texts(steps).front(), "Sending command...");
        EXPECT_EQ(Texts(steps).back(), "Restarting...0");
    }
}

namespace {
// A batch's sends as "device:command@seconds", with the program seconds
// waited before each.
std::vector<std::string> Timed(const std::vector<WriteStep>& steps) {
    std::vector<std::string> out;
    double now = 0;
    for (const WriteStep& s : steps) {
        if (s.kind == WriteStep::Wait) now += s.seconds;
        if (s.kind == WriteStep::Send) {
            char line[64];
            std::snprintf(line, sizeof line, "%d:%d@%.2f", s.device, s.command, now);
            out.push_back(line);
        }
    }
    return out;
}
}  // namespace

TEST(BatchUpdateSteps, OneDeviceSendsAndWaitsAsItsOwnUpdate) {
    for (const bool module : {false, true}) {
        const auto batch = BatchUpdateSteps({{7, module}});
        const auto single = UpdateSteps(module);
        EXPECT_DOUBLE_EQ(WaitedSeconds(batch), WaitedSeconds(single)) << module;
        std::vector<int16_t> commands, own;
        for (const WriteStep& s : batch) {
            if (s.kind != WriteStep::Send) continue;
            commands.push_back(s.command);
            EXPECT_EQ(s.device, 7);
        }
        for (const WriteStep& s : single)
            if (s.kind == WriteStep::Send) own.push_back(s.command);
        EXPECT_EQ(commands, own) << module;
        EXPECT_EQ(batch.back().kind, WriteStep::SearchAgain);
    }
}

TEST(BatchUpdateSteps, DevicesArePacedAndEachKeepsItsOwnGaps) {
    const auto batch = BatchUpdateSteps({{1, false}, {2, true}, {3, false}}, 0.25);
    using V = std::vector<std::string>;
    // The clears at 0 and 0.25; the writes and resets from half a second on,
    // the module's transfer among them, a quarter second apart per device.
    EXPECT_EQ(Timed(batch), (V{"1:3@0.00", "3:3@0.25", "1:4@0.50", "1:2@0.50", "2:8@0.75", "3:4@1.00", "3:2@1.00"}));
    // One countdown: the module device needs 14.5 s after its transfer, the
    // longest of the three.
    EXPECT_DOUBLE_EQ(WaitedSeconds(batch), 0.75 + 14.5);
    EXPECT_EQ(batch.back().kind, WriteStep::SearchAgain);
    EXPECT_TRUE(BatchUpdateSteps({}).empty());
}
