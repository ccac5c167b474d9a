#include "imaging/CImage.h"

#include "imaging/CRLE.h"

CImage::CImage(uint32_t rowsAlignedFlag) : CImageBase(rowsAlignedFlag)
{
    mBitsPerPixel = 32;
}

CImage::CImage(int32_t width, int32_t height, uint32_t rowsAlignedFlag) : CImage(rowsAlignedFlag)
{
    (void)CreateImageBuffer(width, height);
}

CImage::~CImage()
{
    DeleteRLE();
}

void CImage::DeleteRLE()
{
    delete mRLE;
    mRLE = nullptr;
}

void CImage::FreeBuffer()
{
    DeleteRLE();
    CImageBase::FreeBuffer();
}

int32_t CImage::IsCompressed() const
{
    return mRLE && mRLE->IsEncoded() ? 1 : 0;
}

eResultCode CImage::Compress()
{
    if (mRowsAligned || IsCompressed())
        return eSuccess;
    DeleteRLE();
    mRLE = new CRLE;
    if (!mRLE)
        return eNoMemory;
    int64_t measured = mRLE->MeasureImage(this);
    if (measured < CompressionLimit(mWidth, mHeight)) {
        if (eResultCode result = mRLE->EncodeImage(this); result != eSuccess) {
            DeleteRLE();
            return result;
        }
        CImageBase::FreeBuffer();
        mCreated = 1;
        return eSuccess;
    }
    DeleteRLE();
    return eSuccess;
}

eResultCode CImage::Decompress()
{
    if (mRowsAligned || !IsCompressed())
        return eSuccess;
    ReleaseBufferOnly();
    mBytesPerPixel = 4;
    PNU_TRY(AllocateRows(mWidth, mHeight, mWidth * 4));
    for (int32_t y = 0; y < mHeight; ++y) {
        CPixel* row = reinterpret_cast<CPixel*>(mPixels + ptrdiff_t(y) * mRowBytes);
        CRLE::sReader reader = mRLE->SeekReader(0, y);
        for (int32_t x = 0; x < mWidth; ++x)
            row[x] = mRLE->Read(reader);
    }
    DeleteRLE();
    mCreated = 1;
    return eSuccess;
}
