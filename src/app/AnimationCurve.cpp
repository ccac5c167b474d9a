#include "app/AnimationCurve.h"

#include "core/EaseOvershoot.h"

#include <cmath>

float ApplyAnimationCurve(int32_t curve, float t, float p)
{
    switch (curve) {
    case 1:
        return t * t * (3.0f - 2.0f * t);
    case 2:
        return EaseOvershoot(t, p);
    case 3:
        return t / ((1.0f / p - 2.0f) * (1.0f - t) + 1.0f);
    case 4: {
        float k = 1.0f / p - 2.0f;
        if (t < 0.5f)
            return t / (k * (1.0f - 2.0f * t) + 1.0f);
        return (k * (1.0f - 2.0f * t) - t) / (k * (1.0f - 2.0f * t) - 1.0f);
    }
    default:
        return t;
    }
}

int32_t TruncateToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0f)
        return INT32_MAX;
    if (value <= -2147483648.0f)
        return INT32_MIN;
    return int32_t(value);
}
