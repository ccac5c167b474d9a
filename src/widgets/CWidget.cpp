#include "widgets/CWidget.h"

#include "app/AppGlobals.h"
#include "imaging/CImage.h"

#include <algorithm>

namespace {

bool SameName(const gCString& a, const gCString& b)
{
    if (a.IsNull() || b.IsNull() || a.GetLength() != b.GetLength())
        return false;
    for (int32_t i = 0; i < a.GetLength(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

// Pointer hit: edges included on every side.
bool Contains(const gCRect& rect, const gCPoint& point)
{
    return point.x >= rect.left && point.x <= rect.right && point.y >= rect.top &&
           point.y <= rect.bottom;
}

gCRect Intersection(const gCRect& a, const gCRect& b)
{
    gCRect r;
    r.Set(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom));
    if (r.left >= r.right || r.top >= r.bottom)
        return gCRect();
    return r;
}

} // namespace

CWidget::CWidget() = default;

CWidget::~CWidget()
{
    DeleteChildren();
    DeleteUserObjects();
}

eResultCode CWidget::SetName(const gCString& name)
{
    gCString copy(name);
    if (!name.IsNull() && copy.IsNull())
        return eNoMemory;
    mName = copy;
    return eSuccess;
}

void CWidget::InvalidateChild(CWidget* child)
{
    if (child->IsVisible())
        (void)InvalidateArea(child->mRect, false);
}

eResultCode CWidget::AddChild(CWidget* child, bool update)
{
    if (!child)
        return eBadParameter;
    PNU_TRY(mChildren.InsertAt(0, child));
    child->SetParent(this);
    InvalidateChild(child);
    return UpdateIf(update);
}

int32_t CWidget::GetChildIndex(const CWidget* child) const
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (mChildren[i] == child)
            return i;
    return -1;
}

eResultCode CWidget::RemoveChildAt(int32_t index, bool update)
{
    if (index < 0 || index >= mChildren.GetSize())
        return UpdateIf(update);
    CWidget* child = mChildren[index];
    gCRect area = child->mRect;
    bool visible = child->IsVisible();
    if (mFocusChild == child)
        mFocusChild = nullptr;
    mChildren.RemoveAt(index);
    delete child;
    return visible ? InvalidateArea(area, update) : UpdateIf(update);
}

eResultCode CWidget::DetachChildAt(int32_t index, bool update)
{
    if (index < 0 || index >= mChildren.GetSize())
        return UpdateIf(update);
    CWidget* child = mChildren[index];
    gCRect area = child->mRect;
    bool visible = child->IsVisible();
    if (mFocusChild == child)
        mFocusChild = nullptr;
    // The child keeps its parent field: the caller re-parents or deletes it.
    mChildren.RemoveAt(index);
    return visible ? InvalidateArea(area, update) : UpdateIf(update);
}

eResultCode CWidget::RemoveChild(CWidget* child, bool update)
{
    return RemoveChildAt(GetChildIndex(child), update);
}

eResultCode CWidget::DetachChild(CWidget* child, bool update)
{
    return DetachChildAt(GetChildIndex(child), update);
}

eResultCode CWidget::RemoveChildByName(const gCString& name, bool update)
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (SameName(mChildren[i]->mName, name))
            return RemoveChildAt(i, update);
    return UpdateIf(update);
}

eResultCode CWidget::RemoveChildById(uint32_t id, bool update)
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (mChildren[i]->mId == id)
            return RemoveChildAt(i, update);
    return UpdateIf(update);
}

eResultCode CWidget::RemoveAllChildren(bool update)
{
    for (int32_t i = mChildren.GetSize() - 1; i >= 0; --i)
        PNU_TRY(RemoveChildAt(i, false));
    return UpdateIf(update);
}

void CWidget::DeleteChildren()
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        delete mChildren[i];
    mChildren.RemoveAll();
    mFocusChild = mFocusChild == this ? this : nullptr;
}

