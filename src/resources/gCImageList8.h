// A list of 8-bit images ('iml8').
#pragma once

#include "imaging/CImage8.h"
#include "resources/CResourceDirectory.h"
#include "resources/gCImageListT.h"

class gCImageList8 : public gCImageListT<CImage8, gCImageList8> {
public:
    explicit gCImageList8(uint32_t exclusive = 1) : gCImageListT(FourCharCode("iml8"), exclusive) {}
};
