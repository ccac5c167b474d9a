// Makes the owner look cut into the surface: a soft inner edge where the owner's shape, blurred
// and shifted, no longer covers it. The coverage is rebuilt whenever the geometry changes and
// drawing only reads it.
#pragma once

#include "core/FourCharCode.h"
#include "core/gCPoint.h"
#include "widgets/CWidgetEffectSoftEdge.h"

class CRLE8;

class CWidgetEffectCutout : public CWidgetEffectSoftEdge {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("ctfx");

    CWidgetEffectCutout() : CWidgetEffectSoftEdge(1.0f, gCPoint{1, 1}) {}
    ~CWidgetEffectCutout() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage* shape) override;
    gCRect ShapeRead(int32_t width, int32_t height) override;

    eResultCode SetOffset(const gCPoint& offset, bool update);
    eResultCode BuildCutoutMask();

    const CRLE8* GetCutoutMask() const { return mCutoutMask; }
    // The part of rect the cutout mask covers (owner-local): what of the owner can show.
    const gCRect& GetMaskArea() const { return mMaskArea; }

private:
    gCRect ShapeNeeded() const;

    CRLE8* mCutoutMask = nullptr;
    CRLE8* mShapeMask = nullptr;
    gCRect mMaskArea;
    // Set for a plain owner: its shape is its whole rect and no shape mask is held.
    uint32_t mWholeRectShape = 0;
    // The part of the owner's shape the shape mask holds (owner-local).
    gCRect mShapeArea;
    gCRect mShapeBounds;
    uint32_t mRefetching = 0;
};
