// The waits on a machine that may be loaded: no assert bounds the wall time
// from above. A wait lasts at least the program time asked for, handles events
// meanwhile, and sleeps (its thread uses next to no CPU time); a wait of
// nothing does not even enter the event loop.
#include "toolkit/program_time.h"
#include "toolkit/program_clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>
#include <gtest/gtest.h>

using namespace cobalin;

namespace {
// CPU time of the calling thread: other threads and other processes on the
// machine do not count, however busy they are.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Counts how often a wait begins.
struct WaitCounter {
    WaitCounter() { SetWaitObserver({[this] { ++entered; }, [this] { ++left; }}); }
    ~WaitCounter() { SetWaitObserver({}); }
    int entered = 0, left = 0;
};
}  // namespace

TEST(WaitSeconds, HandlesEventsAndSleepsUntilTheDeadline) {
    WaitCounter waits;
    bool posted = false, midway = false;
    int ticks = 0;
    // Timers owned here, so that none outlives the flags it sets.
    QTimer atOnce, halfway;
    for (auto [timer, ms, flag] : {std::tuple{&atOnce, 0, &posted}, std::tuple{&halfway, ScaledMs(150), &midway}}) {
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, [flag = flag] { *flag = true; });
        timer->start(ms);
    }
    QTimer repeating;
    QObject::connect(&repeating, &QTimer::timeout, [&] { ++ticks; });
    repeating.start(ScaledMs(10));
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = ThreadCpuSeconds();
    WaitSeconds(0.5);
    const double cpu = ThreadCpuSeconds() - cpu0;
    const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    repeating.stop();
    EXPECT_GE(wall.elapsed(), ScaledMs(500) - 1) << "never shorter than asked";
    EXPECT_TRUE(posted) << "events waiting at the start are handled";
    EXPECT_TRUE(midway) << "a timer due during the wait fires in it";
    EXPECT_GE(ticks, 1);
    // A spinning wait keeps its thread on a core for as much of the wait as
    // the machine grants it (even two spinners per core get half); a sleeping
    // one only handles the events, a few milliseconds.
    EXPECT_LT(cpu, seconds / 5) << "the wait sleeps instead of spinning";
    EXPECT_EQ(waits.entered, 1);
    EXPECT_EQ(waits.left, 1);
}

TEST(WaitSeconds, NothingToWaitReturnsWithoutEnteringTheEventLoop) {
    WaitCounter waits;
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    for (const double seconds : {0.0, -5.0, -0.001, std::nan("")}) WaitSeconds(seconds);
    EXPECT_FALSE(handled) << "no event was handled: the waits returned at once";
    EXPECT_EQ(waits.entered, 0);
    // The event is still there for the next wait.
    EXPECT_TRUE(WaitUntil([&] { return handled; }, 10));
}

TEST(WaitUntil, EndsWhenTheConditionHolds) {
    bool flag = false;
    QTimer::singleShot(20, [&] { flag = true; });
    EXPECT_TRUE(WaitUntil([&] { return flag; }, 10));
    QElapsedTimer wall;
    wall.start();
    EXPECT_FALSE(WaitUntil([] { return false; }, 0.05));
    EXPECT_GE(wall.elapsed(), ScaledMs(50) - 1) << "a condition that never holds waits the whole time";
    EXPECT_TRUE(WaitUntil([] { return true; }, 0)) << "a condition that holds is true without a wait";
}

// A manual clock moves only when told; the timers it started time out in the
// order of their moments as it passes them, and program-time waits wait on it.
TEST(ManualClock, TimersTimeOutInOrderAsTheClockPassesThem) {
    ManualClock clock;
    std::vector<std::string> fired;
    QTimer once, every, stopped;
    once.setSingleShot(true);
    stopped.setSingleShot(true);
    for (auto [timer, name] : {std::pair{&once, "once"}, std::pair{&every, "every"}, std::pair{&stopped, "stopped"}})
        QObject::connect(timer, &QTimer::timeout, [&fired, name = name] { fired.push_back(name); });
    clock.Start(once, 375);
    clock.Start(every, 125);
    clock.Start(stopped, 50);
    stopped.stop();
    EXPECT_TRUE(once.isActive() && every.isActive()) << "started timers report themselves active";
    EXPECT_EQ(clock.Pending(), 2);
    clock.Advance(0.25);
    EXPECT_EQ(fired, (std::vector<std::string>{"every", "every"}));
    EXPECT_DOUBLE_EQ(clock.Now(), 0.25);
    clock.Advance(0.125);
    EXPECT_EQ(fired, (std::vector<std::string>{"every", "every", "once", "every"})) << "the earlier started first";
    EXPECT_FALSE(once.isActive()) << "a single-shot timer stops when it times out";
    // Started again, a timer's moment moves.
    clock.Start(once, 125);
    every.stop();
    clock.Advance(0.0625);
    EXPECT_EQ(fired.size(), 4u);
    clock.Advance(0.0625);
    EXPECT_EQ(fired.back(), "once");
    EXPECT_EQ(clock.Pending(), 0);
}

TEST(ManualClock, WaitsOnProgramTimeEndWithTheClockWhereTheyEnded) {
    ManualClock clock;
    WaitCounter waits;
    bool done = false;
    ProgramWait wait;
    wait.Start(2, [&] { done = true; });
    EXPECT_TRUE(WaitUntil([&] { return done; }, 5));
    EXPECT_DOUBLE_EQ(clock.Now(), 2) << "the clock stops where the condition held";
    EXPECT_FALSE(WaitUntil([] { return false; }, 1));
    EXPECT_DOUBLE_EQ(clock.Now(), 3);
    WaitSeconds(0.5);
    EXPECT_DOUBLE_EQ(clock.Now(), 3.5);
    EXPECT_EQ(waits.entered, 4) << "the program wait and the three waits";
    EXPECT_EQ(waits.left, 4);
    {
        ManualClock inner;
        EXPECT_EQ(&CurrentClock(), &inner);
    }
    EXPECT_EQ(&CurrentClock(), &clock) << "the clock before comes back";
}
