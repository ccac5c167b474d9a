#include "imaging/CImage8.h"

#include "imaging/CRLE8.h"

CImage8::CImage8() : CImageBase(0)
{
    mBitsPerPixel = 8;
}

CImage8::CImage8(int32_t width, int32_t height) : CImage8()
{
    (void)CreateImageBuffer(width, height);
}

CImage8::~CImage8()
{
    DeleteRLE();
}

void CImage8::DeleteRLE()
{
    delete mRLE;
    mRLE = nullptr;
}

void CImage8::FreeBuffer()
{
    // The base only frees the pixels, as the 32-bit image's override does after its own form.
    DeleteRLE();
    CImageBase::FreeBuffer();
}

int32_t CImage8::IsCompressed() const
{
    return mRLE && mRLE->IsEncoded() ? 1 : 0;
}

eResultCode CImage8::Compress()
{
    if (mRowsAligned || IsCompressed())
        return eSuccess;
    DeleteRLE();
    mRLE = new CRLE8;
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

eResultCode CImage8::Decompress()
{
    if (mRowsAligned || !IsCompressed())
        return eSuccess;
    ReleaseBufferOnly();
    mBytesPerPixel = 1;
    PNU_TRY(AllocateRows(mWidth, mHeight, mWidth));
    for (int32_t y = 0; y < mHeight; ++y) {
        uint8_t* row = mPixels + ptrdiff_t(y) * mRowBytes;
        CRLE8::sReader reader = mRLE->SeekReader(0, y);
        for (int32_t x = 0; x < mWidth; ++x)
            row[x] = mRLE->Read(reader);
    }
    DeleteRLE();
    mCreated = 1;
    return eSuccess;
}
