// Bilinear sampling over two rows of a CRLE. The two row readers are kept between calls, so a
// left-to-right scan (x advancing by one) reads every pixel once.
#pragma once

#include "imaging/CRLE.h"

class CRLESampler {
public:
    explicit CRLESampler(const CRLE& rle) : mRLE(rle) {}

    void Setup(int32_t x, int32_t y0, int32_t y1);
    // fx and fy are weights 0 .. 256 towards the right pixel and the second row.
    CPixel Sample(int32_t x, uint32_t fx, uint32_t fy);

    // Linear interpolation of every channel, two channels at a time:
    // a + floor((b - a) t / 256) per channel.
    static CPixel Lerp(CPixel a, CPixel b, uint32_t t)
    {
        uint32_t rb = ((a & 0x00FF00FFu) + ((((b & 0x00FF00FFu) - (a & 0x00FF00FFu)) * t) >> 8)) & 0x00FF00FFu;
        uint32_t ag = ((a & 0xFF00FF00u) + (((b & 0xFF00FF00u) >> 8) - ((a & 0xFF00FF00u) >> 8)) * t) & 0xFF00FF00u;
        return rb | ag;
    }

private:
    const CRLE& mRLE;
    CRLE::sReader mReaders[2];
    int32_t mRows[2] = {0, 0};
    int32_t mX = 0;
    CPixel mLeft[2] = {0, 0};
    CPixel mRight[2] = {0, 0};
};
