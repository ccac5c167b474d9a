#include "imaging/gCBmpIO.h"

#include "FileIO/gCStream.h"
#include "core/CMemBlock.h"
#include "core/CheckedSize.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/ImageErrorReport.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kEndOfHeader[] = "Unexpected end of file (header was unable to be fully read).";
const char kNotBmp[] = "This file is not a valid BMP image file.";
const char kBadHeaderSize[] = "BMP header size is invalid";
const char kNotSupported[] = "This BMP format not supported.";
const char kRowCutOff[] = "Error reading BMP file - pixel row read cut off before end of row.";
const char kOverflow[] = "Corrupt BMP - read overflow.";
const char kEndedEarly[] = "Corrupt BMP - file ended before all image data read.";

inline uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t U32(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24; }
inline void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void Put32(uint8_t* p, uint32_t v) { Put16(p, v); Put16(p + 2, v >> 16); }

// Bytes left after the position; reads of more than that cannot succeed.
int64_t Remaining(gCStream& stream)
{
    int64_t left = stream.GetLength() - stream.GetPos();
    return left > 0 ? left : 0;
}

// Header and info header of a new file, without the palette.
void FillHeaders(uint8_t* bytes, int32_t width, int32_t height, uint32_t bits, uint32_t fileSize,
                 uint32_t dataOffset)
{
    memset(bytes, 0, 54);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes + 2, fileSize);
    Put32(bytes + 10, dataOffset);
    Put32(bytes + 14, 40);
    Put32(bytes + 18, uint32_t(width));
    Put32(bytes + 22, uint32_t(height));
    Put16(bytes + 26, 1);
    Put16(bytes + 28, bits);
}

// The headers of an 8-bit file: the file and information headers, then the grey palette.
constexpr uint32_t kPaletteHeaderBytes = 1078;

// Writes a file of nav's rows: headerBytes of headers (filled by fill(headers, fileSize)), then the
// rows bottom-up, each packed by pack(bytes, row, width) at pixelBytes a pixel and padded with
// zeros to four bytes. A file that would pass 4 GB is refused.
template <typename Nav, typename Fill, typename Pack>
eResultCode WriteFile(gCStream& stream, Nav& nav, uint32_t pixelBytes, uint32_t headerBytes, Fill fill, Pack pack)
{
    if (!nav.IsLocked())
        return eBadParameter;
    const int32_t width = nav.GetWidth();
    const int32_t height = nav.GetHeight();
    const uint32_t rowBytes = (pixelBytes * uint32_t(width) + 3) & ~3u;
    uint32_t dataBytes = 0;
    if (!MulSizes({rowBytes, height}, dataBytes, UINT32_MAX - headerBytes)
        || !SizesFit({width, pixelBytes}, UINT32_MAX / 2))
        return eBadParameter;
    uint8_t headers[kPaletteHeaderBytes];
    fill(headers, dataBytes + headerBytes);
    PNU_TRY(stream.Write(headers, int32_t(headerBytes)));
    CMemBlock buffer(rowBytes ? rowBytes : 1, 1);
    if (!buffer.GetData())
        return eNoMemory;
    for (int32_t y = height - 1; y >= 0; --y) {
        pack(buffer.GetData(), nav.Row(y), width);
        PNU_TRY(stream.Write(buffer.GetData(), int32_t(rowBytes)));
    }
    return eSuccess;
}

} // namespace

struct gCBmpIO::sHeader {
    uint32_t dataOffset = 0;
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t bits = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    uint32_t consumed = 0;
};

eResultCode gCBmpIO::Fail(const char* explanation)
{
    ReportImageError(eGenericFailure, explanation);
    return eGenericFailure;
}

