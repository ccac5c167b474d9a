// Integer rectangle; left == right or top == bottom is empty.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetFromPoints.
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

    // The part both cover, or an all-zero rectangle when they share nothing. Rectangles are
    // half-open: two that only touch share nothing.
    gCRect Intersect(const gCRect& other) const
    {
        gCRect part{left > other.left ? left : other.left, top > other.top ? top : other.top,
                    right < other.right ? right : other.right, bottom < other.bottom ? bottom : other.bottom};
        if (part.left >= part.right || part.top >= part.bottom)
            return gCRect();
        return part;
    }
    // Half-open: the right and bottom edges lie outside.
    bool Contains(const gCPoint& point) const
    {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    // Every edge inside, as a pointer hit counts the rectangle's border.
    bool ContainsWithEdges(const gCPoint& point) const
    {
        return point.x >= left && point.x <= right && point.y >= top && point.y <= bottom;
    }
};

inline gCRect operator-(const gCRect& rect, const gCPoint& offset)
{
    gCRect result = rect;
    result -= offset;
    return result;
}
