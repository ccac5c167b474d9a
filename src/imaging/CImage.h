// The 32-bit image of CPixel words used by every widget, effect, text and blur routine. While
// not in use its pixels can be parked in the run-length form CRLE.
#pragma once

#include "imaging/CImageT.h"
#include "imaging/CPixel.h"

class CRLE;

class CImage : public CImageT<CImage, CRLE, CPixel> {
public:
    static constexpr const char* kLoadSizeAlert = "Image load size failed.";
    static constexpr const char* kLoadAlert = "Image failed to load from resources.";

    explicit CImage(uint32_t rowsAlignedFlag = 0);
    // Creation resets the rows-aligned flag: an image built this way has unaligned rows.
    CImage(int32_t width, int32_t height, uint32_t rowsAlignedFlag = 0);
    ~CImage() override;

    // What the creators load into: an empty image.
    static CImage* NewForLoading() { return new CImage; }
};

extern template class CImageT<CImage, CRLE, CPixel>;
