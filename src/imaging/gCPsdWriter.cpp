// The writing half of gCPsdIO: documents with image resources, a JPEG thumbnail, an optional
// normal layer holding the transparency, and the merged image, raw or PackBits.
#include "imaging/gCPsdIO.h"

#include "FileIO/gCMemFile.h"
#include "FileIO/gCStream.h"
#include "core/CMemBlock.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/ImageFiles.h"
#include "imaging/Resample.h"

#include <algorithm>
#include <cstring>

namespace {

// The reader accepts at most this many pixels on a side; it also keeps every packed row well
// below the 65535 bytes its count can hold.
constexpr int32_t kMaxSide = 30000;
constexpr int32_t kThumbnailSide = 112;

eResultCode WriteU16(gCStream& stream, uint32_t value)
{
    return stream.WriteUShort(uint16_t(value >> 8 | (value & 0xFF) << 8));
}

eResultCode WriteU32(gCStream& stream, uint32_t value)
{
    return stream.WriteULong(__builtin_bswap32(value));
}

eResultCode WriteTag(gCStream& stream, const char* tag)
{
    return stream.Write(tag, 4);
}

// PackBits over the samples get(0 .. width - 1): runs of up to 127 equal samples, literals that
// end with the first sample equal to its successor. Answers the packed size; writes only when an
// output is given, and never past its size.
template <typename Get>
int32_t PackRow(Get get, int32_t width, uint8_t* output, int32_t outputSize)
{
    int32_t size = 0;
    auto emit = [&](uint8_t byte) {
        if (output && size < outputSize)
            output[size] = byte;
        ++size;
    };
    int32_t i = 0;
    while (i < width) {
        if (i == width - 1) {
            emit(0);
            emit(get(i));
            i += 1;
        } else if (get(i + 1) == get(i)) {
            int32_t run = 2;
            while (i + run < width && run < 127 && get(i + run) == get(i))
                ++run;
            emit(uint8_t(1 - run));
            emit(get(i));
            i += run;
        } else {
            int32_t length = 2;
            while (length != width - i && length != 127 && get(i + length - 1) != get(i + length))
                ++length;
            emit(uint8_t(length - 1));
            for (int32_t k = 0; k < length; ++k)
                emit(get(i + k));
            i += length;
        }
    }
    return size;
}

int32_t ChannelShift(int32_t channelIndex)
{
    // Layer channel ids: -1 alpha, 0 red, 1 green, 2 blue.
    return channelIndex < 0 ? 24 : 16 - 8 * channelIndex;
}

// A plane of the merged image: a byte of each 32-bit pixel, or the 8-bit pixel itself.
struct sPlane {
    const CImNavBase& nav;
    int32_t shift; // -1 for the bytes of an 8-bit image
    uint8_t Sample(int32_t x, int32_t y) const
    {
        const uint8_t* row = static_cast<const uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
        if (shift < 0)
            return row[x];
        return uint8_t(reinterpret_cast<const CPixel*>(row)[x] >> shift);
    }
    int32_t Pack(int32_t y, uint8_t* output, int32_t outputSize) const
    {
        return PackRow([&](int32_t x) { return Sample(x, y); }, nav.GetWidth(), output, outputSize);
    }
    eResultCode WriteRaw(gCStream& stream, int32_t y, uint8_t* buffer) const
    {
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            buffer[x] = Sample(x, y);
        return stream.Write(buffer, nav.GetWidth());
    }
};

// Writes the planes raw or packed; the choice and the byte counts are the caller's.
eResultCode WritePlanes(gCStream& stream, const sPlane* planes, int32_t count, const uint16_t* byteCounts,
                        int32_t packed)
{
    const CImNavBase& nav = planes[0].nav;
    const int32_t width = nav.GetWidth();
    const int32_t height = nav.GetHeight();
    // A packed row may be larger than its samples: pairs of equal samples between single ones
    // pack to half as much again. Every row fits in the largest count.
    int32_t bufferSize = width;
    if (packed) {
        for (int32_t i = 0; i < count * height; ++i)
            bufferSize = std::max<int32_t>(bufferSize, byteCounts[i]);
    }
    CMemBlock buffer{uint32_t(bufferSize)};
    if (!buffer.GetData())
        return eNoMemory;
    if (packed) {
        for (int32_t i = 0; i < count * height; ++i)
            PNU_TRY(WriteU16(stream, byteCounts[i]));
    }
    for (int32_t p = 0; p < count; ++p)
        for (int32_t y = 0; y < height; ++y) {
            if (packed) {
                const int32_t size = planes[p].Pack(y, buffer.GetData(), int32_t(buffer.GetSize()));
                // The count table is already written: a row that packs otherwise would make the
                // file unreadable.
                if (size != byteCounts[p * height + y])
                    return eGenericFailure;
                PNU_TRY(stream.Write(buffer.GetData(), size));
            } else {
                PNU_TRY(planes[p].WriteRaw(stream, y, buffer.GetData()));
            }
        }
    return eSuccess;
}

} // namespace

