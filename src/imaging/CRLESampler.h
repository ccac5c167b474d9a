// Bilinear sampling over two rows of a CRLE.
#pragma once

#include "imaging/CRLE.h"
#include "imaging/CRLESamplerT.h"

class CRLESampler : public CRLESamplerT<CRLE, CPixel> {
public:
    using CRLESamplerT::CRLESamplerT;

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
};
