// Scheduler semantics: timer clock, callbacks that change the schedule, the
// cross-thread queue.
#include "base/CCScheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using cocos2d::Scheduler;

namespace {

int targetA;
int targetB;
void* const kTargetA = &targetA;
void* const kTargetB = &targetB;

// Dyadic time steps only, so float sums are exact.
struct TimerCase {
    const char* name;
    float interval;
    unsigned int repeat;
    float delay;
    std::vector<float> ticks;
    std::vector<float> expectedFiredDts;
};

class TimerClock : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerClock, FiresWithTheExpectedDtsAndStops) {
    const TimerCase& c = GetParam();
    Scheduler scheduler;
    std::vector<float> fired;
    scheduler.schedule([&](float dt) { fired.push_back(dt); }, kTargetA, c.interval, c.repeat, c.delay, false, "t");
    for (float dt : c.ticks) scheduler.update(dt);
    EXPECT_EQ(fired, c.expectedFiredDts);
    const bool ranOut = c.repeat != CC_REPEAT_FOREVER && fired.size() == c.repeat + 1;
    EXPECT_EQ(scheduler.isScheduled("t", kTargetA), !ranOut);
}

const TimerCase kTimerCases[] = {
    // The first visit only starts the clock; its dt is thrown away.
    {"OnceFiresOnTheSecondTick", 0.0f, 0, 0.0f, {0.5f, 0.25f, 0.25f}, {0.25f}},
    {"IntervalZeroFiresEvenWithZeroDt", 0.0f, 0, 0.0f, {0.0f, 0.0f}, {0.0f}},
    {"RepeatTwoRunsThreeTimes", 0.0f, 2, 0.0f, {0.5f, 0.125f, 0.25f, 0.5f, 1.0f}, {0.125f, 0.25f, 0.5f}},
    {"ForeverKeepsFiring", 0.0f, CC_REPEAT_FOREVER, 0.0f, {0.5f, 0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}},
    // Delay: fires with dt = delay, once enough time has accumulated after the first visit.
    {"DelayOnceAfterTwoSeconds", 0.0f, 0, 2.0f, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, {2.0f}},
    {"DelayThenInterval", 0.5f, 2, 1.0f, {0.25f, 1.0f, 0.5f, 0.5f, 0.5f}, {1.0f, 0.5f, 0.5f}},
    // One long frame fires an interval timer several times, leftovers carry over.
    {"IntervalCatchUp", 0.25f, CC_REPEAT_FOREVER, 0.0f, {1.0f, 0.625f, 0.125f}, {0.25f, 0.25f, 0.25f}},
    {"CatchUpStopsAtRepeatCount", 0.25f, 1, 0.0f, {0.0f, 1.0f, 1.0f}, {0.25f, 0.25f}},
};

INSTANTIATE_TEST_SUITE_P(Cases, TimerClock, ::testing::ValuesIn(kTimerCases),
                         [](const ::testing::TestParamInfo<TimerCase>& info) { return std::string(info.param.name); });

TEST(Scheduler, ForeverOverloadRepeatsWithoutDelay) {
    Scheduler scheduler;
    int runs = 0;
    scheduler.schedule([&](float) { ++runs; }, kTargetA, 0.0f, false, "t");
    for (int i = 0; i < 5; ++i) scheduler.update(1.0f);
    EXPECT_EQ(runs, 4);
    EXPECT_TRUE(scheduler.isScheduled("t", kTargetA));
}

TEST(Scheduler, UnscheduleSelfInsideCallbackStopsEvenDuringCatchUp) {
    Scheduler scheduler;
    int runs = 0;
    scheduler.schedule(
        [&](float) {
            ++runs;
            scheduler.unschedule("self", kTargetA);
        },
        kTargetA, 0.25f, false, "self");
    scheduler.update(0.0f);
    scheduler.update(1.0f); // four intervals due, but it removed itself at the first
    scheduler.update(1.0f);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(scheduler.isScheduled("self", kTargetA));
}

