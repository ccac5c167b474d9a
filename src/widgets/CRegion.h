// An area of the widget plane as a flat list of disjoint, non-empty rectangles plus their bounding
// box. Dirty areas and effect coverage are small, so the list is never merged or sorted: every
// operation is a linear pass and its order is the order the operations leave behind.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCBaseObject.h"
#include "core/gCPoint.h"
#include "core/gCRect.h"

// a minus b as at most four disjoint pieces, in the order top, bottom, left, right. Returns the
// number written; 0 (nothing written) when b covers a, 1 with a itself when they do not overlap.
int32_t SubtractRect(const gCRect& a, const gCRect& b, gCRect out[4]);

// True when inner lies inside outer (edges may coincide).
inline bool RectInside(const gCRect& inner, const gCRect& outer)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

// Half-open overlap: rectangles that only share an edge do not overlap.
inline bool RectsOverlap(const gCRect& a, const gCRect& b)
{
    int32_t left = a.left > b.left ? a.left : b.left;
    int32_t right = a.right < b.right ? a.right : b.right;
    int32_t top = a.top > b.top ? a.top : b.top;
    int32_t bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    return left < right && top < bottom;
}

class CRegion : public gCBaseObject {
public:
    CRegion() = default;
    ~CRegion() override = default;
    CRegion(const CRegion&) = delete;
    CRegion& operator=(const CRegion&) = delete;

    void Clear();
    [[nodiscard]] eResultCode AddRect(const gCRect& rect);
    [[nodiscard]] eResultCode SubtractRect(const gCRect& rect);
    [[nodiscard]] eResultCode AddRegion(const CRegion& other);
    [[nodiscard]] eResultCode SubtractRegion(const CRegion& other);
    [[nodiscard]] eResultCode SetRectMinusRegion(const CRegion& other, const gCRect& rect);
    // 1 when any rectangle remains; callers clear a region whose clip gave 0.
    int32_t ClipToRect(const gCRect& clip);
    void Offset(const gCPoint& offset);
    [[nodiscard]] eResultCode CopyRects(gCArray<gCRect>& out) const;
    void RecomputeRegionBounds();

    const gCRect& GetBounds() const { return mBounds; }
    int32_t GetCount() const { return mRects.GetSize(); }
    const gCRect& GetRect(int32_t index) const { return mRects[index]; }
    // Empty for the early tests: the bounding box has no area.
    bool IsEmpty() const { return mBounds.IsEmpty(); }

private:
    // Removes every stored rectangle that lies inside rect; true when a remaining one overlaps it.
    bool RemoveInside(const gCRect& rect, bool* removed);
    // Splits every stored rectangle around rect, the pieces after the first appended at the end.
    eResultCode SplitAround(const gCRect& rect);

    gCRect mBounds;
    gCArray<gCRect> mRects;
};

// Intersects rect with clip in place; false (rect unchanged) when nothing is left.
inline bool ClipRect(gCRect& rect, const gCRect& clip)
{
    const gCRect r = rect.Intersect(clip);
    if (r.IsEmpty())
        return false;
    rect = r;
    return true;
}
