#include "imaging/ImageCopy.h"

#include "core/gCMemory.h"
#include "core/gCRect.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE.h"
#include "imaging/CRLE8.h"
#include "imaging/ImagePair.h"

#include <algorithm>
#include <cstring>

namespace {

int32_t Wrap(int64_t value, int32_t size)
{
    int64_t r = value % size;
    return int32_t(r < 0 ? r + size : r);
}

int32_t TileStart(int32_t mode, int32_t big, int32_t small, bool eightBit, bool horizontal)
{
    bool alignEnd = horizontal ? (mode == 1 || mode == 3) : (mode == 2 || mode == 3);
    if (alignEnd)
        return small - (big % small) - 1;
    if (mode != 4)
        return 0;
    if (eightBit)
        return small - ((big % small) / 2) - 1;
    return Wrap(small - (((big - small) / 2) % small) - 1, small);
}

template <typename Pixel, typename Nav>
eResultCode Tile(Nav& destination, Nav& source, int32_t mode, bool eightBit)
{
    if (!destination.IsLocked() || !source.IsLocked())
        return eBadParameter;
    int32_t W = destination.GetWidth(), H = destination.GetHeight();
    int32_t w = source.GetWidth(), h = source.GetHeight();
    // An empty source has nothing to repeat; it would only divide by zero.
    if (W == 0 || H == 0 || w == 0 || h == 0)
        return eSuccess;
    int32_t x0 = TileStart(mode, W, w, eightBit, true);
    int32_t y0 = TileStart(mode, H, h, eightBit, false);
    int32_t sy = y0;
    for (int32_t y = 0; y < H; ++y) {
        Pixel* out = reinterpret_cast<Pixel*>(destination.Row(y));
        const Pixel* in = reinterpret_cast<const Pixel*>(source.Row(sy));
        int32_t sx = x0;
        for (int32_t x = 0; x < W;) {
            int32_t span = std::min(w - sx, W - x);
            std::memcpy(out + x, in + sx, size_t(span) * sizeof(Pixel));
            x += span;
            sx = 0;
        }
        if (++sy == h)
            sy = 0;
    }
    return eSuccess;
}

uint8_t* RowBytes(CImNavBase& nav, int32_t y)
{
    return static_cast<uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
}

template <typename RLE>
void ReadRows(CImNavBase& destination, const RLE& rle, int32_t width, int32_t height)
{
    using Value = decltype(rle.Read(std::declval<typename RLE::sReader&>()));
    for (int32_t y = 0; y < height; ++y) {
        auto reader = rle.SeekReader(0, y);
        auto* out = reinterpret_cast<Value*>(RowBytes(destination, y));
        for (int32_t x = 0; x < width; ++x)
            out[x] = rle.Read(reader);
    }
}

// Writes the row src into dst turned right by dx pixels (its last dx pixels first).
void RotatedRow(uint8_t* dst, const uint8_t* src, size_t rowBytes, size_t shiftBytes)
{
    std::memcpy(dst, src + rowBytes - shiftBytes, shiftBytes);
    std::memcpy(dst + shiftBytes, src, rowBytes - shiftBytes);
}

// The rows of a run-length source of the Image class into a destination of the same pixel size;
// a destination of another pixel size is left as it is.
template <typename Image, int32_t BytesPerPixel>
eResultCode ReadFormRows(CImNavBase& destination, CImageBase* source, int32_t width, int32_t height)
{
    if (destination.GetBytesPerPixel() != BytesPerPixel)
        return eSuccess;
    const auto* rle = static_cast<Image*>(source)->GetRLE();
    if (!rle)
        return eBadParameter;
    ReadRows(destination, *rle, width, height);
    return eSuccess;
}

} // namespace

eResultCode TileImage(CImNav& destination, CImNav& source, int32_t mode)
{
    return Tile<CPixel>(destination, source, mode, false);
}

eResultCode TileImage8(CImNav8& destination, CImNav8& source, int32_t mode)
{
    return Tile<uint8_t>(destination, source, mode, true);
}

eResultCode TileImage(CImage* destination, CImage* source, int32_t mode)
{
    return OnLockedPair<CImNav>(destination, source, nullptr,
                               [mode](CImNav& out, CImNav& in) { return TileImage(out, in, mode); });
}

eResultCode TileImage8(CImage8* destination, CImage8* source, int32_t mode)
{
    return OnLockedPair<CImNav8>(destination, source, nullptr,
                               [mode](CImNav8& out, CImNav8& in) { return TileImage8(out, in, mode); });
}

eResultCode CopyNavRows(CImNavBase& destination, CImNavBase& source)
{
    if (!destination.IsLocked() || !source.IsLocked())
        return eBadParameter;
    if (destination.GetWidth() == 0 || destination.GetHeight() == 0)
        return eSuccess;
    if (destination.GetWidth() != source.GetWidth() || destination.GetHeight() != source.GetHeight())
        return eBadParameter;
    // Rows of different pixel sizes cannot be copied byte for byte: a 32-bit row would run
    // four times past an 8-bit one.
    if (destination.GetBytesPerPixel() != source.GetBytesPerPixel())
        return eBadParameter;
    size_t bytes = size_t(destination.GetWidth()) * size_t(source.GetBytesPerPixel());
    for (int32_t y = 0; y < destination.GetHeight(); ++y)
        std::memcpy(RowBytes(destination, y), RowBytes(source, y), bytes);
    return eSuccess;
}

