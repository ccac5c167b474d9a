// Drawing and dirty areas: the draw order with the three effect lists, opacity down the tree, the
// opaque shortcut, effects' attachment and bounds, the dirty-area operations and pixel moves.
#include "widgets/CWidget.h"

#include "imaging/CImage.h"
#include "widgets/CBackdrop.h"
#include "widgets/CWidgetEffectBase.h"

#include <algorithm>

namespace {

gCRect Local(const gCRect& rect, const gCRect& owner)
{
    return rect - gCPoint{owner.left, owner.top};
}

// Shifts the target's origin by the widget's top-left while it draws, and back on every way out.
class COriginShift {
public:
    COriginShift(CImage* target, const gCRect& rect) : mTarget(target), mSaved(target->GetOrigin())
    {
        mTarget->SetOrigin({mSaved.x + rect.left, mSaved.y + rect.top});
    }
    ~COriginShift() { mTarget->SetOrigin(mSaved); }
    COriginShift(const COriginShift&) = delete;
    COriginShift& operator=(const COriginShift&) = delete;

private:
    CImage* mTarget;
    gCPoint mSaved;
};

} // namespace

// ---- state changes that draw ----------------------------------------------------------------

eResultCode CWidget::InvalidateOwnArea(bool update)
{
    if (IsPlainWidget())
        return InvalidateBounds(update);
    return InvalidateArea(Local(mBounds, mRect), update);
}

void CWidget::SetVisible(bool visible, bool update)
{
    uint32_t flag = visible ? 1 : 0;
    if (flag != mVisible) {
        // The area is sent while the widget counts as visible, in both directions.
        if (!flag) {
            (void)NotifyEffects(this, mRect);
            (void)InvalidateOwnArea(false);
            mVisible = 0;
        } else {
            mVisible = 1;
            (void)NotifyEffects(this, mRect);
            (void)InvalidateOwnArea(false);
        }
    }
    (void)UpdateIf(update);
}

void CWidget::SetOpacity(int32_t opacity, bool update)
{
    if (opacity != mOpacity) {
        mOpacity = opacity;
        if (IsVisible()) {
            (void)NotifyEffects(this, mRect);
            (void)InvalidateOwnArea(false);
        }
    }
    (void)UpdateIf(update);
}

void CWidget::SetPropOpacity(bool propagate, bool update)
{
    mPropagateOpacity = propagate ? 1 : 0;
    (void)InvalidateContent(update);
}

// ---- dirty areas ----------------------------------------------------------------------------

eResultCode CWidget::InvalidateArea(const gCRect& area, bool update)
{
    if (!mParent)
        return eSuccess;
    if (IsVisible() && mParent->IsVisible()) {
        gCRect inParent = area;
        LocalToParent(inParent);
        gCRect parentRect{0, 0, mParent->GetWidth(), mParent->GetHeight()};
        if (ClipRect(inParent, mBounds) && ClipRect(inParent, parentRect))
            return mParent->InvalidateArea(inParent, update);
    }
    return update ? mParent->Update() : eSuccess;
}

eResultCode CWidget::InvalidateParentArea(const gCRect& area, bool update)
{
    if (!mParent)
        return InvalidateArea(Local(area, mRect), update);
    gCRect clipped = area;
    gCRect parentRect{0, 0, mParent->GetWidth(), mParent->GetHeight()};
    if (ClipRect(clipped, parentRect))
        return mParent->InvalidateArea(clipped, update);
    return update ? mParent->Update() : eSuccess;
}

eResultCode CWidget::InvalidateRect(const gCRect& area, bool update)
{
    if (!mParent)
        return eSuccess;
    gCRect inParent = area;
    LocalToParent(inParent);
    if (ClipRect(inParent, mRect)) {
        if (IsPlainWidget())
            return InvalidateThroughChildren(Local(inParent, mRect), update);
        return mParent->InvalidateArea(inParent, update);
    }
    return update ? mParent->Update() : eSuccess;
}

eResultCode CWidget::Invalidate(bool update)
{
    if (IsPlainWidget())
        return InvalidateBounds(update);
    return InvalidateArea(Local(mBounds, mRect), update);
}

eResultCode CWidget::InvalidateContent(bool update)
{
    gCRect own{0, 0, GetWidth(), GetHeight()};
    if (IsPlainWidget())
        return InvalidateThroughChildren(own, update);
    return InvalidateArea(own, update);
}

