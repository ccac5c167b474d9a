// The checks a RIFF WAVE header must pass before a sound takes its samples. Written once for any
// reader with the stream's typed reads (ReadULong, ReadUShort, GetPos, SetPos), so the file, memory
// and raw-byte forms apply exactly the same rules.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

struct sWaveLayout {
    uint32_t bits = 0;       // 16 = signed 16-bit, anything else 8-bit
    uint32_t channels = 0;   // 2 = stereo, anything else mono
    uint32_t rate = 0;
    uint32_t dataSize = 0;
    int64_t dataOffset = 0;  // position of the first sample byte
};

// The tags as ReadULong gives them: the four bytes in file order, little-endian.
inline constexpr uint32_t kWaveTagRIFF = 0x46464952;
inline constexpr uint32_t kWaveTagWAVE = 0x45564157;
inline constexpr uint32_t kWaveTagFmt = 0x20746D66;
inline constexpr uint32_t kWaveTagFact = 0x74636166;
inline constexpr uint32_t kWaveTagData = 0x61746164;

// Reads the header from the reader's position up to the first sample byte, where it leaves the
// reader. `length` is the length of the whole stream. A failed read or seek returns its own code; a
// broken rule eInvalidFile. `zeroBitsAsEight` takes 0 bits per sample with a block align of 1 as 8.
template <typename Reader>
eResultCode ReadWaveLayout(Reader& reader, int64_t length, sWaveLayout& layout, bool zeroBitsAsEight)
{
    int64_t remaining = length - reader.GetPos();
    if (remaining < 20)
        return eInvalidFile;
    uint32_t tag = 0;
    PNU_TRY(reader.ReadULong(tag));
    if (tag != kWaveTagRIFF)
        return eInvalidFile;
    uint32_t riffSize = 0;
    PNU_TRY(reader.ReadULong(riffSize));
    if (remaining - 4 < int64_t(riffSize))
        return eInvalidFile;
    PNU_TRY(reader.ReadULong(tag));
    if (tag != kWaveTagWAVE)
        return eInvalidFile;
    PNU_TRY(reader.ReadULong(tag));
    if (tag != kWaveTagFmt)
        return eInvalidFile;
    uint32_t fmtSize = 0;
    PNU_TRY(reader.ReadULong(fmtSize));

    int64_t fmtStart = reader.GetPos();
    uint16_t formatTag = 0, channels = 0, blockAlign = 0, bits = 0;
    uint32_t rate = 0, byteRate = 0;
    PNU_TRY(reader.ReadUShort(formatTag));
    PNU_TRY(reader.ReadUShort(channels));
    PNU_TRY(reader.ReadULong(rate));
    PNU_TRY(reader.ReadULong(byteRate));
    PNU_TRY(reader.ReadUShort(blockAlign));
    PNU_TRY(reader.ReadUShort(bits));
    (void)formatTag;
    (void)byteRate;
    if (zeroBitsAsEight && bits == 0 && blockAlign == 1)
        bits = 8;
    if (blockAlign == 0 || blockAlign != (uint32_t(channels) * bits) / 8)
        return eInvalidFile;
    // A rate of 0 would make every duration a division by zero.
    if (rate == 0)
        return eInvalidFile;

    PNU_TRY(reader.SetPos(fmtStart + int64_t(fmtSize)));
    PNU_TRY(reader.ReadULong(tag));
    if (tag == kWaveTagFact) {
        uint32_t factSize = 0;
        PNU_TRY(reader.ReadULong(factSize));
        (void)reader.SetPos(reader.GetPos() + int64_t(factSize));
        PNU_TRY(reader.ReadULong(tag));
    }
    if (tag != kWaveTagData)
        return eInvalidFile;
    uint32_t dataSize = 0;
    PNU_TRY(reader.ReadULong(dataSize));
    if (reader.GetPos() + int64_t(dataSize) > length)
        return eInvalidFile;

    layout.bits = bits;
    layout.channels = channels;
    layout.rate = rate;
    layout.dataSize = dataSize;
    layout.dataOffset = reader.GetPos();
    return eSuccess;
}

// Reads little-endian values from bytes in memory with the stream's result codes: 16 for a read
// that does not fit, 16 for a position outside the bytes.
class CByteSpanReader {
public:
    CByteSpanReader(const uint8_t* bytes, int64_t size) : mBytes(bytes), mSize(bytes ? size : 0) {}

    int64_t GetPos() const { return mPos; }
    int64_t GetLength() const { return mSize; }
    eResultCode SetPos(int64_t position)
    {
        if (position < 0 || position > mSize)
            return eStreamError;
        mPos = position;
        return eSuccess;
    }
    eResultCode ReadULong(uint32_t& value)
    {
        if (mSize - mPos < 4)
            return eStreamError;
        const uint8_t* at = mBytes + mPos;
        value = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
        mPos += 4;
        return eSuccess;
    }
    eResultCode ReadUShort(uint16_t& value)
    {
        if (mSize - mPos < 2)
            return eStreamError;
        const uint8_t* at = mBytes + mPos;
        value = uint16_t(at[0] | at[1] << 8);
        mPos += 2;
        return eSuccess;
    }

private:
    const uint8_t* mBytes;
    int64_t mSize;
    int64_t mPos = 0;
};
