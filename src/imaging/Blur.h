// In-place blur of 32-bit images with a multi-level binomial filter: the cost grows with the
// logarithm of the radius. Members differ by direction (both, horizontal, vertical), by what a
// word holds (one 16-bit lane, two lanes, one 32-bit value) and, for colour, by whether alpha
// is blurred too. They return 1 when done and 0 on failure; the lane copies return result codes.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: the
// whole-image lane, word and colour blurs and the two lane copies.
#pragma once

#include "core/eResultCode.h"
#include "core/gCRect.h"

#include <cstdint>

class CImage;
class CImageBase;
class CImNav;

int32_t BlurNav(CImNav& area, float radius, int32_t lane);
int32_t BlurNavLanes(CImNav& area, float radius);
int32_t BlurNavHorizontal(CImNav& area, float radius, int32_t lane);
int32_t BlurNavLanesHorizontal(CImNav& area, float radius);
int32_t BlurNavVertical(CImNav& area, float radius, int32_t lane);
int32_t BlurNavLanesVertical(CImNav& area, float radius);

int32_t BlurImage(CImage* image, float radius, int32_t lane);
int32_t BlurImageLanes(CImage* image, float radius);
int32_t BlurImageHorizontal(CImage* image, float radius, int32_t lane);
int32_t BlurImageLanesHorizontal(CImage* image, float radius);
int32_t BlurImageVertical(CImage* image, float radius, int32_t lane);
int32_t BlurImageLanesVertical(CImage* image, float radius);

int32_t BlurImageWords(CImage* image, float radius);
int32_t BlurImageWordsHorizontal(CImage* image, float radius);
int32_t BlurImageWordsVertical(CImage* image, float radius);

int32_t BlurNavColour(CImNav& area, float radius);
int32_t BlurNavColourAlpha(CImNav& area, float radius);
int32_t BlurNavColourHorizontal(CImNav& area, float radius);
int32_t BlurNavColourAlphaHorizontal(CImNav& area, float radius);
int32_t BlurNavColourVertical(CImNav& area, float radius);
int32_t BlurNavColourAlphaVertical(CImNav& area, float radius);

int32_t BlurImageColour(CImage* image, float radius, const gCRect* area);
int32_t BlurImageColourAlpha(CImage* image, float radius, const gCRect* area);
int32_t BlurImageColourHorizontal(CImage* image, float radius, const gCRect* area);
int32_t BlurImageColourAlphaHorizontal(CImage* image, float radius, const gCRect* area);
int32_t BlurImageColourVertical(CImage* image, float radius, const gCRect* area);
int32_t BlurImageColourAlphaVertical(CImage* image, float radius, const gCRect* area);

eResultCode CopyHighLaneToLow(CImageBase* image);
eResultCode CopyLowLaneToHigh(CImageBase* image);

// The filter's level plan for a radius: base stride 1 << n and the top level's weight in 16.16
// (lane forms) and as a float (word form). Exposed for tests of the radius table.
struct sBlurPlan {
    int32_t valid = 0;    // 0: radius below the threshold or not a number, nothing to do
    int32_t exponent = 0; // n
    uint32_t fraction = 0; // f, 16.16
    uint32_t weight = 0;  // w = f >> 2
    float wordWeight = 0.0f;
};
sBlurPlan PlanBlur(float radius);
