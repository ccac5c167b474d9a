#include "platform/EventLoop.h"
#include "platform/ManualClock.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

using plat::EventLoop;

namespace {

constexpr uint64_t kMs = 1000;

class EventLoopTest : public ::testing::Test {
protected:
    uint64_t Now() { return clock->NowMicroseconds(); }

    plat::ScopedManualClock clock{1000 * kMs};
    EventLoop loop;
    uint64_t start = 1000 * kMs;
};

// An event source that records how long the loop asked it to wait and can hand out events.
class FakeSource : public plat::EventSource {
public:
    uint32_t Pump(uint64_t deadline) override
    {
        deadlines.push_back(deadline);
        uint32_t handled = 0;
        for (auto& event : pending) {
            event();
            ++handled;
        }
        pending.clear();
        if (!handled)
            plat::GetClock().SleepUntil(deadline);
        return handled;
    }
    std::vector<uint64_t> deadlines;
    std::vector<std::function<void()>> pending;
};

TEST_F(EventLoopTest, HandlesPostedEventsInOrderAndDefersThosePostedByAHandler)
{
    std::string order;
    loop.Post([&] {
        order += "a";
        loop.Post([&] { order += "c"; });
    });
    loop.Post([&] { order += "b"; });
    loop.RunOnce(0);
    EXPECT_EQ(order, "ab");
    loop.RunOnce(0);
    EXPECT_EQ(order, "abc");
}

TEST_F(EventLoopTest, RepeatingTimerFiresOnAbsoluteDeadlines)
{
    std::vector<uint64_t> fired;
    loop.AddTimer(0, 10 * kMs, [&] { fired.push_back(Now() - start); });
    // Delay 0: the first turn fires it.
    loop.RunOnce(0);
    // Each wait ends exactly on the next deadline.
    for (int i = 0; i < 3; ++i)
        loop.RunOnce(EventLoop::kWaitForever);
    EXPECT_EQ(fired, (std::vector<uint64_t>{0, 10 * kMs, 20 * kMs, 30 * kMs}));
}

TEST_F(EventLoopTest, LateTimerKeepsItsCadenceAndNeverCatchesUp)
{
    std::vector<uint64_t> fired;
    loop.AddTimer(10 * kMs, 10 * kMs, [&] { fired.push_back(Now() - start); });
    // A little late: the next deadline stays on the grid (20, not 23).
    clock->Advance(13 * kMs);
    loop.RunOnce(0);
    loop.RunOnce(EventLoop::kWaitForever);
    // Far behind (three ticks missed): one firing now, then the grid restarts from now.
    clock->Advance(45 * kMs);
    loop.RunOnce(0);
    loop.RunOnce(EventLoop::kWaitForever);
    loop.RunOnce(EventLoop::kWaitForever);
    EXPECT_EQ(fired, (std::vector<uint64_t>{13 * kMs, 20 * kMs, 65 * kMs, 65 * kMs, 75 * kMs}));
}

TEST_F(EventLoopTest, TimersFireInsideNestedLoops)
{
    int ticks = 0;
    uint32_t deepest = 0;
    loop.AddTimer(0, 10 * kMs, [&] {
        ++ticks;
        deepest = std::max(deepest, loop.GetDepth());
    });
    loop.RunOnce(0);
    int ticksInside = 0;
    loop.Post([&] {
        // A modal wait of 35 ms that turns the loop itself.
        uint64_t until = Now() + 35 * kMs;
        int before = ticks;
        while (Now() < until)
            loop.RunOnce(int64_t(until - Now()));
        ticksInside = ticks - before;
    });
    loop.RunOnce(0);
    EXPECT_EQ(ticksInside, 3);
    EXPECT_EQ(deepest, 2u);
    EXPECT_EQ(loop.GetDepth(), 0u);
}

TEST_F(EventLoopTest, TimerThatRunsANestedLoopIsReenteredOnlyWhenItAllows)
{
    // The loop fires a timer inside its own nested loop; a callback guards itself with a flag.
    int entered = 0, skipped = 0;
    bool busy = false;
    loop.AddTimer(0, 10 * kMs, [&] {
        if (busy) {
            ++skipped;
            return;
        }
        busy = true;
        ++entered;
        if (entered == 1) {
            uint64_t until = Now() + 25 * kMs;
            while (Now() < until)
                loop.RunOnce(int64_t(until - Now()));
        }
        busy = false;
    });
    loop.RunOnce(0);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(skipped, 2);
    loop.RunOnce(EventLoop::kWaitForever);
    EXPECT_EQ(entered, 2);
}

TEST_F(EventLoopTest, TimersRemovedDuringARoundDoNotFire)
{
    int first = 0, second = 0;
    uint32_t secondId = 0;
    uint32_t firstId = loop.AddTimer(0, 10 * kMs, [&] {
        ++first;
        loop.RemoveTimer(secondId);
    });
    secondId = loop.AddTimer(0, 10 * kMs, [&] { ++second; });
    loop.RunOnce(0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    loop.RemoveTimer(firstId);
    EXPECT_EQ(loop.GetTimerCount(), 0u);
}

TEST_F(EventLoopTest, OneShotTimerFiresOnce)
{
    int fired = 0;
    loop.AddTimer(5 * kMs, 0, [&] { ++fired; });
    for (int i = 0; i < 4; ++i)
        loop.RunOnce(20 * kMs);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(loop.GetTimerCount(), 0u);
}

TEST_F(EventLoopTest, RunOnceWithTimeoutZeroNeverWaits)
{
    loop.AddTimer(50 * kMs, 50 * kMs, [] {});
    loop.RunOnce(0);
    EXPECT_EQ(Now(), start);
    // A finite timeout waits no longer than asked, even with no timer due before it.
    loop.RunOnce(7 * kMs);
    EXPECT_EQ(Now(), start + 7 * kMs);
}

TEST_F(EventLoopTest, RunTurnsUntilQuitAndAQuitOutsideRunIsIgnored)
{
    int ticks = 0;
    loop.AddTimer(0, 10 * kMs, [&] {
        if (++ticks % 5 == 0)
            loop.Quit();
    });
    loop.Run();
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(Now(), start + 40 * kMs);
    EXPECT_FALSE(loop.IsQuitRequested());

    // A stale quit would end the next run before it started.
    loop.Quit();
    EXPECT_FALSE(loop.IsQuitRequested());
    loop.Run();
    EXPECT_EQ(ticks, 10);
}

TEST_F(EventLoopTest, SourceWaitsUntilTheNextTimerAndItsEventsAreHandled)
{
    FakeSource source;
    loop.SetEventSource(&source);
    int ticks = 0;
    loop.AddTimer(30 * kMs, 10 * kMs, [&] { ++ticks; });
    loop.RunOnce(EventLoop::kWaitForever);
    ASSERT_EQ(source.deadlines.size(), 1u);
    EXPECT_EQ(source.deadlines[0], start + 30 * kMs);
    EXPECT_EQ(ticks, 1);

    bool delivered = false;
    source.pending.push_back([&] { delivered = true; });
    loop.RunOnce(EventLoop::kWaitForever);
    EXPECT_TRUE(delivered);
    // Something was pending: the turn did not wait for the timer.
    EXPECT_EQ(Now(), start + 30 * kMs);

    // While a timer keeps firing, the source is still asked (without waiting) every turn.
    loop.Post([] {});
    loop.RunOnce(EventLoop::kWaitForever);
    EXPECT_EQ(source.deadlines.back(), Now());
}

} // namespace
