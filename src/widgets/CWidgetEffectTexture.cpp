#include "widgets/CWidgetEffectTexture.h"

#include "imaging/BlendModes.h"
#include "imaging/CImNav.h"
#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

CWidgetEffectTexture::~CWidgetEffectTexture()
{
    delete mCache;
}

eResultCode CWidgetEffectTexture::Refresh()
{
    delete mCache;
    mCache = nullptr;
    SetRectFromOwner();
    return eSuccess;
}

eResultCode CWidgetEffectTexture::RefreshWithMask(CImage* shape)
{
    return RefreshOverShape(shape, mCache, [&]() -> eResultCode {
        const int32_t w = mRect.right, h = mRect.bottom;
        PNU_TRY(mCache->SetSize(w, h));
        CImNav cache(mCache, nullptr);
        CImNav mask(shape, nullptr);
        if (!cache.IsLocked() || !mask.IsLocked())
            return eNoMemory;
        return eSuccess;
    });
}

eResultCode CWidgetEffectTexture::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    CImNav destination(target, &area);
    if (!destination.IsLocked())
        return eNoMemory;
    if (alpha == 0 || !mCache)
        return eSuccess;
    gCRect local = LockedLocalArea(destination, target);
    CImNav cache(mCache, &local);
    if (!cache.IsLocked())
        return eNoMemory;
    const gCRect& c = cache.GetArea();
    for (int32_t y = c.top; y < c.bottom; ++y) {
        const CPixel* from = cache.Row(y - c.top);
        CPixel* to = destination.Row(y - local.top) + (c.left - local.left);
        for (int32_t x = 0; x < c.right - c.left; ++x)
            to[x] = BlendModePixel(mBlendMode, ScaleColourAlpha(from[x], alpha), to[x]);
    }
    return eSuccess;
}
