#include "imaging/gCPsdIO.h"

#include "FileIO/gCStream.h"
#include "core/CMemBlock.h"
#include "core/CheckedSize.h"
#include "core/FourCharCode.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kMaxSide = 30000;

eResultCode ReadU16(gCStream& stream, uint16_t& value)
{
    uint16_t raw = 0;
    PNU_TRY(stream.ReadUShort(raw));
    value = uint16_t(raw >> 8 | raw << 8);
    return eSuccess;
}

eResultCode ReadU32(gCStream& stream, uint32_t& value)
{
    uint32_t raw = 0;
    PNU_TRY(stream.ReadULong(raw));
    value = __builtin_bswap32(raw);
    return eSuccess;
}

// Moves the position by a length read from the file, which must stay inside the stream.
eResultCode SkipTo(gCStream& stream, int64_t position)
{
    if (position < 0 || position > stream.GetLength())
        return eInvalidFile;
    return stream.SetPos(position);
}

} // namespace

gCPsdIO::~gCPsdIO()
{
    delete mPacked;
}

eResultCode gCPsdIO::SkipBytes(gCStream& stream, uint32_t count)
{
    CMemBlock scratch(4096);
    if (!scratch.GetData())
        return eNoMemory;
    while (count > 0) {
        uint32_t part = count < 4096 ? count : 4096;
        PNU_TRY(stream.Read(scratch.GetData(), int32_t(part)));
        count -= part;
    }
    return eSuccess;
}

eResultCode gCPsdIO::LoadImageData(gCStream& stream, CImageBase* image)
{
    if (!image)
        return eBadParameter;
    uint32_t signature = 0;
    PNU_TRY(ReadU32(stream, signature));
    if (signature != 0x38425053)
        return eInvalidFile;
    uint16_t version = 0;
    PNU_TRY(ReadU16(stream, version));
    if (version != 1)
        return eInvalidFile;
    uint8_t reserved[6];
    PNU_TRY(stream.Read(reserved, 6));
    uint16_t channels = 0, depth = 0, mode = 0;
    uint32_t height = 0, width = 0;
    PNU_TRY(ReadU16(stream, channels));
    PNU_TRY(ReadU32(stream, height));
    PNU_TRY(ReadU32(stream, width));
    PNU_TRY(ReadU16(stream, depth));
    PNU_TRY(ReadU16(stream, mode));
    if ((mode != 1 && mode != 3) || (depth != 8 && depth != 16))
        return eNotWritten;
    if (int32_t(height) > kMaxSide)
        return eInvalidFile;
    if (int32_t(width) > kMaxSide)
        return eInvalidFile;
    if (int32_t(height) < 1 || int32_t(width) < 1)
        return eNotWritten;
    if (channels > 24)
        return eInvalidFile;

    PNU_TRY(image->SetSize(int32_t(width), int32_t(height)));
    const uint16_t bytesPerSample = depth / 8;

    for (int section = 0; section < 2; ++section) {
        uint32_t length = 0;
        PNU_TRY(ReadU32(stream, length));
        PNU_TRY(SkipTo(stream, stream.GetPos() + length));
    }
    uint32_t sectionLength = 0;
    PNU_TRY(ReadU32(stream, sectionLength));
    const int64_t sectionStart = stream.GetPos();
    int32_t mergedAlpha = 0;
    if (sectionLength != 0 && image->GetBitsPerPixel() == 32) {
        uint32_t layerInfoLength = 0;
        PNU_TRY(ReadU32(stream, layerInfoLength));
        if (layerInfoLength != 0) {
            const int64_t layerStart = stream.GetPos();
            PNU_TRY(ReadLayerRecords(stream, mode, &mergedAlpha));
            PNU_TRY(SkipTo(stream, layerStart + layerInfoLength));
        }
    }
    if (sectionLength != 0)
        PNU_TRY(SkipTo(stream, sectionStart + sectionLength));
    return ReadMergedImage(stream, image, mode, bytesPerSample, channels, mergedAlpha);
}

eResultCode gCPsdIO::ReadLayerRecords(gCStream& stream, uint16_t, int32_t* mergedAlpha)
{
    uint16_t rawCount = 0;
    PNU_TRY(ReadU16(stream, rawCount));
    int32_t count = int16_t(rawCount);
    // A negative count says the merged image's first extra channel is its transparency.
    *mergedAlpha = count < 0 ? 1 : 0;
    count = std::abs(count);
    const int64_t streamLength = stream.GetLength();
    for (int32_t layer = 0; layer < count; ++layer) {
        uint32_t bounds;
        for (int i = 0; i < 4; ++i)
            PNU_TRY(ReadU32(stream, bounds));
        uint16_t layerChannels = 0;
        PNU_TRY(ReadU16(stream, layerChannels));
        if (layerChannels > 1000)
            return eInvalidFile;
        for (uint16_t c = 0; c < layerChannels; ++c) {
            uint16_t id = 0;
            uint32_t length = 0;
            PNU_TRY(ReadU16(stream, id));
            PNU_TRY(ReadU32(stream, length));
            if (int64_t(length) > streamLength)
                return eInvalidFile;
        }
        uint32_t blendSignature = 0, blendKey = 0, extraLength = 0;
        PNU_TRY(ReadU32(stream, blendSignature));
        if (blendSignature != FourCharCode("8BIM"))
            return eSuccess;
        PNU_TRY(ReadU32(stream, blendKey));
        uint8_t fields[4];
        PNU_TRY(stream.Read(fields, 4)); // opacity, clipping, flags, filler
        PNU_TRY(ReadU32(stream, extraLength));
        if (extraLength != 0) {
            const int64_t extraStart = stream.GetPos();
            for (int block = 0; block < 2; ++block) {
                uint32_t length = 0;
                PNU_TRY(ReadU32(stream, length));
                PNU_TRY(SkipTo(stream, stream.GetPos() + length));
            }
            uint8_t nameLength = 0;
            PNU_TRY(stream.ReadUChar(nameLength));
            PNU_TRY(SkipTo(stream, stream.GetPos() + (((nameLength + 1 + 3) & ~3) - 1)));
            PNU_TRY(SkipTo(stream, extraStart + extraLength));
        }
    }
    return eSuccess;
}