void CWidget::SendToBack(bool update)
{
    if (!mParent)
        return;
    int32_t index = mParent->GetChildIndex(this);
    if (index < 0)
        return;
    gCArray<CWidget*>& siblings = mParent->mChildren;
    siblings.RemoveAt(index);
    (void)siblings.Add(this);
    mParent->InvalidateChild(this);
    (void)UpdateIf(update);
}

void CWidget::BringToFront(bool update)
{
    if (!mParent)
        return;
    int32_t index = mParent->GetChildIndex(this);
    if (index < 0)
        return;
    gCArray<CWidget*>& siblings = mParent->mChildren;
    siblings.RemoveAt(index);
    (void)siblings.InsertAt(0, this);
    mParent->InvalidateChild(this);
    (void)UpdateIf(update);
}

void CWidget::MoveBehind(CWidget* sibling, bool update)
{
    if (!mParent || sibling == this)
        return;
    gCArray<CWidget*>& siblings = mParent->mChildren;
    int32_t index = mParent->GetChildIndex(this);
    if (index < 0 || mParent->GetChildIndex(sibling) < 0)
        return;
    siblings.RemoveAt(index);
    (void)siblings.InsertAt(mParent->GetChildIndex(sibling) + 1, this);
    mParent->InvalidateChild(this);
    (void)UpdateIf(update);
}

void CWidget::MoveInFront(CWidget* sibling, bool update)
{
    if (!mParent || sibling == this)
        return;
    gCArray<CWidget*>& siblings = mParent->mChildren;
    int32_t index = mParent->GetChildIndex(this);
    if (index < 0 || mParent->GetChildIndex(sibling) < 0)
        return;
    siblings.RemoveAt(index);
    (void)siblings.InsertAt(mParent->GetChildIndex(sibling), this);
    mParent->InvalidateChild(this);
    (void)UpdateIf(update);
}

int32_t CWidget::CountWidgets() const
{
    int32_t count = 1;
    for (const CWidget* child : mChildren)
        count += child->CountWidgets();
    return count;
}

CWidget* CWidget::FindWidgetById(uint32_t id)
{
    if (mId == id)
        return this;
    for (CWidget* child : mChildren)
        if (CWidget* found = child->FindWidgetById(id))
            return found;
    return nullptr;
}

CWidget* CWidget::FindWidgetByName(const gCString& name)
{
    if (SameName(mName, name))
        return this;
    for (CWidget* child : mChildren)
        if (CWidget* found = child->FindWidgetByName(name))
            return found;
    return nullptr;
}

bool CWidget::IsDescendantOf(const CWidget* widget) const
{
    for (const CWidget* up = mParent; up; up = up->mParent)
        if (up == widget)
            return true;
    return false;
}

CWidget* CWidget::FindAncestorById(uint32_t id) const
{
    for (CWidget* up = mParent; up; up = up->mParent)
        if (up->mId == id)
            return up;
    return nullptr;
}

CWidget* CWidget::FindAncestorByName(const gCString& name) const
{
    for (CWidget* up = mParent; up; up = up->mParent)
        if (SameName(up->mName, name))
            return up;
    return nullptr;
}

CWidget* CWidget::GetRootWidget() { return mParent ? mParent->GetRootWidget() : this; }

void CWidget::SetFocus(bool notify)
{
    if (IsVisible() && IsActive())
        SetFocusChild(this, this, notify);
}

void CWidget::SetFocusChild(CWidget* child, CWidget* focused, bool notify)
{
    if (!IsVisible() || !IsActive())
        return;
    mFocusChild = child;
    if (mParent)
        mParent->SetFocusChild(this, focused, notify);
}

bool CWidget::HasFocus()
{
    CWidget* root = GetRootWidget();
    CWidget* step = root->mFocusChild;
    if (!step)
        return false;
    if (step == root)
        return root == this;
    while (step) {
        if (step == this)
            return true;
        if (step->mFocusChild == step)
            return false;
        step = step->mFocusChild;
    }
    return false;
}

uint32_t CWidget::SetUserData(int32_t index, uintptr_t value)
{
    if (index < 0 || index >= kUserSlots)
        return 0;
    mUserData[index] = value;
    return 1;
}

