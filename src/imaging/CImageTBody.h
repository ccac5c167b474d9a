// The members of CImageT, included only where a class of images is built.
#pragma once

#include "core/ReadiedOrNull.h"
#include "imaging/CImageT.h"
#include "imaging/ImageFiles.h"
#include "resources/ResourceCreation.h"

template <class Derived, class RLE, class Pixel>
CImageT<Derived, RLE, Pixel>::CImageT(uint32_t rowsAlignedFlag) : CImageBase(rowsAlignedFlag)
{
    mBitsPerPixel = int32_t(8 * sizeof(Pixel));
}

template <class Derived, class RLE, class Pixel>
CImageT<Derived, RLE, Pixel>::~CImageT()
{
    DeleteRLE();
}

template <class Derived, class RLE, class Pixel>
void CImageT<Derived, RLE, Pixel>::DeleteRLE()
{
    delete mRLE;
    mRLE = nullptr;
}

template <class Derived, class RLE, class Pixel>
void CImageT<Derived, RLE, Pixel>::FreeBuffer()
{
    DeleteRLE();
    CImageBase::FreeBuffer();
}

template <class Derived, class RLE, class Pixel>
int32_t CImageT<Derived, RLE, Pixel>::IsCompressed() const
{
    return mRLE && mRLE->IsEncoded() ? 1 : 0;
}

template <class Derived, class RLE, class Pixel>
eResultCode CImageT<Derived, RLE, Pixel>::Compress()
{
    if (mRowsAligned || IsCompressed())
        return eSuccess;
    DeleteRLE();
    mRLE = new RLE;
    if (!mRLE)
        return eNoMemory;
    Derived* self = static_cast<Derived*>(this);
    // Parking pays only when the encoded form is smaller than the pixels.
    if (mRLE->MeasureImage(self) < CompressionLimit(mWidth, mHeight)) {
        if (eResultCode result = mRLE->EncodeImage(self); result != eSuccess) {
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

template <class Derived, class RLE, class Pixel>
eResultCode CImageT<Derived, RLE, Pixel>::Decompress()
{
    if (mRowsAligned || !IsCompressed())
        return eSuccess;
    ReleaseBufferOnly();
    mBytesPerPixel = int32_t(sizeof(Pixel));
    PNU_TRY(AllocateRows(mWidth, mHeight, mWidth * int32_t(sizeof(Pixel))));
    for (int32_t y = 0; y < mHeight; ++y) {
        Pixel* row = reinterpret_cast<Pixel*>(mPixels + ptrdiff_t(y) * mRowBytes);
        typename RLE::sReader reader = mRLE->SeekReader(0, y);
        for (int32_t x = 0; x < mWidth; ++x)
            row[x] = mRLE->Read(reader);
    }
    DeleteRLE();
    mCreated = 1;
    return eSuccess;
}

template <class Derived, class RLE, class Pixel>
eResultCode CImageT<Derived, RLE, Pixel>::LoadInto(gCStream& stream, CImageBase* image)
{
    return LoadImage(stream, static_cast<Derived*>(image));
}

template <class Derived, class RLE, class Pixel>
eResultCode CImageT<Derived, RLE, Pixel>::LoadImageFromResource(uint32_t id, gCFile* file,
                                                                CResourceDirectory* directory)
{
    return LoadResource(id, nullptr, file, directory, LoadInto, Derived::kLoadSizeAlert, Derived::kLoadAlert);
}

template <class Derived, class RLE, class Pixel>
eResultCode CImageT<Derived, RLE, Pixel>::LoadImageFromResourceByName(const gCString& name, gCFile* file,
                                                                      CResourceDirectory* directory)
{
    return LoadResource(0, &name, file, directory, LoadInto, Derived::kLoadSizeAlert, Derived::kLoadAlert);
}

template <class Derived, class RLE, class Pixel>
Derived* CImageT<Derived, RLE, Pixel>::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return ReadiedOrNull(Derived::NewForLoading(),
                         [&](Derived& image) { return image.LoadImageFromResource(id, file, directory); });
}

template <class Derived, class RLE, class Pixel>
Derived* CImageT<Derived, RLE, Pixel>::CreateFromName(const gCString& name, gCFile* file,
                                                      CResourceDirectory* directory)
{
    return ReadiedOrNull(Derived::NewForLoading(),
                         [&](Derived& image) { return image.LoadImageFromResourceByName(name, file, directory); });
}

template <class Derived, class RLE, class Pixel>
Derived* CImageT<Derived, RLE, Pixel>::FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return ResourceCreationDetail::FindOrCreate<Derived>(
        eImagePool, [&](CResourceContext& context) { return context.FindPoolResourceById(eImagePool, id); },
        [&] { return CreateFromId(id, file, directory); });
}

template <class Derived, class RLE, class Pixel>
Derived* CImageT<Derived, RLE, Pixel>::FindOrLoadByName(const gCString& name, gCFile* file,
                                                        CResourceDirectory* directory)
{
    return ResourceCreationDetail::FindOrCreate<Derived>(
        eImagePool, [&](CResourceContext& context) { return context.FindPoolResourceByName(eImagePool, name); },
        [&] { return CreateFromName(name, file, directory); });
}
