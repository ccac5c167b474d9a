// Values a widget data block hands to drawing arithmetic are brought into range when the block is
// read: a damaged or hand-edited file must give an error or a clamped value, never an overflow.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// Opacities combine as ((opacity + 1) x alpha) >> 8 and are meaningful only within 0-255.
inline int32_t ClampBlockOpacity(int32_t opacity) { return std::clamp(opacity, 0, 255); }

// Gradient centres (fractions of a side) and angles (turns) far outside what any layout uses are
// pulled back in; neither value is of use when it is not a number.
inline constexpr float kMaxBlockCentre = 64.0f;
inline constexpr float kMaxBlockTurns = 1024.0f;

// False for a value that is not finite; otherwise clamps it to -limit..limit.
inline bool ClampBlockFloat(float& value, float limit)
{
    if (!std::isfinite(value))
        return false;
    value = std::clamp(value, -limit, limit);
    return true;
}
