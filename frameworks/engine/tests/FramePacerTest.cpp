// Frame pacing of the run loop, on a simulated performance counter.
#include "platform/FramePacer.h"

#include <gtest/gtest.h>

#include <cstdint>

using cocos2d::FramePacer;

namespace {

constexpr int64_t kFreq = 10000000;  // 10 MHz, wine's counter
constexpr int64_t kFrame = kFreq / 60;  // 1/60 s
constexpr int64_t kMs = kFreq / 1000;

// The run loop against a clock whose sleeps end `lateTicks` after the time
// asked for; counts frames and loop turns over one simulated second.
struct LoopRun {
    int frames = 0;
    int turns = 0;
};
LoopRun simulateSecond(int64_t lateTicks) {
    FramePacer pacer(kFreq);
    LoopRun run;
    // Bounded: a pacer that asks for 0 ms waits would never advance the clock.
    for (int64_t now = 0; now < kFreq && run.turns < 10000;) {
        ++run.turns;
        if (pacer.takeFrame(now, kFrame)) {
            ++run.frames;
            continue;
        }
        const uint32_t wait = pacer.waitMs(now, kFrame);
        now += wait * kMs + lateTicks;
    }
    return run;
}

}  // namespace

TEST(FramePacer, WaitsRoundUpSoTheLoopNeverSpinsBeforeAFrame) {
    FramePacer pacer(kFreq);
    ASSERT_TRUE(pacer.takeFrame(0, kFrame));  // the first frame at once
    struct Case {
        int64_t now;
        uint32_t waitMs;
    };
    const Case cases[] = {
        {0, 17},                            // 16.67 ms to go
        {kFrame - 10 * kMs - kMs / 2, 11},  // 10.5 ms to go
        {kFrame - kMs / 10, 1},             // a tenth of a millisecond: still a real wait
        {kFrame - 1, 1},
        {kFrame, 0},                        // due
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pacer.waitMs(c.now, kFrame), c.waitMs) << "at tick " << c.now;
        EXPECT_EQ(pacer.takeFrame(c.now, kFrame), c.waitMs == 0) << "at tick " << c.now;
    }
}

TEST(FramePacer, KeepsSixtyFramesASecondWithoutSpinning) {
    // Sleeps that end exactly, a little late, or nearly a millisecond late:
    // the rate holds and each frame costs one sleep, not a busy wait.
    for (int64_t late : {int64_t(0), kMs / 10, kMs * 9 / 10}) {
        const LoopRun run = simulateSecond(late);
        EXPECT_GE(run.frames, 59) << "late by " << late << " ticks";
        EXPECT_LE(run.frames, 61) << "late by " << late << " ticks";
        EXPECT_LE(run.turns, 2 * run.frames + 1) << "late by " << late << " ticks";
    }
}

TEST(FramePacer, AStallRestartsTheGridInsteadOfCatchingUp) {
    FramePacer pacer(kFreq);
    ASSERT_TRUE(pacer.takeFrame(0, kFrame));
    const int64_t afterStall = 10 * kFrame + 3 * kMs;
    EXPECT_TRUE(pacer.takeFrame(afterStall, kFrame));
    EXPECT_FALSE(pacer.takeFrame(afterStall + 1, kFrame));  // no burst of missed frames
    EXPECT_EQ(pacer.waitMs(afterStall, kFrame), 17u);
}

TEST(FramePacer, AClockSteppingBackCostsAtMostOneInterval) {
    // A counter that steps back (a virtual machine restored, a bad processor
    // clock) must not hold the frames for as long as it stepped.
    for (int64_t back : {int64_t(1), kMs, kFrame, 10 * kFreq}) {
        FramePacer pacer(kFreq);
        const int64_t start = 600 * kFrame + 5 * kFreq;
        ASSERT_TRUE(pacer.takeFrame(start, kFrame));
        const int64_t now = start - back;
        const bool drawn = pacer.takeFrame(now, kFrame);
        if (!drawn) {
            EXPECT_LE(pacer.waitMs(now, kFrame), 17u) << "stepped back by " << back << " ticks";
        }
        EXPECT_TRUE(drawn || pacer.takeFrame(now + kFrame, kFrame)) << "stepped back by " << back << " ticks";
    }
}

TEST(FramePacer, IntervalChangesCountFromTheLastFrameAndZeroMeansEveryTurn) {
    FramePacer pacer(kFreq);
    ASSERT_TRUE(pacer.takeFrame(0, kFreq));  // one frame a second
    EXPECT_FALSE(pacer.takeFrame(10 * kMs, kFreq));
    EXPECT_TRUE(pacer.takeFrame(20 * kMs, kFrame));  // the game asked for 60 a second
    EXPECT_TRUE(pacer.takeFrame(20 * kMs, 0));
    EXPECT_TRUE(pacer.takeFrame(20 * kMs, 0));
    EXPECT_EQ(pacer.waitMs(20 * kMs, 0), 0u);
}
