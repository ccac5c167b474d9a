#include "widgets/CWidgetEffectBase.h"

#include "widgets/CWidget.h"

eResultCode CWidgetEffectBase::SetOpacity(int32_t opacity, bool update)
{
    mOpacity = opacity;
    if (mOwner)
        return mOwner->Invalidate(update);
    return eSuccess;
}

void CWidgetEffectBase::ClearRegion(bool update)
{
    mCovered.Clear();
    if (mOwner)
        (void)mOwner->Invalidate(update);
}

void CWidgetEffectBase::InvalidateOwnerArea(const gCRect& rect, bool update)
{
    if (!mOwner)
        return;
    gCRect bounds = mOwner->GetBounds();
    gCRect area = rect;
    if (ClipRect(area, bounds)) {
        area -= gCPoint{mOwner->GetRect().left, mOwner->GetRect().top};
        (void)mOwner->InvalidateArea(area, false);
    }
    if (update)
        (void)mOwner->Update();
}

eResultCode CWidgetEffectBase::AddRect(const gCRect& rect, bool update)
{
    PNU_TRY(mCovered.AddRect(rect));
    InvalidateOwnerArea(rect, update);
    return eSuccess;
}

eResultCode CWidgetEffectBase::SubtractRect(const gCRect& rect, bool update)
{
    PNU_TRY(mCovered.SubtractRect(rect));
    InvalidateOwnerArea(rect, update);
    return eSuccess;
}