uintptr_t CWidget::GetUserData(int32_t index) const
{
    return index < 0 || index >= kUserSlots ? 0 : mUserData[index];
}

uint32_t CWidget::SetUserObject(int32_t index, gCBaseObject* object)
{
    if (index < 0 || index >= kUserSlots)
        return 0;
    mUserObjects[index] = object;
    return 1;
}

gCBaseObject* CWidget::GetUserObject(int32_t index) const
{
    return index < 0 || index >= kUserSlots ? nullptr : mUserObjects[index];
}

void CWidget::DeleteUserObjects()
{
    for (gCBaseObject*& object : mUserObjects) {
        delete object;
        object = nullptr;
    }
}

void CWidget::SetVisible(bool visible, bool update)
{
    uint32_t flag = visible ? 1 : 0;
    if (flag == mVisible)
        return;
    // The area is dirtied while the widget counts as visible, in both directions.
    mVisible = 1;
    if (mParent)
        (void)mParent->InvalidateArea(mRect, false);
    mVisible = flag;
    (void)UpdateIf(update);
}

void CWidget::EnableEvents(uint32_t bits, bool propagate)
{
    mEventMask |= bits;
    if (propagate && mParent)
        mParent->EnableEvents(bits, true);
}

gCFloatRect CWidget::GetLayoutRect() const
{
    gCFloatRect rect;
    rect.left = float(mRect.left);
    rect.top = float(mRect.top);
    rect.right = float(mRect.right);
    rect.bottom = float(mRect.bottom);
    return rect;
}

eResultCode CWidget::SetSize(int32_t width, int32_t height, bool update)
{
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    if (mRect.right - mRect.left == width && mRect.bottom - mRect.top == height)
        return UpdateIf(update);
    if (IsVisible() && mParent)
        (void)mParent->InvalidateArea(mRect, false);
    mRect.right = mRect.left + width;
    mRect.bottom = mRect.top + height;
    (void)Invalidate(false);
    return UpdateIf(update);
}

eResultCode CWidget::SetPosition(const gCPoint& point, bool update)
{
    if (mRect.left == point.x && mRect.top == point.y)
        return UpdateIf(update);
    if (IsVisible() && mParent)
        (void)mParent->InvalidateArea(mRect, false);
    mRect += gCPoint{point.x - mRect.left, point.y - mRect.top};
    (void)Invalidate(false);
    return UpdateIf(update);
}

gCPoint CWidget::LocalToRoot(const gCPoint& point) const
{
    gCPoint result = point;
    // The root's own offset is never applied.
    for (const CWidget* w = this; w->mParent; w = w->mParent)
        result += gCPoint{w->mRect.left, w->mRect.top};
    return result;
}

gCPoint CWidget::RootToLocal(const gCPoint& point) const
{
    gCPoint origin = LocalToRoot({0, 0});
    return {point.x - origin.x, point.y - origin.y};
}

eResultCode CWidget::OnKeyDown(CWidget**, int32_t) { return eSuccess; }
eResultCode CWidget::OnKeyUp(CWidget**, int32_t) { return eSuccess; }
eResultCode CWidget::OnTimer(CWidget**, int32_t) { return eSuccess; }
eResultCode CWidget::OnHeartbeat() { return eSuccess; }
eResultCode CWidget::OnMouseMove(CWidget**, const gCPoint&) { return eSuccess; }
eResultCode CWidget::OnLButtonDown(CWidget**, const gCPoint&) { return eSuccess; }
eResultCode CWidget::OnLButtonUp(CWidget**, const gCPoint&) { return eSuccess; }
eResultCode CWidget::OnMButtonDown(CWidget**, const gCPoint&) { return eSuccess; }
eResultCode CWidget::OnMButtonUp(CWidget**, const gCPoint&) { return eSuccess; }
eResultCode CWidget::OnRButtonDown(CWidget**, const gCPoint&) { return eSuccess; }
eResultCode CWidget::OnRButtonUp(CWidget**, const gCPoint&) { return eSuccess; }
eResultCode CWidget::OnMouseWheel(CWidget**, const gCPoint&, const gCPoint&) { return eSuccess; }

