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

// A listening period run tick by tick to its end, as the session's timer
// drives it: which tick sent the module query, what the last tick asked, and
// whether the end of a search was told.
struct Period {
    std::vector<int16_t> shown;
    int16_t queriedAt = 0;
    ListeningActions last;
    int ends = 0;  // ticks that asked for anything of the end
};

Period RunPeriod(ListeningPeriod& period, Listening listening, bool queryModules) {
    Period p;
    for (int n = 0; n < 40; ++n) {
        const ListeningActions a = period.Tick(listening, queryModules);
        if (a.shown.kind != OperationTickEvent::Counting) break;
        p.shown.push_back(a.shown.shown);
        if (a.queryModules) p.queriedAt = a.shown.shown;
        p.ends += a.closeSockets || a.timerOff || a.listeningEnded || a.searchEnded;
        p.last = a;
    }
    return p;
}

TEST(ListeningPeriod, RunsNineteenTicksAndTellsTheEndOfASearchOnlyAfterASearchRequest) {
    const struct Case {
        const char* name;
        std::vector<bool> requests;  // each request that left, true for a search
        Listening listening;
        bool queryModules;
        int16_t queriedAt;
        bool searchEnded;
        const char* done;
    } cases[] = {
        {"a search from the window", {true}, Listening::Search, true, kModuleQueryTick, true, "Searching...Done"},
        {"a search from the command line", {true}, Listening::Search, false, 0, true, "Searching...Done"},
        {"a request for a device", {false}, Listening::Other, true, kModuleQueryTick, false, "Sending...Done"},
        {"a search, then a request for a device", {true, false}, Listening::Other, true, kModuleQueryTick, false,
         "Sending...Done"},
        {"a search asked on another port", {true}, Listening::Other, true, kModuleQueryTick, true, "Sending...Done"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int16_t tick = kNoOperation;
        ListeningPeriod period(tick);
        period.Begin();
        EXPECT_EQ(tick, 1);
        for (bool search : c.requests) period.Requested(search);
        const Period p = RunPeriod(period, c.listening, c.queryModules);
        ASSERT_EQ(p.shown.size(), 19u);
        EXPECT_EQ(p.shown.front(), 1);
        EXPECT_EQ(p.queriedAt, c.queriedAt);
        EXPECT_EQ(p.ends, 1) << "only the last tick ends anything";
        EXPECT_TRUE(p.last.closeSockets && p.last.timerOff && p.last.listeningEnded);
        EXPECT_EQ(p.last.searchEnded, c.searchEnded);
        EXPECT_EQ(p.last.shown.DoneText(), c.done);
        EXPECT_EQ(tick, kNoOperation);
        EXPECT_FALSE(period.Searching()) << "a period's end is told once";
    }
}

TEST(ListeningPeriod, NothingEndsOutsideAPeriod) {
    int16_t tick = kNoOperation;
    ListeningPeriod period(tick);
    // Nothing open: "Ready", the count as it stands.
    period.Begin();
    period.Requested(true);
    ListeningActions a = period.Tick(Listening::None, true);
    EXPECT_EQ(a.shown.kind, OperationTickEvent::NothingOpen);
    EXPECT_EQ(tick, 1);
    EXPECT_FALSE(a.queryModules || a.closeSockets || a.timerOff || a.listeningEnded || a.searchEnded);
    // A search that could not start: no count, and no end is told after.
    period.Stop();
    EXPECT_EQ(tick, kNoOperation);
    a = period.Tick(Listening::Search, true);
    EXPECT_EQ(a.shown.kind, OperationTickEvent::NoOperation);
    EXPECT_FALSE(a.listeningEnded || a.searchEnded);
    // A session that shuts mid-search tells no end of it when a period runs again.
    period.Begin();
    period.Requested(true);
    period.Shut();
    EXPECT_FALSE(RunPeriod(period, Listening::Search, true).last.searchEnded);
}

}  // namespace
}  // namespace cobalin