eResultCode CopyImagePixels(CImNavBase& destination, CImNavBase& source)
{
    if (!destination.IsLocked() || !source.IsLocked())
        return eBadParameter;
    if (destination.GetWidth() == 0 || destination.GetHeight() == 0)
        return eSuccess;
    if (destination.GetImage() == source.GetImage() && destination.GetArea().top >= source.GetArea().top) {
        if (destination.GetWidth() != source.GetWidth() || destination.GetHeight() != source.GetHeight())
            return eBadParameter;
        size_t bytes = size_t(destination.GetWidth()) * size_t(source.GetBytesPerPixel());
        int32_t height = destination.GetHeight();
        if (destination.GetArea().top == source.GetArea().top) {
            for (int32_t y = 0; y < height; ++y)
                std::memmove(RowBytes(destination, y), RowBytes(source, y), bytes);
        } else {
            for (int32_t y = height - 1; y >= 0; --y)
                std::memmove(RowBytes(destination, y), RowBytes(source, y), bytes);
        }
        return eSuccess;
    }
    return CopyNavRows(destination, source);
}

eResultCode CopyFromRunLength(CImNavBase& destination, CImageBase* source)
{
    if (!source || !destination.IsLocked() || !source->IsCreated())
        return eBadParameter;
    if (destination.GetWidth() == 0 || destination.GetHeight() == 0)
        return eSuccess;
    // The readers have no bounds inside a row: never read more than the source holds.
    int32_t width = std::min(destination.GetWidth(), source->GetWidth());
    int32_t height = std::min(destination.GetHeight(), source->GetHeight());
    if (source->GetBitsPerPixel() == 32)
        return ReadFormRows<CImage, 4>(destination, source, width, height);
    return ReadFormRows<CImage8, 1>(destination, source, width, height);
}

eResultCode CopyImage(CImageBase* destination, CImageBase* source)
{
    if (!destination || !source)
        return eBadParameter;
    gCRect area{0, 0, std::min(source->GetWidth(), destination->GetWidth()),
                std::min(source->GetHeight(), destination->GetHeight())};
    return OnImagePair<CImNavBase>(destination, source, &area, [](CImNavBase& out, CImageBase* image, CImNavBase* in) {
        return in ? CopyImagePixels(out, *in) : CopyFromRunLength(out, image);
    });
}

eResultCode ScrollImageWrap(CImNavBase& area, const gCPoint* offset)
{
    int32_t width = area.GetWidth(), height = area.GetHeight();
    // An unlocked or empty area has nothing to move (and would take a remainder by zero).
    if (!area.IsLocked() || width == 0 || height == 0 || !offset)
        return eSuccess;
    int32_t dx = Wrap(offset->x, width);
    int32_t dy = Wrap(-int64_t(offset->y), height);
    size_t pixel = size_t(area.GetBytesPerPixel());
    size_t rowBytes = size_t(width) * pixel;
    size_t shift = size_t(dx) * pixel;
    if (dy == 0) {
        if (dx == 0)
            return eSuccess;
        bool small = dx <= width / 2;
        size_t kept = small ? shift : rowBytes - shift;
        auto* buffer = static_cast<uint8_t*>(MemAllocate(kept));
        if (!buffer)
            return eNoMemory;
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = RowBytes(area, y);
            if (small) {
                std::memcpy(buffer, row + rowBytes - shift, shift);
                std::memmove(row + shift, row, rowBytes - shift);
                std::memcpy(row, buffer, shift);
            } else {
                std::memcpy(buffer, row, rowBytes - shift);
                std::memmove(row, row + rowBytes - shift, shift);
                std::memcpy(row + shift, buffer, rowBytes - shift);
            }
        }
        MemFree(buffer);
        return eSuccess;
    }
    auto* visited = static_cast<uint8_t*>(MemAllocate(size_t(dy)));
    auto* saved = static_cast<uint8_t*>(MemAllocate(rowBytes));
    if (!visited || !saved) {
        MemFree(visited);
        MemFree(saved);
        return eNoMemory;
    }
    std::memset(visited, 0, size_t(dy));
    for (int32_t start = 0; start < dy; ++start) {
        if (visited[start])
            continue;
        std::memcpy(saved, RowBytes(area, start), rowBytes);
        int32_t row = start;
        for (;;) {
            if (row < dy)
                visited[row] = 1;
            int32_t next = (row + dy) % height;
            if (next == start) {
                RotatedRow(RowBytes(area, row), saved, rowBytes, shift);
                break;
            }
            RotatedRow(RowBytes(area, row), RowBytes(area, next), rowBytes, shift);
            row = next;
        }
    }
    MemFree(visited);
    MemFree(saved);
    return eSuccess;
}
