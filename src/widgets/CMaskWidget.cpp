#include "widgets/CMaskWidget.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/CRLE8.h"
#include "imaging/PixelCompositing.h"
#include "resources/gCImageList8.h"
#include "widgets/CImageWidgetTBody.h"
#include "widgets/CWidgetEffectBase.h"

template class CImageWidgetT<CMaskWidget, CImage8, gCImageList8>;

const CMaskWidget::sImageStepMessages CMaskWidget::kImageStepMessages = {
    "MaskWidget image load failed!",        "MaskWidget assign image failed.",     "MaskWidget image list load failed!",
    "MaskWidget assign image list failed.", "MaskWidget change image idx failed.", "MaskWidget image load."};

const CMaskWidget::sChunkMessages CMaskWidget::kChunkMessages = {
    "MaskWidget imag.", "MaskWidget imcm.", "MaskWidget imls.",
    "MaskWidget imlx.", "MaskWidget imsh.", "MaskWidget stim."};

CMaskWidget::~CMaskWidget() = default;

eResultCode CMaskWidget::FillImage()
{
    return FillPicture([&](CImNav8& navigator) { navigator.Fill(uint8_t(mColour >> 24)); });
}

eResultCode CMaskWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    const uint32_t scale = uint32_t(alpha + 1) << 16;
    if (mOpaqueBlit) {
        gCRect clipped = area;
        if (!ClipRect(clipped, gCRect{0, 0, GetWidth(), GetHeight()}))
            return eSuccess;
        CImNav destination(target, &clipped);
        if (!destination.IsLocked())
            return eNoMemory;
        CPixel fill = mColour | 0xFF000000u;
        destination.Fill(&fill);
        return eSuccess;
    }
    const CPixel q = mColour;
    return PaintPicture(area, target, alpha, false, [&](CPixel* d, uint32_t m) {
        PutScaledPixel(d, (q & 0x00FFFFFFu) | ((((q >> 8) * (m + 1)) >> 24) << 24), scale);
    });
}

eResultCode CMaskWidget::RefreshEffect(CWidgetEffectBase* effect, bool update)
{
    if (mImage) {
        const bool compressed = mImage->IsCompressed();
        const int32_t width = compressed ? mImage->GetRLE()->GetWidth() : mImage->GetWidth();
        const int32_t height = compressed ? mImage->GetRLE()->GetHeight() : mImage->GetHeight();
        PNU_TRY(RefreshWithShape(effect, width, height, [&](CImNav& out, const gCRect& part) {
            CImNav8 source(compressed ? nullptr : mImage, nullptr);
            if (!compressed && !source.IsLocked())
                return eNoMemory;
            const CPixel rgb = mColour & 0x00FFFFFFu;
            for (int32_t y = 0; y < out.GetHeight(); ++y) {
                CPixel* row = out.Row(y);
                if (compressed) {
                    CRLE8::sReader reader = mImage->GetRLE()->SeekReader(part.left, part.top + y);
                    for (int32_t x = 0; x < out.GetWidth(); ++x)
                        row[x] = rgb | uint32_t(mImage->GetRLE()->Read(reader)) << 24;
                } else {
                    const uint8_t* from = source.Row(part.top + y) + part.left;
                    for (int32_t x = 0; x < std::min(out.GetWidth(), source.GetWidth() - part.left); ++x)
                        row[x] = rgb | uint32_t(from[x]) << 24;
                }
            }
            return eSuccess;
        }));
    }
    RecalcBounds();
    return Invalidate(update);
}
