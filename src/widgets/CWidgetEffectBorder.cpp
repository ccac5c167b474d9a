#include "widgets/CWidgetEffectBorder.h"

#include "imaging/CImNav.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

namespace {

// Mask bit per stored slot: top, left, bottom, right.
constexpr uint32_t kSlotBits[4] = {CWidgetEffectBorder::eTop, CWidgetEffectBorder::eLeft,
                                   CWidgetEffectBorder::eBottom, CWidgetEffectBorder::eRight};

} // namespace

CWidgetEffectBorder::CWidgetEffectBorder()
{
    if (mOwner)
        (void)RefreshThroughOwner(false);
}

int32_t CWidgetEffectBorder::SideIndex(eSide side)
{
    for (int32_t i = 0; i < 4; ++i)
        if (kSlotBits[i] == side)
            return i;
    return 0;
}

uint32_t CWidgetEffectBorder::GetSideColour(eSide side) const { return mColours[SideIndex(side)]; }
uint32_t CWidgetEffectBorder::GetSidePattern(eSide side) const { return mPatterns[SideIndex(side)]; }

eResultCode CWidgetEffectBorder::RefreshThroughOwner(bool update)
{
    return mOwner ? mOwner->RefreshEffect(this, update) : eSuccess;
}

eResultCode CWidgetEffectBorder::SetWidth(float width, bool update)
{
    mWidth = width;
    return RefreshThroughOwner(update);
}

eResultCode CWidgetEffectBorder::SetActiveSides(uint32_t sides, uint32_t pattern, bool update)
{
    for (int32_t i = 0; i < 4; ++i)
        if (sides & kSlotBits[i])
            mPatterns[i] = pattern;
    return RefreshThroughOwner(update);
}

eResultCode CWidgetEffectBorder::SetSideColour(uint32_t sides, const uint32_t* colour, bool update)
{
    if (colour)
        for (int32_t i = 0; i < 4; ++i)
            if (sides & kSlotBits[i])
                mColours[i] = *colour;
    return RefreshThroughOwner(update);
}

eResultCode CWidgetEffectBorder::Refresh()
{
    SetRectFromOwner();
    return eSuccess;
}

eResultCode CWidgetEffectBorder::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    return DrawOnTarget(area, target, alpha, [&](CImNav& destination, const gCRect& local) -> eResultCode {
        int32_t width = destination.GetWidth(), height = destination.GetHeight();
        if (width <= 0 || height <= 0)
            return eSuccess;
        auto column = [&](int32_t x, uint32_t colour) {
            CPixel c = ScaleColourAlpha(colour, alpha);
            for (int32_t y = 0; y < height; ++y)
                gBlendPixelHook(destination.Row(y) + x, &c);
        };
        auto row = [&](int32_t y, uint32_t colour) {
            CPixel c = ScaleColourAlpha(colour, alpha);
            for (int32_t x = 0; x < width; ++x)
                gBlendPixelHook(destination.Row(y) + x, &c);
        };
        // An edge is drawn only where the locked part still reaches it.
        if (area.left == 0 && local.left == area.left)
            column(0, mColours[1]);
        if (area.top == 0 && local.top == area.top)
            row(0, mColours[0]);
        if (area.right == mRect.right && local.right == area.right)
            column(width - 1, mColours[3]);
        if (area.bottom == mRect.bottom && local.bottom == area.bottom)
            row(height - 1, mColours[2]);
        return eSuccess;
    });
}
