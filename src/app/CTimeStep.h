// Moves a value towards a target in whole steps, one step per interval, shaped by a curve. Polled:
// the value is computed when asked for. Its user retargets it through the fields: start value =
// current value, target = the new target, timer.Reset(), running = 1.
#pragma once

#include "app/CTimer.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

class CTimeStep : public gCResourceObject {
public:
    CTimeStep(float start, float target, float intervalMilliseconds, float step, bool running);
    ~CTimeStep() override = default;

    // The shaped value now; clears running when the target is reached. Callers read currentValue
    // directly while running is 0.
    float GetValue();

    float interval;        // milliseconds per step
    float step;            // only its magnitude is used
    float currentValue;    // unshaped
    float targetValue;
    uint32_t running;
    float startValue;
    CTimer timer;
    int32_t curve = 1;
    float curveParameter = 0.75f;
};
