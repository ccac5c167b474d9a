#include "imaging/CImage8.h"

#include "imaging/ImageFiles.h"
#include "resources/ResourceCreation.h"

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

namespace {

eResultCode LoadInto8(gCStream& stream, CImageBase* image)
{
    return LoadImage(stream, static_cast<CImage8*>(image));
}

} // namespace

eResultCode CImage8::LoadImageFromResource(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return LoadResource(id, nullptr, file, directory, LoadInto8, "Image8 load size failed.", "Image8 failed to load from resources.");
}

eResultCode CImage8::LoadImageFromResourceByName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return LoadResource(0, &name, file, directory, LoadInto8, "Image8 load size failed.", "Image8 failed to load from resources.");
}

// The 8-bit creators start from a 10 x 10 buffer, as loading then only resizes it.
CImage8* CImage8::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    CImage8* image = new CImage8(10, 10);
    if (!image)
        return nullptr;
    if (image->LoadImageFromResource(id, file, directory) != eSuccess) {
        delete image;
        return nullptr;
    }
    return image;
}

CImage8* CImage8::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    CImage8* image = new CImage8(10, 10);
    if (!image)
        return nullptr;
    if (image->LoadImageFromResourceByName(name, file, directory) != eSuccess) {
        delete image;
        return nullptr;
    }
    return image;
}

CImage8* CImage8::FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return nullptr;
    if (gCResourceObject* found = context->FindPoolResourceById(eImagePool, id))
        return dynamic_cast<CImage8*>(found);
    CImage8* image = CreateFromId(id, file, directory);
    if (image && context->pools[eImagePool].Add(image) != eSuccess) {
        delete image;
        return nullptr;
    }
    return image;
}

CImage8* CImage8::FindOrLoadByName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return nullptr;
    if (gCResourceObject* found = context->FindPoolResourceByName(eImagePool, name))
        return dynamic_cast<CImage8*>(found);
    CImage8* image = CreateFromName(name, file, directory);
    if (image && context->pools[eImagePool].Add(image) != eSuccess) {
        delete image;
        return nullptr;
    }
    return image;
}
