// A scoped view of a rectangle of an image: it clips the rectangle (shifted by the image's
// origin) to the buffer, locks the image and exposes the first pixel of the clipped area with
// the row stride. The lock is released on destruction or by Unlock. Every user checks IsLocked
// (or the first-pixel pointer) before touching pixels.
#pragma once

#include "core/gCBaseObject.h"
#include "core/gCPoint.h"
#include "core/gCRect.h"

#include <cstdint>

class CImageBase;

class CImNavBase : public gCBaseObject {
public:
    // A null area covers the whole buffer, whatever the origin.
    CImNavBase(CImageBase* image, const gCRect* area);
    ~CImNavBase() override;

    CImNavBase(const CImNavBase&) = delete;
    CImNavBase& operator=(const CImNavBase&) = delete;

    void Unlock();

    int32_t IsLocked() const { return mLocked; }
    CImageBase* GetImage() const { return mImage; }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    const gCRect& GetArea() const { return mArea; }
    int32_t GetRowStride() const { return mRowStride; }
    int32_t GetRowBytes() const { return mRowBytes; }
    int32_t GetBytesPerPixel() const { return mBytesPerPixel; }
    void* GetFirstPixel() const { return mFirstPixel; }

protected:
    CImageBase* mImage = nullptr;
    int32_t mLocked = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    gCRect mArea;
    gCPoint mAreaTopLeft;
    const gCPoint* mAreaPoint = nullptr;
    uint8_t* mFirstPixel = nullptr;
    int32_t mRowStride = 0;
    int32_t mRowBytes = 0;
    int32_t mBytesPerPixel = 0;
};
