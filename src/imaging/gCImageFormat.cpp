#include "imaging/gCImageFormat.h"

#include "core/CheckedSize.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"

eResultCode gCImageFormat::LoadImage32(gCStream& stream, CImage* image)
{
    return LoadImageData(stream, image);
}

eResultCode gCImageFormat::LoadImage8(gCStream& stream, CImage8* image)
{
    return LoadImageData(stream, image);
}

eResultCode gCImageFormat::SetPaletteSize()
{
    if (mPaletteCount == 0) {
        (void)mPalette.SetSize(0);
        return eSuccess;
    }
    uint32_t bytes = 0;
    if (!MulSizes({mPaletteCount, sizeof(CPixel)}, bytes) || !mPalette.SetSize(bytes, 1))
        return eNoMemory;
    return eSuccess;
}

uint32_t gCImageFormat::PaletteIndex(uint32_t x, uint8_t byte) const
{
    switch (mBitsPerPixel) {
    case 1:
        return (byte >> (7 - (x & 7))) & 1;
    case 2:
        return (byte >> (2 * (3 - (x & 3)))) & 3;
    case 4:
        return (x & 1) ? byte & 15 : byte >> 4;
    default:
        return byte;
    }
}

void gCImageFormat::LookupPalette(uint32_t x, uint8_t byte, uint32_t* red, uint32_t* green,
                                  uint32_t* blue) const
{
    if (mBitsPerPixel != 1 && mBitsPerPixel != 2 && mBitsPerPixel != 4 && mBitsPerPixel != 8)
        return;
    CPixel entry = PaletteEntry(PaletteIndex(x, byte));
    *red = PixelRed(entry);
    *green = PixelGreen(entry);
    *blue = PixelBlue(entry);
}

void gCImageFormat::ConvertRowToPixels(const uint8_t* source, CPixel* destination, uint32_t count) const
{
    if (mBitsPerPixel != 1 && mBitsPerPixel != 2 && mBitsPerPixel != 4 && mBitsPerPixel != 8)
        return;
    for (uint32_t x = 0; x < count; ++x) {
        CPixel entry = PaletteEntry(PaletteIndex(x, source[(uint64_t(x) * mBitsPerPixel) >> 3]));
        destination[x] = 0xFF000000u | (entry & 0x00FFFFFFu);
    }
}

void gCImageFormat::ConvertRowToGrey(const uint8_t* source, uint8_t* destination, uint32_t count) const
{
    if (mBitsPerPixel != 1 && mBitsPerPixel != 2 && mBitsPerPixel != 4 && mBitsPerPixel != 8)
        return;
    for (uint32_t x = 0; x < count; ++x)
        destination[x] = PixelToGrey(PaletteEntry(PaletteIndex(x, source[(uint64_t(x) * mBitsPerPixel) >> 3])));
}
