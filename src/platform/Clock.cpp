#include "platform/Clock.h"

#include <cerrno>
#include <ctime>

namespace plat {
namespace {

class MonotonicClock final : public Clock {
public:
    uint64_t NowMicroseconds() const override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
    }

    void SleepUntil(uint64_t deadline) override
    {
        timespec until{};
        until.tv_sec = time_t(deadline / 1000000u);
        until.tv_nsec = long(deadline % 1000000u) * 1000;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
    }
};

MonotonicClock gMonotonicClock;
Clock* gClock = &gMonotonicClock;

} // namespace

Clock& GetClock() { return *gClock; }

void SetClock(Clock* clock) { gClock = clock ? clock : &gMonotonicClock; }

uint64_t Microseconds() { return gClock->NowMicroseconds(); }

uint32_t TickCount() { return uint32_t(gClock->NowMicroseconds() * 60u / 1000000u); }

} // namespace plat
