// A coloured container widget split into a frame area, built by code from rectangles and painted
// in the frame colour, and a fill area, the rest of its rect, painted in the widget colour.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: the frame
// colour's setter and getter, SetClearFrameOnResize, AddFrameRect, RemoveFrameRect and ClearFrame.
#pragma once

#include "core/FourCharCode.h"
#include "imaging/CPixel.h"
#include "widgets/CCoWidget.h"
#include "widgets/CRegion.h"
#include "widgets/CreateLoadedWidget.h"

class CFrameWidget : public CLoadedWidgetT<CFrameWidget, CCoWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("fmwg");

    CFrameWidget() = default;
    ~CFrameWidget() override = default;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    eResultCode OnRectChanged() override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;

    virtual eResultCode SetFrameColour(uint32_t colour, bool update);
    virtual uint32_t GetFrameColour() const { return mFrameColour; }
    virtual void SetClearFrameOnResize(bool clear) { mClearFrameOnResize = clear; }
    // Both move area between the regions, so the frame and the fill never overlap.
    virtual eResultCode AddFrameRect(const gCRect& rect, bool update);
    virtual eResultCode RemoveFrameRect(const gCRect& rect, bool update);
    virtual eResultCode ClearFrame(bool update);

    const CRegion& GetFrameRegion() const { return mFrame; }
    const CRegion& GetFillRegion() const { return mFill; }

protected:
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder);
    eResultCode PaintRegion(const CRegion& region, const gCRect& area, CImage* target, CPixel colour);

    uint32_t mFrameColour = 0xFF000000u;
    CRegion mFrame;
    CRegion mFill;
    bool mClearFrameOnResize = true;
};
