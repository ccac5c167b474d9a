// A list of 32-bit images ('imlt').
#pragma once

#include "imaging/CImage.h"
#include "resources/CResourceDirectory.h"
#include "resources/gCImageListT.h"

class gCImageList : public gCImageListT<CImage> {
public:
    explicit gCImageList(uint32_t exclusive = 1) : gCImageListT<CImage>(FourCharCode("imlt"), exclusive) {}

    // A new exclusive list loaded from the resource file; null when loading fails (the payload
    // decides the list's kind).
    static gCImageList* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
    {
        return Create(new gCImageList(1), id, nullptr, file, directory);
    }
    static gCImageList* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
    {
        return Create(new gCImageList(1), 0, &name, file, directory);
    }
};
