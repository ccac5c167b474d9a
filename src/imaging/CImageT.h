// The body shared by the 32-bit and the 8-bit image: run-length parking, loading from the
// resource file, and the creators. Each class names its pixel and run-length types and keeps its
// own differences as traits: its alert texts and the buffer its creators start from. The members
// are defined in CImageTBody.h and built once, with each class.
#pragma once

#include "imaging/CImageBase.h"

#include <cstdint>

template <class Derived, class RLE, class Pixel>
class CImageT : public CImageBase {
public:
    // Create and load; the image is deleted and null returned when loading fails.
    static Derived* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static Derived* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);
    // The image of the image pool with that id or name, else one loaded and added to the pool.
    static Derived* FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static Derived* FindOrLoadByName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    eResultCode LoadImageFromResource(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadImageFromResourceByName(const gCString& name, gCFile* file,
                                            CResourceDirectory* directory) override;

    void FreeBuffer() override;
    eResultCode Compress() override;
    int32_t IsCompressed() const override;
    eResultCode Decompress() override;

    // The run-length form while the image is compressed, else null.
    const RLE* GetRLE() const { return mRLE; }
    RLE* GetRLE() { return mRLE; }

protected:
    explicit CImageT(uint32_t rowsAlignedFlag);
    ~CImageT() override;

private:
    static eResultCode LoadInto(gCStream& stream, CImageBase* image);
    void DeleteRLE();

    RLE* mRLE = nullptr;
};
