#include "core/operation_ticks.h"

#include <gtest/gtest.h>

#include "core/app_state.h"

namespace cobalin {
namespace {

// A whole listening period, tick by tick, as the timer's handler sees it.
TEST(OperationTimerTick, ASearchCountsNineteenTicksQueriesTheModulesOnTheNinthAndEnds) {
    int16_t tick = 1;
    std::vector<int16_t> shown;
    int16_t queriedAt = 0;
    OperationTickEvent last{};
    for (int n = 0; n < 40 && tick != kNoOperation; ++n) {
        last = OperationTimerTick(tick, Listening::Search);
        ASSERT_EQ(last.kind, OperationTickEvent::Counting);
        EXPECT_EQ(last.word, "Searching...");
        shown.push_back(last.shown);
        if (last.step == TickStep::QueryModules) queriedAt = last.shown;
    }
    EXPECT_EQ(shown.size(), 19u);
    EXPECT_EQ(shown.front(), 1);
    EXPECT_EQ(queriedAt, kModuleQueryTick);
    EXPECT_EQ(last.step, TickStep::Finished);
    EXPECT_EQ(last.DoneText(), "Searching...Done");
    EXPECT_EQ(tick, kNoOperation);
}

TEST(OperationTimerTick, WhatATickDoesOutsideACount) {
    struct Case {
        int16_t tick;
        Listening listening;
        OperationTickEvent::Kind kind;
        std::string word;
        int16_t after;
    } cases[] = {
        {5, Listening::None, OperationTickEvent::NothingOpen, "", 5},
        {kNoOperation, Listening::Search, OperationTickEvent::NoOperation, "", kNoOperation},
        {3, Listening::Other, OperationTickEvent::Counting, "Sending...", 4},
        {25, Listening::Other, OperationTickEvent::Counting, "Sending...", kNoOperation},
    };
    for (const Case& c : cases) {
        int16_t tick = c.tick;
        const OperationTickEvent e = OperationTimerTick(tick, c.listening);
        EXPECT_EQ(e.kind, c.kind) << c.tick;
        EXPECT_EQ(e.word, c.word) << c.tick;
        EXPECT_EQ(tick, c.after) << c.tick;
    }
}

}  // namespace
}  // namespace cobalin
