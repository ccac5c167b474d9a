#include "updater/PNUButtonGlow.h"

#include <cmath>

PNUButtonGlow::PNUButtonGlow() : mSteps{CTimeStep(0.0f, 0.0f, 2.0f, 1.0f, false), CTimeStep(0.0f, 0.0f, 2.0f, 1.0f, false)}
{
}

void PNUButtonGlow::Reset()
{
    for (CTimeStep& step : mSteps) {
        step.startValue = 0.0f;
        step.currentValue = 0.0f;
        step.targetValue = 0.0f;
        step.running = 0;
        step.timer.Reset();
    }
    mOpacity[0] = 0;
    mOpacity[1] = 0;
}

void PNUButtonGlow::Retarget(CTimeStep& step, float target)
{
    // Retargeting every heartbeat would restart the ramp each time and it would never move.
    if (step.targetValue == target)
        return;
    step.startValue = step.running ? step.GetValue() : step.currentValue;
    step.currentValue = step.startValue;
    step.targetValue = target;
    step.timer.Reset();
    step.running = 1;
}

bool PNUButtonGlow::Heartbeat(bool overButton, int32_t pointerX, bool panelActive)
{
    const float glow = float(kGlowOpacity);
    if (!overButton) {
        Retarget(mSteps[0], 0.0f);
        Retarget(mSteps[1], 0.0f);
    } else if (pointerX > kSplitX) {
        Retarget(mSteps[0], glow);
        Retarget(mSteps[1], 0.0f);
    } else {
        Retarget(mSteps[0], 0.0f);
        // The message part glows only while it has something to offer.
        Retarget(mSteps[1], panelActive ? glow : 0.0f);
    }
    bool changed = false;
    for (int32_t part = 0; part < 2; ++part) {
        CTimeStep& step = mSteps[part];
        float value = step.running ? step.GetValue() : step.currentValue;
        int32_t opacity = int32_t(std::lround(value));
        if (opacity != mOpacity[part]) {
            mOpacity[part] = opacity;
            changed = true;
        }
    }
    return changed;
}
