#include "imaging/CImage8.h"

#include "imaging/CImageTBody.h"
#include "imaging/CRLE8.h"

template class CImageT<CImage8, CRLE8, uint8_t>;

CImage8::CImage8() : CImageT(0) {}

CImage8::CImage8(int32_t width, int32_t height) : CImage8()
{
    (void)CreateImageBuffer(width, height);
}

CImage8::~CImage8() = default;