TEST(Scheduler, UnscheduleOtherTimersInsideCallback) {
    Scheduler scheduler;
    std::vector<std::string> order;
    scheduler.schedule(
        [&](float) {
            order.push_back("first");
            scheduler.unschedule("second", kTargetA);
            scheduler.unscheduleAllForTarget(kTargetB);
        },
        kTargetA, 0.0f, 0, 0.0f, false, "first");
    scheduler.schedule([&](float) { order.push_back("second"); }, kTargetA, 0.0f, false, "second");
    scheduler.schedule([&](float) { order.push_back("b"); }, kTargetB, 0.0f, false, "b");
    scheduler.update(0.0f);
    scheduler.update(0.5f);
    scheduler.update(0.5f);
    EXPECT_EQ(order, std::vector<std::string>{"first"});
    EXPECT_FALSE(scheduler.isScheduled("second", kTargetA));
    EXPECT_FALSE(scheduler.isScheduled("b", kTargetB));
}

TEST(Scheduler, TimerScheduledInsideCallbackFirstFiresOnTheNextTick) {
    Scheduler scheduler;
    std::vector<std::string> order;
    int tick = 0;
    scheduler.schedule(
        [&](float) {
            order.push_back("outer@" + std::to_string(tick));
            // Same target (visited later in this tick) and a new target.
            scheduler.schedule([&](float) { order.push_back("sameTarget@" + std::to_string(tick)); }, kTargetA, 0.0f,
                               0, 0.0f, false, "inner");
            scheduler.schedule([&](float) { order.push_back("newTarget@" + std::to_string(tick)); }, kTargetB, 0.0f,
                               0, 0.0f, false, "inner");
        },
        kTargetA, 0.0f, 0, 0.0f, false, "outer");
    for (tick = 0; tick < 4; ++tick) scheduler.update(0.5f);
    EXPECT_EQ(order, (std::vector<std::string>{"outer@1", "sameTarget@2", "newTarget@2"}));
}

TEST(Scheduler, RescheduleOnlyUpdatesTheInterval) {
    Scheduler scheduler;
    std::vector<std::string> calls;
    scheduler.schedule([&](float dt) { calls.push_back("old"); }, kTargetA, 1.0f, false, "t");
    scheduler.update(0.0f);
    scheduler.update(0.5f); // elapsed 0.5 of 1.0
    scheduler.schedule([&](float dt) { calls.push_back("new"); }, kTargetA, 0.25f, 0, 5.0f, false, "t");
    scheduler.update(0.5f); // elapsed 1.0: four intervals of the updated 0.25, no delay, same callback
    EXPECT_EQ(calls, (std::vector<std::string>{"old", "old", "old", "old"}));
    scheduler.unschedule("t", kTargetA);
    EXPECT_FALSE(scheduler.isScheduled("t", kTargetA)); // one timer, not two
}

TEST(Scheduler, PausedTargetNeitherFiresNorAdvances) {
    Scheduler scheduler;
    int a = 0, b = 0;
    scheduler.schedule([&](float) { ++a; }, kTargetA, 1.0f, false, "a");
    scheduler.schedule([&](float) { ++b; }, kTargetB, 0.0f, true, "b");
    EXPECT_TRUE(scheduler.isTargetPaused(kTargetB));
    scheduler.update(0.0f);
    scheduler.pauseTarget(kTargetA);
    EXPECT_TRUE(scheduler.isTargetPaused(kTargetA));
    for (int i = 0; i < 4; ++i) scheduler.update(0.5f);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    scheduler.resumeTarget(kTargetA);
    scheduler.resumeTarget(kTargetB);
    scheduler.update(0.5f); // a: 0.5 of 1.0 (paused time did not count); b: first visit
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    scheduler.update(0.5f);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
}

TEST(Scheduler, TimersAreKeyedByTargetAndKey) {
    Scheduler scheduler;
    int a = 0, b = 0;
    scheduler.schedule([&](float) { ++a; }, kTargetA, 0.0f, false, "same");
    scheduler.schedule([&](float) { ++b; }, kTargetB, 0.0f, false, "same");
    EXPECT_TRUE(scheduler.isScheduled("same", kTargetA));
    EXPECT_FALSE(scheduler.isScheduled("other", kTargetA));
    scheduler.unschedule("same", kTargetA);
    scheduler.update(0.0f);
    scheduler.update(0.0f);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
}