eResultCode CWidget::InvalidateBounds(bool update)
{
    gCRect bounds = Local(mBounds, mRect);
    if (mOpaqueBlit)
        return InvalidateArea(bounds, update);
    return InvalidateThroughChildren(bounds, update);
}

bool CWidget::HasEffects() const
{
    for (int32_t i = 0; i < kEffectSlots; ++i)
        if (mUnderEffects[i] || mMiddleEffects[i] || mOverEffects[i])
            return true;
    return false;
}

eResultCode CWidget::InvalidateThroughChildren(const gCRect& area, bool update)
{
    if (mOpaqueBlit || HasEffects()) {
        (void)InvalidateArea(area, false);
    } else {
        for (int32_t i = 0; i < mChildren.GetSize(); ++i) {
            CWidget* child = mChildren[i];
            gCRect part = area;
            if (!ClipRect(part, child->mBounds))
                continue;
            if (child->IsPlainWidget())
                (void)child->InvalidateThroughChildren(Local(part, child->mRect), false);
            else
                (void)InvalidateArea(part, false);
        }
    }
    return UpdateIf(update);
}

eResultCode CWidget::Update() { return mParent ? mParent->Update() : eSuccess; }

void CWidget::RedrawAll(bool update)
{
    gCRect local{0, 0, GetWidth(), GetHeight()};
    (void)InvalidateArea(local, false);
    if (update)
        (void)Update();
}

// ---- drawing --------------------------------------------------------------------------------

eResultCode CWidget::Paint(const gCRect&, CImage*, int32_t) { return eSuccess; }

eResultCode CWidget::DrawContent(const gCRect& clip, CImage* target, int32_t alpha)
{
    const sCallback& render = mCallbacks[kCallbackRender];
    if (render.function)
        return reinterpret_cast<tRenderProc>(render.function)(render.context, this, clip, target, alpha);
    return Paint(clip, target, alpha);
}

namespace {

// Calls draw(effect, area, effect alpha) for each effect of the list that meets clip, with area
// the part of clip inside the effect's rect.
template <typename Draw>
eResultCode ForEachEffectInClip(CWidgetEffectBase* const* list, const gCRect& clip, int32_t alpha, Draw draw)
{
    for (int32_t i = 0; i < CWidget::kEffectSlots; ++i) {
        CWidgetEffectBase* effect = list[i];
        if (!effect)
            continue;
        gCRect area = clip;
        if (!ClipRect(area, effect->GetRect()))
            continue;
        PNU_TRY(draw(*effect, area, uint32_t((effect->GetOpacity() * (alpha + 1)) >> 8)));
    }
    return eSuccess;
}

} // namespace

eResultCode CWidget::DrawEffectList(CWidgetEffectBase* const* list, const gCRect& clip, CImage* target,
                                    int32_t alpha)
{
    return ForEachEffectInClip(list, clip, alpha, [&](CWidgetEffectBase& effect, const gCRect& area,
                                                      uint32_t effectAlpha) -> eResultCode {
        CRegion free;
        PNU_TRY(free.SetRectMinusRegion(effect.GetCoveredRegion(), area));
        for (int32_t k = 0; k < free.GetCount(); ++k)
            PNU_TRY(effect.Draw(free.GetRect(k), target, effectAlpha));
        return eSuccess;
    });
}

eResultCode CWidget::DrawEffectListLayer(CWidgetEffectBase* const* list, const gCRect& clip, CImage* target,
                                         int32_t alpha)
{
    return ForEachEffectInClip(list, clip, alpha,
                               [&](CWidgetEffectBase& effect, const gCRect& area, uint32_t effectAlpha) {
                                   return effect.DrawLayer(area, target, effectAlpha);
                               });
}

eResultCode CWidget::DrawUnderEffects(const gCRect& clip, CImage* target, int32_t alpha)
{
    return DrawEffectList(mUnderEffects, clip, target, alpha);
}

eResultCode CWidget::DrawMiddleEffects(const gCRect& clip, CImage* target, int32_t alpha)
{
    return DrawEffectList(mMiddleEffects, clip, target, alpha);
}

eResultCode CWidget::DrawOverEffects(const gCRect& clip, CImage* target, int32_t alpha)
{
    return DrawEffectList(mOverEffects, clip, target, alpha);
}

