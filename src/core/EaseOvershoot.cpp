#include "core/EaseOvershoot.h"

namespace {

float Smoothstep(float x) { return x * x * (3.0f - 2.0f * x); }

} // namespace

float EaseOvershoot(float t, float k)
{
    float peak = 1.0f + 0.1f * k;
    float dip = 1.0f - 0.05f * k;
    if (t < 0.8f)
        return Smoothstep(t / 0.8f) * peak;
    // The divisors are the widths of the two later pieces as single-precision differences
    // (0.92f - 0.8f and 1.0f - 0.92f), not the decimal 0.12 and 0.08.
    if (t < 0.92f)
        return peak + (dip - peak) * Smoothstep((t - 0.8f) / 0.120000005f);
    // Also reached by a t that is not a number.
    return dip + (1.0f - dip) * Smoothstep((t - 0.92f) / 0.07999998f);
}
