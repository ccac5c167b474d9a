// A shadow that lights instead of darkening: the blurred shape is added to the pixels under it,
// and colour that overflows one channel spills into the others, so strong glows turn white.
#pragma once

#include "core/FourCharCode.h"
#include "imaging/CPixel.h"
#include "widgets/CWidgetEffectShadow.h"

class CWidgetEffectGlow : public CWidgetEffectShadow {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("glfx");

    CWidgetEffectGlow();

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;

    static void GlowPixel(CPixel* destination, const CPixel* colour, uint32_t coverage);
};
