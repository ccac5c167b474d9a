// The per-pixel arithmetic that lays colour over straight-colour CPixel words, and the two
// process-wide pixel hooks that point at it. The routines are inline so that pixel loops see
// them; the hooks hold plain function pointers that the widget backdrop swaps while it renders
// with alpha.
#pragma once

#include "imaging/CPixel.h"

#include <cstdint>

// Normal compositing of one colour over a base at weight a (1..254), two channels per step:
// c = b + floor((s - b + 1) a / 256) for red, green and blue; the base alpha is kept because
// the alpha lane's sum never reaches beyond its own byte.
inline CPixel BlendNormalWeighted(CPixel base, CPixel source, uint32_t a)
{
    uint32_t rb = ((base & 0x00FF00FFu) + ((((source & 0x00FF00FFu) - (base & 0x00FF00FFu) + 0x00010001u) * a) >> 8)) & 0x00FF00FFu;
    uint32_t ag = ((base & 0xFF00FF00u) + (((source >> 8) & 0xFFu) - ((base >> 8) & 0xFFu) + 1u) * a) & 0xFF00FF00u;
    return rb | ag;
}

inline void PaintPixel(CPixel* destination, uint32_t coverage, const CPixel* colour)
{
    if (coverage == 0)
        return;
    if (coverage >= 255) {
        *destination = *colour;
        return;
    }
    *destination = BlendNormalWeighted(*destination, *colour, coverage);
}

// A source pixel blends as its own colour painted at its own alpha as coverage.
inline void BlendPixel(CPixel* destination, const CPixel* source)
{
    PaintPixel(destination, *source >> 24, source);
}

// Alpha-correct "over" in 16-bit alpha precision, shared by PaintPixelAlpha and BlendPixelAlpha
// once the special cases are out of the way (0 < c16 < 65535, 0 < d16 < 65535).
inline CPixel CompositeOverPartial(CPixel d, CPixel s, uint32_t c16, uint32_t d16)
{
    uint32_t ra = 65535u - (((65535u - d16) * (65535u - c16)) >> 16);
    uint32_t w = ((65535u - c16) * d16) >> 16;
    uint32_t k = 16843009u / ra;
    // (s c16 + d w) k stays below 255 x 0x01010101, so the product never wraps.
    uint32_t r = (((PixelRed(s) * c16 + PixelRed(d) * w) * k) >> 24) & 0xFFu;
    uint32_t g = (((PixelGreen(s) * c16 + PixelGreen(d) * w) * k) >> 24) & 0xFFu;
    uint32_t b = (((PixelBlue(s) * c16 + PixelBlue(d) * w) * k) >> 24) & 0xFFu;
    return MakePixel(ra >> 8, r, g, b);
}

inline void PaintPixelAlpha(CPixel* destination, uint32_t coverage, const CPixel* colour)
{
    uint32_t c16 = coverage * 257u;
    if (c16 == 0)
        return;
    if (c16 == 65535u) {
        *destination = *colour;
        return;
    }
    uint32_t d16 = (*destination >> 24) * 257u;
    if (d16 == 0) {
        *destination = (*colour & 0x00FFFFFFu) | (coverage << 24);
        return;
    }
    if (d16 == 65535u) {
        *destination = BlendNormalWeighted(*destination, *colour, coverage);
        return;
    }
    *destination = CompositeOverPartial(*destination, *colour, c16, d16);
}

// A source pixel blends as its own colour painted at its own alpha as coverage.
inline void BlendPixelAlpha(CPixel* destination, const CPixel* source)
{
    PaintPixelAlpha(destination, *source >> 24, source);
}

using tPaintPixelHook = void (*)(CPixel* destination, uint32_t coverage, const CPixel* colour);
using tBlendPixelHook = void (*)(CPixel* destination, const CPixel* source);

// The hooks other code calls per pixel; initially PaintPixel and BlendPixel.
extern tPaintPixelHook gPaintPixelHook;
extern tBlendPixelHook gBlendPixelHook;

// Out-of-line copies of the inline routines, so the hooks can point at them.
void PaintPixelRoutine(CPixel* destination, uint32_t coverage, const CPixel* colour);
void BlendPixelRoutine(CPixel* destination, const CPixel* source);
void PaintPixelAlphaRoutine(CPixel* destination, uint32_t coverage, const CPixel* colour);
void BlendPixelAlphaRoutine(CPixel* destination, const CPixel* source);
