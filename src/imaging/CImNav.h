// Navigator over a 32-bit CImage.
#pragma once

#include "imaging/CImNavBase.h"
#include "imaging/CPixel.h"

class CImNav : public CImNavBase {
public:
    CImNav(CImageBase* image, const gCRect* area) : CImNavBase(image, area) {}

    CPixel* GetPixels() const { return reinterpret_cast<CPixel*>(mFirstPixel); }
    // Row y of the area; rows step by the stride in pixels.
    CPixel* Row(int32_t y) const { return GetPixels() + ptrdiff_t(y) * mRowStride; }

    void Fill(const CPixel* colour);
    int32_t HasTransparency() const;
};
