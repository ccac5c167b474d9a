#include "imaging/CRLE8Sampler.h"

#include <algorithm>

void CRLE8Sampler::Setup(int32_t x, int32_t y0, int32_t y1)
{
    const int32_t width = mRLE.GetWidth();
    const int32_t height = mRLE.GetHeight();
    mRows[0] = y0;
    mRows[1] = y1;
    mX = x;
    for (int i = 0; i < 2; ++i) {
        int32_t y = std::clamp(mRows[i], 0, std::max(height - 1, 0));
        mReaders[i] = mRLE.SeekReader(std::clamp(x, 0, std::max(width - 1, 0)), y);
        mLeft[i] = mRLE.Read(mReaders[i]);
        mRight[i] = (x >= 0 && x < width - 1) ? mRLE.Read(mReaders[i]) : mLeft[i];
    }
}

uint8_t CRLE8Sampler::Sample(int32_t x, int32_t fx, int32_t fy)
{
    if (x == mX + 1) {
        mX = x;
        for (int i = 0; i < 2; ++i) {
            mLeft[i] = mRight[i];
            if (x < mRLE.GetWidth() - 1)
                mRight[i] = mRLE.Read(mReaders[i]);
        }
    } else if (x != mX) {
        Setup(x, mRows[0], mRows[1]);
    }
    // Arithmetic shifts of signed values round toward minus infinity, as the divisions must.
    int32_t top = mLeft[0] + (((mRight[0] - mLeft[0]) * fx) >> 8);
    int32_t bottom = mLeft[1] + (((mRight[1] - mLeft[1]) * fx) >> 8);
    return uint8_t((top + (((bottom - top) * fy) >> 8)) & 0xFF);
}