TEST(Scheduler, RejectsMissingTargetOrKey) {
    Scheduler scheduler;
    int runs = 0;
    scheduler.schedule([&](float) { ++runs; }, nullptr, 0.0f, false, "k");
    scheduler.schedule([&](float) { ++runs; }, kTargetA, 0.0f, false, "");
    scheduler.update(0.0f);
    scheduler.update(0.0f);
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(scheduler.isScheduled("", kTargetA));
}

TEST(SchedulerScriptEntries, EachEntryHasItsOwnPausedState) {
    Scheduler scheduler;
    int pausedFirst = 0, running = 0, pausedLater = 0, keyed = 0;
    const unsigned int a = scheduler.scheduleScriptFunc([&](float) { ++pausedFirst; }, 0.0f, true);
    const unsigned int b = scheduler.scheduleScriptFunc([&](float) { ++running; }, 0.0f, false);
    const unsigned int c = scheduler.scheduleScriptFunc([&](float) { ++pausedLater; }, 0.0f, true);
    // A paused keyed target beside them changes nothing for the entries.
    scheduler.schedule([&](float) { ++keyed; }, kTargetA, 0.0f, true, "t");
    EXPECT_NE(a, 0u);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    for (int i = 0; i < 10; ++i) scheduler.update(0.5f);
    EXPECT_EQ(pausedFirst, 0);
    EXPECT_EQ(running, 9);
    EXPECT_EQ(pausedLater, 0);
    EXPECT_EQ(keyed, 0);
    EXPECT_TRUE(scheduler.isScriptEntryScheduled(a)) << "a paused entry stays scheduled";
    scheduler.unscheduleScriptEntry(a);
    EXPECT_FALSE(scheduler.isScriptEntryScheduled(a));
    scheduler.update(0.5f);
    EXPECT_EQ(running, 10);
}

TEST(SchedulerScriptEntries, RunOnATimersClockAfterTheKeyedTimersAndMayUnscheduleThemselves) {
    Scheduler scheduler;
    std::vector<std::string> order;
    unsigned int self = 0;
    self = scheduler.scheduleScriptFunc(
        [&](float dt) {
            order.push_back("entry " + std::to_string(dt));
            scheduler.unscheduleScriptEntry(self);
        },
        0.0f, false);
    std::vector<float> interval;
    const unsigned int slow = scheduler.scheduleScriptFunc([&](float dt) { interval.push_back(dt); }, 0.25f, false);
    scheduler.schedule([&](float) { order.push_back("keyed"); }, kTargetA, 0.0f, 0, 0.0f, false, "t");
    scheduler.update(1.0f);  // first visit of everything: nothing fires
    EXPECT_TRUE(order.empty());
    scheduler.update(0.5f);
    scheduler.update(0.5f);
    EXPECT_EQ(order, (std::vector<std::string>{"keyed", "entry " + std::to_string(0.5f)}));
    EXPECT_FALSE(scheduler.isScriptEntryScheduled(self));
    EXPECT_EQ(interval, (std::vector<float>{0.25f, 0.25f, 0.25f, 0.25f}));  // catch-up, as a timer
    scheduler.unscheduleAll();
    EXPECT_FALSE(scheduler.isScriptEntryScheduled(slow));
    scheduler.update(1.0f);
    EXPECT_EQ(interval.size(), 4u);
    EXPECT_FALSE(scheduler.isScriptEntryScheduled(0));
}

