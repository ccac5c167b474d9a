#include "app/AnimationCurve.h"
#include "app/CTimeStep.h"
#include "app/CTimeTrack.h"
#include "app/CTimer.h"
#include "platform/ManualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint64_t kMillisecond = 1000;

// Values at the given milliseconds after construction.
template <typename Animator>
std::vector<float> Sample(plat::ScopedManualClock& clock, Animator& animator, const std::vector<uint64_t>& times)
{
    std::vector<float> values;
    uint64_t start = clock->NowMicroseconds();
    for (uint64_t ms : times) {
        clock->SleepUntil(start + ms * kMillisecond);
        values.push_back(animator.GetValue());
    }
    return values;
}

} // namespace

TEST(AnimationCurves, ShapesAtKnownPoints)
{
    EXPECT_FLOAT_EQ(ApplyAnimationCurve(1, 0.25f, 0.75f), 0.15625f);
    EXPECT_NEAR(ApplyAnimationCurve(3, 0.5f, 0.75f), 0.75f, 1e-6);
    EXPECT_NEAR(ApplyAnimationCurve(4, 0.25f, 0.75f), 0.375f, 1e-6);
    EXPECT_NEAR(ApplyAnimationCurve(4, 0.75f, 0.75f), 0.625f, 1e-6);
    EXPECT_FLOAT_EQ(ApplyAnimationCurve(0, 0.3f, 0.75f), 0.3f);
    EXPECT_EQ(TruncateToInt(1e20f), INT32_MAX);
    EXPECT_EQ(TruncateToInt(-2.7f), -2);
}

TEST(TimeStep, StepsOncePerIntervalUntilTheTarget)
{
    for (float step : {2.0f, -2.0f}) {
        plat::ScopedManualClock clock;
        CTimeStep animator(0.0f, 10.0f, 100.0f, step, true);
        animator.curve = 0;
        EXPECT_EQ(Sample(clock, animator, {0, 99, 100, 250, 300, 499}),
                  (std::vector<float>{0, 0, 2, 4, 6, 8}));
        EXPECT_EQ(animator.running, 1u);
        EXPECT_EQ(Sample(clock, animator, {500}), std::vector<float>{10});
        EXPECT_EQ(animator.running, 0u);
    }
}

TEST(TimeStep, OvershootCurveStepsEvery125Milliseconds)
{
    plat::ScopedManualClock clock;
    CTimeStep animator(0.0f, 10.0f, 100.0f, 2.0f, true);
    animator.curve = 2;
    std::vector<float> values = Sample(clock, animator, {124, 125, 625});
    EXPECT_EQ(values[0], 0.0f);
    EXPECT_NE(values[1], 0.0f);
    EXPECT_EQ(animator.currentValue, 10.0f);
    EXPECT_EQ(values[2], 10.0f);
}

TEST(TimeStep, EndsExactlyOnTheTarget)
{
    plat::ScopedManualClock clock;
    CTimeStep overshoot(0.0f, 5.0f, 100.0f, 2.0f, true);
    EXPECT_EQ(Sample(clock, overshoot, {300}), std::vector<float>{5});
    EXPECT_EQ(overshoot.running, 0u);

    CTimeStep still(3.0f, 3.0f, 100.0f, 2.0f, true);
    EXPECT_EQ(still.GetValue(), 3.0f);
    EXPECT_EQ(still.running, 0u);

    // No interval: every step is due at once, with no division by zero.
    CTimeStep instant(0.0f, 10.0f, 0.0f, 1.0f, true);
    EXPECT_EQ(instant.GetValue(), 10.0f);
    EXPECT_EQ(instant.running, 0u);
}

TEST(TimeStep, KeepsCountingPastSeventyOneMinutes)
{
    // Starts just before the 32-bit microsecond counter would wrap.
    plat::ScopedManualClock clock(0xFFFFFFFFull - 500000);
    CTimeStep animator(0.0f, 1e7f, 1.0f, 1.0f, true);
    animator.curve = 0;
    EXPECT_EQ(Sample(clock, animator, {1000}), std::vector<float>{1000});
    EXPECT_EQ(Sample(clock, animator, {80 * 60 * 1000}), std::vector<float>{4.801e6f});
}