eResultCode gCBmpIO::ReadHeaders(gCStream& stream, sHeader& header)
{
    uint8_t bytes[36];
    if (stream.Read(bytes, 14) != eSuccess)
        return Fail(kEndOfHeader);
    if (U16(bytes) != 0x4D42)
        return Fail(kNotBmp);
    header.dataOffset = U32(bytes + 10);
    if (stream.ReadULong(header.headerSize) != eSuccess)
        return Fail(kEndOfHeader);
    if (header.headerSize == 12) {
        if (stream.Read(bytes, 8) != eSuccess)
            return Fail(kEndOfHeader);
        header.width = U16(bytes);
        header.height = U16(bytes + 2);
        header.bits = U16(bytes + 6);
        header.compression = 0;
        header.coloursUsed = 0;
        header.consumed = 26;
        return eSuccess;
    }
    if (header.headerSize < 40)
        return Fail(kBadHeaderSize);
    if (stream.Read(bytes, 36) != eSuccess)
        return Fail(kEndOfHeader);
    header.width = int32_t(U32(bytes));
    header.height = int32_t(U32(bytes + 4));
    header.bits = U16(bytes + 10);
    header.compression = U32(bytes + 12);
    header.coloursUsed = U32(bytes + 28);
    // The bytes of longer headers (colour masks, colour spaces) are not used.
    uint32_t extra = header.headerSize - 40;
    if (extra > Remaining(stream))
        return Fail(kBadHeaderSize);
    if (extra && stream.SetPos(stream.GetPos() + extra) != eSuccess)
        return Fail(kEndOfHeader);
    header.consumed = 14 + header.headerSize;
    return eSuccess;
}

eResultCode gCBmpIO::ReadPalette(gCStream& stream, const sHeader& header, uint32_t* consumed)
{
    const uint32_t entrySize = header.headerSize == 12 ? 3 : 4;
    if (!SizesFit({mPaletteCount, entrySize}, uint64_t(Remaining(stream))))
        return Fail(kEndOfHeader);
    PNU_TRY(SetPaletteSize());
    CPixel* palette = GetPalette();
    for (uint32_t i = 0; i < mPaletteCount; ++i) {
        uint8_t entry[4];
        if (stream.Read(entry, int32_t(entrySize)) != eSuccess)
            return Fail(kEndOfHeader);
        palette[i] = MakePixel(0xFF, entry[2], entry[1], entry[0]);
    }
    *consumed += mPaletteCount * entrySize;
    return eSuccess;
}

void gCBmpIO::StoreIndexRow(const uint8_t* indexes, CImNavBase& nav, int32_t y, int32_t is32) const
{
    uint8_t* row = static_cast<uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
    if (is32)
        ConvertRowToPixels(indexes, reinterpret_cast<CPixel*>(row), uint32_t(nav.GetWidth()));
    else
        ConvertRowToGrey(indexes, row, uint32_t(nav.GetWidth()));
}

eResultCode gCBmpIO::ReadRows24(gCStream& stream, const sHeader& header, CImNavBase& nav, int32_t is32)
{
    const int32_t width = nav.GetWidth();
    const int32_t rows = nav.GetHeight();
    const uint32_t rowBytes = (3 * uint32_t(width) + 3) & ~3u;
    CMemBlock buffer(rowBytes);
    if (!buffer.GetData())
        return eNoMemory;
    const uint8_t* file = buffer.GetData();
    for (int32_t i = 0; i < rows; ++i) {
        if (stream.Read(buffer.GetData(), int32_t(rowBytes)) != eSuccess)
            return Fail(kRowCutOff);
        int32_t y = header.height < 0 ? i : rows - 1 - i;
        uint8_t* row = static_cast<uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
        if (is32) {
            CPixel* pixels = reinterpret_cast<CPixel*>(row);
            for (int32_t x = 0; x < width; ++x)
                pixels[x] = MakePixel(0xFF, file[3 * x + 2], file[3 * x + 1], file[3 * x]);
        } else {
            for (int32_t x = 0; x < width; ++x)
                row[x] = uint8_t((file[3 * x] + file[3 * x + 1] + file[3 * x + 2]) / 3);
        }
    }
    return eSuccess;
}

