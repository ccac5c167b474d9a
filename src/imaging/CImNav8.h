// Navigator over an 8-bit CImage8.
#pragma once

#include "imaging/CImNavBase.h"

class CImNav8 : public CImNavBase {
public:
    CImNav8(CImageBase* image, const gCRect* area) : CImNavBase(image, area) {}

    uint8_t* GetPixels() const { return mFirstPixel; }
    uint8_t* Row(int32_t y) const { return mFirstPixel + ptrdiff_t(y) * mRowStride; }

    void Fill(unsigned char value);
};
