// What the drop shadow and the cutout share: the owner's shape, blurred by a radius and shifted by
// an offset, in one colour. Each effect starts from its own radius and offset.
#pragma once

#include "core/gCPoint.h"
#include "widgets/CWidgetEffectBase.h"

class CWidgetEffectSoftEdge : public CWidgetEffectBase {
public:
    const gCPoint& GetOffset() const { return mOffset; }
    uint32_t GetColour() const { return mColour; }
    void SetColour(uint32_t colour) { mColour = colour; }
    float GetRadius() const { return mRadius; }
    // A negative (or not-a-number) radius has no blur to give and is refused.
    eResultCode SetRadius(float radius)
    {
        if (!(radius >= 0.0f))
            return eBadParameter;
        mRadius = radius;
        return eSuccess;
    }

protected:
    CWidgetEffectSoftEdge(float radius, const gCPoint& offset) : mRadius(radius), mOffset(offset) {}

    uint32_t mColour = 0xFF000000u;
    float mRadius;
    gCPoint mOffset;
};