bool CWidget::HitTest(const gCPoint&) { return mOpacityThreshold != 0; }

uint32_t CWidget::DispatchMessageEvent(uint32_t message, uintptr_t p1, uintptr_t p2)
{
    if (!(mEventMask & kEventMessages))
        return 0;
    if (uint32_t result = OnMessage(message, p1, p2); result != 0)
        return result;
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (uint32_t result = mChildren[i]->DispatchMessageEvent(message, p1, p2); result != 0)
            return result;
    return 0;
}

eResultCode CWidget::DispatchKeyDownEvent(CWidget** taker, int32_t key)
{
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventKeys))
        return eSuccess;
    if (mFocusChild && mFocusChild != this && GetChildIndex(mFocusChild) >= 0) {
        PNU_TRY(mFocusChild->DispatchKeyDownEvent(taker, key));
        if (*taker)
            return eSuccess;
    }
    return OnKeyDown(taker, key);
}

eResultCode CWidget::DispatchKeyUpEvent(CWidget** taker, int32_t key)
{
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventKeys))
        return eSuccess;
    if (mFocusChild && mFocusChild != this && GetChildIndex(mFocusChild) >= 0) {
        PNU_TRY(mFocusChild->DispatchKeyUpEvent(taker, key));
        if (*taker)
            return eSuccess;
    }
    return OnKeyUp(taker, key);
}

eResultCode CWidget::DispatchTimerEvent(CWidget** taker, int32_t value)
{
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventTimer))
        return eSuccess;
    for (int32_t i = 0; i < mChildren.GetSize(); ++i) {
        PNU_TRY(mChildren[i]->DispatchTimerEvent(taker, value));
        if (*taker)
            return eSuccess;
    }
    return OnTimer(taker, value);
}

eResultCode CWidget::DispatchHeartbeatEvent()
{
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventHeartbeat))
        return eSuccess;
    for (int32_t i = mChildren.GetSize() - 1; i >= 0; --i) {
        if (i >= mChildren.GetSize())
            continue;
        PNU_TRY(mChildren[i]->DispatchHeartbeatEvent());
        // The window is going away: nothing more to tick.
        if (!GetMainWindow())
            return eSuccess;
    }
    return OnHeartbeat();
}

eResultCode CWidget::HandlePointer(ePointerKind kind, CWidget** taker, const gCPoint& point)
{
    switch (kind) {
    case ePointerKind::kMove: return OnMouseMove(taker, point);
    case ePointerKind::kLeftDown: return OnLButtonDown(taker, point);
    case ePointerKind::kLeftUp: return OnLButtonUp(taker, point);
    case ePointerKind::kMiddleDown: return OnMButtonDown(taker, point);
    case ePointerKind::kMiddleUp: return OnMButtonUp(taker, point);
    case ePointerKind::kRightDown: return OnRButtonDown(taker, point);
    case ePointerKind::kRightUp: return OnRButtonUp(taker, point);
    }
    return eSuccess;
}

eResultCode CWidget::DispatchPointer(ePointerKind kind, CWidget** taker, const gCPoint& point)
{
    static constexpr uint32_t kBits[] = {kEventMouseMove,    kEventLeftButton,   kEventLeftButton,
                                         kEventMiddleButton, kEventMiddleButton, kEventRightButton,
                                         kEventRightButton};
    if (!IsVisible() || !IsActive() || !(mEventMask & kBits[int(kind)]) || !Contains(mRect, point))
        return eSuccess;
    gCPoint local{point.x - mRect.left, point.y - mRect.top};
    for (int32_t i = 0; i < mChildren.GetSize(); ++i) {
        PNU_TRY(mChildren[i]->DispatchPointer(kind, taker, local));
        if (*taker)
            return eSuccess;
    }
    if (!HitTest(local))
        return eSuccess;
    bool leftDown = kind == ePointerKind::kLeftDown;
    if (leftDown && CanGetFocus())
        SetFocus(true);
    PNU_TRY(HandlePointer(kind, taker, local));
    if (leftDown && CanGetFocus() && !*taker)
        *taker = this;
    return eSuccess;
}

