// Layered image documents ('8BPS', version 1). The reader decodes only the merged image at the
// end of the file (greyscale or RGB, 8 or 16 bits per sample, raw or PackBits), reading the layer
// records just to learn whether the merged image carries transparency. The writer saves a CImage
// as 8-bit RGB (with one normal layer when some pixel is not opaque) and a CImage8 as greyscale.
// Every field of the format is big-endian.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: SkipBytes.
#pragma once

#include "imaging/gCImageFormat.h"

class CImNav;
class CMemBlock;

class gCPsdIO : public gCImageFormat {
public:
    gCPsdIO() = default;
    ~gCPsdIO() override;

    eResultCode SaveImage32(gCStream& stream, CImage* image) override;
    eResultCode SaveImage8(gCStream& stream, CImage8* image) override;
    eResultCode LoadImageData(gCStream& stream, CImageBase* image) override;
    virtual eResultCode SaveImageData(gCStream& stream, CImageBase* image);

    eResultCode ReadLayerRecords(gCStream& stream, uint16_t colourMode, int32_t* mergedAlpha);
    eResultCode ReadMergedImage(gCStream& stream, CImageBase* image, uint16_t colourMode,
                                uint16_t bytesPerSample, uint16_t channels, int32_t mergedAlpha);
    // Decodes one PackBits row of packedCount bytes from the stream into the row buffer.
    eResultCode UnpackBitsRow(gCStream& stream, CMemBlock& row, uint16_t bytesPerSample, uint16_t packedCount);
    eResultCode SkipBytes(gCStream& stream, uint32_t count);

    // Packs the bytes (pixel >> shift) & 0xFF of one row; answers the packed size, and writes
    // only when an output is given (never past outputSize).
    static int32_t PackBitsEncodeRow(const CPixel* row, int32_t width, int32_t shift, uint8_t* output,
                                     int32_t outputSize);
    // Packed size of one channel over all rows, plus 2 bytes per row (its byte count).
    static int64_t PackBitsRowSize(CImNav& pixels, int32_t channelIndex);

    // Where the writer patches the four channel lengths of the layer record.
    struct sLayerInfo {
        int64_t lengthPositions[4] = {0, 0, 0, 0};
    };
    eResultCode WriteImageResource(gCStream& stream, uint16_t id, CImageBase* image);
    eResultCode WriteLayerRecord(gCStream& stream, CImageBase* image, sLayerInfo& layer);
    eResultCode WriteLayerChannels(gCStream& stream, CImageBase* image, sLayerInfo& layer);
    eResultCode WriteChannelData(gCStream& stream, CImNav& pixels, int32_t channelIndex, int32_t packed);
    static eResultCode UnpackBits(const uint8_t* packed, uint32_t packedCount, uint8_t* row, uint32_t rowSize,
                                  uint16_t bytesPerSample);

private:
    eResultCode WriteThumbnail(gCStream& stream, CImageBase* image);
    eResultCode WriteMergedImage(gCStream& stream, CImageBase* image, int32_t planes);

    CMemBlock* mPacked = nullptr;
};
