// Makes the owner look cut into the surface: a soft inner edge where the owner's shape, blurred
// and shifted, no longer covers it. The coverage is rebuilt whenever the geometry changes and
// drawing only reads it.
#pragma once

#include "core/FourCharCode.h"
#include "core/gCPoint.h"
#include "widgets/CWidgetEffectBase.h"

class CRLE8;

class CWidgetEffectCutout : public CWidgetEffectBase {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("ctfx");

    CWidgetEffectCutout() = default;
    ~CWidgetEffectCutout() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage* shape) override;

    eResultCode SetOffset(const gCPoint& offset, bool update);
    const gCPoint& GetOffset() const { return mOffset; }
    eResultCode BuildCutoutMask();

    uint32_t GetColour() const { return mColour; }
    void SetColour(uint32_t colour) { mColour = colour; }
    float GetRadius() const { return mRadius; }
    // A negative (or not-a-number) radius has no blur to give and is refused.
    eResultCode SetRadius(float radius);
    const CRLE8* GetCutoutMask() const { return mCutoutMask; }
    // The part of rect the cutout mask covers (owner-local): what of the owner can show.
    const gCRect& GetMaskArea() const { return mMaskArea; }

private:
    gCRect ShapeNeeded() const;

    CRLE8* mCutoutMask = nullptr;
    CRLE8* mShapeMask = nullptr;
    uint32_t mColour = 0xFF000000u;
    float mRadius = 1.0f;
    gCPoint mOffset{1, 1};
    gCRect mMaskArea;
    // Set for a plain owner: its shape is its whole rect and no shape mask is held.
    uint32_t mWholeRectShape = 0;
    // The part of the owner's shape the shape mask holds (owner-local).
    gCRect mShapeArea;
    gCRect mShapeBounds;
    uint32_t mRefetching = 0;
};
