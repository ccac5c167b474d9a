// A list of 32-bit images ('imlt').
#pragma once

#include "imaging/CImage.h"
#include "resources/CResourceDirectory.h"
#include "resources/gCImageListT.h"

class gCImageList : public gCImageListT<CImage, gCImageList> {
public:
    explicit gCImageList(uint32_t exclusive = 1) : gCImageListT(FourCharCode("imlt"), exclusive) {}
};
