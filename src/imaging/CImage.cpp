#include "imaging/CImage.h"

#include "imaging/ImageFiles.h"
#include "resources/ResourceCreation.h"

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

namespace {

eResultCode LoadInto32(gCStream& stream, CImageBase* image)
{
    return LoadImage(stream, static_cast<CImage*>(image));
}

} // namespace

eResultCode CImage::LoadImageFromResource(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return LoadResource(id, nullptr, file, directory, LoadInto32, "Image load size failed.", "Image failed to load from resources.");
}

eResultCode CImage::LoadImageFromResourceByName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return LoadResource(0, &name, file, directory, LoadInto32, "Image load size failed.", "Image failed to load from resources.");
}

CImage* CImage::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return CreateResourceFromId<CImage>(id, file, directory);
}

CImage* CImage::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return CreateResourceFromName<CImage>(name, file, directory);
}

CImage* CImage::FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return nullptr;
    if (gCResourceObject* found = context->FindPoolResourceById(eImagePool, id))
        return dynamic_cast<CImage*>(found);
    CImage* image = CreateFromId(id, file, directory);
    if (image && context->pools[eImagePool].Add(image) != eSuccess) {
        delete image;
        return nullptr;
    }
    return image;
}

CImage* CImage::FindOrLoadByName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return nullptr;
    if (gCResourceObject* found = context->FindPoolResourceByName(eImagePool, name))
        return dynamic_cast<CImage*>(found);
    CImage* image = CreateFromName(name, file, directory);
    if (image && context->pools[eImagePool].Add(image) != eSuccess) {
        delete image;
        return nullptr;
    }
    return image;
}
