// Bilinear sampling over two rows of a run-length image. The two row readers are kept between
// calls, so a left-to-right scan (x advancing by one) reads every pixel once. The 32-bit and the
// 8-bit samplers share this walk and differ only in how they interpolate.
#pragma once

#include <algorithm>
#include <cstdint>

template <class RLE, class Value>
class CRLESamplerT {
public:
    explicit CRLESamplerT(const RLE& rle) : mRLE(rle) {}

    void Setup(int32_t x, int32_t y0, int32_t y1)
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
            mRight[i] = (x >= 0 && x < width - 1) ? Value(mRLE.Read(mReaders[i])) : mLeft[i];
        }
    }

protected:
    // Brings the left and right pixels of both rows to column x.
    void MoveTo(int32_t x)
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
    }

    Value mLeft[2] = {0, 0};
    Value mRight[2] = {0, 0};

private:
    const RLE& mRLE;
    typename RLE::sReader mReaders[2];
    int32_t mRows[2] = {0, 0};
    int32_t mX = 0;
};