TEST(TimeStep, RetargetingThroughTheFields)
{
    plat::ScopedManualClock clock;
    CTimeStep animator(0.0f, 4.0f, 10.0f, 1.0f, true);
    animator.curve = 0;
    EXPECT_EQ(Sample(clock, animator, {40}), std::vector<float>{4});
    animator.startValue = animator.currentValue;
    animator.targetValue = 0.0f;
    animator.timer.Reset();
    animator.running = 1;
    EXPECT_EQ(Sample(clock, animator, {20, 40}), (std::vector<float>{2, 0}));
}

TEST(TimeTrack, OncePassEndsAtTheEndValue)
{
    plat::ScopedManualClock clock;
    CTimeTrack track(0.0f, 1.0f, 1000.0f, 0.0f, CTimeTrack::eOnce, true);
    track.curve = 0;
    EXPECT_EQ(Sample(clock, track, {500}), std::vector<float>{0.5f});
    EXPECT_EQ(track.running, 1u);
    EXPECT_EQ(Sample(clock, track, {1000}), std::vector<float>{1.0f});
    EXPECT_EQ(track.running, 0u);

    CTimeTrack flat(2.0f, 2.0f, 1000.0f, 0.0f, CTimeTrack::eOnce, true);
    EXPECT_EQ(flat.GetValue(), 2.0f);
}

TEST(TimeTrack, OvershootIsNotClampedUntilTheFractionEnds)
{
    plat::ScopedManualClock clock;
    CTimeTrack track(0.0f, 1.0f, 1000.0f, 0.0f, CTimeTrack::eOnce, true);
    track.curve = 2;
    std::vector<float> values = Sample(clock, track, {1000, 1248});
    EXPECT_EQ(track.running, 1u);
    bool overshoots = values[0] > 1.0f || values[1] > 1.0f || values[0] < 1.0f;
    EXPECT_TRUE(overshoots);
    EXPECT_EQ(Sample(clock, track, {1250}), std::vector<float>{1.0f});
    EXPECT_EQ(track.running, 0u);
}

TEST(TimeTrack, LoopAndPingPong)
{
    plat::ScopedManualClock clock;
    CTimeTrack loop(0.0f, 10.0f, 1000.0f, 0.0f, CTimeTrack::eLoop, true);
    loop.curve = 0;
    EXPECT_EQ(Sample(clock, loop, {250, 1000, 1500}), (std::vector<float>{2.5f, 0.0f, 5.0f}));
    EXPECT_EQ(loop.running, 1u);

    CTimeTrack pingPong(0.0f, 10.0f, 1000.0f, 0.0f, CTimeTrack::ePingPong, true);
    pingPong.curve = 0;
    EXPECT_EQ(Sample(clock, pingPong, {500, 1000, 1500, 2000}), (std::vector<float>{5.0f, 10.0f, 5.0f, 0.0f}));
}

TEST(TimeTrack, StepsQuantiseTheFraction)
{
    plat::ScopedManualClock clock;
    CTimeTrack track(0.0f, 1.0f, 1000.0f, 4.0f, CTimeTrack::eLoop, true);
    track.curve = 0;
    EXPECT_EQ(Sample(clock, track, {0, 249, 250, 600, 999}), (std::vector<float>{0, 0, 0.25f, 0.5f, 0.75f}));
}

TEST(TimeTrack, UnknownModeAndZeroDuration)
{
    plat::ScopedManualClock clock;
    CTimeTrack odd(3.0f, 9.0f, 1000.0f, 0.0f, 7, true);
    EXPECT_EQ(Sample(clock, odd, {0, 500, 5000}), (std::vector<float>{3, 3, 3}));

    CTimeTrack once(0.0f, 1.0f, 0.0f, 0.0f, CTimeTrack::eOnce, true);
    EXPECT_EQ(once.GetValue(), 1.0f);
    EXPECT_EQ(once.running, 0u);
    CTimeTrack loop(0.0f, 1.0f, 0.0f, 0.0f, CTimeTrack::eLoop, true);
    loop.curve = 0;
    EXPECT_EQ(loop.GetValue(), 0.0f);
}
