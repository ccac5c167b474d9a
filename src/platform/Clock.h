// The program's clock: monotonic microseconds since an arbitrary origin. Timers, tick counts and
// the event loop read it through this interface so that tests can put a manual clock in place.
#pragma once

#include <cstdint>

namespace plat {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time in microseconds; never goes backwards.
    virtual uint64_t NowMicroseconds() const = 0;
    // Blocks until the clock reads at least `deadline` (a manual clock simply moves there).
    virtual void SleepUntil(uint64_t deadline) = 0;
};

// The clock in use: the system's monotonic clock unless a test replaced it.
Clock& GetClock();
// Puts `clock` in place (null restores the system clock). The caller keeps ownership.
void SetClock(Clock* clock);

// 64-bit microseconds of the clock in use.
uint64_t Microseconds();
// Ticks of 1/60 s of the clock in use; the 32-bit value wraps like the system counter it replaces.
uint32_t TickCount();

} // namespace plat
