#include "imaging/CImageBase.h"

#include "FileIO/gCFile.h"
#include "FileIO/gCMemFile.h"
#include "core/CMemBlockT.h"
#include "core/CheckedSize.h"
#include "core/gCMemory.h"
#include "resources/CResourceContext.h"
#include "imaging/CPixel.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstring>

CImageBase::CImageBase(uint32_t rowsAlignedFlag) : mRowsAligned(int32_t(rowsAlignedFlag))
{
    mTypeCode = kImageTypeCode;
}

eResultCode CImageBase::LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return LoadImageFromResource(id, file, directory);
}

eResultCode CImageBase::LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return LoadImageFromResourceByName(name, file, directory);
}

eResultCode CImageBase::LoadPayload(gCFile& file, eResultCode (*load)(gCStream&, CImageBase*),
                                    const char* sizeFailure, const char* loadFailure)
{
    uint32_t count = 0;
    if (eResultCode result = file.ReadULong(count); result != eSuccess) {
        ReportResourceError(eResourceReadError, sizeFailure);
        return result;
    }
    // The count comes from the file: one beyond what the file still holds is a damaged chunk,
    // found before any memory is set aside for it.
    if (int64_t(count) > file.GetLength() - file.GetPos() || count > uint32_t(INT32_MAX)) {
        ReportResourceError(eResourceReadError, loadFailure);
        return eStreamError;
    }
    gCMemFile payload;
    eResultCode result = payload.Grow(int32_t(count));
    if (result == eSuccess && count > 0)
        result = file.Read(payload.GetBlock()->GetData(), int32_t(count));
    if (result == eSuccess)
        result = payload.SetPos(0);
    if (result == eSuccess)
        result = load(payload, this);
    if (result != eSuccess)
        ReportResourceError(eResourceReadError, loadFailure);
    return result;
}

eResultCode CImageBase::LoadResource(uint32_t id, const gCString* name, gCFile* file, CResourceDirectory* directory,
                                     eResultCode (*load)(gCStream&, CImageBase*), const char* sizeFailure,
                                     const char* loadFailure)
{
    if (!GetResourceContext())
        return eBadParameter;
    gCFile* source = nullptr;
    if (name)
        PNU_TRY(LocateByName(*name, file, directory, source));
    else
        PNU_TRY(LocateById(id, file, directory, source));
    return LoadPayload(*source, load, sizeFailure, loadFailure);
}

CImageBase::~CImageBase()
{
    ReleaseBufferOnly();
}

void CImageBase::ReleaseBufferOnly()
{
    if (mPixels) {
        MemFree(mPixels);
        mPixels = nullptr;
    }
}

void CImageBase::FreeBuffer()
{
    ReleaseBufferOnly();
    mCreated = 0;
}

eResultCode CImageBase::SetSize(int32_t width, int32_t height)
{
    if (mCreated && mPixels && width == mWidth && height == mHeight) {
        Clear();
        return eSuccess;
    }
    return CreateImageBuffer(width, height);
}

eResultCode CImageBase::SetSizeFromPoint(const gCPoint& size)
{
    return SetSize(size.x, size.y);
}

eResultCode CImageBase::Lock(void** pixels)
{
    return GetPixelPointer(pixels, nullptr);
}

eResultCode CImageBase::Unlock()
{
    return ReleasePixelPointer(nullptr);
}

void CImageBase::Clear()
{
    if (mPixels)
        memset(mPixels, 0, size_t(mRowBytes) * size_t(mHeight));
}

eResultCode CImageBase::Compress()
{
    return eSuccess;
}

int32_t CImageBase::IsCompressed() const
{
    return 0;
}

eResultCode CImageBase::Decompress()
{
    return eSuccess;
}

