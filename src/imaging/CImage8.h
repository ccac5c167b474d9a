// The 8-bit single-channel image (masks, glyph coverage, cut-outs). While not in use its pixels
// can be parked in the run-length form CRLE8.
#pragma once

#include "imaging/CImageT.h"

class CRLE8;

class CImage8 : public CImageT<CImage8, CRLE8, uint8_t> {
public:
    static constexpr const char* kLoadSizeAlert = "Image8 load size failed.";
    static constexpr const char* kLoadAlert = "Image8 failed to load from resources.";

    CImage8();
    CImage8(int32_t width, int32_t height);
    ~CImage8() override;

    // What the creators load into: a 10 x 10 buffer, as loading then only resizes it.
    static CImage8* NewForLoading() { return new CImage8(10, 10); }
};

extern template class CImageT<CImage8, CRLE8, uint8_t>;
