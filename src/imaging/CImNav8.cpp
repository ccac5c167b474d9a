#include "imaging/CImNav8.h"

#include <cstring>

void CImNav8::Fill(unsigned char value)
{
    if (!mLocked)
        return;
    for (int32_t y = 0; y < mHeight; ++y)
        memset(Row(y), value, size_t(mWidth));
}
