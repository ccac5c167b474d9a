#include "widgets/CCoWidget.h"

#include "core/FourCharCode.h"
#include "imaging/BlendModes.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/LoadWidgetEffects.h"

#include <algorithm>
#include <typeinfo>

namespace {

constexpr uint32_t kColourTag = FourCharCode("colr");

} // namespace

void CCoWidget::SetColour(uint32_t colour, bool update)
{
    if (colour != mColour) {
        mColour = colour;
        (void)InvalidateContent(false);
    }
    (void)UpdateIf(update);
}

eResultCode CCoWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    // Never beyond the widget's own rect, whatever area the caller asks for.
    gCRect clamped = area;
    if (!ClipRect(clamped, gCRect{0, 0, GetWidth(), GetHeight()}))
        return eSuccess;
    CImNav navigator(target, &clamped);
    if (!navigator.IsLocked())
        return eNoMemory;
    uint32_t fillAlpha = mOpaqueBlit ? 0xFFu : ((mColour >> 8) * uint32_t(alpha + 1)) >> 24;
    CPixel fill = (mColour & 0x00FFFFFFu) | (fillAlpha << 24);
    if (fillAlpha == 0xFF) {
        navigator.Fill(&fill);
        return eSuccess;
    }
    if (gBlendPixelHook == &BlendPixelRoutine) {
        // Below full alpha the plain hook is the normal blend, which takes the colour a row at a
        // time; the other hooks go pixel by pixel.
        for (int32_t y = 0; y < navigator.GetHeight(); ++y)
            BlendColourRowOver(navigator.Row(y), fill, navigator.GetWidth(), eBlendNormal);
        return eSuccess;
    }
    for (int32_t y = 0; y < navigator.GetHeight(); ++y) {
        CPixel* row = navigator.Row(y);
        for (int32_t x = 0; x < navigator.GetWidth(); ++x)
            gBlendPixelHook(row + x, &fill);
    }
    return eSuccess;
}

bool CCoWidget::PaintsOpaque() const
{
    // Only the plain fill is known to cover: the widgets built on this one paint more than the
    // colour, and a render callback paints instead of it.
    return typeid(*this) == typeid(CCoWidget) && mColour >> 24 == 0xFFu && !mCallbacks[kCallbackRender].function;
}

bool CCoWidget::HitTest(const gCPoint&) { return mOpacity >= mOpacityThreshold; }

eResultCode CCoWidget::DrawAlphaMask(CImage8* mask)
{
    if (!mask || !mask->HasPixelBuffer() || mask->IsCompressed())
        return eSuccess;
    gCRect area{0, 0, std::min(GetWidth(), mask->GetWidth()), std::min(GetHeight(), mask->GetHeight())};
    if (area.right <= 0 || area.bottom <= 0)
        return eSuccess;
    CImNav8 navigator(mask, &area);
    if (!navigator.IsLocked())
        return eNoMemory;
    navigator.Fill(mOpaqueBlit ? 255 : uint8_t(mColour >> 24));
    return eSuccess;
}

eResultCode CCoWidget::LoadWidgetDataBlock(gCStream* stream)
{
    return LoadPlainBlock(stream, &CCoWidget::ParseWidgetChunk);
}

eResultCode CCoWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder)
{
    if (tag == kColourTag) {
        int32_t colour = 0;
        PNU_TRY(sChunkReader{stream}.Int(colour, "CoWidget colr."));
        mColour = uint32_t(colour);
        return eSuccess;
    }
    const char* failure = nullptr;
    switch (tag) {
    case kBorderEffectTag: failure = "Widget border effect failed."; break;
    case kCutoutEffectTag: failure = "Widget cutout effect failed."; break;
    case kGlowEffectTag: failure = "Widget glow effect failed."; break;
    case kGradientEffectTag: failure = "Widget gradient effect failed."; break;
    case kShadowEffectTag: failure = "Widget shadow effect failed."; break;
    default: return CWidget::ParseWidgetChunk(tag, stream, holder);
    }
    if (!LoadWidgetEffects(tag, this, stream)) {
        ReportError(eCreateFailed, failure);
        return eResourceReadError;
    }
    return eSuccess;
}
