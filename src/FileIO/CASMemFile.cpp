#include "FileIO/CASMemFile.h"

int32_t CASMemFile::SetSize(uint32_t size, int32_t zeroFill)
{
    if (mBlock == nullptr)
        return 0;
    if (!mBlock->SetSize(size, size > 0 ? zeroFill : 0))
        return 0;
    mSize = int64_t(size);
    if (mPosition > mSize)
        mPosition = mSize;
    return 1;
}
