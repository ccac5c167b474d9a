// The toolkit's in-memory raster image: a pixel buffer of 8 or 32 bits per pixel that other code
// reaches through the navigators (CImNav, CImNav8). CImage and CImage8 add the run-length forms.
// Images are resource objects, loaded from the resource file by id or name and shared through
// the image pool.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetSizeFromPoint, DrawToWindow and CreateAligned.
#pragma once

#include "core/FourCharCode.h"
#include "core/eResultCode.h"
#include "core/gCPoint.h"
#include "core/gCRect.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

namespace plat {
class Window;
}

inline constexpr uint32_t kImageTypeCode = FourCharCode("imag");

class CImageBase : public gCResourceObject {
public:
    explicit CImageBase(uint32_t rowsAlignedFlag = 0);
    ~CImageBase() override;

    CImageBase(const CImageBase&) = delete;
    CImageBase& operator=(const CImageBase&) = delete;

    // The resource object's loading leads to the image loaders.
    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override;

    virtual void FreeBuffer();
    virtual eResultCode SetSize(int32_t width, int32_t height);
    virtual eResultCode SetSizeFromPoint(const gCPoint& size);
    virtual eResultCode LoadImageFromResource(uint32_t id, gCFile* file, CResourceDirectory* directory) = 0;
    virtual eResultCode LoadImageFromResourceByName(const gCString& name, gCFile* file,
                                                    CResourceDirectory* directory) = 0;
    virtual eResultCode Lock(void** pixels);
    virtual eResultCode Unlock();
    virtual void Clear();
    virtual eResultCode Compress();
    virtual int32_t IsCompressed() const;
    virtual eResultCode Decompress();
    // Shows the area of the buffer (the origin is not applied; null: all of it) at the point of
    // the window's content. Never reports an error: what cannot be drawn is left out.
    virtual eResultCode DrawToWindow(plat::Window* window, const gCRect* area, const gCPoint* at);
    virtual eResultCode GetPixelPointer(void** pixels, const gCPoint* point);
    virtual eResultCode ReleasePixelPointer(const gCPoint* point);
    virtual eResultCode CreateImageBuffer(int32_t width, int32_t height);
    virtual eResultCode CreateAligned(int32_t width, int32_t height);

    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    gCPoint GetSize() const { return {mWidth, mHeight}; }
    int32_t GetBitsPerPixel() const { return mBitsPerPixel; }
    int32_t IsCreated() const { return mCreated; }
    int32_t AreRowsAligned() const { return mRowsAligned; }
    int32_t GetRowBytes() const { return mRowBytes; }
    int32_t GetRowStride() const { return mRowStride; }
    int32_t GetBytesPerPixel() const { return mBytesPerPixel; }
    bool HasPixelBuffer() const { return mPixels != nullptr; }

    // The drawing offset the navigators add to every area they are given.
    const gCPoint& GetOrigin() const { return mOrigin; }
    void SetOrigin(const gCPoint& origin) { mOrigin = origin; }

protected:
    // Reads the payload of the chunk the file stands at (a byte count, then one complete image
    // file) and hands it to the loader; `load` is the loader of the image's own depth.
    eResultCode LoadPayload(gCFile& file, eResultCode (*load)(gCStream&, CImageBase*),
                            const char* sizeFailure, const char* loadFailure);
    // Steps shared by the 32- and 8-bit loaders, by id or by name.
    eResultCode LoadResource(uint32_t id, const gCString* name, gCFile* file, CResourceDirectory* directory,
                             eResultCode (*load)(gCStream&, CImageBase*), const char* sizeFailure,
                             const char* loadFailure);

    // Allocates an uncleared buffer of height rows of rowBytes; the caller fills it. Sizes are
    // checked here so that no caller can end up with a buffer smaller than its rows.
    eResultCode AllocateRows(int32_t width, int32_t height, int32_t rowBytes);
    static eResultCode CheckedRowBytes(int32_t width, int32_t bytesPerPixel, int32_t aligned,
                                       int32_t* rowBytes);
    eResultCode CreateBuffer(int32_t width, int32_t height, int32_t aligned);
    void ReleaseBufferOnly();

    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mBitsPerPixel = 32;
    int32_t mCreated = 0;
    int32_t mRowsAligned = 0;
    gCPoint mOrigin;
    uint8_t* mPixels = nullptr;
    int32_t mRowBytes = 0;
    int32_t mRowStride = 0;
    int32_t mBytesPerPixel = 0;
};

// Round half away from zero in single precision, written out so that it rounds exactly as the
// stored limits expect (lroundf and the like differ near .5).
inline int32_t RoundHalfAwayFromZero(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

// The run-length forms are kept only below 80% of the raw pixel count.
inline int64_t CompressionLimit(int32_t width, int32_t height)
{
    float limit = 0.8f * float(int64_t(width) * height);
    return int64_t(limit + 0.5f);
}
