#include "imaging/gCPngIO.h"

#include "FileIO/gCStream.h"
#include "core/CMemBlockT.h"
#include "core/CheckedSize.h"
#include "core/gCMemory.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNavBase.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kChunkLimit = 0x40000000;

// The largest side the toolkit resamples and draws; a file claiming more is refused before any
// row is allocated.
constexpr png_uint_32 kMaxSide = 32767;
// The reader keeps no text, profile or other ancillary data of its own, so no chunk needs more
// than this: a chunk that declares gigabytes is refused before its buffer is allocated.
constexpr png_alloc_size_t kMaxChunkBytes = 8u * 1024u * 1024u;

// The library's memory comes from the toolkit's hooks, so a failed allocation is told from a
// damaged file. The chunk limit above covers compressed chunks only: the library sizes the buffer
// of a plain text chunk from the file's length field, so no request beyond the limit is served
// at all (rows, palettes and the inflate window need far less).
struct sPngMemory {
    bool failed = false;
};

png_voidp AllocateForPng(png_structp png, png_alloc_size_t size)
{
    if (size > kMaxChunkBytes)
        return nullptr;
    void* block = MemAllocate(size_t(size));
    if (block == nullptr)
        static_cast<sPngMemory*>(png_get_mem_ptr(png))->failed = true;
    return block;
}

void FreeForPng(png_structp, png_voidp block)
{
    MemFree(block);
}

// Hands the buffer to step in parts no longer than a stream transfer's count can hold.
template <typename Step>
void InChunks(png_bytep data, size_t length, Step step)
{
    while (length > 0) {
        int32_t part = length > size_t(kChunkLimit) ? kChunkLimit : int32_t(length);
        step(data, part);
        data += part;
        length -= size_t(part);
    }
}

// A failed or short read is an error: stale bytes must never be parsed as file data.
void ReadFromStream(png_structp png, png_bytep data, size_t length)
{
    gCStream* stream = static_cast<gCStream*>(png_get_io_ptr(png));
    int64_t left = stream->GetLength() - stream->GetPos();
    if (left < 0 || uint64_t(left) < length)
        png_error(png, "Read past the end of the stream");
    InChunks(data, length, [&](png_bytep part, int32_t count) {
        if (stream->Read(part, count) != eSuccess)
            png_error(png, "Read error");
    });
}

void WriteToStream(png_structp png, png_bytep data, size_t length)
{
    gCStream* stream = static_cast<gCStream*>(png_get_io_ptr(png));
    InChunks(data, length, [&](png_bytep part, int32_t count) {
        if (stream->Write(part, count) != eSuccess)
            png_error(png, "Write error");
    });
}

void FlushStream(png_structp) {}

// Nothing is shown to the user; errors still end in the jump point.
void SilentError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void SilentWarning(png_structp, png_const_charp) {}

struct sPngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
};

// The library calls below may jump back; these functions own nothing that needs destruction.

int ReadHeader(png_structp png, png_infop info, gCStream* stream, sPngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return 1;
    png_set_read_fn(png, stream, ReadFromStream);
    png_set_sig_bytes(png, 0);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType,
                 &header->interlace, nullptr, nullptr);
    return 0;
}

int ReadRows(png_structp png, png_infop info, const sPngHeader* header, int32_t is32, float screenGamma,
             png_bytepp rows, size_t rowBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return 1;
    const int colourType = header->colourType;
    if (header->bitDepth == 16)
        png_set_strip_16(png);
    png_color_16p background = nullptr;
    if (png_get_bKGD(png, info, &background))
        png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (is32) {
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            if (header->bitDepth < 8)
                png_set_expand_gray_1_2_4_to_8(png);
            png_set_gray_to_rgb(png);
        }
        if (hasTransparency)
            png_set_tRNS_to_alpha(png);
        if (colourType & PNG_COLOR_MASK_COLOR)
            png_set_bgr(png);
        png_set_filler(png, 255, PNG_FILLER_AFTER);
    } else {
        if ((colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) && header->bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        if (colourType == PNG_COLOR_TYPE_RGB || colourType == PNG_COLOR_TYPE_RGB_ALPHA ||
            colourType == PNG_COLOR_TYPE_PALETTE)
            png_set_rgb_to_gray_fixed(png, 1, -1, -1);
        // A transparency chunk adds an alpha channel too (palette and grey files): stripping it
        // keeps every row at one byte per pixel.
        if ((colourType & PNG_COLOR_MASK_ALPHA) || hasTransparency)
            png_set_strip_alpha(png);
    }
    if (screenGamma != 1.0f)
        png_set_gamma(png, screenGamma, 1.0);
    (void)png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) > rowBytes)
        png_error(png, "Row larger than the image's row");
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return 0;
}

