#include "imaging/PixelCompositing.h"

void PaintPixelRoutine(CPixel* destination, uint32_t coverage, const CPixel* colour)
{
    PaintPixel(destination, coverage, colour);
}

void BlendPixelRoutine(CPixel* destination, const CPixel* source)
{
    BlendPixel(destination, source);
}

void PaintPixelAlphaRoutine(CPixel* destination, uint32_t coverage, const CPixel* colour)
{
    PaintPixelAlpha(destination, coverage, colour);
}

void BlendPixelAlphaRoutine(CPixel* destination, const CPixel* source)
{
    BlendPixelAlpha(destination, source);
}

tPaintPixelHook gPaintPixelHook = PaintPixelRoutine;
tBlendPixelHook gBlendPixelHook = BlendPixelRoutine;
