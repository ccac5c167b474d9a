// A time stamp from the program's clock, for animations that ask how long ago it was taken.
#pragma once

#include "resources/gCResourceObject.h"

#include <cstdint>

class CTimer : public gCResourceObject {
public:
    CTimer();
    ~CTimer() override = default;

    // Stamps again.
    void Reset();
    // Milliseconds since the stamp, in 64 bits: no wrap however long the program runs.
    uint64_t GetElapsedMilliseconds() const;

    uint32_t seconds = 0;       // ticks of 1/60 s / 60 at the stamp
    uint64_t milliseconds = 0;  // the clock's milliseconds at the stamp
    uint32_t microseconds = 0;  // low 32 bits of the clock's microseconds, read a second time
    uint32_t reserved = 0;
};

// The millisecond count stamps and elapsed times are taken from.
uint64_t CurrentMilliseconds();
