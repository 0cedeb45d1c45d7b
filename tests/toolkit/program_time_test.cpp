#include "toolkit/program_time.h"

#include <QElapsedTimer>
#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>

using namespace cobalin;

TEST(WaitSeconds, KeepsHandlingEventsAndSleeps) {
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpu0 = std::clock();
    WaitSeconds(0.3);
    const double cpuSeconds = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    EXPECT_GE(wall.elapsed(), 290 * TimeScale());
    EXPECT_GT(ticks, 3) << "events are handled during the wait";
    EXPECT_LT(cpuSeconds, 0.15) << "the wait sleeps instead of spinning";
}

TEST(WaitSeconds, ZeroOrNegativeReturnsAtOnce) {
    QElapsedTimer wall;
    wall.start();
    WaitSeconds(0);
    WaitSeconds(-5);
    EXPECT_LT(wall.elapsed(), 50);
}

TEST(WaitUntil, EndsWhenTheConditionHolds) {
    bool flag = false;
    QTimer::singleShot(20, [&] { flag = true; });
    EXPECT_TRUE(WaitUntil([&] { return flag; }, 10));
    EXPECT_FALSE(WaitUntil([] { return false; }, 0.05));
}
