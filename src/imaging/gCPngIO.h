// PNG files through libpng: reads any PNG into 0xAARRGGBB pixels or 8-bit grey, writes a CImage
// as 8-bit RGBA and a CImage8 as 8-bit grey, with the toolkit's text chunks. Library errors come
// back through setjmp/longjmp inside functions that own no C++ objects.
#pragma once

#include "imaging/gCImageFormat.h"

class gCPngIO : public gCImageFormat {
public:
    explicit gCPngIO(float screenGamma = 1.0f) : mScreenGamma(screenGamma) {}

    eResultCode SaveImage32(gCStream& stream, CImage* image) override;
    eResultCode SaveImage8(gCStream& stream, CImage8* image) override;
    eResultCode LoadImageData(gCStream& stream, CImageBase* image) override;
    virtual eResultCode SaveImageData(gCStream& stream, CImageBase* image);

private:
    float mScreenGamma;
};
