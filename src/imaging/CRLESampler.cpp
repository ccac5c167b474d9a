#include "imaging/CRLESampler.h"

#include <algorithm>

void CRLESampler::Setup(int32_t x, int32_t y0, int32_t y1)
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

CPixel CRLESampler::Sample(int32_t x, uint32_t fx, uint32_t fy)
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
    CPixel top = Lerp(mLeft[0], mRight[0], fx);
    CPixel bottom = Lerp(mLeft[1], mRight[1], fx);
    return Lerp(top, bottom, fy);
}
