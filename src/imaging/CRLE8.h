// Byte-wise twin of CRLE for 8-bit images, or for one byte channel of a 32-bit image: a row
// index of one u32 per row (machine byte order, memory only), then tokens of at most 126 values
// (run: count 2 .. 126 and the value; literal: 0x80 + count, then the bytes), then one spare
// byte. When the form would not pay, the rows are held raw.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"

#include <cstdint>

class CImage;
class CImage8;
class CImNav;
class CImNav8;

class CRLE8 : public gCBaseObject {
public:
    struct sReader {
        uint32_t position = 0;
        uint32_t remaining = 0;
        int32_t literal = 0;
    };

    CRLE8() = default;
    ~CRLE8() override;

    CRLE8(const CRLE8&) = delete;
    CRLE8& operator=(const CRLE8&) = delete;

    int64_t MeasureImage(CImage8* image) const;
    static int64_t Measure(const CImNav8& area);
    static int64_t MeasureChannel(const CImNav& area, int32_t alphaFlag);
    eResultCode EncodeImage(CImage8* image);
    eResultCode Encode(const CImNav8& area);
    // One byte of each pixel: alpha when alphaFlag is nonzero, else green.
    eResultCode EncodeImageChannel(CImage* image, int32_t alphaFlag);
    eResultCode EncodeChannel(const CImNav& area, int32_t alphaFlag);

    void Seek(int32_t x, int32_t y) { mReader = SeekReader(x, y); }
    uint8_t ReadNext() { return Read(mReader); }
    const sReader& GetReader() const { return mReader; }

    sReader SeekReader(int32_t x, int32_t y) const;
    uint8_t Read(sReader& reader) const
    {
        uint8_t value = mData[reader.position];
        if (reader.literal)
            ++reader.position;
        if (--reader.remaining == 0)
            LoadToken(reader, reader.literal ? reader.position : reader.position + 1);
        return value;
    }

    int32_t IsEncoded() const { return mEncoded; }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    uint32_t GetCount() const { return mCount; }
    const uint8_t* GetData() const { return mData; }
    // The row index entry of row y (its first token's byte position).
    uint32_t GetRowStart(int32_t y) const;

private:
    template <typename Rows>
    static int64_t MeasureRows(const Rows& rows, int32_t width, int32_t height);
    template <typename Rows>
    eResultCode EncodeRows(const Rows& rows, int32_t width, int32_t height);
    void LoadToken(sReader& reader, uint32_t header) const;
    eResultCode SizeBlock(uint64_t bytes);

    uint32_t mCount = 0;
    uint8_t* mData = nullptr;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mEncoded = 0;
    sReader mReader;
};
