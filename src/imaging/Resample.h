// Resizing of image areas in 16.16 fixed point: nearest neighbour, box-filter reduction,
// bilinear stretching with an edge rule, and two alpha-aware 32-bit stretches (replacing and
// compositing). Sources and destinations may be 32- or 8-bit in any mix; the image wrappers
// also read sources held in run-length form.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// ResizeImageNearest, StretchImageAlpha and StretchBlendImage.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CImage;
class CImageBase;
class CImNav;
class CImNavBase;

// Steps are (source << 16) / destination in signed 32 bits, so no side may pass this.
inline constexpr int32_t kMaxResampleSide = 32767;

eResultCode ResizeImagePixelsNearest(CImNavBase& destination, CImNavBase& source);
eResultCode ReduceImagePixels(CImNavBase& destination, CImNavBase& source);
eResultCode StretchImagePixels(CImNavBase& destination, CImNavBase& source, int32_t allowReduce);
eResultCode StretchImagePixelsAlpha(CImNav& destination, CImNav& source);
eResultCode StretchBlendImagePixels(CImNav& destination, CImNav& source);

eResultCode ResizeFromRunLengthNearest(CImNavBase& destination, CImageBase* source);
eResultCode ReduceFromRunLength(CImNavBase& destination, CImageBase* source);
eResultCode StretchFromRunLength(CImNavBase& destination, CImageBase* source, int32_t allowReduce);

eResultCode ResizeImageNearest(CImageBase* destination, CImageBase* source);
eResultCode StretchImage(CImageBase* destination, CImageBase* source, int32_t allowReduce);
eResultCode StretchImageAlpha(CImage* destination, CImage* source);
eResultCode StretchBlendImage(CImage* destination, CImage* source);
