// Threads that nobody joins, started by the thousand beside threads that are
// joined, as the update's download workers and the HTTP transfers start
// beside the unpacking thread. With a plain std::thread::detach() this
// toolchain's thread library lets a thread that ended before its detach free
// its record while still using it: a later thread then starts without its
// argument (a crash) or cannot be joined (ESRCH).
#include "base/DetachedThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

TEST(DetachedThread, ThousandsBesideJoinedThreadsAllRunAndEveryJoinSucceeds) {
    constexpr int kDrivers = 8;
    constexpr int kRounds = 400;
    constexpr int kDetachedPerRound = 4;
    constexpr int kExpected = kDrivers * kRounds * (1 + kDetachedPerRound);
    // Static: the detached threads may outlive a failed test. The bodies are
    // as short as a thread can be, so that many end before their detach.
    static std::atomic<int> ran{0};
    ran = 0;
    std::atomic<int> failedJoins{0};

    std::vector<std::thread> drivers;
    for (int d = 0; d < kDrivers; ++d) {
        drivers.emplace_back([&failedJoins] {
            for (int round = 0; round < kRounds; ++round) {
                std::thread joined([] { ++ran; });
                for (int k = 0; k < kDetachedPerRound; ++k) cocos2d::startDetachedThread([] { ++ran; });
                try {
                    joined.join();
                } catch (const std::system_error&) {
                    ++failedJoins;
                    try {
                        joined.detach();
                    } catch (const std::system_error&) {
                        // Its record is gone: nothing is left to let go of.
                    }
                }
            }
        });
    }
    for (std::thread& driver : drivers) driver.join();

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ran.load() < kExpected && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(failedJoins.load(), 0);
    EXPECT_EQ(ran.load(), kExpected) << "every thread ran its body once";
}

TEST(DetachedThread, AMoveOnlyBodyRunsOnAnotherThread) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto where = std::make_shared<std::thread::id>();
    auto owned = std::make_unique<int>(7);
    cocos2d::startDetachedThread([done, where, owned = std::move(owned)] {
        *where = std::this_thread::get_id();
        if (*owned == 7) done->store(true);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done->load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(done->load());
    EXPECT_NE(*where, std::this_thread::get_id());
}
