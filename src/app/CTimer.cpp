#include "app/CTimer.h"

#include "platform/Clock.h"

uint64_t CurrentMilliseconds()
{
    return plat::Microseconds() / 1000;
}

CTimer::CTimer()
{
    Reset();
}

void CTimer::Reset()
{
    seconds = plat::TickCount() / 60;
    milliseconds = CurrentMilliseconds();
    microseconds = uint32_t(plat::Microseconds());
    reserved = 0;
}

uint64_t CTimer::GetElapsedMilliseconds() const
{
    uint64_t now = CurrentMilliseconds();
    return now > milliseconds ? now - milliseconds : 0;
}
