// Pixel moves between images without resampling: tiling with five alignments, copies between
// navigator areas (overlap-safe within one image), copies whatever the storage of the images,
// and wrap-around scrolling of an area in place.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// TileImage8, CopyImage and ScrollImageWrap.
#pragma once

#include "core/eResultCode.h"
#include "core/gCPoint.h"

#include <cstdint>

class CImage;
class CImage8;
class CImageBase;
class CImNav;
class CImNav8;
class CImNavBase;

eResultCode TileImage(CImNav& destination, CImNav& source, int32_t mode);
eResultCode TileImage8(CImNav8& destination, CImNav8& source, int32_t mode);
eResultCode TileImage(CImage* destination, CImage* source, int32_t mode);
eResultCode TileImage8(CImage8* destination, CImage8* source, int32_t mode);

eResultCode CopyNavRows(CImNavBase& destination, CImNavBase& source);
eResultCode CopyImagePixels(CImNavBase& destination, CImNavBase& source);
eResultCode CopyFromRunLength(CImNavBase& destination, CImageBase* source);
eResultCode CopyImage(CImageBase* destination, CImageBase* source);
eResultCode ScrollImageWrap(CImNavBase& area, const gCPoint* offset);
