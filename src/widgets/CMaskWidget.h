// A coloured container widget that paints its colour through an 8-bit mask at its top-left
// corner: each mask byte scales the colour's alpha. The mask is loaded by name (privately or
// through the image pool), set by code, or rendered by a subclass.
#pragma once

#include "core/FourCharCode.h"
#include "widgets/CImageWidgetT.h"

class CImage8;
class CImNav8;
class gCImageList8;

class CMaskWidget : public CImageWidgetT<CMaskWidget, CImage8, gCImageList8> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("mkwg");

    using CMaskWidgetDataHolder = CImageWidgetDataHolder;

    // What sets this widget apart from the image widget in their shared body.
    using Navigator = CImNav8;
    static uint8_t CoverageOf(uint8_t value) { return value; }
    static constexpr bool kPictureWithinWorkLimit = false;
    static const sImageStepMessages kImageStepMessages;
    static const sChunkMessages kChunkMessages;

    CMaskWidget() = default;
    ~CMaskWidget() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    eResultCode RefreshEffect(CWidgetEffectBase* effect, bool update) override;
    eResultCode FillImage() override;
};

extern template class CImageWidgetT<CMaskWidget, CImage8, gCImageList8>;
