// Byte-wise twin of CRLE for 8-bit images, or for one byte channel of a 32-bit image: a row
// index of one u32 per row (machine byte order, memory only), then tokens of at most 126 values
// (run: count 2 .. 126 and the value; literal: 0x80 + count, then the bytes), then one spare
// byte. When the form would not pay, the rows are held raw.
#pragma once

#include "imaging/CRunLengthT.h"

#include <cstdint>
#include <cstring>

class CImage;
class CImage8;
class CImNav;
class CImNav8;

// How the byte form reads its token headers and row index.
struct sByteTokens {
    static constexpr uint32_t kParkedRemaining = UINT32_MAX;
    static void Decode(uint8_t byte, uint32_t& count, bool& literal)
    {
        count = byte & 0x7Fu;
        literal = (byte & 0x80) != 0;
    }
    // The row index holds one 32-bit word per row, in machine byte order.
    static uint32_t RowStart(const uint8_t* data, int32_t y)
    {
        uint32_t start = 0;
        memcpy(&start, data + size_t(y) * 4, 4);
        return start;
    }
};

class CRLE8 : public CRunLengthT<uint8_t, sByteTokens> {
public:
    int64_t MeasureImage(CImage8* image) const;
    static int64_t Measure(const CImNav8& area);
    eResultCode EncodeImage(CImage8* image);
    eResultCode Encode(const CImNav8& area);
    // One byte of each pixel: alpha when alphaFlag is nonzero, else green.
    eResultCode EncodeImageChannel(CImage* image, int32_t alphaFlag);
    eResultCode EncodeChannel(const CImNav& area, int32_t alphaFlag);

private:
    template <typename Rows>
    static int64_t MeasureRows(const Rows& rows, int32_t width, int32_t height);
    template <typename Rows>
    eResultCode EncodeRows(const Rows& rows, int32_t width, int32_t height);
};
