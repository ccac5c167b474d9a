// Abstract base of the image file formats (BMP, JPEG, PNG, PSD). It fixes the interface through
// which the dispatcher loads and saves images and carries what palette formats need: the file's
// bits per pixel, the palette and the row converters.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: Query and
// LookupPalette.
#pragma once

#include "core/CMemBlockT.h"
#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "imaging/CPixel.h"

#include <cstdint>

class CImage;
class CImage8;
class CImageBase;
class gCStream;

class gCImageFormat : public gCBaseObject {
public:
    gCImageFormat() = default;
    ~gCImageFormat() override = default;

    gCImageFormat(const gCImageFormat&) = delete;
    gCImageFormat& operator=(const gCImageFormat&) = delete;

    virtual int32_t Query() { return 0; }
    virtual eResultCode LoadImage32(gCStream& stream, CImage* image);
    virtual eResultCode LoadImage8(gCStream& stream, CImage8* image);
    virtual eResultCode SaveImage32(gCStream& stream, CImage* image) = 0;
    virtual eResultCode SaveImage8(gCStream& stream, CImage8* image) = 0;
    virtual eResultCode LoadImageData(gCStream& stream, CImageBase* image) = 0;

    // Makes the palette hold exactly the palette count of zeroed entries. Fails (eNoMemory) when
    // the block cannot be had, so that a reader never stores entries into a palette it lacks.
    eResultCode SetPaletteSize();
    void LookupPalette(uint32_t x, uint8_t byte, uint32_t* red, uint32_t* green, uint32_t* blue) const;
    void ConvertRowToPixels(const uint8_t* source, CPixel* destination, uint32_t count) const;
    void ConvertRowToGrey(const uint8_t* source, uint8_t* destination, uint32_t count) const;

    uint32_t GetBitsPerPixel() const { return mBitsPerPixel; }
    // Entries of the palette (its block is sized in bytes).
    uint32_t GetPaletteEntries() const { return mPalette.GetSize() / sizeof(CPixel); }
    CPixel* GetPalette() { return mPalette.GetData(); }

protected:
    // The palette entry an index stands for; indexes beyond the palette give opaque black
    // rather than a read outside it.
    CPixel PaletteEntry(uint32_t index) const
    {
        return index < GetPaletteEntries() ? mPalette.GetData()[index] : 0xFF000000u;
    }
    uint32_t PaletteIndex(uint32_t x, uint8_t byte) const;

    uint32_t mBitsPerPixel = 0;
    uint32_t mPaletteCount = 0;
    CMemBlockT<CPixel> mPalette;
};
