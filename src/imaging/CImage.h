// The 32-bit image of CPixel words used by every widget, effect, text and blur routine. While
// not in use its pixels can be parked in the run-length form CRLE.
#pragma once

#include "imaging/CImageBase.h"
#include "imaging/CPixel.h"

class CRLE;

class CImage : public CImageBase {
public:
    explicit CImage(uint32_t rowsAlignedFlag = 0);
    // Creation resets the rows-aligned flag: an image built this way has unaligned rows.
    CImage(int32_t width, int32_t height, uint32_t rowsAlignedFlag = 0);
    ~CImage() override;

    // Create and load; the image is deleted and null returned when loading fails.
    static CImage* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CImage* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);
    // The image of the image pool with that id or name, else one loaded and added to the pool.
    static CImage* FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CImage* FindOrLoadByName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    eResultCode LoadImageFromResource(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadImageFromResourceByName(const gCString& name, gCFile* file,
                                            CResourceDirectory* directory) override;

    void FreeBuffer() override;
    eResultCode Compress() override;
    int32_t IsCompressed() const override;
    eResultCode Decompress() override;

    // The run-length form while the image is compressed, else null.
    const CRLE* GetRLE() const { return mRLE; }
    CRLE* GetRLE() { return mRLE; }

private:
    void DeleteRLE();

    CRLE* mRLE = nullptr;
};
