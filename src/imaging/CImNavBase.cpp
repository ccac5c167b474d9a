#include "imaging/CImNavBase.h"

#include "imaging/CImageBase.h"

#include <algorithm>

namespace {

int32_t ClampToInt32(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

CImNavBase::CImNavBase(CImageBase* image, const gCRect* area)
{
    if (!image || !image->IsCreated())
        return;
    if (area) {
        const gCPoint& origin = image->GetOrigin();
        // Sums are taken in 64 bits so that a far-off area cannot wrap back into the image.
        mArea.left = ClampToInt32(std::max<int64_t>(int64_t(area->left) + origin.x, 0));
        mArea.right = ClampToInt32(std::min<int64_t>(int64_t(area->right) + origin.x, image->GetWidth()));
        mArea.top = ClampToInt32(std::max<int64_t>(int64_t(area->top) + origin.y, 0));
        mArea.bottom = ClampToInt32(std::min<int64_t>(int64_t(area->bottom) + origin.y, image->GetHeight()));
        if (mArea.left > mArea.right || mArea.top > mArea.bottom)
            mArea = gCRect();
        mAreaTopLeft.Set(mArea.left, mArea.top);
        mAreaPoint = &mAreaTopLeft;
    } else {
        mArea.Set(0, 0, image->GetWidth(), image->GetHeight());
        mAreaPoint = nullptr;
    }
    void* first = nullptr;
    if (image->GetPixelPointer(&first, mAreaPoint) != eSuccess || !first) {
        mAreaPoint = nullptr;
        return;
    }
    mFirstPixel = static_cast<uint8_t*>(first);
    mWidth = mArea.right - mArea.left;
    mHeight = mArea.bottom - mArea.top;
    mRowStride = image->GetRowStride();
    mRowBytes = image->GetRowBytes();
    mBytesPerPixel = image->GetBytesPerPixel();
    mImage = image;
    mLocked = 1;
}

CImNavBase::~CImNavBase()
{
    Unlock();
}

void CImNavBase::Unlock()
{
    if (mLocked && mImage)
        (void)mImage->ReleasePixelPointer(mAreaPoint);
    mImage = nullptr;
    mFirstPixel = nullptr;
    mAreaPoint = nullptr;
    mLocked = 0;
}