int32_t gCPsdIO::PackBitsEncodeRow(const CPixel* row, int32_t width, int32_t shift, uint8_t* output,
                                   int32_t outputSize)
{
    return PackRow([&](int32_t x) { return uint8_t(row[x] >> shift); }, width, output, outputSize);
}

int64_t gCPsdIO::PackBitsRowSize(CImNav& pixels, int32_t channelIndex)
{
    const int32_t shift = ChannelShift(channelIndex);
    int64_t total = 0;
    for (int32_t y = 0; y < pixels.GetHeight(); ++y)
        total += PackBitsEncodeRow(pixels.Row(y), pixels.GetWidth(), shift, nullptr, 0) + 2;
    return total;
}

eResultCode gCPsdIO::WriteThumbnail(gCStream& stream, CImageBase* image)
{
    const int32_t width = image->GetWidth();
    const int32_t height = image->GetHeight();
    const float scale = std::min(float(kThumbnailSide) / float(width), float(kThumbnailSide) / float(height));
    // Very thin images would get a side of 0, which no JPEG can have.
    const int32_t thumbWidth = std::max(RoundHalfAwayFromZero(scale * float(width)), 1);
    const int32_t thumbHeight = std::max(RoundHalfAwayFromZero(scale * float(height)), 1);
    CImage thumbnail(thumbWidth, thumbHeight);
    if (!thumbnail.HasPixelBuffer())
        return eNoMemory;
    PNU_TRY(StretchImage(&thumbnail, image, 1));
    gCMemFile jpeg;
    PNU_TRY(SaveImage(jpeg, &thumbnail, eImageFormatJpeg));
    const uint32_t jpegSize = uint32_t(jpeg.GetSize());
    const uint32_t widthBytes = ((24 * uint32_t(thumbWidth) + 31) / 32) * 4;
    PNU_TRY(WriteU32(stream, 1));
    PNU_TRY(WriteU32(stream, uint32_t(thumbWidth)));
    PNU_TRY(WriteU32(stream, uint32_t(thumbHeight)));
    PNU_TRY(WriteU32(stream, widthBytes));
    PNU_TRY(WriteU32(stream, widthBytes * uint32_t(thumbHeight)));
    PNU_TRY(WriteU32(stream, jpegSize));
    PNU_TRY(WriteU16(stream, 24));
    PNU_TRY(WriteU16(stream, 1));
    CMemBlock bytes(jpegSize ? jpegSize : 1);
    if (!bytes.GetData())
        return eNoMemory;
    PNU_TRY(jpeg.SetPos(0));
    PNU_TRY(jpeg.Read(bytes.GetData(), int32_t(jpegSize)));
    return stream.Write(bytes.GetData(), int32_t(jpegSize));
}