int WriteRows(png_structp png, png_infop info, gCStream* stream, int32_t width, int32_t height, int32_t is32,
              png_textp texts, int textCount, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return 1;
    png_set_write_fn(png, stream, WriteToStream, FlushStream);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 is32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_text(png, info, texts, textCount);
    png_write_info(png, info);
    if (is32)
        png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, info);
    return 0;
}

// The table of row pointers into a locked image.
bool FillRowTable(CMemBlockT<png_bytep>& table, const CImNavBase& nav)
{
    uint32_t bytes = 0;
    if (!MulSizes({nav.GetHeight() > 0 ? nav.GetHeight() : 1, sizeof(png_bytep)}, bytes) || !table.SetSize(bytes, 1))
        return false;
    uint8_t* first = static_cast<uint8_t*>(nav.GetFirstPixel());
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        table.GetData()[y] = first + ptrdiff_t(y) * nav.GetRowBytes();
    return true;
}

} // namespace

eResultCode gCPngIO::LoadImageData(gCStream& stream, CImageBase* image)
{
    if (!image)
        return eBadParameter;
    sPngMemory memory;
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, SilentError, SilentWarning, &memory,
                                               AllocateForPng, FreeForPng);
    if (!png)
        return eNoMemory;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return eNoMemory;
    }
    sPngHeader header;
    if (ReadHeader(png, info, &stream, &header) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return memory.failed ? eNoMemory : eStreamError;
    }
    // Sides beyond the signed range cannot be an image of this toolkit.
    if (header.width > INT32_MAX || header.height > INT32_MAX ||
        image->SetSize(int32_t(header.width), int32_t(header.height)) != eSuccess) {
        png_destroy_read_struct(&png, &info, nullptr);
        return eNoMemory;
    }
    CImNavBase nav(image, nullptr);
    CMemBlockT<png_bytep> rows;
    if (!nav.IsLocked() || !FillRowTable(rows, nav)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return eNoMemory;
    }
    const int32_t is32 = image->GetBitsPerPixel() == 32;
    int failed = ReadRows(png, info, &header, is32, mScreenGamma, rows.GetData(),
                          size_t(nav.GetWidth()) * (is32 ? 4 : 1));
    png_destroy_read_struct(&png, &info, nullptr);
    if (failed)
        return memory.failed ? eNoMemory : eStreamError;
    return eSuccess;
}

eResultCode gCPngIO::SaveImageData(gCStream& stream, CImageBase* image)
{
    CImNavBase nav(image, nullptr);
    if (!nav.IsLocked())
        return image && image->IsCreated() ? eNoMemory : eBadParameter;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, SilentError, SilentWarning);
    if (!png)
        return eNoMemory;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return eNoMemory;
    }
    CMemBlockT<png_bytep> rows;
    if (!FillRowTable(rows, nav)) {
        png_destroy_write_struct(&png, &info);
        return eNoMemory;
    }
    // The image's resource name as 8-bit Mac Roman text, copied out of the shared conversion
    // buffer before anything else converts.
    char title[4096] = "";
    if (const char* name = image->GetName().ToChars())
        snprintf(title, sizeof title, "%s", name);
    char titleKey[] = "Title";
    char authorKey[] = "Author";
    char author[] = "Velloway LTD";
    char descriptionKey[] = "Description";
    char description[] = "Image written with Velloway LTD Marten application toolkit.";
    png_text texts[3];
    memset(texts, 0, sizeof texts);
    texts[0].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[0].key = titleKey;
    texts[0].text = title;
    texts[1].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[1].key = authorKey;
    texts[1].text = author;
    texts[2].compression = PNG_TEXT_COMPRESSION_zTXt;
    texts[2].key = descriptionKey;
    texts[2].text = description;
    int failed = WriteRows(png, info, &stream, nav.GetWidth(), nav.GetHeight(), image->GetBitsPerPixel() == 32,
                           texts, 3, rows.GetData());
    png_destroy_write_struct(&png, &info);
    return failed ? eStreamError : eSuccess;
}

eResultCode gCPngIO::SaveImage32(gCStream& stream, CImage* image)
{
    return SaveImageData(stream, image);
}

eResultCode gCPngIO::SaveImage8(gCStream& stream, CImage8* image)
{
    return SaveImageData(stream, image);
}
