// Whole-area blending of a source over a base into a destination with seven blend modes, in an
// image form, a navigator form and two single-colour forms. The destination may be the base.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: BlendNavs,
// BlendColour and BlendOverColour.
#pragma once

#include "core/eResultCode.h"
#include "imaging/CPixel.h"

#include <cstdint>

class CImage;
class CImNav;

enum eBlendMode : int32_t {
    eBlendNormal = 0,
    eBlendMultiply = 1,
    eBlendScreen = 2,
    eBlendOverlay = 3,
    eBlendScreen2 = 4,
    eBlendMultiply2 = 5,
    eBlendSoftLight = 6,
};

// The whole pixel: each colour channel by its mode, the base's alpha kept.
CPixel BlendModePixel(int32_t mode, CPixel source, CPixel base);

// The per-mode forms; the mode is a template argument so every pixel loop is specialised.
template <int32_t Mode>
eResultCode BlendImagesMode(CImage* destination, CImage* source, CImage* base);
template <int32_t Mode>
eResultCode BlendNavsMode(CImNav& destination, CImNav& source, CImNav& base);
template <int32_t Mode>
eResultCode BlendColourMode(CImNav& destination, CPixel colour, CImNav& base);
template <int32_t Mode>
eResultCode BlendOverColourMode(CImNav& destination, CImNav& source, CPixel colour);

// Dispatchers: a mode outside 0..6 returns 0 and touches nothing.
eResultCode BlendImages(CImage* destination, CImage* source, CImage* base, int32_t mode);
eResultCode BlendNavs(CImNav& destination, CImNav& source, CImNav& base, int32_t mode);
eResultCode BlendColour(CImNav& destination, const CPixel* colour, CImNav& base, int32_t mode);
eResultCode BlendOverColour(CImNav& destination, CImNav& source, const CPixel* colour, int32_t mode);
// One row in place, for loops that make their own source rows: row[x] becomes the source pixel
// (or the colour) blended over it. The mode is chosen once for the row, not per pixel; a mode
// outside 0..6 leaves the row as it is.
void BlendRowOver(CPixel* row, const CPixel* source, int32_t count, int32_t mode);
void BlendColourRowOver(CPixel* row, CPixel colour, int32_t count, int32_t mode);
