// One-pixel lines along the four edges of the owner, each side in its own colour; the defaults
// (light top and left, dark bottom and right) give a bevelled edge.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetLightColour and SetDarkColour.
#pragma once

#include "core/FourCharCode.h"
#include "widgets/CWidgetEffectBase.h"

class CWidgetEffectBorder : public CWidgetEffectBase {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("bdfx");
    enum eSide : uint32_t { eTop = 1, eBottom = 2, eLeft = 4, eRight = 8 };

    CWidgetEffectBorder();

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage*) override { return Refresh(); }

    virtual eResultCode SetWidth(float width, bool update);
    virtual float GetWidth() const { return mWidth; }
    virtual eResultCode SetActiveSides(uint32_t sides, uint32_t pattern, bool update);
    virtual eResultCode SetSideColour(uint32_t sides, const uint32_t* colour, bool update);
    virtual eResultCode SetLightColour(const uint32_t* colour, bool update) { return SetSideColour(eTop | eLeft, colour, update); }
    virtual eResultCode SetDarkColour(const uint32_t* colour, bool update) { return SetSideColour(eBottom | eRight, colour, update); }

    uint32_t GetSideColour(eSide side) const;
    // Stored for the side's user; lines are always drawn solid.
    uint32_t GetSidePattern(eSide side) const;

private:
    eResultCode RefreshThroughOwner(bool update);
    static int32_t SideIndex(eSide side);

    // Top, left, bottom, right.
    uint32_t mColours[4] = {0xA0FFFFFFu, 0xA0FFFFFFu, 0x80000000u, 0x80000000u};
    float mWidth = 1.0f;
    uint32_t mPatterns[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
};
