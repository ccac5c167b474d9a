// The single entry point for image files: recognises BMP, JPEG, PNG and PSD by their first bytes,
// creates the matching format object for one call, loads into or saves from a CImage or CImage8.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// IsImageFormatKnown.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CImage;
class CImage8;
class CMemBlock;
class gCBasePath;
class gCFRef;
class gCString;
class gCStream;

// Image format ids; the same numbers as the file dialogs' file types.
enum eImageFormat : int32_t {
    eImageFormatNone = 0,
    eImageFormatBmp = 3,
    eImageFormatJpeg = 4,
    eImageFormatPng = 5,
    eImageFormatPsd = 6,
};

// The format of the stream's content, or 0; the stream position is left where it was.
int32_t DetectImageFormat(gCStream& stream);
int32_t DetectImageFormat(CMemBlock& block);
int32_t IsImageFormatKnown(gCStream& stream);

// Loading reads from the stream's position; unrecognised content gives 6.
eResultCode LoadImage(gCStream& stream, CImage* image);
eResultCode LoadImage(gCStream& stream, CImage8* image);
eResultCode LoadImage(CMemBlock& block, CImage* image);
eResultCode LoadImage(CMemBlock& block, CImage8* image);

// Saving writes at the stream's position; an unknown format gives eCreateFailed, an image held in
// its run-length form eBadParameter, and nothing is written in either case.
eResultCode SaveImage(gCStream& stream, CImage* image, int32_t format);
eResultCode SaveImage(gCStream& stream, CImage8* image, int32_t format);
eResultCode SaveImage(CMemBlock& block, CImage* image, int32_t format);
eResultCode SaveImage(CMemBlock& block, CImage8* image, int32_t format);

// Path forms: the file is opened for the call and closed after it. A path text is taken
// relative to the bundle's Contents folder for loading and as a file reference for saving; an
// empty or unset path gives 6.
eResultCode LoadImage(const gCString& path, CImage* image);
eResultCode LoadImage(const gCString& path, CImage8* image);
eResultCode LoadImage(gCBasePath& path, CImage* image);
eResultCode LoadImage(gCBasePath& path, CImage8* image);
eResultCode LoadImage(gCFRef& file, CImage* image);
eResultCode LoadImage(gCFRef& file, CImage8* image);
eResultCode SaveImage(const gCString& path, CImage* image, int32_t format);
eResultCode SaveImage(const gCString& path, CImage8* image, int32_t format);
eResultCode SaveImage(gCBasePath& path, CImage* image, int32_t format);
eResultCode SaveImage(gCBasePath& path, CImage8* image, int32_t format);
eResultCode SaveImage(gCFRef& file, CImage* image, int32_t format);
eResultCode SaveImage(gCFRef& file, CImage8* image, int32_t format);