template <typename Draw>
eResultCode CWidget::DrawInFrame(const gCRect& clip, CImage* target, int32_t alpha, Draw draw)
{
    if (!IsVisible() || !target)
        return eSuccess;
    gCRect c = clip;
    if (!ClipRect(c, mBounds))
        return eSuccess;
    COriginShift shift(target, mRect);
    int32_t a = CombinedAlpha(alpha);
    return draw(Local(c, mRect), a, mPropagateOpacity ? a : 255);
}

eResultCode CWidget::DrawWidget(const gCRect& clip, CImage* target, int32_t alpha)
{
    return DrawPass(clip, target, alpha, false);
}

eResultCode CWidget::DrawLayerPass(const gCRect& clip, CImage* target, int32_t alpha)
{
    return DrawPass(clip, target, alpha, true);
}

eResultCode CWidget::DrawPass(const gCRect& clip, CImage* target, int32_t alpha, bool layers)
{
    return DrawInFrame(clip, target, alpha, [&](const gCRect& c, int32_t a, int32_t childAlpha) -> eResultCode {
        PNU_TRY(layers ? DrawEffectListLayer(mUnderEffects, c, target, a) : DrawUnderEffects(c, target, a));
        gCRect k = clip;
        bool content = ClipRect(k, mRect);
        k = Local(k, mRect);
        if (content)
            PNU_TRY(layers ? PaintLayer(k, target, a) : DrawContent(k, target, a));
        PNU_TRY(layers ? DrawEffectListLayer(mMiddleEffects, c, target, a) : DrawMiddleEffects(c, target, a));
        if (content)
            for (int32_t i = mChildren.GetSize() - 1; i >= 0; --i)
                PNU_TRY(layers ? mChildren[i]->DrawLayerPass(k, target, childAlpha)
                               : mChildren[i]->DrawWidget(k, target, childAlpha));
        return layers ? DrawEffectListLayer(mOverEffects, c, target, a) : DrawOverEffects(c, target, a);
    });
}

eResultCode CWidget::DrawChildren(const gCRect& clip, CImage* target, int32_t alpha, int32_t lastIndex)
{
    for (int32_t i = std::min(lastIndex, mChildren.GetSize() - 1); i >= 0; --i)
        PNU_TRY(mChildren[i]->DrawWidget(clip, target, alpha));
    return DrawOverEffects(clip, target, alpha);
}

eResultCode CWidget::RenderWidget(const gCRect& clip, CImage* target, int32_t alpha, gCRect& out)
{
    return DrawInFrame(clip, target, alpha, [&](const gCRect& c, int32_t a, int32_t childAlpha) -> eResultCode {
        for (int32_t i = 0; i < mChildren.GetSize(); ++i) {
            CWidget* child = mChildren[i];
            gCRect part = c;
            if (!ClipRect(part, child->mRect))
                continue;
            // The alpha that reaches the child decides whether its shortcut may be taken.
            PNU_TRY(child->RenderWidget(part, target, childAlpha, out));
            if (!out.IsEmpty()) {
                child->LocalToParent(out);
                return DrawChildren(out, target, childAlpha, i - 1);
            }
        }
        // The shortcut draws at full strength, so it is only taken where that is what shows. It
        // leaves out the under effects, so a widget that is merely opaque takes it only when nothing
        // it draws reaches beyond its rect (its content then hides those effects anyway).
        const bool opaque = mOpaqueBlit || (mBounds == mRect && PaintsOpaque());
        if (!opaque || a != 255)
            return eSuccess;
        PNU_TRY(DrawContent(c, target, 255));
        PNU_TRY(DrawMiddleEffects(c, target, childAlpha));
        PNU_TRY(DrawChildren(c, target, childAlpha, mChildren.GetSize() - 1));
        out = c;
        return eSuccess;
    });
}

// ---- effects --------------------------------------------------------------------------------

eResultCode CWidget::AttachEffect(CWidgetEffectBase** list, uint32_t listNumber,
                                  CWidgetEffectBase* effect, int32_t index, bool update)
{
    if (index < 0 || index >= kEffectSlots || !effect)
        return eBadParameter;
    delete list[index];
    list[index] = effect;
    effect->SetUserValue(listNumber);
    effect->SetOwner(this);
    PNU_TRY(RefreshEffect(effect, false));
    RecalcBounds();
    return Invalidate(update);
}