eResultCode gCBmpIO::ReadPaletteRows(gCStream& stream, const sHeader& header, CImNavBase& nav,
                                     uint8_t* rowBuffer, int32_t is32)
{
    const uint32_t rowBytes = uint32_t((uint64_t(header.bits) * uint32_t(nav.GetWidth()) + 7) / 8);
    const uint32_t padding = ((rowBytes + 3) & ~3u) - rowBytes;
    const int32_t rows = nav.GetHeight();
    for (int32_t i = 0; i < rows; ++i) {
        int32_t y = header.height > 0 ? rows - 1 - i : i;
        if (stream.Read(rowBuffer, int32_t(rowBytes)) != eSuccess)
            return Fail(kRowCutOff);
        StoreIndexRow(rowBuffer, nav, y, is32);
        uint8_t skipped[4];
        // Some writers leave out the padding of the last row; nothing depends on it.
        if (padding && Remaining(stream) >= padding)
            (void)stream.Read(skipped, int32_t(padding));
    }
    return eSuccess;
}

eResultCode gCBmpIO::ReadRunLengthRows(gCStream& stream, const sHeader& header, CImNavBase& nav,
                                       uint8_t* rowBuffer, int32_t is32)
{
    const int32_t width = nav.GetWidth();
    const int32_t height = nav.GetHeight();
    const bool rle4 = header.compression == 2;
    int64_t x = 0;
    int64_t y = height - 1;
    bool endOfBitmap = false;
    // Set when pixels were decoded since the last end of line, so that a last row closed by the
    // end-of-bitmap code alone is stored too.
    bool pending = false;
    auto inside = [&](int64_t count) { return y >= 0 && y < height && x + count <= width; };
    auto putNibble = [&](int64_t column, uint8_t nibble) {
        if (column & 1)
            rowBuffer[column / 2] |= nibble & 15;
        else
            rowBuffer[column / 2] = uint8_t(nibble << 4);
    };
    for (;;) {
        if (stream.IsEOF())
            return endOfBitmap ? eSuccess : Fail(kEndedEarly);
        if (endOfBitmap)
            return eSuccess;
        uint8_t code[2];
        if (stream.Read(code, 2) != eSuccess)
            return Fail(kEndedEarly);
        const uint32_t n = code[0];
        const uint32_t v = code[1];
        if (n > 0) {
            if (!inside(n))
                return Fail(kOverflow);
            if (rle4) {
                for (uint32_t k = 0; k < n; ++k)
                    putNibble(x + k, uint8_t((k & 1) ? v & 15 : v >> 4));
            } else {
                memset(rowBuffer + x, int(v), n);
            }
            x += n;
            pending = true;
        } else if (v == 0) {
            if (y < 0 || y >= height)
                return Fail(kOverflow);
            StoreIndexRow(rowBuffer, nav, int32_t(y), is32);
            --y;
            x = 0;
            pending = false;
        } else if (v == 1) {
            endOfBitmap = true;
            if (pending && y >= 0 && y < height)
                StoreIndexRow(rowBuffer, nav, int32_t(y), is32);
        } else if (v == 2) {
            uint8_t delta[2];
            if (stream.Read(delta, 2) != eSuccess)
                return Fail(kEndedEarly);
            x += delta[0];
            y -= delta[1];
        } else {
            if (!inside(v))
                return Fail(kOverflow);
            if (rle4) {
                uint8_t packed[128];
                const uint32_t bytes = (v + 1) / 2;
                if (stream.Read(packed, int32_t(bytes)) != eSuccess)
                    return Fail(kEndedEarly);
                for (uint32_t k = 0; k < v; ++k)
                    putNibble(x + k, uint8_t((k & 1) ? packed[k / 2] & 15 : packed[k / 2] >> 4));
                if ((v & 3) == 1 || (v & 3) == 2) {
                    uint8_t pad;
                    if (stream.Read(&pad, 1) != eSuccess)
                        return Fail(kEndedEarly);
                }
            } else {
                if (stream.Read(rowBuffer + x, int32_t(v)) != eSuccess)
                    return Fail(kEndedEarly);
                uint8_t* row = static_cast<uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
                for (uint32_t k = 0; k < v; ++k) {
                    CPixel entry = PaletteEntry(rowBuffer[x + k]);
                    if (is32)
                        reinterpret_cast<CPixel*>(row)[x + k] = 0xFF000000u | entry;
                    else
                        row[x + k] = PixelToGrey(entry);
                }
                if (v & 1) {
                    uint8_t pad;
                    if (stream.Read(&pad, 1) != eSuccess)
                        return Fail(kEndedEarly);
                }
            }
            x += v;
            pending = true;
        }
    }
}

