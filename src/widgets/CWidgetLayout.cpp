// Layout: the rect from the layout values, the stay-in-parent correction, what a changed rect sets
// off, and the coordinate conversions.
#include "widgets/CWidget.h"

#include <algorithm>

namespace {

// Halves away from zero, written out: trunc(v + 0.5) above zero, else trunc(v - 0.5).
int32_t RoundHalfAway(float v)
{
    float r = v > 0.0f ? v + 0.5f : v - 0.5f;
    if (!(r > -2147483648.0f))
        return INT32_MIN;
    if (!(r < 2147483648.0f))
        return INT32_MAX;
    return int32_t(r);
}

// Sizes and positions are held within +-2^24 pixels, far beyond any window, so that every sum the
// layout and its callers make of them (a rect's far edge, a shift back into the parent) stays in
// range whatever a data block or a caller sets: a value that is not a number lays out at the limit.
constexpr int64_t kLayoutLimit = int64_t(1) << 24;

int32_t Limited(int64_t value) { return int32_t(std::clamp(value, -kLayoutLimit, kLayoutLimit)); }

int32_t Size(int32_t parent, float value, uint32_t relative, uint32_t farSide)
{
    if (farSide)
        return Limited(int64_t(parent) - RoundHalfAway(value));
    if (relative)
        return Limited(RoundHalfAway(float(parent) * value));
    return Limited(RoundHalfAway(value));
}

int32_t Position(int32_t parent, int32_t size, float value, uint32_t relative, uint32_t farSide,
                 uint32_t anchor, uint32_t centre)
{
    if (centre)
        return Limited(RoundHalfAway(float(int64_t(parent) - size) * 0.5f));
    int64_t at = Limited(RoundHalfAway(relative ? float(parent) * value : value));
    if (farSide)
        at = parent - at;
    if (anchor)
        at -= size;
    return Limited(at);
}

// The stay-in-parent shift of one axis: the near edge wins when the widget is wider.
int32_t StayShift(int32_t low, int32_t high, int32_t parent)
{
    if (low < 0)
        return -low;
    return high > parent ? parent - high : 0;
}

} // namespace

gCFloatRect CWidget::GetLayoutRect() const
{
    gCFloatRect rect;
    rect.left = mLayout.x;
    rect.top = mLayout.y;
    rect.right = mLayout.x + mLayout.width;
    rect.bottom = mLayout.y + mLayout.height;
    return rect;
}

eResultCode CWidget::UpdateLayout(bool update)
{
    const sLayoutValues& v = mLayout;
    int32_t pw = 0, ph = 0;
    if (mParent) {
        pw = mParent->GetWidth();
        ph = mParent->GetHeight();
    } else if (v.xRelative || v.yRelative || v.xFarSide || v.yFarSide || v.xFarAnchor ||
               v.yFarAnchor || v.xCentre || v.yCentre || v.widthRelative || v.heightRelative ||
               v.widthFarSide || v.heightFarSide) {
        return eSuccess;
    }
    int32_t w = Size(pw, v.width, v.widthRelative, v.widthFarSide);
    int32_t h = Size(ph, v.height, v.heightRelative, v.heightFarSide);
    int32_t x = Position(pw, w, v.x, v.xRelative, v.xFarSide, v.xFarAnchor, v.xCentre);
    int32_t y = Position(ph, h, v.y, v.yRelative, v.yFarSide, v.yFarAnchor, v.yCentre);
    gCRect rect{x, y, x + std::max(w, 0), y + std::max(h, 0)};
    if (mStayInParent && mParent) {
        int32_t dx = v.xCentre ? 0 : StayShift(rect.left, rect.right, pw);
        int32_t dy = v.yCentre ? 0 : StayShift(rect.top, rect.bottom, ph);
        rect += gCPoint{dx, dy};
    }
    if (rect == mRect)
        return UpdateIf(update);

    gCRect oldRect = mRect;
    gCRect oldBounds = mBounds;
    bool plain = IsPlainWidget();
    if (plain && IsVisible())
        (void)InvalidateBounds(false);
    mRect = rect;
    bool pureMove = rect.GetSize() == oldRect.GetSize();
    if (pureMove) {
        mBounds += gCPoint{rect.left - oldRect.left, rect.top - oldRect.top};
    } else {
        mBounds = rect;
        PNU_TRY(OnRectChanged());
        PNU_TRY(RefreshAllEffects());
        RecalcBounds();
        for (int32_t i = 0; i < mChildren.GetSize(); ++i)
            PNU_TRY(mChildren[i]->UpdateLayout(false));
    }
    if (plain && IsVisible())
        (void)InvalidateBounds(false);
    if (IsVisible()) {
        if (mBlitOnMove && pureMove) {
            PNU_TRY(ScrollRect(oldRect, {rect.left, rect.top}));
            // What the move uncovers or newly shows beyond the moved rect: the effects' fringe.
            CRegion fringe;
            PNU_TRY(fringe.AddRect(oldBounds));
            PNU_TRY(fringe.AddRect(mBounds));
            PNU_TRY(fringe.SubtractRect(oldRect));
            PNU_TRY(fringe.SubtractRect(rect));
            for (int32_t i = 0; i < fringe.GetCount(); ++i)
                (void)InvalidateParentArea(fringe.GetRect(i), false);
        } else if (!plain) {
            if (!oldBounds.IsEmpty())
                (void)InvalidateParentArea(oldBounds, false);
            if (!mBounds.IsEmpty())
                (void)InvalidateParentArea(mBounds, false);
        }
        if (!oldRect.IsEmpty())
            (void)NotifyEffects(this, oldRect);
        if (!rect.IsEmpty())
            (void)NotifyEffects(this, rect);
    }
    PNU_TRY(OnLayoutDone());
    return UpdateIf(update);
}

