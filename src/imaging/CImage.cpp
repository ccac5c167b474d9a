#include "imaging/CImage.h"

#include "imaging/CImageTBody.h"
#include "imaging/CRLE.h"

template class CImageT<CImage, CRLE, CPixel>;

CImage::CImage(uint32_t rowsAlignedFlag) : CImageT(rowsAlignedFlag) {}

CImage::CImage(int32_t width, int32_t height, uint32_t rowsAlignedFlag) : CImage(rowsAlignedFlag)
{
    (void)CreateImageBuffer(width, height);
}

CImage::~CImage() = default;
