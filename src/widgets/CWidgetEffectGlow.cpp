#include "widgets/CWidgetEffectGlow.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/CRLE8.h"
#include "widgets/CRegion.h"
#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

CWidgetEffectGlow::CWidgetEffectGlow()
{
    mColour = 0xFFFFFF00u;
    mRadius = 10.0f;
    mOffset = gCPoint{0, 0};
    mOpacity = 100;
}

void CWidgetEffectGlow::GlowPixel(CPixel* destination, const CPixel* colour, uint32_t coverage)
{
    const uint32_t c = *colour, d = *destination;
    const uint32_t ca = c >> 24;
    if (coverage == 0 || ca == 0)
        return;
    if ((d & 0x00FFFFFFu) == 0x00FFFFFFu)
        return;
    const uint64_t f = uint64_t(ca) * coverage;
    int64_t r = int64_t(PixelRed(d)) + int64_t((PixelRed(c) * f) >> 16);
    int64_t g = int64_t(PixelGreen(d)) + int64_t((PixelGreen(c) * f) >> 16);
    int64_t b = int64_t(PixelBlue(d)) + int64_t((PixelBlue(c) * f) >> 16);
    if (r > 255) {
        int64_t e = (r - 255) >> 1;
        g += e;
        b += e;
        r = 255;
    }
    if (g > 255) {
        int64_t e = (g - 255) >> 1;
        r += e;
        if (r > 255) {
            e += r - 255;
            r = 255;
        }
        b += e;
        g = 255;
    }
    if (b > 255) {
        int64_t e = (b - 255) >> 1;
        r += e;
        if (r > 255) {
            e += r - 255;
            r = 255;
        }
        g += e;
        b = 255;
        if (g > 255) {
            r = std::min<int64_t>(r + g - 255, 255);
            g = 255;
        }
    }
    // Coverage far above the normal range could still leave a channel over; a pixel holds a byte.
    r = std::min<int64_t>(r, 255);
    g = std::min<int64_t>(g, 255);
    *destination = 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

eResultCode CWidgetEffectGlow::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    PNU_TRY(KeepMaskCurrent());
    const uint32_t k = 2u * (alpha + 1u);
    const CPixel colour = mColour;
    const int32_t g = BlurMargin(mRadius);
    gCRect pieces[4];
    int32_t count = 1;
    pieces[0] = area;
    if (mClipToShape && mOwner) {
        count = ::SubtractRect(area, gCRect{0, 0, mOwner->GetWidth(), mOwner->GetHeight()}, pieces);
        if (count == 0)
            return eSuccess;
    }
    const int32_t xs = mXFalloff.GetSize(), ys = mYFalloff.GetSize();
    for (int32_t i = 0; i < count; ++i) {
        CImNav destination(target, &pieces[i]);
        if (!destination.IsLocked())
            return eNoMemory;
        gCRect local = LockedLocalArea(destination, target);
        for (int32_t y = local.top; y < local.bottom; ++y) {
            CPixel* row = destination.Row(y - local.top);
            int64_t my = int64_t(y) + g - mOffset.y;
            int64_t mx0 = int64_t(local.left) + g - mOffset.x;
            if (mBlurredMask) {
                my -= mMaskOrigin.y;
                mx0 -= mMaskOrigin.x;
                const int32_t mw = mBlurredMask->GetWidth(), mh = mBlurredMask->GetHeight();
                bool rowInside = my >= 0 && my < mh;
                if (rowInside)
                    mBlurredMask->Seek(int32_t(std::clamp<int64_t>(mx0, 0, mw)), int32_t(my));
                for (int32_t x = local.left; x < local.right; ++x) {
                    int64_t mx = mx0 + (x - local.left);
                    uint32_t m = rowInside && mx >= 0 && mx < mw ? mBlurredMask->ReadNext() : 0;
                    GlowPixel(row + (x - local.left), &colour, (k * m) >> 8);
                }
            } else {
                float wy = my >= 0 && my < ys ? mYFalloff[int32_t(my)] : 0.0f;
                for (int32_t x = local.left; x < local.right; ++x) {
                    int64_t tx = mx0 + (x - local.left);
                    float wx = tx >= 0 && tx < xs ? mXFalloff[int32_t(tx)] : 0.0f;
                    int32_t coverage = RoundHalfAway(float(k) * wy * wx);
                    GlowPixel(row + (x - local.left), &colour, uint32_t(std::max(coverage, 0)));
                }
            }
        }
    }
    return eSuccess;
}
