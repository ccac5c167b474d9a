#include "widgets/CRegion.h"

#include <algorithm>

int32_t SubtractRect(const gCRect& a, const gCRect& b, gCRect out[4])
{
    const gCRect inter = a.Intersect(b);
    if (inter.IsEmpty()) {
        out[0] = a;
        return 1;
    }
    if (inter == a)
        return 0;
    // Differences in 64 bits: rectangles far apart on the plane must not wrap.
    int64_t t = int64_t(b.top) - a.top;
    int64_t d = int64_t(a.bottom) - b.bottom;
    if (t < 1)
        t = 0;
    if (d < 1)
        d = 0;
    int32_t top = a.top + int32_t(t);
    int32_t bottom = a.bottom - int32_t(d);
    int32_t count = 0;
    if (t >= 1)
        out[count++] = gCRect{a.left, a.top, a.right, b.top};
    if (d >= 1)
        out[count++] = gCRect{a.left, b.bottom, a.right, a.bottom};
    if (int64_t(b.left) - a.left >= 1)
        out[count++] = gCRect{a.left, top, b.left, bottom};
    if (int64_t(a.right) - b.right >= 1)
        out[count++] = gCRect{b.right, top, a.right, bottom};
    return count;
}

void CRegion::Clear()
{
    mBounds = gCRect{};
    mRects.RemoveAll();
}

// Grows the list's storage to hold `extra` more rectangles, so that the changes that follow cannot
// fail halfway and lose area.
static eResultCode ReserveMore(gCArray<gCRect>& rects, int32_t extra)
{
    int32_t size = rects.GetSize();
    if (extra <= 0 || size + extra <= rects.GetCapacity())
        return eSuccess;
    PNU_TRY(rects.SetSize(size + extra));
    (void)rects.SetSize(size);
    return eSuccess;
}

eResultCode CRegion::AddRect(const gCRect& rectIn)
{
    // A copy: the rectangle may be one of this region's own, which the passes below move.
    const gCRect rect = rectIn;
    if (rect.IsEmpty())
        return eSuccess;
    if (IsEmpty()) {
        PNU_TRY(mRects.Add(rect));
        mBounds = rect;
        return eSuccess;
    }
    for (const gCRect& stored : mRects) {
        if (RectInside(rect, stored))
            return eSuccess;
    }

    // The pieces of rect that no stored rectangle covers. Stored rectangles inside rect are about
    // to go, so they do not cut it; one that does not overlap leaves a piece as it is.
    gCArray<gCRect> work;
    PNU_TRY(work.Add(rect));
    int32_t inside = 0;
    for (int32_t s = 0; s < mRects.GetSize() && work.GetSize() > 0; ++s) {
        const gCRect stored = mRects[s];
        if (RectInside(stored, rect)) {
            ++inside;
            continue;
        }
        int32_t count = work.GetSize();
        for (int32_t p = 0; p < count;) {
            if (RectInside(work[p], stored)) {
                work.RemoveAt(p);
                --count;
                continue;
            }
            gCRect pieces[4];
            int32_t n = ::SubtractRect(work[p], stored, pieces);
            // n is at least 1 here: a piece inside the stored rectangle was handled above.
            work[p] = pieces[0];
            for (int32_t k = 1; k < n; ++k)
                PNU_TRY(work.Add(pieces[k]));
            ++p;
        }
    }
    if (inside == 0 && work.GetSize() == 0)
        return eSuccess;
    // Nothing is changed until the list can take every piece.
    PNU_TRY(ReserveMore(mRects, work.GetSize() - inside));
    mBounds.left = std::min(mBounds.left, rect.left);
    mBounds.top = std::min(mBounds.top, rect.top);
    mBounds.right = std::max(mBounds.right, rect.right);
    mBounds.bottom = std::max(mBounds.bottom, rect.bottom);
    for (int32_t i = 0; i < mRects.GetSize();) {
        if (RectInside(mRects[i], rect))
            mRects.RemoveAt(i);
        else
            ++i;
    }
    return mRects.Append(work);
}

bool CRegion::RemoveInside(const gCRect& rect, bool* removed)
{
    bool overlap = false;
    for (int32_t i = 0; i < mRects.GetSize();) {
        if (RectInside(mRects[i], rect)) {
            mRects.RemoveAt(i);
            *removed = true;
            continue;
        }
        if (!overlap)
            overlap = RectsOverlap(mRects[i], rect);
        ++i;
    }
    return overlap;
}

