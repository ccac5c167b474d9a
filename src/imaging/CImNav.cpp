#include "imaging/CImNav.h"

void CImNav::Fill(const CPixel* colour)
{
    if (!mLocked)
        return;
    const CPixel value = *colour;
    for (int32_t y = 0; y < mHeight; ++y) {
        CPixel* row = Row(y);
        for (int32_t x = 0; x < mWidth; ++x)
            row[x] = value;
    }
}

int32_t CImNav::HasTransparency() const
{
    if (!mLocked || mHeight < 1)
        return 0;
    for (int32_t y = 0; y < mHeight; ++y) {
        const CPixel* row = Row(y);
        for (int32_t x = 0; x < mWidth; ++x)
            if (row[x] < kPixelAlphaMask)
                return 1;
    }
    return 0;
}
