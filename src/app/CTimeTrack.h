// Maps the time since its start onto a value between a start and an end: once, looping, or back
// and forth, shaped by a curve. Polled: callers ask for the value while running is set and use the
// end value otherwise.
#pragma once

#include "app/CTimer.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

class CTimeTrack : public gCResourceObject {
public:
    enum eMode : int32_t { eOnce = 0, eLoop = 1, ePingPong = 2 };

    CTimeTrack(float start, float end, float durationMilliseconds, float steps, int32_t mode, bool running);
    ~CTimeTrack() override = default;

    float GetValue();

    float startValue;
    float endValue;
    float duration;   // milliseconds for one pass
    float steps;      // above 0: the fraction moves in this many steps
    int32_t mode;     // any other value holds the fraction at 0
    uint32_t running;
    CTimer timer;
    int32_t curve = 1;
    float curveParameter = 0.75f;
};
