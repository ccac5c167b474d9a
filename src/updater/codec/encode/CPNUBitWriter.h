// Writes the codec's bit streams: bit 7 of each byte first, values most significant bit first.
// It never writes past its capacity; an overflowing stream is reported by Finish and the bytes
// that did not fit are dropped, so a caller can fall back to another form.
#pragma once

#include <cstdint>

class CPNUBitWriter {
public:
    CPNUBitWriter(uint8_t* out, uint64_t capacity) : mOut(out), mCapacity(capacity) {}

    // count <= 32
    void Put(uint32_t value, uint32_t count)
    {
        if (count == 0)
            return;
        mAccumulator = (mAccumulator << count) | (uint64_t(value) & ((uint64_t(1) << count) - 1));
        mHeld += count;
        while (mHeld >= 8) {
            mHeld -= 8;
            Emit(uint8_t(mAccumulator >> mHeld));
        }
    }

    void PutOnes(uint32_t count)
    {
        while (count > 32) {
            Put(0xFFFFFFFFu, 32);
            count -= 32;
        }
        Put(0xFFFFFFFFu, count);
    }

    // Flushes the partly filled last byte (its unused low bits are 0). False when the stream
    // did not fit.
    bool Finish()
    {
        if (mHeld > 0) {
            Emit(uint8_t(mAccumulator << (8 - mHeld)));
            mHeld = 0;
        }
        return !mOverflow;
    }

    bool Overflowed() const { return mOverflow; }
    // Bytes the stream touches so far, a partly used last byte included.
    uint64_t ByteLength() const { return mBytes + (mHeld > 0 ? 1 : 0); }

private:
    void Emit(uint8_t byte)
    {
        if (mBytes < mCapacity)
            mOut[mBytes] = byte;
        else
            mOverflow = true;
        ++mBytes;
    }

    uint8_t* mOut;
    uint64_t mCapacity;
    uint64_t mBytes = 0;
    uint64_t mAccumulator = 0;
    uint32_t mHeld = 0;
    bool mOverflow = false;
};
