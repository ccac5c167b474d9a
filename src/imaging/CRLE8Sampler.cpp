#include "imaging/CRLE8Sampler.h"

uint8_t CRLE8Sampler::Sample(int32_t x, int32_t fx, int32_t fy)
{
    MoveTo(x);
    // Arithmetic shifts of signed values round toward minus infinity, as the divisions must.
    int32_t top = mLeft[0] + (((mRight[0] - mLeft[0]) * fx) >> 8);
    int32_t bottom = mLeft[1] + (((mRight[1] - mLeft[1]) * fx) >> 8);
    return uint8_t((top + (((bottom - top) * fy) >> 8)) & 0xFF);
}
