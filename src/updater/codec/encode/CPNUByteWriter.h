// Byte output of the codec's encoders: never writes past its capacity, remembers an overflow.
#pragma once

#include <cstdint>
#include <cstring>

class CPNUByteWriter {
public:
    CPNUByteWriter(uint8_t* out, uint64_t capacity) : mOut(out), mCapacity(capacity) {}

    void Put(uint8_t byte)
    {
        if (mLength < mCapacity)
            mOut[mLength++] = byte;
        else
            mOverflow = true;
    }

    // 7-bit groups, most significant first, bit 7 set on every byte but the last; fewest groups.
    void PutVarint(uint32_t value)
    {
        int32_t shift = 28;
        while (shift > 0 && (value >> shift) == 0)
            shift -= 7;
        for (; shift > 0; shift -= 7)
            Put(uint8_t(0x80 | ((value >> shift) & 0x7F)));
        Put(uint8_t(value & 0x7F));
    }

    void PutBytes(const uint8_t* bytes, uint64_t count)
    {
        if (count > mCapacity - mLength) {
            count = mCapacity - mLength;
            mOverflow = true;
        }
        memcpy(mOut + mLength, bytes, size_t(count));
        mLength += count;
    }

    // Output that was lost elsewhere makes this output incomplete too.
    void SetOverflowed() { mOverflow = true; }

    bool Overflowed() const { return mOverflow; }
    uint64_t Length() const { return mLength; }

private:
    uint8_t* mOut;
    uint64_t mCapacity;
    uint64_t mLength = 0;
    bool mOverflow = false;
};
