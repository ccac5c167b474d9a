#include "imaging/CRLESampler.h"

CPixel CRLESampler::Sample(int32_t x, uint32_t fx, uint32_t fy)
{
    MoveTo(x);
    CPixel top = Lerp(mLeft[0], mRight[0], fx);
    CPixel bottom = Lerp(mLeft[1], mRight[1], fx);
    return Lerp(top, bottom, fy);
}