eResultCode gCPsdIO::UnpackBits(const uint8_t* packed, uint32_t packedCount, uint8_t* row, uint32_t rowSize,
                                uint16_t)
{
    // PackBits works on bytes whatever the sample depth: 16-bit rows are packed as their bytes,
    // as every writer of the format does.
    uint32_t in = 0;
    uint32_t out = 0;
    while (in < packedCount) {
        const int32_t header = int8_t(packed[in++]);
        if (header >= 0) {
            const uint32_t count = uint32_t(header + 1);
            // A literal may neither pass its row nor read beyond the packed bytes.
            if (out + count > rowSize || in + count > packedCount)
                return eStreamError;
            memcpy(row + out, packed + in, count);
            in += count;
            out += count;
        } else if (header != -128) {
            // -128 is the format's no-op header.
            const uint32_t count = uint32_t(1 - header);
            if (out + count > rowSize || in >= packedCount)
                return eStreamError;
            memset(row + out, packed[in], count);
            out += count;
            in += 1;
        }
    }
    return eSuccess;
}

eResultCode gCPsdIO::UnpackBitsRow(gCStream& stream, CMemBlock& row, uint16_t bytesPerSample, uint16_t packedCount)
{
    // One packed buffer is kept for all rows of a load.
    if (!mPacked) {
        mPacked = new CMemBlock(65536);
        if (!mPacked || !mPacked->GetData()) {
            delete mPacked;
            mPacked = nullptr;
            return eNoMemory;
        }
    }
    if (packedCount == 0)
        return eSuccess;
    PNU_TRY(stream.Read(mPacked->GetData(), packedCount));
    return UnpackBits(mPacked->GetData(), packedCount, row.GetData(), row.GetSize(), bytesPerSample);
}

eResultCode gCPsdIO::ReadMergedImage(gCStream& stream, CImageBase* image, uint16_t colourMode,
                                     uint16_t bytesPerSample, uint16_t channels, int32_t mergedAlpha)
{
    const int32_t is32 = image->GetBitsPerPixel() == 32;
    // Planes beyond the header's channels have no byte counts and no data: they are not read.
    int32_t planes = colourMode + mergedAlpha;
    if (planes > channels)
        planes = channels;
    if (!mergedAlpha && is32) {
        CImNav nav(image, nullptr);
        CPixel black = 0xFF000000;
        nav.Fill(&black);
    }
    uint16_t compression = 0;
    PNU_TRY(ReadU16(stream, compression));
    CImNavBase nav(image, nullptr);
    if (!nav.IsLocked())
        return eNoMemory;
    const int32_t width = nav.GetWidth();
    const int32_t height = nav.GetHeight();
    uint32_t rowBytes = 0;
    if (!MulSizes({width, bytesPerSample}, rowBytes))
        return eNoMemory;
    CMemBlock row(rowBytes, 1);
    if (!row.GetData())
        return eNoMemory;
    CMemBlockT<uint16_t> counts;
    if (compression != 0) {
        int32_t countBytes = 0;
        if (!MulSizes({channels, height, 2}, countBytes) || countBytes == 0 || !counts.SetSize(uint32_t(countBytes)))
            return eNoMemory;
        PNU_TRY(stream.Read(counts.GetData(), countBytes));
        const int32_t entries = countBytes / 2;
        for (int32_t i = 0; i < entries; ++i)
            counts.GetData()[i] = uint16_t(counts.GetData()[i] >> 8 | counts.GetData()[i] << 8);
    }
    eResultCode result = eSuccess;
    for (int32_t plane = 0; plane < planes && result == eSuccess; ++plane) {
        for (int32_t y = 0; y < height; ++y) {
            if (compression != 0)
                result = UnpackBitsRow(stream, row, bytesPerSample, counts.GetData()[plane * height + y]);
            else
                result = stream.Read(row.GetData(), int32_t(row.GetSize()));
            if (result != eSuccess)
                break;
            const uint8_t* samples = row.GetData();
            uint8_t* target = static_cast<uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
            if (is32) {
                CPixel* pixels = reinterpret_cast<CPixel*>(target);
                if (colourMode == 1 && plane == 0) {
                    for (int32_t x = 0; x < width; ++x)
                        pixels[x] = GreyToPixel(samples[x * bytesPerSample]);
                } else {
                    // Red, green, blue, then alpha; a grey document's second plane is alpha.
                    const int32_t shift = (colourMode == 1 || plane == 3) ? 24 : 16 - 8 * plane;
                    const CPixel keep = ~(CPixel(0xFF) << shift);
                    for (int32_t x = 0; x < width; ++x)
                        pixels[x] = (pixels[x] & keep) | CPixel(samples[x * bytesPerSample]) << shift;
                }
            } else if (plane == 0) {
                for (int32_t x = 0; x < width; ++x)
                    target[x] = samples[x * bytesPerSample];
            } else if (colourMode == 3 && plane == 1) {
                for (int32_t x = 0; x < width; ++x)
                    target[x] = uint8_t((samples[x * bytesPerSample] + target[x]) / 2);
            } else if (colourMode == 3 && plane == 2) {
                for (int32_t x = 0; x < width; ++x)
                    target[x] = uint8_t((samples[x * bytesPerSample] + 2 * target[x]) / 3);
            }
        }
    }
    return result;
}