TEST(SchedulerScriptEntries, AnEntryScheduledInsideATickFirstRunsOnTheNextTick) {
    Scheduler scheduler;
    std::vector<std::string> order;
    int tick = 0;
    scheduler.scheduleScriptFunc(
        [&](float) {
            order.push_back("outer@" + std::to_string(tick));
            if (tick == 1)
                scheduler.scheduleScriptFunc([&](float) { order.push_back("inner@" + std::to_string(tick)); }, 0.0f,
                                             false);
        },
        0.0f, false);
    for (tick = 0; tick < 4; ++tick) scheduler.update(0.5f);
    // The inner entry is appended and reached in the same tick, which only starts its clock.
    EXPECT_EQ(order, (std::vector<std::string>{"outer@1", "outer@2", "inner@2", "outer@3", "inner@3"}));
}

TEST(SchedulerQueue, RunsFifoAfterTheTimersOfTheSameTick) {
    Scheduler scheduler;
    std::vector<std::string> order;
    scheduler.performFunctionInCocosThread([&] { order.push_back("fn1"); });
    scheduler.performFunctionInCocosThread([&] { order.push_back("fn2"); });
    scheduler.schedule(
        [&](float) {
            order.push_back("timer");
            scheduler.performFunctionInCocosThread([&] { order.push_back("fromTimer"); });
        },
        kTargetA, 0.0f, 0, 0.0f, false, "t");
    EXPECT_TRUE(order.empty()); // nothing runs before a tick
    scheduler.update(0.0f);     // timer only starts its clock
    EXPECT_EQ(order, (std::vector<std::string>{"fn1", "fn2"}));
    scheduler.update(0.0f);
    EXPECT_EQ(order, (std::vector<std::string>{"fn1", "fn2", "timer", "fromTimer"}));
}

TEST(SchedulerQueue, FunctionsQueuedWhileTheBatchRunsWaitForTheNextTick) {
    Scheduler scheduler;
    std::vector<int> order;
    scheduler.performFunctionInCocosThread([&] {
        order.push_back(1);
        scheduler.performFunctionInCocosThread([&] { order.push_back(3); });
    });
    scheduler.performFunctionInCocosThread([&] { order.push_back(2); });
    scheduler.update(0.0f);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    scheduler.update(0.0f);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(SchedulerQueue, QueuedFromOtherThreadsKeepsEachThreadsOrder) {
    Scheduler scheduler;
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    std::vector<std::pair<int, int>> ran;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                scheduler.performFunctionInCocosThread([&ran, t, i] { ran.emplace_back(t, i); });
        });
    }
    for (auto& w : workers) w.join();
    scheduler.update(0.0f);
    ASSERT_EQ(ran.size(), static_cast<size_t>(kThreads * kPerThread));
    std::vector<int> next(kThreads, 0);
    for (const auto& r : ran) EXPECT_EQ(r.second, next[r.first]++) << "thread " << r.first;
}

TEST(SchedulerQueue, RunsWithTheQueueUnlocked) {
    // A queued function that waits for a worker which is itself queueing
    // would deadlock if the batch ran under the queue's lock.
    Scheduler scheduler;
    bool workerPosted = false;
    int later = 0;
    scheduler.performFunctionInCocosThread([&] {
        std::thread worker([&] {
            scheduler.performFunctionInCocosThread([&] { ++later; });
            workerPosted = true;
        });
        worker.join();
    });
    scheduler.update(0.0f);
    EXPECT_TRUE(workerPosted);
    EXPECT_EQ(later, 0);
    scheduler.update(0.0f);
    EXPECT_EQ(later, 1);
}

TEST(SchedulerQueue, RemoveAllDropsPendingFunctions) {
    Scheduler scheduler;
    int runs = 0;
    scheduler.performFunctionInCocosThread([&] { ++runs; });
    scheduler.removeAllFunctionsToBePerformedInCocosThread();
    scheduler.update(0.0f);
    EXPECT_EQ(runs, 0);
}

TEST(SchedulerDeathTest, MainThreadMethodsAbortOnAnotherThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            Scheduler scheduler;
            scheduler.update(0.0f); // binds to this thread
            std::thread other([&] { scheduler.schedule([](float) {}, kTargetA, 0.0f, false, "k"); });
            other.join();
        },
        "Scheduler::schedule called off its owner thread");
}

} // namespace