eResultCode gCPsdIO::WriteImageResource(gCStream& stream, uint16_t id, CImageBase* image)
{
    // The data go to a memory stream first, so that the block's length is known.
    gCMemFile data;
    switch (id) {
    case 1005:
        for (int i = 0; i < 2; ++i) {
            PNU_TRY(WriteU32(data, 0x00480000)); // 72.0 in 16.16
            PNU_TRY(WriteU16(data, 1));
            PNU_TRY(WriteU16(data, 5));
        }
        break;
    case 1037:
        PNU_TRY(WriteU32(data, 30));
        break;
    case 1034:
        PNU_TRY(data.WriteUChar(0));
        break;
    case 1036:
        if (image && image->HasPixelBuffer())
            PNU_TRY(WriteThumbnail(data, image));
        break;
    case 1011:
        PNU_TRY(WriteU32(data, 0));
        PNU_TRY(WriteU32(data, 0));
        break;
    case 1044:
        PNU_TRY(WriteU32(data, 0));
        break;
    case 10000:
        PNU_TRY(WriteU16(data, 1));
        PNU_TRY(data.WriteUChar(0));
        PNU_TRY(data.WriteUChar(0));
        PNU_TRY(WriteU32(data, 0));
        PNU_TRY(WriteU16(data, 2));
        break;
    default:
        break;
    }
    uint32_t length = uint32_t(data.GetSize());
    // The length counts the padding byte that makes it even.
    if (length & 1) {
        PNU_TRY(data.WriteUChar(0));
        ++length;
    }
    PNU_TRY(WriteTag(stream, "8BIM"));
    PNU_TRY(WriteU16(stream, id));
    PNU_TRY(WriteU16(stream, 0));
    PNU_TRY(WriteU32(stream, length));
    if (length == 0)
        return eSuccess;
    CMemBlock bytes(length);
    if (!bytes.GetData())
        return eNoMemory;
    PNU_TRY(data.SetPos(0));
    PNU_TRY(data.Read(bytes.GetData(), int32_t(length)));
    return stream.Write(bytes.GetData(), int32_t(length));
}

eResultCode gCPsdIO::WriteLayerRecord(gCStream& stream, CImageBase* image, sLayerInfo& layer)
{
    PNU_TRY(WriteU32(stream, 0));
    PNU_TRY(WriteU32(stream, 0));
    PNU_TRY(WriteU32(stream, uint32_t(image->GetHeight())));
    PNU_TRY(WriteU32(stream, uint32_t(image->GetWidth())));
    PNU_TRY(WriteU16(stream, 4));
    for (int32_t i = 0; i < 4; ++i) {
        PNU_TRY(WriteU16(stream, uint16_t(int16_t(i - 1))));
        layer.lengthPositions[i] = stream.GetPos();
        PNU_TRY(WriteU32(stream, 0));
    }
    PNU_TRY(WriteTag(stream, "8BIM"));
    PNU_TRY(WriteTag(stream, "norm"));
    const uint8_t fields[4] = {255, 0, 8, 0}; // opacity, clipping, flags, filler
    PNU_TRY(stream.Write(fields, 4));
    return WriteU32(stream, 0);
}

eResultCode gCPsdIO::WriteChannelData(gCStream& stream, CImNav& pixels, int32_t channelIndex, int32_t packed)
{
    const sPlane plane{pixels, ChannelShift(channelIndex)};
    PNU_TRY(WriteU16(stream, packed ? 1 : 0));
    CMemBlockT<uint16_t> counts;
    if (packed) {
        if (!counts.SetSize(uint32_t(std::max(pixels.GetHeight(), 1)) * 2))
            return eNoMemory;
        for (int32_t y = 0; y < pixels.GetHeight(); ++y)
            counts.GetData()[y] = uint16_t(plane.Pack(y, nullptr, 0));
    }
    return WritePlanes(stream, &plane, 1, counts.GetData(), packed);
}

eResultCode gCPsdIO::WriteLayerChannels(gCStream& stream, CImageBase* image, sLayerInfo& layer)
{
    CImNav pixels(image, nullptr);
    if (!pixels.IsLocked())
        return eNoMemory;
    const int64_t raw = int64_t(pixels.GetWidth()) * pixels.GetHeight();
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t channelIndex = i - 1;
        const int64_t packedSize = PackBitsRowSize(pixels, channelIndex);
        const int32_t packed = packedSize < raw ? 1 : 0;
        const int64_t dataSize = packed ? packedSize : raw;
        PNU_TRY(WriteChannelData(stream, pixels, channelIndex, packed));
        const int64_t end = stream.GetPos();
        PNU_TRY(stream.SetPos(layer.lengthPositions[i]));
        PNU_TRY(WriteU32(stream, uint32_t(2 + dataSize)));
        PNU_TRY(stream.SetPos(end));
    }
    return eSuccess;
}

