// Builds one widget effect from its chunk of a widget data block and attaches it to the widget.
#pragma once

#include <cstdint>

class CWidget;
class CWidgetEffectBase;
class gCStream;

inline constexpr uint32_t kGradientEffectTag = 0x67726466; // 'grdf'
inline constexpr uint32_t kBorderEffectTag = 0x62726465;   // 'brde'
inline constexpr uint32_t kCutoutEffectTag = 0x63746F74;   // 'ctot'
inline constexpr uint32_t kShadowEffectTag = 0x73686164;   // 'shad'
inline constexpr uint32_t kGlowEffectTag = 0x676C6F77;     // 'glow'
inline constexpr uint32_t kTextureEffectTag = 0x74787472;  // 'txtr'

// The stream stands just after the chunk's tag. Returns the attached effect, or null after an
// alert. Without a stream the effect keeps its defaults; without a widget the fields are read,
// nothing is attached, and the caller owns the effect.
CWidgetEffectBase* LoadWidgetEffects(uint32_t tag, CWidget* widget, gCStream* stream);
