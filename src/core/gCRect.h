// Integer rectangle; left == right or top == bottom is empty.
#pragma once

#include "core/gCPoint.h"

struct gCRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    void Set(int32_t newLeft, int32_t newTop, int32_t newRight, int32_t newBottom)
    {
        left = newLeft; top = newTop; right = newRight; bottom = newBottom;
    }
    void SetFromPoints(const gCPoint& topLeft, const gCPoint& bottomRight)
    {
        Set(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    }
    gCRect& operator+=(const gCPoint& offset)
    {
        left += offset.x; right += offset.x; top += offset.y; bottom += offset.y;
        return *this;
    }
    gCRect& operator-=(const gCPoint& offset)
    {
        left -= offset.x; right -= offset.x; top -= offset.y; bottom -= offset.y;
        return *this;
    }
    bool operator==(const gCRect& other) const = default;
    gCPoint GetSize() const { return {right - left, bottom - top}; }
    bool IsEmpty() const { return left == right || top == bottom; }
};

inline gCRect operator-(const gCRect& rect, const gCPoint& offset)
{
    gCRect result = rect;
    result -= offset;
    return result;
}