eResultCode CWidget::AttachUnderEffect(CWidgetEffectBase* effect, int32_t index, bool update)
{
    return AttachEffect(mUnderEffects, 0, effect, index, update);
}

eResultCode CWidget::AttachMiddleEffect(CWidgetEffectBase* effect, int32_t index, bool update)
{
    return AttachEffect(mMiddleEffects, 1, effect, index, update);
}

eResultCode CWidget::AttachOverEffect(CWidgetEffectBase* effect, int32_t index, bool update)
{
    return AttachEffect(mOverEffects, 2, effect, index, update);
}

static void RemoveEffect(CWidgetEffectBase** list, int32_t index)
{
    if (index < 0 || index >= CWidget::kEffectSlots)
        return;
    delete list[index];
    list[index] = nullptr;
}

void CWidget::RemoveUnderEffect(int32_t index) { RemoveEffect(mUnderEffects, index); }
void CWidget::RemoveMiddleEffect(int32_t index) { RemoveEffect(mMiddleEffects, index); }
void CWidget::RemoveOverEffect(int32_t index) { RemoveEffect(mOverEffects, index); }

void CWidget::RemoveAllEffects()
{
    for (int32_t i = 0; i < kEffectSlots; ++i)
        RemoveUnderEffect(i);
    for (int32_t i = 0; i < kEffectSlots; ++i)
        RemoveMiddleEffect(i);
    for (int32_t i = 0; i < kEffectSlots; ++i)
        RemoveOverEffect(i);
}

CWidgetEffectBase* CWidget::GetUnderEffect(int32_t index) const
{
    return index >= 0 && index < kEffectSlots ? mUnderEffects[index] : nullptr;
}
CWidgetEffectBase* CWidget::GetMiddleEffect(int32_t index) const
{
    return index >= 0 && index < kEffectSlots ? mMiddleEffects[index] : nullptr;
}
CWidgetEffectBase* CWidget::GetOverEffect(int32_t index) const
{
    return index >= 0 && index < kEffectSlots ? mOverEffects[index] : nullptr;
}

eResultCode CWidget::RefreshEffect(CWidgetEffectBase* effect, bool update)
{
    PNU_TRY(effect->Refresh());
    RecalcBounds();
    return Invalidate(update);
}

eResultCode CWidget::RefreshAllEffects()
{
    for (int32_t i = 0; i < kEffectSlots; ++i)
        for (CWidgetEffectBase* effect : {mUnderEffects[i], mMiddleEffects[i], mOverEffects[i]})
            if (effect)
                PNU_TRY(RefreshEffect(effect, false));
    return eSuccess;
}

CWidgetEffectBase* CWidget::FindEffectByType(uint32_t code) const
{
    for (CWidgetEffectBase* const* list : {mUnderEffects, mMiddleEffects, mOverEffects})
        for (int32_t i = 0; i < kEffectSlots; ++i)
            if (list[i] && list[i]->GetTypeCode() == code)
                return list[i];
    return mParent ? mParent->FindEffectByType(code) : nullptr;
}

eResultCode CWidget::NotifyEffects(CWidget* source, const gCRect& area)
{
    if (!mParent || !IsVisible())
        return eSuccess;
    for (int32_t i = 0; i < kEffectSlots; ++i)
        for (CWidgetEffectBase* effect : {mUnderEffects[i], mMiddleEffects[i]})
            if (effect)
                PNU_TRY(effect->OnDescendantChanged(source, area));
    gCRect local = Local(area, mRect);
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        (void)mChildren[i]->NotifyEffects(source, local);
    for (int32_t i = 0; i < kEffectSlots; ++i)
        if (mOverEffects[i])
            PNU_TRY(mOverEffects[i]->OnDescendantChanged(source, area));
    return eSuccess;
}

void CWidget::RecalcBounds()
{
    gCRect u;
    for (int32_t i = 0; i < kEffectSlots; ++i) {
        for (CWidgetEffectBase* effect : {mUnderEffects[i], mMiddleEffects[i], mOverEffects[i]}) {
            if (!effect)
                continue;
            const gCRect& r = effect->GetRect();
            if (u.IsEmpty()) {
                u = r;
                continue;
            }
            u.left = std::min(u.left, r.left);
            u.top = std::min(u.top, r.top);
            u.right = std::max(u.right, r.right);
            u.bottom = std::max(u.bottom, r.bottom);
        }
    }
    if (u.IsEmpty()) {
        mBounds = mRect;
        return;
    }
    mBounds = gCRect{std::min(mRect.left + u.left, mRect.left), std::min(mRect.top + u.top, mRect.top),
                     std::max(mRect.right, mRect.left + u.right),
                     std::max(mRect.bottom, mRect.top + u.bottom)};
}