eResultCode gCBmpIO::LoadImageData(gCStream& stream, CImageBase* image)
{
    if (!image)
        return eBadParameter;
    sHeader header;
    PNU_TRY(ReadHeaders(stream, header));
    if (header.bits > 8 && header.bits != 24)
        return Fail(kNotSupported);
    mPaletteCount = header.bits == 24 ? 0 : (header.coloursUsed ? header.coloursUsed : 1u << header.bits);
    const bool accepted = (header.bits == 1 && header.compression == 0) ||
                          (header.bits == 4 && (header.compression == 0 || header.compression == 2)) ||
                          (header.bits == 8 && (header.compression == 0 || header.compression == 1)) ||
                          (header.bits == 24 && header.compression == 0);
    if (!accepted)
        return Fail(kNotSupported);
    // A file cannot describe an empty or mirrored image, and run-length data are always stored
    // bottom-up; such files would only lead to stores outside the image.
    if (header.width <= 0 || header.height == 0 || header.height == INT32_MIN ||
        (header.compression != 0 && header.height < 0))
        return Fail(kNotSupported);
    mBitsPerPixel = header.bits;
    const int32_t rows = std::abs(header.height);
    PNU_TRY(image->SetSize(header.width, rows));
    const int32_t is32 = image->GetBitsPerPixel() == 32;

    uint32_t rowBufferBytes = 0;
    CMemBlock rowBuffer(MulSizes({header.width, 4}, rowBufferBytes) ? rowBufferBytes : 0, 1);
    if (!rowBuffer.GetData())
        return eNoMemory;
    CImNavBase nav(image, nullptr);
    if (!nav.IsLocked())
        return eNoMemory;

    uint32_t consumed = header.consumed;
    PNU_TRY(ReadPalette(stream, header, &consumed));
    int64_t dataStart = stream.GetPos() + int64_t(header.dataOffset) - int64_t(consumed);
    if (dataStart < 0 || dataStart > stream.GetLength() || stream.SetPos(dataStart) != eSuccess)
        return Fail(kEndedEarly);

    if (header.bits == 24)
        return ReadRows24(stream, header, nav, is32);
    if (header.compression == 0)
        return ReadPaletteRows(stream, header, nav, rowBuffer.GetData(), is32);
    return ReadRunLengthRows(stream, header, nav, rowBuffer.GetData(), is32);
}

eResultCode gCBmpIO::SaveImage32(gCStream& stream, CImage* image)
{
    CImNav nav(image, nullptr);
    return WriteFile(stream, nav, 3, 54, [&](uint8_t* headers, uint32_t fileSize) {
        mBitsPerPixel = 24;
        mPaletteCount = 0;
        FillHeaders(headers, nav.GetWidth(), nav.GetHeight(), 24, fileSize, 54);
    }, [](uint8_t* bytes, const CPixel* row, int32_t width) {
        for (int32_t x = 0; x < width; ++x) {
            bytes[3 * x] = uint8_t(row[x]);
            bytes[3 * x + 1] = uint8_t(row[x] >> 8);
            bytes[3 * x + 2] = uint8_t(row[x] >> 16);
        }
    });
}

eResultCode gCBmpIO::SaveImage8(gCStream& stream, CImage8* image)
{
    CImNav8 nav(image, nullptr);
    return WriteFile(stream, nav, 1, kPaletteHeaderBytes, [&](uint8_t* headers, uint32_t fileSize) {
        FillHeaders(headers, nav.GetWidth(), nav.GetHeight(), 8, fileSize, kPaletteHeaderBytes);
        for (uint32_t i = 0; i < 256; ++i) {
            uint8_t* entry = headers + 54 + 4 * i;
            entry[0] = entry[1] = entry[2] = uint8_t(i);
            entry[3] = 255;
        }
    }, [](uint8_t* bytes, const uint8_t* row, int32_t width) { memcpy(bytes, row, size_t(width)); });
}
