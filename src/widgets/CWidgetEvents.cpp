// Events: the mask gates, callbacks in place of the own handlers, and the order in which each
// dispatcher asks the tree.
#include "widgets/CWidget.h"

#include "app/AppGlobals.h"

namespace {

constexpr uint32_t kCallbackBits[kCallbackCount] = {
    kEventKeys,        kEventKeys,         kEventTimer,        kEventHeartbeat,   kEventMouseMove,
    kEventLeftButton,  kEventLeftButton,   kEventMiddleButton, kEventMiddleButton,
    kEventRightButton, kEventRightButton,  kEventMessages,     0,                 kEventWheel};

} // namespace

void CWidget::SetCallback(int32_t kind, tAnyCallback function, uintptr_t context)
{
    mCallbacks[kind].function = function;
    mCallbacks[kind].context = context;
    if (kCallbackBits[kind] != 0)
        EnableEvents(kCallbackBits[kind], false);
}

#define PNU_CALLBACK_SETTER(Name, Type, Kind)                                    \
    void CWidget::Name(Type function, uintptr_t context)                         \
    {                                                                            \
        SetCallback(Kind, reinterpret_cast<tAnyCallback>(function), context);    \
    }
PNU_CALLBACK_SETTER(SetKeyDownCallback, tKeyCallback, kCallbackKeyDown)
PNU_CALLBACK_SETTER(SetKeyUpCallback, tKeyCallback, kCallbackKeyUp)
PNU_CALLBACK_SETTER(SetTimerCallback, tKeyCallback, kCallbackTimer)
PNU_CALLBACK_SETTER(SetHeartbeatCallback, tHeartbeatCallback, kCallbackHeartbeat)
PNU_CALLBACK_SETTER(SetMouseMoveCallback, tPointerCallback, kCallbackMouseMove)
PNU_CALLBACK_SETTER(SetLButtonDownCallback, tPointerCallback, kCallbackLButtonDown)
PNU_CALLBACK_SETTER(SetLButtonUpCallback, tPointerCallback, kCallbackLButtonUp)
PNU_CALLBACK_SETTER(SetMButtonDownCallback, tPointerCallback, kCallbackMButtonDown)
PNU_CALLBACK_SETTER(SetMButtonUpCallback, tPointerCallback, kCallbackMButtonUp)
PNU_CALLBACK_SETTER(SetRButtonDownCallback, tPointerCallback, kCallbackRButtonDown)
PNU_CALLBACK_SETTER(SetRButtonUpCallback, tPointerCallback, kCallbackRButtonUp)
PNU_CALLBACK_SETTER(SetMessageCallback, tMessageCallback, kCallbackMessage)
PNU_CALLBACK_SETTER(SetRenderProc, tRenderProc, kCallbackRender)
PNU_CALLBACK_SETTER(SetMouseWheelCallback, tWheelCallback, kCallbackMouseWheel)
#undef PNU_CALLBACK_SETTER

tAnyCallback CWidget::GetCallback(int32_t kind) const
{
    return kind >= 0 && kind < kCallbackCount ? mCallbacks[kind].function : nullptr;
}

void CWidget::SetEventCallbackInTree(int32_t kind, tAnyCallback function, uintptr_t context,
                                     bool skipSelf)
{
    if (kind < 0 || kind >= kCallbackCount || kind == kCallbackRender)
        return;
    if (!(mEventMask & kCallbackBits[kind]))
        return;
    if (!skipSelf)
        SetCallback(kind, function, context);
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        mChildren[i]->SetEventCallbackInTree(kind, function, context, false);
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
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventMessages))
        return 0;
    const sCallback& callback = mCallbacks[kCallbackMessage];
    uint32_t result = callback.function
        ? reinterpret_cast<tMessageCallback>(callback.function)(callback.context, this, message, p1, p2)
        : OnMessage(message, p1, p2);
    if (result != 0)
        return result;
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (uint32_t answer = mChildren[i]->DispatchMessageEvent(message, p1, p2); answer != 0)
            return answer;
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
    const sCallback& callback = mCallbacks[kCallbackKeyDown];
    if (callback.function)
        return reinterpret_cast<tKeyCallback>(callback.function)(callback.context, this, taker, key);
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
    const sCallback& callback = mCallbacks[kCallbackKeyUp];
    if (callback.function)
        return reinterpret_cast<tKeyCallback>(callback.function)(callback.context, this, taker, key);
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
    const sCallback& callback = mCallbacks[kCallbackTimer];
    if (callback.function)
        return reinterpret_cast<tKeyCallback>(callback.function)(callback.context, this, taker, value);
    return OnTimer(taker, value);
}

eResultCode CWidget::DispatchHeartbeatEvent()
{
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventHeartbeat))
        return eSuccess;
    for (int32_t i = mChildren.GetSize() - 1; i >= 0; --i) {
        // A handler may have removed children meanwhile.
        if (i >= mChildren.GetSize())
            continue;
        PNU_TRY(mChildren[i]->DispatchHeartbeatEvent());
        // The window is going away: nothing more to tick.
        if (!GetMainWindow())
            return eSuccess;
    }
    const sCallback& callback = mCallbacks[kCallbackHeartbeat];
    if (callback.function)
        return reinterpret_cast<tHeartbeatCallback>(callback.function)(callback.context, this);
    return OnHeartbeat();
}