eResultCode CWidget::DispatchMouseMoveEvent(CWidget** taker, const gCPoint& point)
{
    return DispatchPointer(ePointerKind::kMove, taker, point);
}
eResultCode CWidget::DispatchLButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return DispatchPointer(ePointerKind::kLeftDown, taker, point);
}
eResultCode CWidget::DispatchLButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return DispatchPointer(ePointerKind::kLeftUp, taker, point);
}
eResultCode CWidget::DispatchMButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return DispatchPointer(ePointerKind::kMiddleDown, taker, point);
}
eResultCode CWidget::DispatchMButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return DispatchPointer(ePointerKind::kMiddleUp, taker, point);
}
eResultCode CWidget::DispatchRButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return DispatchPointer(ePointerKind::kRightDown, taker, point);
}
eResultCode CWidget::DispatchRButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return DispatchPointer(ePointerKind::kRightUp, taker, point);
}

eResultCode CWidget::DispatchMouseWheelEvent(CWidget** taker, const gCPoint& delta,
                                             const gCPoint& point)
{
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventWheel) || !Contains(mRect, point))
        return eSuccess;
    gCPoint local{point.x - mRect.left, point.y - mRect.top};
    for (int32_t i = 0; i < mChildren.GetSize(); ++i) {
        PNU_TRY(mChildren[i]->DispatchMouseWheelEvent(taker, delta, local));
        if (*taker)
            return eSuccess;
    }
    if (!HitTest(local))
        return eSuccess;
    return OnMouseWheel(taker, delta, local);
}

CWidget* CWidget::FindWidgetAtPoint(const gCPoint& point)
{
    if (!IsVisible() || !Contains(mRect, point))
        return nullptr;
    gCPoint local{point.x - mRect.left, point.y - mRect.top};
    for (CWidget* child : mChildren)
        if (CWidget* found = child->FindWidgetAtPoint(local))
            return found;
    return HitTest(local) ? this : nullptr;
}

eResultCode CWidget::InvalidateArea(const gCRect& area, bool update)
{
    if (!mParent)
        return UpdateIf(update);
    gCRect inParent = area;
    inParent += gCPoint{mRect.left, mRect.top};
    return mParent->InvalidateArea(inParent, update);
}

eResultCode CWidget::Invalidate(bool update)
{
    gCRect local;
    local.Set(0, 0, GetWidth(), GetHeight());
    return IsVisible() ? InvalidateArea(local, update) : UpdateIf(update);
}

eResultCode CWidget::Update() { return mParent ? mParent->Update() : eSuccess; }

void CWidget::RedrawAll(bool update)
{
    gCRect local;
    local.Set(0, 0, GetWidth(), GetHeight());
    (void)InvalidateArea(local, false);
    if (update)
        (void)Update();
}

eResultCode CWidget::Paint(const gCRect&, CImage*, int32_t) { return eSuccess; }

eResultCode CWidget::DrawWidget(const gCRect& area, CImage* target, int32_t alpha)
{
    if (!IsVisible() || !target)
        return eSuccess;
    gCRect own;
    own.Set(0, 0, GetWidth(), GetHeight());
    gCRect clip = Intersection(area, own);
    if (clip.IsEmpty())
        return eSuccess;
    PNU_TRY(Paint(clip, target, alpha));
    gCPoint origin = target->GetOrigin();
    // Back to front: the last index is drawn first, index 0 last (on top).
    for (int32_t i = mChildren.GetSize() - 1; i >= 0; --i) {
        CWidget* child = mChildren[i];
        gCRect childArea = Intersection(clip, child->mRect);
        if (childArea.IsEmpty())
            continue;
        childArea -= gCPoint{child->mRect.left, child->mRect.top};
        target->SetOrigin({origin.x + child->mRect.left, origin.y + child->mRect.top});
        eResultCode result = child->DrawWidget(childArea, target, alpha);
        target->SetOrigin(origin);
        PNU_TRY(result);
    }
    return eSuccess;
}
