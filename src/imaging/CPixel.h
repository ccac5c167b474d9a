// One 32-bit pixel word 0xAARRGGBB with straight (not premultiplied) colour. Pixels are always
// read and written as whole words, so on this little-endian machine the bytes in memory are
// B, G, R, A, which is what the PNG reader and the window layer rely on.
#pragma once

#include <cstdint>

using CPixel = uint32_t;

inline constexpr CPixel kPixelAlphaMask = 0xFF000000u;

inline constexpr uint32_t PixelAlpha(CPixel pixel) { return pixel >> 24; }
inline constexpr uint32_t PixelRed(CPixel pixel) { return (pixel >> 16) & 0xFF; }
inline constexpr uint32_t PixelGreen(CPixel pixel) { return (pixel >> 8) & 0xFF; }
inline constexpr uint32_t PixelBlue(CPixel pixel) { return pixel & 0xFF; }

inline constexpr CPixel MakePixel(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue)
{
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

// The opaque grey an 8-bit value stands for in a 32-bit image.
inline constexpr CPixel GreyToPixel(uint8_t value) { return value * 0x010101u + 0xFF000000u; }

// The 8-bit value of a 32-bit pixel: the mean of its colour channels, truncated.
inline constexpr uint8_t PixelToGrey(CPixel pixel)
{
    return uint8_t((PixelRed(pixel) + PixelGreen(pixel) + PixelBlue(pixel)) / 3);
}
