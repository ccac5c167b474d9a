// The shapes the animators give their fraction: 1 smoothstep, 2 overshoot, 3 bias, 4 gain; any
// other curve leaves it linear. All in 32-bit floats.
#pragma once

#include <cstdint>

float ApplyAnimationCurve(int32_t curve, float t, float parameter);

// Float to 32-bit integer towards zero; values outside the range (and NaN) are pinned, so that a
// huge elapsed time cannot make the conversion undefined.
int32_t TruncateToInt(float value);
