// Windows and OS/2 bitmap files: reads 1-, 4-, 8- (also run-length encoded) and 24-bit files into
// a CImage or CImage8, writes a CImage as a 24-bit file and a CImage8 as an 8-bit file with a grey
// palette. Decoded by hand; every field is little-endian.
#pragma once

#include "imaging/gCImageFormat.h"

class CImNavBase;

class gCBmpIO : public gCImageFormat {
public:
    eResultCode SaveImage32(gCStream& stream, CImage* image) override;
    eResultCode SaveImage8(gCStream& stream, CImage8* image) override;
    eResultCode LoadImageData(gCStream& stream, CImageBase* image) override;

private:
    struct sHeader;
    eResultCode ReadHeaders(gCStream& stream, sHeader& header);
    eResultCode ReadPalette(gCStream& stream, const sHeader& header, uint32_t* consumed);
    eResultCode ReadRows24(gCStream& stream, const sHeader& header, CImNavBase& nav, int32_t is32);
    eResultCode ReadPaletteRows(gCStream& stream, const sHeader& header, CImNavBase& nav,
                                uint8_t* rowBuffer, int32_t is32);
    eResultCode ReadRunLengthRows(gCStream& stream, const sHeader& header, CImNavBase& nav,
                                  uint8_t* rowBuffer, int32_t is32);
    void StoreIndexRow(const uint8_t* indexes, CImNavBase& nav, int32_t y, int32_t is32) const;
    static eResultCode Fail(const char* explanation);
};
