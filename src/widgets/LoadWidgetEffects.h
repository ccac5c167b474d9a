// Builds one widget effect from its chunk of a widget data block and attaches it to the widget.
#pragma once

#include "core/FourCharCode.h"

#include <cstdint>

class CWidget;
class CWidgetEffectBase;
class gCStream;

inline constexpr uint32_t kGradientEffectTag = FourCharCode("grdf");
inline constexpr uint32_t kBorderEffectTag = FourCharCode("brde");
inline constexpr uint32_t kCutoutEffectTag = FourCharCode("ctot");
inline constexpr uint32_t kShadowEffectTag = FourCharCode("shad");
inline constexpr uint32_t kGlowEffectTag = FourCharCode("glow");
inline constexpr uint32_t kTextureEffectTag = FourCharCode("txtr");

// The stream stands just after the chunk's tag. Returns the attached effect, or null after an
// alert. Without a stream the effect keeps its defaults; without a widget the fields are read,
// nothing is attached, and the caller owns the effect.
CWidgetEffectBase* LoadWidgetEffects(uint32_t tag, CWidget* widget, gCStream* stream);
