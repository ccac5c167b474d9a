// The least a transfer must move: every window of its length, once the first has passed since the
// start, must carry a number of bytes. The window slides in sixtieths of its length, held as a
// small ring of counts, so watching a transfer costs the same however long it runs.
#pragma once

#include <cstdint>

class CTransferRateFloor {
public:
    static constexpr uint32_t kSlots = 60;

    // Watches from `now` on; a window or an amount of 0 watches nothing.
    void Start(uint64_t now, uint64_t window, uint64_t leastBytes);
    void Add(uint64_t now, uint64_t count);
    // Whether the transfer is at least a window old and the last window carried less than the least.
    bool IsBelow(uint64_t now);

private:
    // Moves the ring to the slot of `now`, emptying the slots passed.
    void MoveTo(uint64_t now);

    uint64_t mStart = 0;
    uint64_t mWindow = 0;
    uint64_t mSlotLength = 0;
    uint64_t mLeast = 0;
    uint64_t mSlot = 0;
    uint64_t mSum = 0;
    // The slot in progress and the kSlots whole ones before it: what the sum covers is never
    // shorter than the window, so a transfer that keeps the floor is never stopped.
    uint64_t mCounts[kSlots + 1] = {};
};