eResultCode CWidget::HandlePointer(ePointerKind kind, CWidget** taker, const gCPoint& point)
{
    static constexpr int32_t kSlots[] = {kCallbackMouseMove,   kCallbackLButtonDown, kCallbackLButtonUp,
                                         kCallbackMButtonDown, kCallbackMButtonUp,   kCallbackRButtonDown,
                                         kCallbackRButtonUp};
    const sCallback& callback = mCallbacks[kSlots[int(kind)]];
    if (callback.function)
        return reinterpret_cast<tPointerCallback>(callback.function)(callback.context, this, taker, point);
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

// Each child is asked through its own virtual dispatcher, so a subclass that overrides one is
// reached wherever it sits in the tree, not only at the root.
eResultCode CWidget::DispatchToChild(CWidget* child, ePointerKind kind, CWidget** taker,
                                     const gCPoint& point)
{
    switch (kind) {
    case ePointerKind::kMove: return child->DispatchMouseMoveEvent(taker, point);
    case ePointerKind::kLeftDown: return child->DispatchLButtonDownEvent(taker, point);
    case ePointerKind::kLeftUp: return child->DispatchLButtonUpEvent(taker, point);
    case ePointerKind::kMiddleDown: return child->DispatchMButtonDownEvent(taker, point);
    case ePointerKind::kMiddleUp: return child->DispatchMButtonUpEvent(taker, point);
    case ePointerKind::kRightDown: return child->DispatchRButtonDownEvent(taker, point);
    case ePointerKind::kRightUp: return child->DispatchRButtonUpEvent(taker, point);
    }
    return eSuccess;
}

eResultCode CWidget::DispatchPointer(ePointerKind kind, CWidget** taker, const gCPoint& point)
{
    static constexpr uint32_t kBits[] = {kEventMouseMove,    kEventLeftButton,   kEventLeftButton,
                                         kEventMiddleButton, kEventMiddleButton, kEventRightButton,
                                         kEventRightButton};
    if (!IsVisible() || !IsActive() || !(mEventMask & kBits[int(kind)]) || !mRect.ContainsWithEdges(point))
        return eSuccess;
    gCPoint local = point;
    ParentToLocal(local);
    for (int32_t i = 0; i < mChildren.GetSize(); ++i) {
        PNU_TRY(DispatchToChild(mChildren[i], kind, taker, local));
        if (*taker)
            return eSuccess;
    }
    if (!HitTest(local))
        return eSuccess;
    bool leftDown = kind == ePointerKind::kLeftDown;
    // CWidget's own entry: a press focuses without what a subclass adds to focusing on purpose.
    if (leftDown && CanGetFocus())
        CWidget::SetFocus(true);
    PNU_TRY(HandlePointer(kind, taker, local));
    if (leftDown && CanGetFocus() && !*taker)
        *taker = this;
    return eSuccess;
}

eResultCode CWidget::DispatchMouseMoveEvent(CWidget** taker, const gCPoint& point)
{
    return RoutePointer(ePointerKind::kMove, taker, point);
}
eResultCode CWidget::DispatchLButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return RoutePointer(ePointerKind::kLeftDown, taker, point);
}
eResultCode CWidget::DispatchLButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return RoutePointer(ePointerKind::kLeftUp, taker, point);
}
eResultCode CWidget::DispatchMButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return RoutePointer(ePointerKind::kMiddleDown, taker, point);
}
eResultCode CWidget::DispatchMButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return RoutePointer(ePointerKind::kMiddleUp, taker, point);
}
eResultCode CWidget::DispatchRButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return RoutePointer(ePointerKind::kRightDown, taker, point);
}
eResultCode CWidget::DispatchRButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return RoutePointer(ePointerKind::kRightUp, taker, point);
}

eResultCode CWidget::DispatchMouseWheelEvent(CWidget** taker, const gCPoint& delta,
                                             const gCPoint& point)
{
    if (!IsVisible() || !IsActive() || !(mEventMask & kEventWheel) || !mRect.ContainsWithEdges(point))
        return eSuccess;
    gCPoint local = point;
    ParentToLocal(local);
    for (int32_t i = 0; i < mChildren.GetSize(); ++i) {
        gCPoint copy = delta;
        PNU_TRY(mChildren[i]->DispatchMouseWheelEvent(taker, copy, local));
        if (*taker)
            return eSuccess;
    }
    if (!HitTest(local))
        return eSuccess;
    const sCallback& callback = mCallbacks[kCallbackMouseWheel];
    if (callback.function)
        return reinterpret_cast<tWheelCallback>(callback.function)(callback.context, this, taker, local, &delta);
    return OnMouseWheel(taker, delta, local);
}

CWidget* CWidget::FindWidgetAtPoint(const gCPoint& point)
{
    if (!IsVisible() || !IsActive() || !mRect.ContainsWithEdges(point))
        return nullptr;
    gCPoint local = point;
    ParentToLocal(local);
    for (CWidget* child : mChildren)
        if (CWidget* found = child->FindWidgetAtPoint(local))
            return found;
    return HitTest(local) ? this : nullptr;
}

CWidget* CWidget::FindWidgetAtLocalPoint(const gCPoint& point)
{
    if (!IsVisible() || !IsActive() || point.x < 0 || point.y < 0 || point.x > GetWidth() ||
        point.y > GetHeight())
        return nullptr;
    for (CWidget* child : mChildren) {
        gCPoint inChild = point;
        child->ParentToLocal(inChild);
        if (CWidget* found = child->FindWidgetAtLocalPoint(inChild))
            return found;
    }
    return HitTest(point) ? this : nullptr;
}
