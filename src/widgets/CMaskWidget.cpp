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
    if (!mImage)
        return eSuccess;
    CImNav8 navigator(mImage, nullptr);
    if (!navigator.IsLocked())
        return eNoMemory;
    navigator.Fill(uint8_t(mColour >> 24));
    return eSuccess;
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
    if (!mImage)
        return CCoWidget::Paint(area, target, alpha);
    // Only the mask's own bytes are read, whatever area the caller asks for.
    gCRect clipped = area;
    if (!ClipRect(clipped, gCRect{0, 0, mImage->GetWidth(), mImage->GetHeight()}))
        return eSuccess;
    CImNav destination(target, &clipped);
    if (!destination.IsLocked())
        return eNoMemory;
    // The target may have cut the area: the source is read over what is left of it.
    clipped = destination.GetArea();
    clipped -= target->GetOrigin();
    const CPixel q = mColour;
    auto put = [&](CPixel* d, uint32_t m) {
        CPixel p = (q & 0x00FFFFFFu) | ((((q >> 8) * (m + 1)) >> 24) << 24);
        uint32_t c = ((p >> 24) * scale) >> 24;
        if (c == 0)
            return;
        if (c == 255)
            *d = p;
        else
            gPaintPixelHook(d, c, &p);
    };
    const int32_t width = destination.GetWidth();
    const int32_t height = destination.GetHeight();
    if (mImage->IsCompressed()) {
        CRLE8* rle = mImage->GetRLE();
        for (int32_t y = 0; y < height; ++y) {
            CRLE8::sReader reader = rle->SeekReader(clipped.left, clipped.top + y);
            CPixel* row = destination.Row(y);
            for (int32_t x = 0; x < width; ++x)
                put(row + x, rle->Read(reader));
        }
        return eSuccess;
    }
    CImNav8 source(mImage, &clipped);
    if (!source.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < std::min(height, source.GetHeight()); ++y) {
        CPixel* row = destination.Row(y);
        const uint8_t* from = source.Row(y);
        for (int32_t x = 0; x < std::min(width, source.GetWidth()); ++x)
            put(row + x, from[x]);
    }
    return eSuccess;
}

eResultCode CMaskWidget::RefreshEffect(CWidgetEffectBase* effect, bool update)
{
    if (mImage) {
        const bool compressed = mImage->IsCompressed();
        const int32_t width = compressed ? mImage->GetRLE()->GetWidth() : mImage->GetWidth();
        const int32_t height = compressed ? mImage->GetRLE()->GetHeight() : mImage->GetHeight();
        auto* shape = new CImage(width, height, 0);
        if (!shape || !shape->HasPixelBuffer()) {
            delete shape;
            return eNoMemory;
        }
        eResultCode result = eSuccess;
        {
            CImNav out(shape, nullptr);
            CImNav8 source(compressed ? nullptr : mImage, nullptr);
            if (!out.IsLocked() || (!compressed && !source.IsLocked())) {
                result = eNoMemory;
            } else {
                const CPixel rgb = mColour & 0x00FFFFFFu;
                for (int32_t y = 0; y < out.GetHeight(); ++y) {
                    CPixel* row = out.Row(y);
                    if (compressed) {
                        CRLE8::sReader reader = mImage->GetRLE()->SeekReader(0, y);
                        for (int32_t x = 0; x < out.GetWidth(); ++x)
                            row[x] = rgb | uint32_t(mImage->GetRLE()->Read(reader)) << 24;
                    } else {
                        const uint8_t* from = source.Row(y);
                        for (int32_t x = 0; x < std::min(out.GetWidth(), source.GetWidth()); ++x)
                            row[x] = rgb | uint32_t(from[x]) << 24;
                    }
                }
            }
        }
        if (result == eSuccess)
            result = effect->RefreshWithMask(shape);
        delete shape;
        PNU_TRY(result);
    }
    RecalcBounds();
    return Invalidate(update);
}