eResultCode CImageBase::DrawToWindow(plat::Window* window, const gCRect* area, const gCPoint* at)
{
    if (!window)
        return eSuccess;
    gCRect clipped = area ? *area : gCRect{0, 0, mWidth, mHeight};
    clipped.left = std::max(clipped.left, 0);
    clipped.top = std::max(clipped.top, 0);
    clipped.right = std::min(clipped.right, mWidth);
    clipped.bottom = std::min(clipped.bottom, mHeight);
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom)
        return eSuccess;
    gCPoint corner{clipped.left, clipped.top};
    void* pixels = nullptr;
    if (GetPixelPointer(&pixels, &corner) != eSuccess || !pixels)
        return eSuccess;
    const int32_t columns = clipped.right - clipped.left;
    const int32_t rows = clipped.bottom - clipped.top;
    const gCPoint place = at ? *at : gCPoint{};
    if (mBytesPerPixel == 4) {
        window->Present(static_cast<const uint32_t*>(pixels), columns, rows, mRowStride, {0, 0, columns, rows},
                        place.x, place.y);
    } else {
        // 8-bit images show as opaque grey.
        uint32_t bytes = 0;
        CMemBlockT<uint32_t> grey;
        if (!MulSizes({columns, rows, 4}, bytes) || !grey.SetSize(bytes)) {
            (void)ReleasePixelPointer(&corner);
            return eNoMemory;
        }
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* row = static_cast<const uint8_t*>(pixels) + ptrdiff_t(y) * mRowBytes;
            uint32_t* out = grey.GetData() + ptrdiff_t(y) * columns;
            for (int32_t x = 0; x < columns; ++x)
                out[x] = GreyToPixel(row[x]);
        }
        window->Present(grey.GetData(), columns, rows, columns, {0, 0, columns, rows}, place.x, place.y);
    }
    (void)ReleasePixelPointer(&corner);
    return eSuccess;
}

eResultCode CImageBase::GetPixelPointer(void** pixels, const gCPoint* point)
{
    *pixels = nullptr;
    if (!mCreated)
        return eGenericFailure;
    // Row bytes were fixed when the buffer was made (aligned or not) and cannot change since.
    uint8_t* address = mPixels;
    if (address && point)
        address += ptrdiff_t(point->x) * mBytesPerPixel + ptrdiff_t(point->y) * mRowBytes;
    *pixels = address;
    mRowStride = mBytesPerPixel ? mRowBytes / mBytesPerPixel : 0;
    return eSuccess;
}

eResultCode CImageBase::ReleasePixelPointer(const gCPoint*)
{
    return eSuccess;
}

eResultCode CImageBase::CheckedRowBytes(int32_t width, int32_t bytesPerPixel, int32_t aligned,
                                        int32_t* rowBytes)
{
    // Aligned rows round up to four bytes, so they must leave room for the padding.
    int32_t bytes = 0;
    if (!MulSizes({width, bytesPerPixel}, bytes, aligned ? INT32_MAX - 3 : INT32_MAX))
        return eNoMemory;
    *rowBytes = aligned ? (bytes + 3) & ~3 : bytes;
    return eSuccess;
}

eResultCode CImageBase::AllocateRows(int32_t width, int32_t height, int32_t rowBytes)
{
    size_t total = 0;
    if (!MulSizes({rowBytes, height}, total, SIZE_MAX / 2))
        return eNoMemory;
    void* block = MemAllocate(total);
    if (!block)
        return eNoMemory;
    mPixels = static_cast<uint8_t*>(block);
    mWidth = width;
    mHeight = height;
    mRowBytes = rowBytes;
    mRowStride = mBytesPerPixel ? rowBytes / mBytesPerPixel : 0;
    return eSuccess;
}

eResultCode CImageBase::CreateBuffer(int32_t width, int32_t height, int32_t aligned)
{
    FreeBuffer();
    mRowsAligned = 0;
    mBytesPerPixel = mBitsPerPixel / 8;
    if (width < 0 || height < 0)
        return eBadParameter;
    mWidth = width;
    mHeight = height;
    int32_t rowBytes = 0;
    PNU_TRY(CheckedRowBytes(width, mBytesPerPixel, aligned, &rowBytes));
    PNU_TRY(AllocateRows(width, height, rowBytes));
    Clear();
    mCreated = 1;
    mRowsAligned = aligned;
    return eSuccess;
}

eResultCode CImageBase::CreateImageBuffer(int32_t width, int32_t height)
{
    return CreateBuffer(width, height, 0);
}

eResultCode CImageBase::CreateAligned(int32_t width, int32_t height)
{
    return CreateBuffer(width, height, 1);
}
