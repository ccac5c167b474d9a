// Bilinear sampling over two rows of a CRLE8.
#pragma once

#include "imaging/CRLE8.h"
#include "imaging/CRLESamplerT.h"

class CRLE8Sampler : public CRLESamplerT<CRLE8, int32_t> {
public:
    using CRLESamplerT::CRLESamplerT;

    // fx and fy are weights 0 .. 256; each step rounds toward minus infinity.
    uint8_t Sample(int32_t x, int32_t fx, int32_t fy);
};
