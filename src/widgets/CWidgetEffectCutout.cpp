#include "widgets/CWidgetEffectCutout.h"

#include "imaging/Blur.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE8.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

CWidgetEffectCutout::~CWidgetEffectCutout()
{
    delete mCutoutMask;
    delete mShapeMask;
}

eResultCode CWidgetEffectCutout::SetRadius(float radius)
{
    if (!(radius >= 0.0f))
        return eBadParameter;
    mRadius = radius;
    return eSuccess;
}

bool CWidgetEffectCutout::SetRectFromOwner()
{
    if (!mOwner)
        return false;
    int32_t w = mOwner->GetWidth(), h = mOwner->GetHeight();
    if (w <= 0 || h <= 0)
        return false;
    mRect.Set(0, 0, w, h);
    return true;
}

eResultCode CWidgetEffectCutout::Refresh()
{
    if (!SetRectFromOwner())
        return eSuccess;
    if (!mShapeMask) {
        mShapeMask = new CRLE8();
        if (!mShapeMask)
            return eNoMemory;
    }
    if (!WorkImageFits(mRect.right, mRect.bottom))
        return eNoMemory;
    CImage8 full;
    PNU_TRY(full.SetSize(mRect.right, mRect.bottom));
    {
        CImNav8 fill(&full, nullptr);
        if (!fill.IsLocked())
            return eNoMemory;
        fill.Fill(255);
    }
    PNU_TRY(mShapeMask->EncodeImage(&full));
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
    PNU_TRY(mShapeMask->EncodeImageChannel(shape, 1));
    return BuildCutoutMask();
}

eResultCode CWidgetEffectCutout::SetOffset(const gCPoint& offset, bool update)
{
    mOffset = offset;
    PNU_TRY(BuildCutoutMask());
    if (mOwner)
        return mOwner->Invalidate(update);
    return eSuccess;
}

eResultCode CWidgetEffectCutout::BuildCutoutMask()
{
    if (!mShapeMask)
        return eSuccess;
    int32_t w = mRect.right - mRect.left, h = mRect.bottom - mRect.top;
    if (w <= 0 || h <= 0)
        return eSuccess;
    CRLE8* mask = mCutoutMask ? mCutoutMask : new CRLE8();
    if (!mask)
        return eNoMemory;
    mCutoutMask = mask;
    const int32_t g = BlurMargin(mRadius);
    const int64_t ww = int64_t(w) + 2 * int64_t(g), wh = int64_t(h) + 2 * int64_t(g);
    if (!WorkImageFits(ww, wh))
        return eNoMemory;
    CImage work;
    PNU_TRY(work.SetSize(int32_t(ww), int32_t(wh)));
    CImage8 values;
    PNU_TRY(values.SetSize(w, h));
    {
        CImNav to(&work, nullptr);
        CImNav8 plain(&values, nullptr);
        if (!to.IsLocked() || !plain.IsLocked())
            return eNoMemory;
        for (int32_t y = 0; y < h; ++y) {
            mShapeMask->Seek(0, y);
            bool inside = y < mShapeMask->GetHeight();
            CPixel* wrow = to.Row(y + g) + g;
            uint8_t* vrow = plain.Row(y);
            for (int32_t x = 0; x < w; ++x) {
                uint32_t v = inside && x < mShapeMask->GetWidth() ? mShapeMask->ReadNext() : 0;
                wrow[x] = v * 257u;
                vrow[x] = uint8_t(v);
            }
        }
    }
    if (BlurImage(&work, mRadius, 0) == 0)
        return eNoMemory;
    {
        CImNav from(&work, nullptr);
        CImNav8 plain(&values, nullptr);
        if (!from.IsLocked() || !plain.IsLocked())
            return eNoMemory;
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* vrow = plain.Row(y);
            int64_t sy = int64_t(y) - mOffset.y + g;
            for (int32_t x = 0; x < w; ++x) {
                int64_t sx = int64_t(x) - mOffset.x + g;
                if (sx < 0 || sy < 0 || sx >= ww || sy >= wh) {
                    vrow[x] = 255;
                    continue;
                }
                uint32_t b = from.Row(int32_t(sy))[sx] & 0xFFFFu;
                vrow[x] = uint8_t(((uint32_t(vrow[x]) + 1u) * (65535u - b)) >> 16);
            }
        }
    }
    return mask->EncodeImage(&values);
}

eResultCode CWidgetEffectCutout::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    CImNav destination(target, &area);
    if (!destination.IsLocked())
        return eNoMemory;
    if (!mCutoutMask || !mCutoutMask->GetData())
        return eSuccess;
    gCRect local = LockedLocalArea(destination, target);
    const CPixel colour = mColour;
    for (int32_t y = local.top; y < local.bottom; ++y) {
        CPixel* to = destination.Row(y - local.top);
        bool rowInside = y >= 0 && y < mCutoutMask->GetHeight();
        if (rowInside)
            mCutoutMask->Seek(std::max(local.left, 0), y);
        for (int32_t x = local.left; x < local.right; ++x) {
            uint32_t m = rowInside && x >= 0 && x < mCutoutMask->GetWidth() ? mCutoutMask->ReadNext() : 0;
            gPaintPixelHook(to + (x - local.left), ((alpha + 1u) * m) >> 8, &colour);
        }
    }
    return eSuccess;
}
