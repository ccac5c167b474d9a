// A coloured container widget that paints a soft shadow: its colour with an alpha that falls
// off along Gaussian curves towards the chosen sides. The falloff is separable, one profile
// across the width and one down the height, rebuilt only when the size or settings change.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: GetSides
// and SetSides.
#pragma once

#include "core/CMemBlockT.h"
#include "core/FourCharCode.h"
#include "widgets/CCoWidget.h"
#include "widgets/CreateLoadedWidget.h"

class CShadWidget : public CLoadedWidgetT<CShadWidget, CCoWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("shwg");

    enum : uint32_t { kTop = 1, kBottom = 2, kLeft = 4, kRight = 8 };

    CShadWidget();
    ~CShadWidget() override = default;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    eResultCode OnRectChanged() override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;

    virtual uint32_t GetSides() const { return mSides; }
    virtual eResultCode SetSides(uint32_t mask, bool update);
    virtual eResultCode AddSides(uint32_t bits, bool update);
    virtual eResultCode RemoveSides(uint32_t bits, bool update);
    virtual float GetRadius() const { return mRadius; }
    // A negative radius spreads the falloff over the whole extent; not-a-number is refused.
    virtual eResultCode SetRadius(float radius, bool update);
    virtual eResultCode BuildProfiles();

    const float* GetHorizontalProfile() const { return mHorizontal.GetData(); }
    const float* GetVerticalProfile() const { return mVertical.GetData(); }
    bool AreProfilesStale() const { return mStale; }

protected:
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder);
    eResultCode MarkStale(bool update);

    uint32_t mSides = kBottom;
    CMemBlockT<float> mHorizontal;
    CMemBlockT<float> mVertical;
    bool mStale = true;
    float mRadius = -1.0f;
};
