// A widget that fills its rect with one colour and may carry effects named in its data block; the
// base of every drawn widget of the widget library.
#pragma once

#include "core/FourCharCode.h"
#include "widgets/CWidget.h"
#include "widgets/CreateLoadedWidget.h"

class CCoWidget : public CLoadedWidgetT<CCoWidget, CWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("cowg");

    CCoWidget() = default;
    ~CCoWidget() override = default;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    bool PaintsOpaque() const override;
    bool HitTest(const gCPoint& point) override;
    eResultCode DrawAlphaMask(CImage8* mask) override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;

    virtual void SetColour(uint32_t colour, bool update);
    virtual uint32_t GetColour() const { return mColour; }

protected:
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder);

    uint32_t mColour = 0xFFFFFFFFu;
};
