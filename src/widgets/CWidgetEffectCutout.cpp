#include "widgets/CWidgetEffectCutout.h"

#include "imaging/Blur.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE8.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CRegion.h"
#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

CWidgetEffectCutout::~CWidgetEffectCutout()
{
    delete mCutoutMask;
    delete mShapeMask;
}

eResultCode CWidgetEffectCutout::Refresh()
{
    if (!SetRectFromOwner())
        return eSuccess;
    if (!WorkImageFits(mRect.right, mRect.bottom))
        return eNoMemory;
    // A plain owner's shape is its whole rect (255 everywhere): that fact is all there is to hold.
    delete mShapeMask;
    mShapeMask = nullptr;
    mWholeRectShape = 1;
    return BuildCutoutMask();
}

eResultCode CWidgetEffectCutout::RefreshWithMask(CImage* shape)
{
    if (!shape || !mOwner || mOwner->GetOpaqueBlit())
        return Refresh();
    if (!SetRectFromOwner())
        return eSuccess;
    if (!mShapeMask) {
        mShapeMask = new CRLE8();
        if (!mShapeMask)
            return eNoMemory;
    }
    // Only the part of the shape the visible pixels read is kept; the owner hands the shape
    // again when more is needed.
    mShapeBounds = gCRect{0, 0, shape->GetWidth(), shape->GetHeight()};
    gCRect needed = ShapeNeeded();
    if (!ClipRect(needed, mShapeBounds))
        needed = gCRect();
    if (needed.IsEmpty()) {
        delete mShapeMask;
        mShapeMask = new CRLE8();
        if (!mShapeMask)
            return eNoMemory;
    } else {
        CImNav part(shape, &needed);
        if (!part.IsLocked())
            return eNoMemory;
        PNU_TRY(mShapeMask->EncodeChannel(part, 1));
    }
    mShapeArea = needed;
    mWholeRectShape = 0;
    return BuildCutoutMask();
}

gCRect CWidgetEffectCutout::ShapeRead(int32_t width, int32_t height)
{
    if (!mOwner || mOwner->GetOpaqueBlit() || !SetRectFromOwner())
        return gCRect();
    gCRect needed = ShapeNeeded();
    if (!ClipRect(needed, gCRect{0, 0, width, height}))
        return gCRect();
    return needed;
}

eResultCode CWidgetEffectCutout::SetOffset(const gCPoint& offset, bool update)
{
    mOffset = offset;
    PNU_TRY(BuildCutoutMask());
    if (mOwner)
        return mOwner->Invalidate(update);
    return eSuccess;
}

// Only what can show is built: a widget declared far larger than its window would otherwise blur
// an image of its whole declared size. The mask is rebuilt when what can show changes.
// The shape positions the visible pixels read: the visible part itself and the work image's
// span, within the owner's rect.
gCRect CWidgetEffectCutout::ShapeNeeded() const
{
    const int32_t w = mRect.right - mRect.left, h = mRect.bottom - mRect.top;
    const gCRect area = VisibleOwnerArea(mRect);
    if (area.IsEmpty() || w <= 0 || h <= 0)
        return gCRect();
    const int64_t reach = 2 * int64_t(BlurMargin(mRadius)) + 2;
    gCRect span{int32_t(std::clamp<int64_t>(int64_t(area.left) - mOffset.x - reach, 0, w)),
                int32_t(std::clamp<int64_t>(int64_t(area.top) - mOffset.y - reach, 0, h)),
                int32_t(std::clamp<int64_t>(int64_t(area.right) - mOffset.x + reach, 0, w)),
                int32_t(std::clamp<int64_t>(int64_t(area.bottom) - mOffset.y + reach, 0, h))};
    if (span.IsEmpty())
        return area;
    return gCRect{std::min(area.left, span.left), std::min(area.top, span.top), std::max(area.right, span.right),
                  std::max(area.bottom, span.bottom)};
}

