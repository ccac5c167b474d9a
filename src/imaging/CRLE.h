// Run-length form of a 32-bit image in 32-bit words: a row index (the word position of each
// row's first token), then the tokens row after row, then one spare word. A run is a count
// (2 .. 0x7FFFFFFF) and a pixel; a literal is 0x80000000 + count followed by the pixels. All
// pixels with alpha 0 count as equal. When the form would not pay, the rows are held raw and the
// reader works the same way.
#pragma once

#include "imaging/CPixel.h"
#include "imaging/CRunLengthT.h"

#include <cstdint>

class CImage;
class CImNav;

// How the 32-bit form reads its token headers and row index.
struct sWordTokens {
    static constexpr uint32_t kLiteralFlag = 0x80000000u;
    static constexpr uint32_t kCountMask = 0x7FFFFFFFu;
    static constexpr uint32_t kParkedRemaining = kCountMask;
    static void Decode(uint32_t word, uint32_t& count, bool& literal)
    {
        count = word & kCountMask;
        literal = (word & kLiteralFlag) != 0;
    }
    static uint32_t RowStart(const CPixel* data, int32_t y) { return data[y]; }
};

class CRLE : public CRunLengthT<CPixel, sWordTokens> {
public:
    // Size in words the form of the whole image would take; width x height when the image
    // cannot be locked or the form would not pay.
    int64_t MeasureImage(CImage* image) const;
    static int64_t Measure(const CImNav& area);
    eResultCode EncodeImage(CImage* image);
    eResultCode Encode(const CImNav& area);
};
