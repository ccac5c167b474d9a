#include "imaging/CImLocker.h"

#include "imaging/CImageBase.h"

CImLocker::CImLocker(CImageBase* image) : mImage(image)
{
    if (mImage && mImage->Lock(&mPixels) == eSuccess && mPixels)
        mLocked = 1;
}

CImLocker::~CImLocker()
{
    if (mLocked)
        (void)mImage->Unlock();
}