eResultCode CWidgetEffectCutout::BuildCutoutMask()
{
    if (!mShapeMask && !mWholeRectShape)
        return eSuccess;
    int32_t w = mRect.right - mRect.left, h = mRect.bottom - mRect.top;
    if (w <= 0 || h <= 0)
        return eSuccess;
    // A shaped owner whose kept part no longer covers what is read hands its shape again.
    if (mShapeMask && mOwner && !mRefetching) {
        gCRect needed = ShapeNeeded();
        if (ClipRect(needed, mShapeBounds) && !RectInside(needed, mShapeArea)) {
            mRefetching = 1;
            eResultCode result = mOwner->RefreshEffect(this, false);
            mRefetching = 0;
            return result;
        }
    }
    // Shape value at an owner-local position; 0 outside the part kept.
    auto seekShape = [this](int32_t x, int32_t y) {
        const bool inside = y >= mShapeArea.top && y < mShapeArea.bottom;
        if (inside)
            mShapeMask->Seek(std::max(x - mShapeArea.left, 0), y - mShapeArea.top);
        return inside;
    };
    auto readShape = [this](bool rowInside, int32_t x) -> uint32_t {
        return rowInside && x >= mShapeArea.left && x < mShapeArea.right ? mShapeMask->ReadNext() : 0;
    };
    CRLE8* mask = mCutoutMask ? mCutoutMask : new CRLE8();
    if (!mask)
        return eNoMemory;
    mCutoutMask = mask;
    const gCRect area = VisibleOwnerArea(mRect);
    if (area.IsEmpty()) {
        mMaskArea = gCRect();
        return eSuccess;
    }
    const int32_t g = BlurMargin(mRadius);
    // The work image spans the shape positions the visible pixels sample, with room for the
    // blur's reach, inside the shape grown by g on every side (the whole work image it stands for).
    const int64_t reach = 2 * int64_t(g) + 2;
    const int64_t left = std::max<int64_t>(int64_t(area.left) - mOffset.x - reach, -int64_t(g));
    const int64_t top = std::max<int64_t>(int64_t(area.top) - mOffset.y - reach, -int64_t(g));
    const int64_t right = std::min<int64_t>(int64_t(area.right) - mOffset.x + reach, int64_t(w) + g);
    const int64_t bottom = std::min<int64_t>(int64_t(area.bottom) - mOffset.y + reach, int64_t(h) + g);
    const int32_t aw = area.right - area.left, ah = area.bottom - area.top;
    CImage work;
    const bool sampled = right > left && bottom > top;
    if (sampled) {
        if (!WorkImageFits(right - left, bottom - top))
            return eNoMemory;
        PNU_TRY(work.SetSize(int32_t(right - left), int32_t(bottom - top)));
    }
    CImage8 values;
    PNU_TRY(values.SetSize(aw, ah));
    {
        CImNav8 plain(&values, nullptr);
        if (!plain.IsLocked())
            return eNoMemory;
        for (int32_t y = 0; y < ah; ++y) {
            uint8_t* vrow = plain.Row(y);
            if (!mShapeMask) {
                std::fill(vrow, vrow + aw, uint8_t(255));
                continue;
            }
            const bool inside = seekShape(area.left, area.top + y);
            for (int32_t x = 0; x < aw; ++x)
                vrow[x] = uint8_t(readShape(inside, area.left + x));
        }
    }
    if (sampled) {
        CImNav to(&work, nullptr);
        if (!to.IsLocked())
            return eNoMemory;
        const int32_t y0 = int32_t(std::max<int64_t>(top, 0)), y1 = int32_t(std::min<int64_t>(bottom, h));
        const int32_t x0 = int32_t(std::max<int64_t>(left, 0)), x1 = int32_t(std::min<int64_t>(right, w));
        for (int32_t y = y0; y < y1; ++y) {
            CPixel* wrow = to.Row(int32_t(y - top)) + (x0 - left);
            if (!mShapeMask) {
                std::fill(wrow, wrow + (x1 - x0), 255u * 257u);
                continue;
            }
            const bool inside = seekShape(x0, y);
            for (int32_t x = x0; x < x1; ++x)
                wrow[x - x0] = readShape(inside, x) * 257u;
        }
    }
    if (sampled && BlurImage(&work, mRadius, 0) == 0)
        return eNoMemory;
    {
        CImNav8 plain(&values, nullptr);
        CImNav from(sampled ? &work : nullptr, nullptr);
        if (!plain.IsLocked() || (sampled && !from.IsLocked()))
            return eNoMemory;
        for (int32_t y = 0; y < ah; ++y) {
            uint8_t* vrow = plain.Row(y);
            // The shape position this pixel samples; outside the shape grown by g it is 255.
            const int64_t sy = int64_t(area.top) + y - mOffset.y;
            for (int32_t x = 0; x < aw; ++x) {
                const int64_t sx = int64_t(area.left) + x - mOffset.x;
                if (sx < -g || sy < -g || sx >= int64_t(w) + g || sy >= int64_t(h) + g) {
                    vrow[x] = 255;
                    continue;
                }
                uint32_t b = from.Row(int32_t(sy - top))[sx - left] & 0xFFFFu;
                vrow[x] = uint8_t(((uint32_t(vrow[x]) + 1u) * (65535u - b)) >> 16);
            }
        }
    }
    PNU_TRY(mask->EncodeImage(&values));
    mMaskArea = area;
    return eSuccess;
}

eResultCode CWidgetEffectCutout::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    return DrawOnTarget(area, target, alpha, [&](CImNav& destination, const gCRect& local) -> eResultCode {
        // What can show changed (a window or an ancestor grew) without a refresh of the owner.
        if ((mShapeMask || mWholeRectShape) && VisibleOwnerArea(mRect) != mMaskArea)
            PNU_TRY(BuildCutoutMask());
        if (!mCutoutMask || !mCutoutMask->GetData() || mMaskArea.IsEmpty())
            return eSuccess;
        const CPixel colour = mColour;
        for (int32_t y = local.top; y < local.bottom; ++y) {
            CPixel* to = destination.Row(y - local.top);
            const int32_t my = y - mMaskArea.top;
            bool rowInside = my >= 0 && my < mCutoutMask->GetHeight();
            if (rowInside)
                mCutoutMask->Seek(std::max(local.left - mMaskArea.left, 0), my);
            for (int32_t x = local.left; x < local.right; ++x) {
                const int32_t mx = x - mMaskArea.left;
                uint32_t m = rowInside && mx >= 0 && mx < mCutoutMask->GetWidth() ? mCutoutMask->ReadNext() : 0;
                gPaintPixelHook(to + (x - local.left), ((alpha + 1u) * m) >> 8, &colour);
            }
        }
        return eSuccess;
    });
}
