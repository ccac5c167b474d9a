#include "Network/CTransferRateFloor.h"

void CTransferRateFloor::Start(uint64_t now, uint64_t window, uint64_t leastBytes)
{
    *this = CTransferRateFloor();
    mStart = now;
    mWindow = window;
    mLeast = window == 0 ? 0 : leastBytes;
    // Rounded up: kSlots whole slots span at least the window.
    mSlotLength = (window + kSlots - 1) / kSlots;
}

void CTransferRateFloor::MoveTo(uint64_t now)
{
    if (mLeast == 0)
        return;
    const uint64_t slot = now > mStart ? (now - mStart) / mSlotLength : 0;
    if (slot <= mSlot)
        return;
    if (slot - mSlot > kSlots) {
        for (uint64_t& count : mCounts)
            count = 0;
        mSum = 0;
    } else {
        for (uint64_t next = mSlot + 1; next <= slot; ++next) {
            uint64_t& count = mCounts[next % (kSlots + 1)];
            mSum -= count;
            count = 0;
        }
    }
    mSlot = slot;
}

void CTransferRateFloor::Add(uint64_t now, uint64_t count)
{
    MoveTo(now);
    mCounts[mSlot % (kSlots + 1)] += count;
    mSum += count;
}

bool CTransferRateFloor::IsBelow(uint64_t now)
{
    if (mLeast == 0 || now < mStart || now - mStart < mWindow)
        return false;
    MoveTo(now);
    return mSum < mLeast;
}
