// Reads the codec's bit streams (bit 7 of each byte first, values most significant bit first).
// Bits past the end read as 0 and are remembered, so a decoder can tell a stream that was cut
// short from one that ended where its writer stopped.
#pragma once

#include <cstdint>

class CPNUBitReader {
public:
    CPNUBitReader(const uint8_t* data, uint64_t length) : mData(data), mLength(length) {}

    // count <= 32
    uint32_t Get(uint32_t count)
    {
        if (count == 0)
            return 0;
        if (mAvailable < count)
            Refill();
        uint32_t value = uint32_t(mBuffer >> (64 - count));
        mBuffer <<= count;
        mConsumed += count;
        mAvailable = mAvailable >= count ? mAvailable - count : 0;
        return value;
    }

    uint32_t GetBit() { return Get(1); }

    // Counts one-bits up to the next zero bit (consumed too), giving up after `limit` ones.
    uint32_t CountOnes(uint32_t limit)
    {
        uint32_t ones = 0;
        while (ones <= limit && GetBit() == 1)
            ++ones;
        return ones;
    }

    bool PastEnd() const { return mConsumed > mLength * 8; }
    // Bytes touched by what has been read, a partly read last byte included.
    uint64_t ConsumedBytes() const { return (mConsumed + 7) / 8; }

private:
    void Refill()
    {
        while (mAvailable <= 56 && mNext < mLength) {
            mBuffer |= uint64_t(mData[mNext++]) << (56 - mAvailable);
            mAvailable += 8;
        }
    }

    const uint8_t* mData;
    uint64_t mLength;
    uint64_t mNext = 0;
    uint64_t mBuffer = 0;
    uint32_t mAvailable = 0;
    uint64_t mConsumed = 0;
};
