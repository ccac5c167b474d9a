// The animation easing curve: rises past 1, dips below it, then settles at 1.
#pragma once

// t runs from 0 to 1 and is not clamped; k is the strength of the overshoot (0: a plain
// smoothstep that reaches 1 at t = 0.8).
float EaseOvershoot(float t, float k);
