// A clock that moves only when told to: sleeping jumps to the deadline. Tests use it to drive
// timers and the event loop deterministically.
#pragma once

#include "platform/Clock.h"

namespace plat {

class ManualClock final : public Clock {
public:
    explicit ManualClock(uint64_t start = 1000000) : mNow(start) {}

    uint64_t NowMicroseconds() const override { return mNow; }
    void SleepUntil(uint64_t deadline) override
    {
        if (deadline > mNow)
            mNow = deadline;
    }
    void Advance(uint64_t microseconds) { mNow += microseconds; }

private:
    uint64_t mNow;
};

// Installs a manual clock for the lifetime of the scope.
class ScopedManualClock {
public:
    explicit ScopedManualClock(uint64_t start = 1000000) : mClock(start) { SetClock(&mClock); }
    ~ScopedManualClock() { SetClock(nullptr); }
    ManualClock& operator*() { return mClock; }
    ManualClock* operator->() { return &mClock; }

    ScopedManualClock(const ScopedManualClock&) = delete;
    ScopedManualClock& operator=(const ScopedManualClock&) = delete;

private:
    ManualClock mClock;
};

} // namespace plat
