// A list of 8-bit images ('iml8').
#pragma once

#include "imaging/CImage8.h"
#include "resources/CResourceDirectory.h"
#include "resources/gCImageListT.h"

class gCImageList8 : public gCImageListT<CImage8> {
public:
    explicit gCImageList8(uint32_t exclusive = 1) : gCImageListT<CImage8>(FourCharCode("iml8"), exclusive) {}

    static gCImageList8* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
    {
        return Create(new gCImageList8(1), id, nullptr, file, directory);
    }
    static gCImageList8* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
    {
        return Create(new gCImageList8(1), 0, &name, file, directory);
    }
};
