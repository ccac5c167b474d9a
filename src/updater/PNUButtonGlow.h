// The main button's glow: two animated opacities, one for the quit part right of the message
// panel and one for the message part, each ramping 1 per 2 ms towards 0 or kGlowOpacity.
#pragma once

#include "app/CTimeStep.h"

#include <cstdint>

class PNUButtonGlow {
public:
    static constexpr int32_t kGlowOpacity = 80;
    // The message panel's right edge in the button: the split between its two parts.
    static constexpr int32_t kSplitX = 199;

    PNUButtonGlow();

    // Both parts dark at once, with nothing running.
    void Reset();
    // Sets the targets from where the pointer is (button-local x); true when an opacity changed.
    bool Heartbeat(bool overButton, int32_t pointerX, bool panelActive);
    // The current opacity of part 0 (quit) or 1 (message).
    int32_t GetOpacity(int32_t part) const { return mOpacity[part & 1]; }

private:
    void Retarget(CTimeStep& step, float target);

    CTimeStep mSteps[2];
    int32_t mOpacity[2] = {0, 0};
};
