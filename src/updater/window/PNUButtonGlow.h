// The main button's glow: two animators, one for the quit part right of the message panel and one
// for the message part, each ramping 1 per 2 ms towards 0 or kGlowOpacity. The animators belong to
// the button (its user objects 0 and 1); these steps only aim and read them.
#pragma once

#include "app/CTimeStep.h"

#include <cstdint>

struct PNUButtonGlow {
    static constexpr int32_t kGlowOpacity = 80;
    // The message panel's right edge in the button: the split between its two parts.
    static constexpr int32_t kSplitX = 199;
    enum : int32_t { kQuitPart = 0, kMessagePart = 1 };

    // An animator as the button holds it: at 0, aiming at 0, not running.
    static CTimeStep* NewAnimator();
    // Back to 0 with target 0, restamped and running.
    static void Restart(CTimeStep& step);
    // A new target restarts the ramp from the stored value; the same target changes nothing, so
    // aiming on every heartbeat does not hold the ramp at its start.
    static void Aim(CTimeStep& step, float target);
    // Both targets from where the pointer is: overButton when the rollover widget is the button,
    // pointerX in the button's own coordinates.
    static void AimBoth(CTimeStep& quit, CTimeStep& message, bool overButton, int32_t pointerX, bool panelActive);
    // The animator's value now, rounded half away from zero, as an opacity.
    static int32_t Opacity(CTimeStep& step);
};
