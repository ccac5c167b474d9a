// Run-length form of a 32-bit image in 32-bit words: a row index (the word position of each
// row's first token), then the tokens row after row, then one spare word. A run is a count
// (2 .. 0x7FFFFFFF) and a pixel; a literal is 0x80000000 + count followed by the pixels. All
// pixels with alpha 0 count as equal. When the form would not pay, the rows are held raw and the
// reader works the same way.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "imaging/CPixel.h"

#include <cstdint>

class CImage;
class CImNav;

class CRLE : public gCBaseObject {
public:
    // Where a reader stands: the word it reads next and what is left of the current token.
    struct sReader {
        uint32_t position = 0;
        uint32_t remaining = 0;
        int32_t literal = 0;
    };

    CRLE() = default;
    ~CRLE() override;

    CRLE(const CRLE&) = delete;
    CRLE& operator=(const CRLE&) = delete;

    // Size in words the form of the whole image would take; width x height when the image
    // cannot be locked or the form would not pay.
    int64_t MeasureImage(CImage* image) const;
    static int64_t Measure(const CImNav& area);
    eResultCode EncodeImage(CImage* image);
    eResultCode Encode(const CImNav& area);

    // The reader of the Part's interface: Seek, then ReadNext returns the pixel and steps right.
    void Seek(int32_t x, int32_t y) { mReader = SeekReader(x, y); }
    CPixel ReadNext() { return Read(mReader); }
    const sReader& GetReader() const { return mReader; }

    // Independent readers, so that several rows can be read at once (the sampler's two rows).
    sReader SeekReader(int32_t x, int32_t y) const;
    CPixel Read(sReader& reader) const
    {
        CPixel pixel = mData[reader.position];
        if (reader.literal)
            ++reader.position;
        if (--reader.remaining == 0)
            LoadToken(reader, reader.literal ? reader.position : reader.position + 1);
        return pixel;
    }

    int32_t IsEncoded() const { return mEncoded; }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    uint32_t GetCount() const { return mCount; }
    const CPixel* GetData() const { return mData; }

private:
    void LoadToken(sReader& reader, uint32_t header) const;
    eResultCode SizeBlock(uint64_t words);

    uint32_t mCount = 0;
    CPixel* mData = nullptr;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mEncoded = 0;
    sReader mReader;
};
