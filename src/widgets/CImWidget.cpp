#include "widgets/CImWidget.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/CRLE.h"
#include "imaging/PixelCompositing.h"
#include "resources/gCImageList.h"
#include "widgets/CImageWidgetTBody.h"
#include "widgets/CWidgetEffectBase.h"

template class CImageWidgetT<CImWidget, CImage, gCImageList>;

const CImWidget::sImageStepMessages CImWidget::kImageStepMessages = {
    "ImWidget image load failed!",        "ImWidget assign image failed.",     "ImWidget image list load failed!",
    "ImWidget assign image list failed.", "ImWidget change image idx failed.", "ImWidget image load."};

const CImWidget::sChunkMessages CImWidget::kChunkMessages = {
    "ImWidget imag.", "ImWidget imcm.", "ImWidget imls.", "ImWidget imlx.", "ImWidget imsh.", "ImWidget stim."};

CImWidget::~CImWidget() = default;

eResultCode CImWidget::SetImageListIndex(int32_t index, bool sizeToImage, bool update)
{
    if (mList && index >= 0 && index < mList->GetCount())
        mListIndex = index;
    return CImageWidgetT::SetImageListIndex(index, sizeToImage, update);
}

int32_t CImWidget::GetImageListIndex() const { return mList ? mListIndex : 0; }

eResultCode CImWidget::CrossFadeListEntries(int32_t from, int32_t to, float t, bool refreshEffects, bool update)
{
    if (mList && from >= 0 && from < mList->GetCount() && to >= 0 && to < mList->GetCount()) {
        mList->SetCurrentIndex(from);
        return CrossFade(mList->GetImage(from), mList->GetImage(to), t, refreshEffects, update);
    }
    return UpdateIf(update);
}

eResultCode CImWidget::FillImage()
{
    CPixel colour = mColour | 0xFF000000u;
    return FillPicture([&](CImNav& navigator) { navigator.Fill(&colour); });
}

eResultCode CImWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    const uint32_t scale = uint32_t(alpha + 1) << 16;
    return PaintPicture(area, target, alpha, mOpaqueBlit, [&](CPixel* d, CPixel p) {
        if (mOpaqueBlit)
            *d = p;
        else
            PutScaledPixel(d, p, scale);
    });
}

eResultCode CImWidget::RefreshEffect(CWidgetEffectBase* effect, bool update)
{
    if (mImage && !mImage->IsCompressed()) {
        PNU_TRY(effect->RefreshWithMask(mImage));
    } else if (mImage) {
        const CRLE* rle = mImage->GetRLE();
        PNU_TRY(RefreshWithShape(effect, rle->GetWidth(), rle->GetHeight(), [&](CImNav& navigator, const gCRect& part) {
            for (int32_t y = 0; y < navigator.GetHeight(); ++y) {
                CRLE::sReader reader = rle->SeekReader(part.left, part.top + y);
                CPixel* row = navigator.Row(y);
                for (int32_t x = 0; x < navigator.GetWidth(); ++x)
                    row[x] = rle->Read(reader);
            }
            return eSuccess;
        }));
    }
    RecalcBounds();
    return Invalidate(update);
}

eResultCode CImWidget::CrossFade(CImage* from, CImage* to, float t, bool refreshEffects, bool update)
{
    const float scaled = 255.0f * t;
    const int32_t k = scaled > 0.0f ? int32_t(scaled + 0.5f) : int32_t(scaled - 0.5f);
    if (!from || !to || !mImage || !from->HasPixelBuffer() || !to->HasPixelBuffer() ||
        !mImage->HasPixelBuffer())
        return UpdateIf(update);
    gCRect area{0, 0, std::min({mImage->GetWidth(), to->GetWidth(), from->GetWidth()}),
                std::min({mImage->GetHeight(), to->GetHeight(), from->GetHeight()})};
    {
        CImNav out(mImage, &area);
        CImNav a(from, &area);
        CImNav b(to, &area);
        if (!out.IsLocked() || !a.IsLocked() || !b.IsLocked())
            return eNoMemory;
        const uint32_t f = uint32_t(k) * 257u + 1u;
        for (int32_t y = 0; y < out.GetHeight(); ++y) {
            CPixel* row = out.Row(y);
            const CPixel* rowA = a.Row(y);
            const CPixel* rowB = b.Row(y);
            for (int32_t x = 0; x < out.GetWidth(); ++x) {
                const CPixel pa = rowA[x];
                const CPixel pb = rowB[x];
                const uint32_t aA = pa >> 24;
                const uint32_t bA = pb >> 24;
                CPixel result;
                if (k <= 0) {
                    result = pa;
                } else if (k >= 255) {
                    result = pb;
                } else if (aA == 0) {
                    result = (pb & 0x00FFFFFFu) | uint32_t((uint64_t(bA << 8) * f) >> 24) << 24;
                } else if (bA == 0) {
                    result = (pa & 0x00FFFFFFu) | uint32_t((uint64_t(aA << 8) * (65536u - f)) >> 24) << 24;
                } else {
                    const int32_t o = int32_t(aA + uint32_t((int64_t(int32_t(bA) - int32_t(aA)) * f) >> 16)) & 255;
                    const uint32_t inv = 0x1000000u / uint32_t(o + 1);
                    result = uint32_t(o) << 24;
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const int32_t ma = int32_t((((pa >> shift) & 255) * (aA + 1)) >> 8);
                        const int32_t mb = int32_t((((pb >> shift) & 255) * (bA + 1)) >> 8);
                        const int32_t m = int32_t(ma + int32_t((int64_t(mb - ma) * f) >> 16)) & 255;
                        result |= ((uint32_t(m) * inv) >> 16 & 255) << shift;
                    }
                }
                row[x] = result;
            }
        }
    }
    if (refreshEffects)
        PNU_TRY(RefreshAllEffects());
    (void)Invalidate(false);
    return UpdateIf(update);
}