eResultCode CWidget::SetSize(int32_t width, int32_t height, bool update)
{
    mLayout.width = float(width);
    mLayout.height = float(height);
    mLayout.widthRelative = mLayout.heightRelative = 0;
    mLayout.widthFarSide = mLayout.heightFarSide = 0;
    PNU_TRY(UpdateLayout(false));
    if (GetTypeCode() != FourCharCode("drwg"))
        (void)Invalidate(false);
    return UpdateIf(update);
}

eResultCode CWidget::SetWidth(int32_t width, bool update)
{
    mLayout.width = float(width);
    mLayout.widthRelative = mLayout.widthFarSide = 0;
    PNU_TRY(UpdateLayout(false));
    if (GetTypeCode() != FourCharCode("drwg"))
        (void)Invalidate(false);
    return UpdateIf(update);
}

eResultCode CWidget::SetHeight(int32_t height, bool update)
{
    mLayout.height = float(height);
    mLayout.heightRelative = mLayout.heightFarSide = 0;
    PNU_TRY(UpdateLayout(false));
    if (GetTypeCode() != FourCharCode("drwg"))
        (void)Invalidate(false);
    return UpdateIf(update);
}

eResultCode CWidget::SetPosition(int32_t x, int32_t y, bool update)
{
    mLayout.x = float(x);
    mLayout.y = float(y);
    mLayout.xRelative = mLayout.yRelative = 0;
    mLayout.xCentre = mLayout.yCentre = 0;
    return UpdateLayout(update);
}

eResultCode CWidget::SetXPosition(int32_t x, bool update)
{
    mLayout.x = float(x);
    mLayout.xRelative = mLayout.xCentre = 0;
    return UpdateLayout(update);
}

eResultCode CWidget::SetYPosition(int32_t y, bool update)
{
    mLayout.y = float(y);
    mLayout.yRelative = mLayout.yCentre = 0;
    return UpdateLayout(update);
}

eResultCode CWidget::MoveBy(int32_t dx, int32_t dy, bool update)
{
    mLayout.x = float(mRect.left + dx);
    mLayout.y = float(mRect.top + dy);
    mLayout.xRelative = mLayout.yRelative = 0;
    mLayout.xCentre = mLayout.yCentre = 0;
    return UpdateLayout(update);
}

gCPoint CWidget::LocalToRoot(const gCPoint& point) const
{
    gCPoint result = point;
    // The root's own offset is never applied.
    for (const CWidget* w = this; w->mParent; w = w->mParent)
        w->LocalToParent(result);
    return result;
}

gCPoint CWidget::RootToLocal(const gCPoint& point) const
{
    gCPoint origin = LocalToRoot(gCPoint{});
    return point - origin;
}

void CWidget::LocalToRoot(gCRect& rect) const
{
    gCPoint origin = LocalToRoot(gCPoint{});
    rect += origin;
}

void CWidget::RootToLocal(gCRect& rect) const
{
    gCPoint origin = LocalToRoot(gCPoint{});
    rect -= origin;
}

gCPoint CWidget::ScreenToLocal(const gCPoint& point) const
{
    if (!mParent)
        return point;
    gCPoint local = mParent->ScreenToLocal(point);
    ParentToLocal(local);
    return local;
}

gCPoint CWidget::LocalToScreen(const gCPoint& point) const
{
    if (!mParent)
        return point;
    gCPoint inParent = point;
    LocalToParent(inParent);
    return mParent->LocalToScreen(inParent);
}

// Rectangles convert corner by corner through the point forms (and so through the root's).
void CWidget::ScreenToLocal(gCRect& rect) const
{
    gCPoint topLeft = ScreenToLocal(gCPoint{rect.left, rect.top});
    gCPoint bottomRight = ScreenToLocal(gCPoint{rect.right, rect.bottom});
    rect.Set(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
}

void CWidget::LocalToScreen(gCRect& rect) const
{
    gCPoint topLeft = LocalToScreen(gCPoint{rect.left, rect.top});
    gCPoint bottomRight = LocalToScreen(gCPoint{rect.right, rect.bottom});
    rect.Set(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
}
