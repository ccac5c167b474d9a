#include "app/CTimeStep.h"

#include "app/AnimationCurve.h"

#include <cmath>

CTimeStep::CTimeStep(float start, float target, float intervalMilliseconds, float stepSize, bool isRunning)
    : interval(intervalMilliseconds), step(stepSize), currentValue(start), targetValue(target),
      running(isRunning ? 1 : 0), startValue(start)
{
    if (isRunning)
        timer.Reset();
}

float CTimeStep::GetValue()
{
    if (currentValue == targetValue) {
        running = 0;
        return currentValue;
    }
    // No interval means every step is due at once (and no division by zero).
    if (!(interval > 0.0f)) {
        running = 0;
        currentValue = targetValue;
        return targetValue;
    }
    float elapsed = float(timer.GetElapsedMilliseconds());
    if (curve == 2)
        elapsed = elapsed * 0.8f;
    float s = targetValue > currentValue ? std::fabs(step) : -std::fabs(step);
    float x = float(TruncateToInt(elapsed / interval)) * s + startValue;
    currentValue = x;
    bool reached = (s >= 0.0f || std::isnan(s)) ? x >= targetValue : targetValue >= x;
    if (reached) {
        running = 0;
        currentValue = targetValue;
        return targetValue;
    }
    float range = targetValue - startValue;
    float t = (x - startValue) / range;
    return ApplyAnimationCurve(curve, t, curveParameter) * range + startValue;
}
