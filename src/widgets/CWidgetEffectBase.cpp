#include "widgets/CWidgetEffectBase.h"

#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

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
    // The rect is owner-local and the bounds are in the parent's coordinates: the rect is moved
    // into the parent's before the clip, or a widget away from its parent's origin is clipped
    // against the wrong place and never repaints.
    const gCPoint position{mOwner->GetRect().left, mOwner->GetRect().top};
    gCRect area = rect;
    area += position;
    if (ClipRect(area, mOwner->GetBounds())) {
        area -= position;
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

bool CWidgetEffectBase::SetRectFromOwner()
{
    if (!mOwner)
        return false;
    int32_t w = mOwner->GetWidth(), h = mOwner->GetHeight();
    if (w <= 0 || h <= 0)
        return false;
    mRect.Set(0, 0, w, h);
    return true;
}

eResultCode CWidgetEffectBase::PrepareShapeCache(CImage* shape, CImage*& cache, bool& ready)
{
    ready = false;
    if (!shape || !mOwner || mOwner->GetOpaqueBlit())
        return Refresh();
    if (!SetRectFromOwner())
        return eSuccess;
    if (!WorkImageFits(mRect.right, mRect.bottom))
        return eNoMemory;
    if (!cache) {
        cache = new CImage();
        if (!cache)
            return eNoMemory;
    }
    ready = true;
    return eSuccess;
}

gCRect CWidgetEffectBase::VisibleOwnerArea(const gCRect& area) const
{
    gCRect visible = area;
    if (!mOwner)
        return visible;
    // (ox, oy): where the owner's origin lies in the current widget's parent.
    int64_t ox = 0, oy = 0;
    for (const CWidget* current = mOwner; const CWidget* parent = current->GetParent(); current = parent) {
        ox += current->GetRect().left;
        oy += current->GetRect().top;
        gCRect limit{0, 0, parent->GetWidth(), parent->GetHeight()};
        ShiftRectClamped(limit, -ox, -oy);
        if (!ClipRect(visible, limit))
            return gCRect();
    }
    return visible;
}
