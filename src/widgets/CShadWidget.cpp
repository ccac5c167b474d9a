#include "widgets/CShadWidget.h"

#include "app/ReportError.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/EffectPixels.h"

#include <cmath>

namespace {

float Gauss(float x) { return std::exp(-0.5f * x * x); }

// One axis of `count` entries fading towards the near end (index 0), the far end, or both.
void FillProfile(float* entries, int32_t count, bool nearSide, bool farSide, float radius)
{
    for (int32_t i = 0; i < count; ++i)
        entries[i] = 1.0f;
    if (!nearSide && !farSide)
        return;
    if (radius < 0.0f) {
        // One entry has no extent to fall over: it keeps its full value.
        if (count < 2)
            return;
        const float s = 3.5f / float(count - 1);
        for (int32_t i = 0; i < count; ++i) {
            if (nearSide && farSide)
                entries[i] = Gauss(float(i) * 2.0f * s - 3.5f);
            else if (farSide)
                entries[i] = Gauss(float(i) * s);
            else
                entries[count - 1 - i] = Gauss(float(i) * s);
        }
        return;
    }
    const float n = 3.5f * radius;
    const float t = n <= 0.5f ? 7.0f : 3.5f / n;
    const int32_t limit = nearSide && farSide ? count / 2 + (count & 1) : count;
    // Rounded half up, stopping at the limit before the conversion (the radius may be huge).
    const int32_t k = n + 0.5f >= float(limit) ? limit : int32_t(std::floor(n + 0.5f));
    for (int32_t i = 0; i < k; ++i) {
        const float v = Gauss(float(i) * t);
        if (nearSide)
            entries[k - 1 - i] = v;
        if (farSide)
            entries[count - k + i] = v;
    }
}

} // namespace

CShadWidget::CShadWidget() { mColour = 0xFF000000u; }

eResultCode CShadWidget::MarkStale(bool update)
{
    mStale = true;
    return InvalidateContent(update);
}

eResultCode CShadWidget::SetSides(uint32_t mask, bool update)
{
    mSides = mask;
    return MarkStale(update);
}

eResultCode CShadWidget::AddSides(uint32_t bits, bool update)
{
    mSides |= bits;
    return MarkStale(update);
}

eResultCode CShadWidget::RemoveSides(uint32_t bits, bool update)
{
    mSides &= ~bits;
    return MarkStale(update);
}

eResultCode CShadWidget::SetRadius(float radius, bool update)
{
    if (std::isnan(radius))
        return eBadParameter;
    mRadius = radius;
    return MarkStale(update);
}

eResultCode CShadWidget::OnRectChanged()
{
    mStale = true;
    return eSuccess;
}

eResultCode CShadWidget::BuildProfiles()
{
    const int32_t w = GetWidth(), h = GetHeight();
    if (w < 1 || h < 1)
        return eSuccess;
    // The size comes from a data file: profiles for more pixels than any effect may cover are
    // refused rather than allocated.
    if (!WorkImageFits(w, h))
        return eNoMemory;
    if (!mHorizontal.SetSize(uint32_t(w) * sizeof(float)) || !mVertical.SetSize(uint32_t(h) * sizeof(float)))
        return eNoMemory;
    FillProfile(mHorizontal.GetData(), w, mSides & kLeft, mSides & kRight, mRadius);
    FillProfile(mVertical.GetData(), h, mSides & kTop, mSides & kBottom, mRadius);
    mStale = false;
    return eSuccess;
}

eResultCode CShadWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    if (mStale)
        PNU_TRY(BuildProfiles());
    // Only the widget's own rect has profile entries.
    gCRect clamped = area;
    if (mStale || !ClipRect(clamped, gCRect{0, 0, GetWidth(), GetHeight()}))
        return eSuccess;
    CImNav navigator(target, &clamped);
    if (!navigator.IsLocked())
        return eNoMemory;
    const gCRect local = LockedLocalArea(navigator, target);
    const float* horizontal = mHorizontal.GetData();
    const float* vertical = mVertical.GetData();
    const float strength = float(alpha);
    for (int32_t y = local.top; y < local.bottom; ++y) {
        const float row = strength * vertical[y];
        CPixel* pixels = navigator.Row(y - local.top);
        for (int32_t x = local.left; x < local.right; ++x) {
            const uint32_t a = uint32_t(RoundHalfAway(row * horizontal[x])) & 255u;
            CPixel source = (mColour & 0x00FFFFFFu) | (a << 24);
            gBlendPixelHook(pixels + (x - local.left), &source);
        }
    }
    return eSuccess;
}

eResultCode CShadWidget::LoadWidgetDataBlock(gCStream* stream)
{
    return LoadPlainBlock(stream, &CShadWidget::ParseWidgetChunk);
}

eResultCode CShadWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder)
{
    const sChunkReader read{stream};
    auto side = [&](const char* message, uint32_t bit) -> eResultCode {
        int32_t value = 0;
        PNU_TRY(read.Int(value, message));
        return value == 1 ? AddSides(bit, false) : RemoveSides(bit, false);
    };
    switch (tag) {
    case FourCharCode("swst"): return side("ShadWidget swst.", kTop);
    case FourCharCode("swsb"): return side("ShadWidget swsb.", kBottom);
    case FourCharCode("swsl"): return side("ShadWidget swsl.", kLeft);
    case FourCharCode("swsr"): return side("ShadWidget swsr.", kRight);
    case FourCharCode("swrd"): {
        float radius = 0.0f;
        PNU_TRY(read.Float(radius, "ShadWidget swrd."));
        // A radius that is not a number is reported like a failed read.
        return read.Reported(SetRadius(radius, true), "ShadWidget swrd.");
    }
    default: return CCoWidget::ParseWidgetChunk(tag, stream, holder);
    }
}
