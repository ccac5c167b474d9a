// Arithmetic the widget effects share: a colour's alpha scaled by an opacity, rounding half away
// from zero in single precision, and the blur margin of a radius.
#pragma once

#include "core/CheckedSize.h"
#include "core/gCRect.h"
#include "imaging/CImage.h"
#include "imaging/CImNav.h"
#include "imaging/CImNavBase.h"

#include <cstdint>

// (A x (op + 1)) >> 8 on the colour's alpha byte, the colour bytes kept.
inline uint32_t ScaleColourAlpha(uint32_t colour, uint32_t alpha)
{
    return (colour & 0x00FFFFFFu) | (uint32_t(uint64_t(colour >> 8) * (alpha + 1u)) & 0xFF000000u);
}

// Values beyond the 32-bit range stop at its ends and not-a-number gives 0: they come from data
// files, and converting them unchecked is undefined.
inline int32_t TruncateSaturated(double r)
{
    if (r != r)
        return 0;
    if (r <= -2147483649.0)
        return INT32_MIN;
    if (r >= 2147483648.0)
        return INT32_MAX;
    return int32_t(r);
}

// The half is added in the value's own precision, then the result is truncated.
inline int32_t RoundHalfAway(float value)
{
    return TruncateSaturated(double(value > 0.0f ? value + 0.5f : value - 0.5f));
}

inline int32_t RoundHalfAway(double value)
{
    return TruncateSaturated(value > 0.0 ? value + 0.5 : value - 0.5);
}

// The margin a blur of this radius needs on every side: 2.2 x radius, truncated.
inline int32_t BlurMargin(float radius)
{
    float g = 2.2f * radius;
    if (!(g > 0.0f))
        return 0;
    return g > 1.0e6f ? 1000000 : int32_t(g);
}

// Work images of blurred shapes, and everything else sized from a widget's declared size, are
// refused beyond this many pixels (4096 x 4096, 64 MB at 32 bits): sizes and radii come from data
// files, no widget needs more, and work of that size still takes seconds.
inline constexpr int64_t kMaxEffectWorkPixels = int64_t(1) << 24;

inline bool WorkImageFits(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && SizesFit({width, height}, kMaxEffectWorkPixels);
}

// Moves a rect by an offset that may come from a file; edges stop at the ends of the range.
inline void ShiftRectClamped(gCRect& rect, int64_t dx, int64_t dy)
{
    auto clamp = [](int64_t v) { return int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
    rect.left = clamp(rect.left + dx);
    rect.right = clamp(rect.right + dx);
    rect.top = clamp(rect.top + dy);
    rect.bottom = clamp(rect.bottom + dy);
}

// The part of a navigator's area in the target's own drawing coordinates (the origin removed).
inline gCRect LockedLocalArea(const CImNavBase& navigator, const CImageBase* image)
{
    gCRect area = navigator.GetArea();
    const gCPoint& origin = image->GetOrigin();
    area.left -= origin.x;
    area.right -= origin.x;
    area.top -= origin.y;
    area.bottom -= origin.y;
    return area;
}

// The frame of an effect's Draw: nothing at alpha 0; else area of the target is locked and
// draw(destination, local) runs, local being the locked part in the target's drawing coordinates.
template <typename Draw>
eResultCode DrawOnTarget(const gCRect& area, CImage* target, uint32_t alpha, Draw draw)
{
    if (alpha == 0)
        return eSuccess;
    CImNav destination(target, &area);
    if (!destination.IsLocked())
        return eNoMemory;
    return draw(destination, LockedLocalArea(destination, target));
}
