// JPEG files through the IJG 6b library interface: reads into a CImage or CImage8, writes a
// CImage as a 3-component RGB file and a CImage8 as a greyscale file. The library reaches the
// toolkit's streams through source and destination managers with 4096-byte buffers; its errors
// come back through setjmp/longjmp inside functions that own no C++ objects.
#pragma once

#include "imaging/gCImageFormat.h"

class gCJpgIO : public gCImageFormat {
public:
    eResultCode SaveImage32(gCStream& stream, CImage* image) override;
    eResultCode SaveImage8(gCStream& stream, CImage8* image) override;
    eResultCode LoadImageData(gCStream& stream, CImageBase* image) override;

private:
    eResultCode SaveRows(gCStream& stream, CImageBase* image, int32_t is32);
};
