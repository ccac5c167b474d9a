#include "app/CTimeTrack.h"

#include "app/AnimationCurve.h"

CTimeTrack::CTimeTrack(float start, float end, float durationMilliseconds, float stepCount, int32_t trackMode,
                       bool isRunning)
    : startValue(start), endValue(end), duration(durationMilliseconds), steps(stepCount), mode(trackMode),
      running(0)
{
    if (isRunning) {
        timer.Reset();
        running = 1;
    }
}

float CTimeTrack::GetValue()
{
    float elapsed = float(timer.GetElapsedMilliseconds());
    if (curve == 2 && mode == eOnce)
        elapsed = elapsed * 0.8f;
    float range = endValue - startValue;
    if (range == 0.0f)
        return endValue;

    float t = 0.0f;
    bool reverse = false;
    // A zero duration has no fraction to compute: a single pass is over at once, a repeating one
    // stays at its start.
    const bool timed = duration > 0.0f;
    switch (mode) {
    case eOnce:
        t = timed ? elapsed / duration : 1.0f;
        if (t >= 0.9999f) {
            running = 0;
            return endValue;
        }
        break;
    case eLoop:
        if (timed) {
            float x = elapsed / duration;
            t = x - float(TruncateToInt(x));
        }
        break;
    case ePingPong:
        if (timed) {
            float x = elapsed * 0.5f / duration;
            float f = x - float(TruncateToInt(x));
            if (f > 0.5f) {
                t = (f - 0.5f) * -2.0f + 1.0f;
                reverse = true;
            } else {
                t = f + f;
            }
        }
        break;
    default:
        break;
    }
    if (steps > 0.0f)
        t = float(TruncateToInt(t * steps)) / steps;
    if (reverse)
        t = 1.0f - t;
    t = ApplyAnimationCurve(curve, t, curveParameter);
    if (reverse)
        t = 1.0f - t;
    float v = t * range + startValue;
    if (mode == eOnce && curve != 2) {
        if ((range > 0.0f && v >= endValue) || (range < 0.0f && endValue >= v)) {
            running = 0;
            return endValue;
        }
    }
    return v;
}
