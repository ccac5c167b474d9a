// A coloured container widget that shows a 32-bit image at its top-left corner: an image loaded
// by name (privately or through the image pool) or set by code. The image may stay in its
// run-length form; painting and hit testing read that form in place. Two list entries can be
// cross-faded into the widget's own picture.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// CrossFadeListEntries.
#pragma once

#include "core/FourCharCode.h"
#include "imaging/CPixel.h"
#include "widgets/CImageWidgetT.h"

class CImage;
class CImNav;
class gCImageList;

class CImWidget : public CImageWidgetT<CImWidget, CImage, gCImageList> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("imwg");

    using CImWidgetDataHolder = CImageWidgetDataHolder;

    // What sets this widget apart from the mask widget in their shared body.
    using Navigator = CImNav;
    static uint8_t CoverageOf(CPixel pixel) { return uint8_t(pixel >> 24); }
    static constexpr bool kPictureWithinWorkLimit = true;
    // Each subclass loader may name itself in these.
    static const sImageStepMessages kImageStepMessages;
    static const sChunkMessages kChunkMessages;

    CImWidget() = default;
    ~CImWidget() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    eResultCode RefreshEffect(CWidgetEffectBase* effect, bool update) override;

    // The index last chosen, which a cross-fade between entries leaves as it was.
    eResultCode SetImageListIndex(int32_t index, bool sizeToImage, bool update) override;
    int32_t GetImageListIndex() const override;
    eResultCode FillImage() override;
    virtual eResultCode CrossFade(CImage* from, CImage* to, float t, bool refreshEffects, bool update);
    virtual eResultCode CrossFadeListEntries(int32_t from, int32_t to, float t, bool refreshEffects, bool update);

protected:
    int32_t mListIndex = 0;
};

extern template class CImageWidgetT<CImWidget, CImage, gCImageList>;
