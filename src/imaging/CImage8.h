// The 8-bit single-channel image (masks, glyph coverage, cut-outs). While not in use its pixels
// can be parked in the run-length form CRLE8.
#pragma once

#include "imaging/CImageBase.h"

class CRLE8;

class CImage8 : public CImageBase {
public:
    CImage8();
    CImage8(int32_t width, int32_t height);
    ~CImage8() override;

    static CImage8* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CImage8* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);
    static CImage8* FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CImage8* FindOrLoadByName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    eResultCode LoadImageFromResource(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadImageFromResourceByName(const gCString& name, gCFile* file,
                                            CResourceDirectory* directory) override;

    void FreeBuffer() override;
    eResultCode Compress() override;
    int32_t IsCompressed() const override;
    eResultCode Decompress() override;

    const CRLE8* GetRLE() const { return mRLE; }
    CRLE8* GetRLE() { return mRLE; }

private:
    void DeleteRLE();

    CRLE8* mRLE = nullptr;
};
