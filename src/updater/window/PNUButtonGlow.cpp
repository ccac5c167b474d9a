#include "updater/window/PNUButtonGlow.h"

CTimeStep* PNUButtonGlow::NewAnimator() { return new CTimeStep(0.0f, 0.0f, 2.0f, 1.0f, false); }

void PNUButtonGlow::Restart(CTimeStep& step)
{
    step.startValue = 0.0f;
    step.currentValue = 0.0f;
    step.targetValue = 0.0f;
    step.timer.Reset();
    step.running = 1;
}

void PNUButtonGlow::Aim(CTimeStep& step, float target)
{
    if (step.targetValue == target)
        return;
    step.startValue = step.currentValue;
    step.targetValue = target;
    step.timer.Reset();
    step.running = 1;
}

void PNUButtonGlow::AimBoth(CTimeStep& quit, CTimeStep& message, bool overButton, int32_t pointerX,
                            bool panelActive)
{
    const float glow = float(kGlowOpacity);
    if (!overButton) {
        Aim(quit, 0.0f);
        Aim(message, 0.0f);
    } else if (pointerX > kSplitX) {
        Aim(message, 0.0f);
        Aim(quit, glow);
    } else {
        Aim(quit, 0.0f);
        // The message part glows only while it has something to offer; turning the panel off
        // resets the glow, so leaving the target alone keeps it dark.
        if (panelActive)
            Aim(message, glow);
    }
}

int32_t PNUButtonGlow::Opacity(CTimeStep& step)
{
    float value = step.running ? step.GetValue() : step.currentValue;
    // Opacities are 0..255; anything else (or not a number) must not reach the integer conversion.
    if (!(value > 0.0f))
        return 0;
    if (value >= 255.0f)
        return 255;
    return int32_t(value + 0.5f);
}
