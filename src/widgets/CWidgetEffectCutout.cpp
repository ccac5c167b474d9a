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

namespace {

// A rectangle of owner-local shape positions that may reach past the int32_t range.
struct sSpan {
    int64_t left, top, right, bottom;
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// The shape positions the visible area samples at this offset, with room for the blur's reach
// (2g + 2 on every side); not yet held to any bounds.
sSpan SampledSpan(const gCRect& area, const gCPoint& offset, int32_t g)
{
    const int64_t reach = 2 * int64_t(g) + 2;
    return {int64_t(area.left) - offset.x - reach, int64_t(area.top) - offset.y - reach,
            int64_t(area.right) - offset.x + reach, int64_t(area.bottom) - offset.y + reach};
}

// The sampled span held inside the shape grown by g on every side: the work image it needs.
sSpan WorkSpan(const sSpan& sampled, int32_t g, int32_t w, int32_t h)
{
    return {std::max<int64_t>(sampled.left, -int64_t(g)), std::max<int64_t>(sampled.top, -int64_t(g)),
            std::min<int64_t>(sampled.right, int64_t(w) + g), std::min<int64_t>(sampled.bottom, int64_t(h) + g)};
}

eResultCode SizeWorkImage(CImage& work, const sSpan& span)
{
    if (!WorkImageFits(span.right - span.left, span.bottom - span.top))
        return eNoMemory;
    return work.SetSize(int32_t(span.right - span.left), int32_t(span.bottom - span.top));
}

// Reads the owner's shape by owner-local position: the kept part of its mask, 0 beyond it, and 255
// everywhere for a plain owner (no mask).
struct sShapeReader {
    CRLE8* mask;
    gCRect kept;

    // count values from (x0, y) rightwards, each times scale.
    template <typename T>
    void Row(int32_t x0, int32_t y, int32_t count, T* out, uint32_t scale) const
    {
        if (!mask) {
            std::fill(out, out + count, T(255u * scale));
            return;
        }
        const bool rowInside = y >= kept.top && y < kept.bottom;
        if (rowInside)
            mask->Seek(std::max(x0 - kept.left, 0), y - kept.top);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t x = x0 + i;
            out[i] = T((rowInside && x >= kept.left && x < kept.right ? mask->ReadNext() : 0u) * scale);
        }
    }
};

// The shape under the visible area, one byte per pixel.
eResultCode ReadVisibleShape(CImage8& values, const gCRect& area, const sShapeReader& shape)
{
    CImNav8 plain(&values, nullptr);
    if (!plain.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < plain.GetHeight(); ++y)
        shape.Row(area.left, area.top + y, plain.GetWidth(), plain.Row(y), 1u);
    return eSuccess;
}

// The shape into the work image where the span overlaps the owner, 257 per step of the byte; the
// rest of the grown shape stays 0.
eResultCode ReadWorkShape(CImage& work, const sSpan& span, int32_t w, int32_t h, const sShapeReader& shape)
{
    CImNav to(&work, nullptr);
    if (!to.IsLocked())
        return eNoMemory;
    const int32_t y0 = int32_t(std::max<int64_t>(span.top, 0)), y1 = int32_t(std::min<int64_t>(span.bottom, h));
    const int32_t x0 = int32_t(std::max<int64_t>(span.left, 0)), x1 = int32_t(std::min<int64_t>(span.right, w));
    // An offset can move the span wholly beside the owner: then nothing of the shape is read.
    if (x1 <= x0)
        return eSuccess;
    for (int32_t y = y0; y < y1; ++y)
        shape.Row(x0, y, x1 - x0, to.Row(int32_t(y - span.top)) + (x0 - span.left), 257u);
    return eSuccess;
}

// Each visible pixel keeps its shape value v where the blurred shape B at its sample (shifted back
// by the offset) does not cover it: ((v + 1) x (65535 - B)) >> 16; 255 where the sample lies
// beyond the shape grown by g.
eResultCode CutWhereTheBlurUncovers(CImage8& values, CImage* work, const sSpan& span, const gCRect& area,
                                    const gCPoint& offset, int32_t g, int32_t w, int32_t h)
{
    CImNav8 plain(&values, nullptr);
    CImNav from(work, nullptr);
    if (!plain.IsLocked() || (work && !from.IsLocked()))
        return eNoMemory;
    for (int32_t y = 0; y < plain.GetHeight(); ++y) {
        uint8_t* vrow = plain.Row(y);
        const int64_t sy = int64_t(area.top) + y - offset.y;
        for (int32_t x = 0; x < plain.GetWidth(); ++x) {
            const int64_t sx = int64_t(area.left) + x - offset.x;
            if (sx < -g || sy < -g || sx >= int64_t(w) + g || sy >= int64_t(h) + g) {
                vrow[x] = 255;
                continue;
            }
            uint32_t b = from.Row(int32_t(sy - span.top))[sx - span.left] & 0xFFFFu;
            vrow[x] = uint8_t(((uint32_t(vrow[x]) + 1u) * (65535u - b)) >> 16);
        }
    }
    return eSuccess;
}

} // namespace

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
    const sSpan sampled = SampledSpan(area, mOffset, BlurMargin(mRadius));
    gCRect span{int32_t(std::clamp<int64_t>(sampled.left, 0, w)), int32_t(std::clamp<int64_t>(sampled.top, 0, h)),
                int32_t(std::clamp<int64_t>(sampled.right, 0, w)), int32_t(std::clamp<int64_t>(sampled.bottom, 0, h))};
    if (span.IsEmpty())
        return area;
    return gCRect{std::min(area.left, span.left), std::min(area.top, span.top), std::max(area.right, span.right),
                  std::max(area.bottom, span.bottom)};
}

bool CWidgetEffectCutout::KeptShapeFallsShort() const
{
    if (!mShapeMask || !mOwner || mRefetching)
        return false;
    gCRect needed = ShapeNeeded();
    return ClipRect(needed, mShapeBounds) && !RectInside(needed, mShapeArea);
}

eResultCode CWidgetEffectCutout::FetchShapeAgain()
{
    mRefetching = 1;
    eResultCode result = mOwner->RefreshEffect(this, false);
    mRefetching = 0;
    return result;
}

eResultCode CWidgetEffectCutout::BuildCutoutMask()
{
    if (!mShapeMask && !mWholeRectShape)
        return eSuccess;
    const int32_t w = mRect.right - mRect.left, h = mRect.bottom - mRect.top;
    if (w <= 0 || h <= 0)
        return eSuccess;
    // A shaped owner whose kept part no longer covers what is read hands its shape again.
    if (KeptShapeFallsShort())
        return FetchShapeAgain();
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
    const sSpan span = WorkSpan(SampledSpan(area, mOffset, g), g, w, h);
    const sShapeReader shape{mShapeMask, mShapeArea};
    CImage work;
    if (!span.IsEmpty())
        PNU_TRY(SizeWorkImage(work, span));
    CImage8 values;
    PNU_TRY(values.SetSize(area.right - area.left, area.bottom - area.top));
    PNU_TRY(ReadVisibleShape(values, area, shape));
    if (!span.IsEmpty()) {
        PNU_TRY(ReadWorkShape(work, span, w, h, shape));
        if (BlurImage(&work, mRadius, 0) == 0)
            return eNoMemory;
    }
    PNU_TRY(CutWhereTheBlurUncovers(values, span.IsEmpty() ? nullptr : &work, span, area, mOffset, g, w, h));
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