eResultCode CRegion::SplitAround(const gCRect& rect)
{
    int32_t count = mRects.GetSize();
    int32_t extra = 0;
    for (int32_t i = 0; i < count; ++i) {
        gCRect pieces[4];
        extra += ::SubtractRect(mRects[i], rect, pieces) - 1;
    }
    // Every piece must fit before any rectangle is cut, or area would be lost on the way.
    PNU_TRY(ReserveMore(mRects, extra));
    for (int32_t i = 0; i < count; ++i) {
        gCRect pieces[4];
        int32_t n = ::SubtractRect(mRects[i], rect, pieces);
        // Stored rectangles inside rect were removed beforehand, so n >= 1.
        mRects[i] = pieces[0];
        for (int32_t k = 1; k < n; ++k)
            PNU_TRY(mRects.Add(pieces[k]));
    }
    return eSuccess;
}

eResultCode CRegion::SubtractRect(const gCRect& rectIn)
{
    const gCRect rect = rectIn;
    if (rect.IsEmpty() || IsEmpty() || mRects.GetSize() == 0)
        return eSuccess;
    bool removed = false;
    bool overlap = RemoveInside(rect, &removed);
    if (!overlap || mRects.GetSize() == 0) {
        if (removed || mRects.GetSize() == 0)
            RecomputeRegionBounds();
        return eSuccess;
    }
    PNU_TRY(SplitAround(rect));
    RecomputeRegionBounds();
    return eSuccess;
}

eResultCode CRegion::AddRegion(const CRegion& other)
{
    for (int32_t i = 0; i < other.mRects.GetSize(); ++i)
        PNU_TRY(AddRect(other.mRects[i]));
    return eSuccess;
}

eResultCode CRegion::SubtractRegion(const CRegion& other)
{
    if (&other == this) {
        Clear();
        return eSuccess;
    }
    for (int32_t j = 0; j < other.mRects.GetSize() && mRects.GetSize() > 0; ++j) {
        const gCRect rect = other.mRects[j];
        bool removed = false;
        if (RemoveInside(rect, &removed))
            PNU_TRY(SplitAround(rect));
    }
    RecomputeRegionBounds();
    return eSuccess;
}

eResultCode CRegion::SetRectMinusRegion(const CRegion& other, const gCRect& rect)
{
    if (&other == this) {
        // The other region is about to be cleared: take its area first.
        CRegion copy;
        PNU_TRY(copy.AddRegion(other));
        return SetRectMinusRegion(copy, rect);
    }
    Clear();
    if (rect.IsEmpty())
        return eSuccess;
    PNU_TRY(mRects.Add(rect));
    mBounds = rect;
    return SubtractRegion(other);
}

int32_t CRegion::ClipToRect(const gCRect& clip)
{
    if (clip.IsEmpty() || IsEmpty())
        return 0;
    if (mRects.GetSize() == 0) {
        RecomputeRegionBounds();
        return 0;
    }
    for (int32_t i = 0; i < mRects.GetSize();) {
        gCRect& stored = mRects[i];
        if (!RectInside(stored, clip)) {
            const gCRect inter = stored.Intersect(clip);
            if (inter.IsEmpty()) {
                mRects.RemoveAt(i);
                continue;
            }
            stored = inter;
        }
        ++i;
    }
    RecomputeRegionBounds();
    return mRects.GetSize() > 0 ? 1 : 0;
}

void CRegion::Offset(const gCPoint& offset)
{
    if (mRects.GetSize() == 0)
        return;
    mBounds += offset;
    for (gCRect& rect : mRects)
        rect += offset;
}

eResultCode CRegion::CopyRects(gCArray<gCRect>& out) const
{
    PNU_TRY(out.SetSize(mRects.GetSize()));
    for (int32_t i = 0; i < mRects.GetSize(); ++i)
        out[i] = mRects[i];
    return eSuccess;
}

void CRegion::RecomputeRegionBounds()
{
    if (mRects.GetSize() == 0) {
        mBounds = gCRect{};
        return;
    }
    mBounds = mRects[0];
    for (int32_t i = 1; i < mRects.GetSize(); ++i) {
        const gCRect& rect = mRects[i];
        mBounds.left = std::min(mBounds.left, rect.left);
        mBounds.top = std::min(mBounds.top, rect.top);
        mBounds.right = std::max(mBounds.right, rect.right);
        mBounds.bottom = std::max(mBounds.bottom, rect.bottom);
    }
}