// ---- pixel moves ----------------------------------------------------------------------------

eResultCode CWidget::ScrollRect(const gCRect& rect, const gCPoint& newTopLeft)
{
    if (!mParent)
        return eSuccess;
    CRegion region;
    PNU_TRY(region.AddRect(rect));
    return ScrollRegion(region, newTopLeft - gCPoint{rect.left, rect.top});
}

eResultCode CWidget::ScrollRegion(const CRegion& region, const gCPoint& offset)
{
    if (!mParent)
        return eSuccess;
    gCRect parentRect{0, 0, mParent->GetWidth(), mParent->GetHeight()};
    CRegion moved;
    PNU_TRY(moved.AddRegion(region));
    if (moved.ClipToRect(parentRect) == 0)
        moved.Clear();
    moved.Offset(offset);
    if (moved.ClipToRect(parentRect) == 0)
        moved.Clear();
    CRegion cover;
    PNU_TRY(GetCoveringRegion(cover, gCPoint{}));
    PNU_TRY(moved.SubtractRegion(cover));
    moved.Offset(gCPoint{} - offset);
    PNU_TRY(moved.SubtractRegion(cover));
    PNU_TRY(BlitRegion(moved, offset));
    // What the moved pixels do not provide is drawn again.
    CRegion dirty;
    PNU_TRY(dirty.AddRegion(region));
    dirty.Offset(offset);
    PNU_TRY(dirty.AddRegion(region));
    moved.Offset(offset);
    PNU_TRY(dirty.SubtractRegion(moved));
    for (int32_t i = 0; i < dirty.GetCount(); ++i)
        (void)InvalidateParentArea(dirty.GetRect(i), false);
    return eSuccess;
}

eResultCode CWidget::GetCoveringRegion(CRegion& region, const gCPoint& offset)
{
    // Each level's front siblings, carried into the coordinates of this widget's parent.
    gCPoint shift = offset;
    for (const CWidget* level = this; level->mParent; level = level->mParent) {
        const CWidget* parent = level->mParent;
        int32_t index = parent->GetChildIndex(level);
        for (int32_t i = 0; i < index; ++i) {
            const CWidget* sibling = parent->mChildren[i];
            if (!sibling->IsVisible())
                continue;
            if (sibling->IsPlainWidget()) {
                for (const CWidget* inner : sibling->mChildren) {
                    if (!inner->IsVisible())
                        continue;
                    gCRect r = inner->mBounds;
                    r += gCPoint{sibling->mRect.left + shift.x, sibling->mRect.top + shift.y};
                    PNU_TRY(region.AddRect(r));
                }
            } else {
                gCRect r = sibling->mBounds;
                r += shift;
                PNU_TRY(region.AddRect(r));
            }
        }
        // Going up one level: the grandparent's coordinates are the parent's shifted by its top-left.
        shift = shift - gCPoint{parent->mRect.left, parent->mRect.top};
    }
    return eSuccess;
}

eResultCode CWidget::BlitRegion(const CRegion& region, const gCPoint& offset)
{
    auto* root = dynamic_cast<CBackdrop*>(GetRootWidget());
    if (!root || !mParent)
        return eSuccess;
    gCArray<gCRect> pending;
    PNU_TRY(region.CopyRects(pending));
    while (pending.GetSize() > 0) {
        // The next rectangle is one whose destination meets none of those still to move.
        int32_t pick = 0;
        for (int32_t i = 0; i < pending.GetSize(); ++i) {
            gCRect to = pending[i];
            to += offset;
            bool free = true;
            for (int32_t j = 0; j < pending.GetSize() && free; ++j)
                free = j == i || !RectsOverlap(to, pending[j]);
            if (free) {
                pick = i;
                break;
            }
        }
        gCRect source = pending[pick];
        mParent->LocalToRoot(source);
        PNU_TRY(root->QueueWindowCopy(source, offset));
        pending.RemoveAt(pick);
    }
    return eSuccess;
}