eResultCode gCPsdIO::WriteMergedImage(gCStream& stream, CImageBase* image, int32_t planeCount)
{
    CImNavBase nav(image, nullptr);
    if (!nav.IsLocked())
        return eNoMemory;
    const int32_t width = nav.GetWidth();
    const int32_t height = nav.GetHeight();
    sPlane planes[4] = {{nav, 16}, {nav, 8}, {nav, 0}, {nav, 24}};
    if (image->GetBitsPerPixel() != 32)
        planes[0].shift = -1;
    CMemBlockT<uint16_t> counts(uint32_t(std::max(planeCount * height, 1)) * 2);
    if (!counts.GetData())
        return eNoMemory;
    int64_t packedTotal = 0;
    for (int32_t p = 0; p < planeCount; ++p)
        for (int32_t y = 0; y < height; ++y) {
            int32_t size = planes[p].Pack(y, nullptr, 0);
            counts.GetData()[p * height + y] = uint16_t(size);
            packedTotal += size;
        }
    const int64_t rows = int64_t(planeCount) * height;
    const int32_t packed = packedTotal + 2 * rows < rows * width ? 1 : 0;
    PNU_TRY(WriteU16(stream, uint32_t(packed)));
    return WritePlanes(stream, planes, planeCount, counts.GetData(), packed);
}

eResultCode gCPsdIO::SaveImageData(gCStream& stream, CImageBase* image)
{
    // Saving an image without pixels writes nothing and says so.
    if (!image || !image->HasPixelBuffer())
        return eBadParameter;
    if (image->GetWidth() > kMaxSide || image->GetHeight() > kMaxSide || image->GetWidth() < 1 ||
        image->GetHeight() < 1)
        return eBadParameter;
    const bool is32 = image->GetBitsPerPixel() == 32;
    int32_t transparency = 0;
    if (is32) {
        CImNav nav(image, nullptr);
        if (!nav.IsLocked())
            return eNoMemory;
        transparency = nav.HasTransparency();
    }
    const uint16_t mode = is32 ? 3 : 1;
    const uint16_t channels = is32 ? (transparency ? 4 : 3) : 1;

    PNU_TRY(WriteTag(stream, "8BPS"));
    PNU_TRY(WriteU16(stream, 1));
    const uint8_t reserved[6] = {};
    PNU_TRY(stream.Write(reserved, 6));
    PNU_TRY(WriteU16(stream, channels));
    PNU_TRY(WriteU32(stream, uint32_t(image->GetHeight())));
    PNU_TRY(WriteU32(stream, uint32_t(image->GetWidth())));
    PNU_TRY(WriteU16(stream, 8));
    PNU_TRY(WriteU16(stream, mode));
    PNU_TRY(WriteU32(stream, 0));

    gCMemFile resources;
    for (uint16_t id : {1005, 1037, 1034, 1036})
        PNU_TRY(WriteImageResource(resources, id, image));
    const uint32_t resourceLength = uint32_t(resources.GetSize());
    PNU_TRY(WriteU32(stream, resourceLength));
    CMemBlock resourceBytes(resourceLength ? resourceLength : 1);
    if (!resourceBytes.GetData())
        return eNoMemory;
    PNU_TRY(resources.SetPos(0));
    PNU_TRY(resources.Read(resourceBytes.GetData(), int32_t(resourceLength)));
    PNU_TRY(stream.Write(resourceBytes.GetData(), int32_t(resourceLength)));

    const int64_t sectionStart = stream.GetPos();
    PNU_TRY(WriteU32(stream, 0));
    if (transparency) {
        const int64_t layerStart = stream.GetPos();
        PNU_TRY(WriteU32(stream, 0));
        // A negative count: the merged image's first extra channel is its transparency.
        PNU_TRY(WriteU16(stream, 0xFFFF));
        sLayerInfo layer;
        PNU_TRY(WriteLayerRecord(stream, image, layer));
        PNU_TRY(WriteLayerChannels(stream, image, layer));
        int64_t end = stream.GetPos();
        PNU_TRY(stream.SetPos(layerStart));
        PNU_TRY(WriteU32(stream, uint32_t(end - layerStart - 4)));
        PNU_TRY(stream.SetPos(end));
        PNU_TRY(WriteU32(stream, 0));
        end = stream.GetPos();
        PNU_TRY(stream.SetPos(sectionStart));
        PNU_TRY(WriteU32(stream, uint32_t(end - sectionStart - 4)));
        PNU_TRY(stream.SetPos(end));
    }
    return WriteMergedImage(stream, image, channels);
}

eResultCode gCPsdIO::SaveImage32(gCStream& stream, CImage* image)
{
    return SaveImageData(stream, image);
}

eResultCode gCPsdIO::SaveImage8(gCStream& stream, CImage8* image)
{
    return SaveImageData(stream, image);
}
