#include "widgets/CFrameWidget.h"

#include "app/ReportError.h"
#include "core/FourCharCode.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/EffectPixels.h"

namespace {

constexpr uint32_t kFrameColourTag = FourCharCode("frcl");

} // namespace

eResultCode CFrameWidget::SetFrameColour(uint32_t colour, bool update)
{
    mFrameColour = colour;
    return InvalidateContent(update);
}

eResultCode CFrameWidget::AddFrameRect(const gCRect& rect, bool update)
{
    PNU_TRY(mFill.SubtractRect(rect));
    PNU_TRY(mFrame.AddRect(rect));
    return InvalidateRect(rect, update);
}

eResultCode CFrameWidget::RemoveFrameRect(const gCRect& rect, bool update)
{
    PNU_TRY(mFrame.SubtractRect(rect));
    PNU_TRY(mFill.AddRect(rect));
    return InvalidateRect(rect, update);
}

eResultCode CFrameWidget::ClearFrame(bool update)
{
    mFill.Clear();
    PNU_TRY(mFill.AddRect(gCRect{0, 0, GetWidth(), GetHeight()}));
    mFrame.Clear();
    return InvalidateContent(update);
}

eResultCode CFrameWidget::OnRectChanged()
{
    mFill.Clear();
    PNU_TRY(mFill.AddRect(gCRect{0, 0, GetWidth(), GetHeight()}));
    if (mClearFrameOnResize) {
        mFrame.Clear();
        return eSuccess;
    }
    for (int32_t i = 0; i < mFrame.GetCount(); ++i)
        PNU_TRY(mFill.SubtractRect(mFrame.GetRect(i)));
    return eSuccess;
}

eResultCode CFrameWidget::PaintRegion(const CRegion& region, const gCRect& area, CImage* target, CPixel colour)
{
    for (int32_t i = 0; i < region.GetCount(); ++i) {
        gCRect piece = region.GetRect(i);
        if (!ClipRect(piece, area))
            continue;
        CImNav navigator(target, &piece);
        if (!navigator.IsLocked())
            return eNoMemory;
        if ((colour >> 24) == 0xFF) {
            navigator.Fill(&colour);
            continue;
        }
        for (int32_t y = 0; y < navigator.GetHeight(); ++y) {
            CPixel* row = navigator.Row(y);
            for (int32_t x = 0; x < navigator.GetWidth(); ++x)
                gBlendPixelHook(row + x, &colour);
        }
    }
    return eSuccess;
}

eResultCode CFrameWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    // Frame rectangles may reach beyond the rect: only the widget's own pixels are painted.
    gCRect clamped = area;
    if (!ClipRect(clamped, gCRect{0, 0, GetWidth(), GetHeight()}))
        return eSuccess;
    const uint32_t scale = uint32_t(alpha);
    const CPixel fill = mOpaqueBlit ? mColour | 0xFF000000u : ScaleColourAlpha(mColour, scale);
    const CPixel frame = mOpaqueBlit ? mFrameColour | 0xFF000000u : ScaleColourAlpha(mFrameColour, scale);
    PNU_TRY(PaintRegion(mFill, clamped, target, fill));
    return PaintRegion(mFrame, clamped, target, frame);
}

eResultCode CFrameWidget::LoadWidgetDataBlock(gCStream* stream)
{
    return LoadPlainBlock(stream, &CFrameWidget::ParseWidgetChunk);
}

eResultCode CFrameWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder)
{
    if (tag != kFrameColourTag)
        return CCoWidget::ParseWidgetChunk(tag, stream, holder);
    int32_t colour = 0;
    PNU_TRY(sChunkReader{stream}.Int(colour, "FrameWidget frcl."));
    mFrameColour = uint32_t(colour);
    return eSuccess;
}
