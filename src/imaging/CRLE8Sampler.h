// Bilinear sampling over two rows of a CRLE8, with the same reader caching as CRLESampler.
#pragma once

#include "imaging/CRLE8.h"

class CRLE8Sampler {
public:
    explicit CRLE8Sampler(const CRLE8& rle) : mRLE(rle) {}

    void Setup(int32_t x, int32_t y0, int32_t y1);
    // fx and fy are weights 0 .. 256; each step rounds toward minus infinity.
    uint8_t Sample(int32_t x, int32_t fx, int32_t fy);

private:
    const CRLE8& mRLE;
    CRLE8::sReader mReaders[2];
    int32_t mRows[2] = {0, 0};
    int32_t mX = 0;
    int32_t mLeft[2] = {0, 0};
    int32_t mRight[2] = {0, 0};
};
