#include "classlib/base/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(Event, AutomaticResetLetsOneWaitThrough)
{
    TEvent event(false);
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
    event.SetEvent();
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
    EXPECT_EQ(event.WaitFor(10), TWaitResult::wrTimeout);
}

TEST(Event, ManualResetStaysSignalledUntilReset)
{
    TEvent event(true, true);
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
    EXPECT_EQ(event.WaitFor(INFINITE), TWaitResult::wrSignaled);
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(10), TWaitResult::wrTimeout);
}

TEST(Event, ResetClearsAnAutomaticEventBeforeAnyWait)
{
    TEvent event(false, true);
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
}

TEST(Event, SetFromAnotherThreadWakesAnUnlimitedWait)
{
    TEvent event(false);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        event.SetEvent();
    });
    EXPECT_EQ(event.WaitFor(INFINITE), TWaitResult::wrSignaled);
    setter.join();
}

TEST(Event, AutomaticResetReleasesOneWaiterPerSignalManualReleasesAll)
{
    for (const bool manual : {false, true}) {
        TEvent event(manual);
        std::atomic<int> through{0};
        std::thread a([&] { event.WaitFor(); through++; });
        std::thread b([&] { event.WaitFor(); through++; });
        event.SetEvent();
        // A manual event lets the second waiter through however late it is scheduled; an automatic one must
        // still hold it back after a while.
        const int expected = manual ? 2 : 1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (through < expected && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(through, expected) << "manual " << manual;
        event.SetEvent();
        a.join();
        b.join();
        EXPECT_EQ(through, 2);
    }
}
