// Base of every visible element of a window. The backdrop is the root of a tree of widgets;
// each widget owns its children (index 0 is the front-most), routes events down the tree and
// sends the areas it dirties up to the backdrop.
//
// Built here: the tree, lookup, focus path, user values, event mask and dispatch through the
// widgets' own handlers, and a plain drawing pass (content, then children). Callbacks, effects,
// the layout flags and loading from data blocks belong to the widget framework's other parts.
#pragma once

#include "app/gCCmdTarget.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCFloatRect.h"
#include "core/gCPoint.h"
#include "core/gCRect.h"
#include "core/gCString.h"

#include <cstdint>

class CImage;

// Event mask bits.
enum : uint32_t {
    kEventKeys = 0x01,
    kEventTimer = 0x02,
    kEventHeartbeat = 0x04,
    kEventMouseMove = 0x08,
    kEventLeftButton = 0x10,
    kEventMiddleButton = 0x20,
    kEventRightButton = 0x40,
    kEventMessages = 0x80,
    kEventWheel = 0x100,
};

class CWidget : public gCCmdTarget {
public:
    static constexpr uint32_t kTypeCode = 0x77646774; // 'wdgt'
    static constexpr int32_t kUserSlots = 8;

    CWidget();
    ~CWidget() override;
    CWidget(const CWidget&) = delete;
    CWidget& operator=(const CWidget&) = delete;

    // Identity (the resource-object part).
    uint32_t GetId() const { return mId; }
    void SetId(uint32_t id) { mId = id; }
    const gCString& GetName() const { return mName; }
    eResultCode SetName(const gCString& name);
    uint32_t IsInPool() const { return mInPool; }
    void SetInPool(uint32_t inPool) { mInPool = inPool; }
    virtual uint32_t GetTypeCode() const { return kTypeCode; }

    // Children.
    virtual eResultCode AddChild(CWidget* child, bool update);
    int32_t GetChildCount() const { return mChildren.GetSize(); }
    CWidget* GetChild(int32_t index) const { return mChildren[index]; }
    int32_t GetChildIndex(const CWidget* child) const;
    virtual eResultCode RemoveChildAt(int32_t index, bool update);
    virtual eResultCode DetachChildAt(int32_t index, bool update);
    eResultCode RemoveChild(CWidget* child, bool update);
    eResultCode DetachChild(CWidget* child, bool update);
    eResultCode RemoveChildByName(const gCString& name, bool update);
    eResultCode RemoveChildById(uint32_t id, bool update);
    eResultCode RemoveAllChildren(bool update);
    void DeleteChildren();
    void SendToBack(bool update);
    void BringToFront(bool update);
    void MoveBehind(CWidget* sibling, bool update);
    void MoveInFront(CWidget* sibling, bool update);
    int32_t CountWidgets() const;

    // Lookup.
    CWidget* FindWidgetById(uint32_t id);
    CWidget* FindWidgetByName(const gCString& name);
    bool IsDescendantOf(const CWidget* widget) const;
    bool HasAncestorWithId(uint32_t id) const { return FindAncestorById(id) != nullptr; }
    bool HasAncestorNamed(const gCString& name) const { return FindAncestorByName(name) != nullptr; }
    CWidget* FindAncestorById(uint32_t id) const;
    CWidget* FindAncestorByName(const gCString& name) const;
    CWidget* GetRootWidget();
    CWidget* GetParent() const { return mParent; }
    void SetParent(CWidget* parent) { mParent = parent; }

    // Focus path.
    void SetFocus(bool notify);
    virtual void SetFocusChild(CWidget* child, CWidget* focused, bool notify);
    CWidget* GetFocusChild() const { return mFocusChild; }
    bool HasFocus();

    // User values and owned user objects, slots 0-7; a store returns 1, 0 when out of range.
    uint32_t SetUserData(int32_t index, uintptr_t value);
    uintptr_t GetUserData(int32_t index) const;
    uint32_t SetUserObject(int32_t index, gCBaseObject* object);
    gCBaseObject* GetUserObject(int32_t index) const;
    void DeleteUserObjects();

    // State.
    virtual void SetVisible(bool visible, bool update);
    bool IsVisible() const { return mVisible != 0; }
    void SetActive(bool active) { mActive = active ? 1 : 0; }
    bool IsActive() const { return mActive != 0; }
    void SetCanGetFocus(bool can) { mCanGetFocus = can ? 1 : 0; }
    bool CanGetFocus() const { return mCanGetFocus != 0; }
    void SetOpacityThreshold(int32_t threshold) { mOpacityThreshold = threshold; }
    int32_t GetOpacity() const { return mOpacity; }
    void EnableEvents(uint32_t bits, bool propagate);
    void DisableEvents(uint32_t bits) { mEventMask &= ~bits; }
    uint32_t GetEventMask() const { return mEventMask; }
    uint32_t GetModalHeartbeat() const { return mModalHeartbeat; }
    void SetModalHeartbeat(uint32_t keep) { mModalHeartbeat = keep; }

    // Geometry: the rect in the parent's coordinates, from the position and size.
    const gCRect& GetRect() const { return mRect; }
    int32_t GetWidth() const { return mRect.right - mRect.left; }
    int32_t GetHeight() const { return mRect.bottom - mRect.top; }
    gCFloatRect GetLayoutRect() const;
    virtual eResultCode SetSize(int32_t width, int32_t height, bool update);
    virtual eResultCode SetPosition(const gCPoint& point, bool update);
    gCPoint LocalToRoot(const gCPoint& point) const;
    gCPoint RootToLocal(const gCPoint& point) const;

    // Window preparation, asked by the application when the window is made.
    virtual eResultCode PrepareForWindow() { return eSuccess; }
    virtual void MarkWindowReady() {}

    // Own event handlers (0 in CWidget); `taker` is set by the widget that consumes the event.
    virtual eResultCode OnKeyDown(CWidget** taker, int32_t key);
    virtual eResultCode OnKeyUp(CWidget** taker, int32_t key);
    virtual eResultCode OnTimer(CWidget** taker, int32_t value);
    virtual eResultCode OnHeartbeat();
    virtual eResultCode OnMouseMove(CWidget** taker, const gCPoint& point);
    virtual eResultCode OnLButtonDown(CWidget** taker, const gCPoint& point);
    virtual eResultCode OnLButtonUp(CWidget** taker, const gCPoint& point);
    virtual eResultCode OnMButtonDown(CWidget** taker, const gCPoint& point);
    virtual eResultCode OnMButtonUp(CWidget** taker, const gCPoint& point);
    virtual eResultCode OnRButtonDown(CWidget** taker, const gCPoint& point);
    virtual eResultCode OnRButtonUp(CWidget** taker, const gCPoint& point);
    virtual eResultCode OnMouseWheel(CWidget** taker, const gCPoint& delta, const gCPoint& point);
    virtual bool HitTest(const gCPoint& point);

    // Dispatch down the tree. Pointer points are in the parent's coordinates.
    virtual uint32_t DispatchMessageEvent(uint32_t message, uintptr_t p1, uintptr_t p2);
    virtual eResultCode DispatchKeyDownEvent(CWidget** taker, int32_t key);
    virtual eResultCode DispatchKeyUpEvent(CWidget** taker, int32_t key);
    virtual eResultCode DispatchTimerEvent(CWidget** taker, int32_t value);
    virtual eResultCode DispatchHeartbeatEvent();
    virtual eResultCode DispatchMouseMoveEvent(CWidget** taker, const gCPoint& point);
    virtual eResultCode DispatchLButtonDownEvent(CWidget** taker, const gCPoint& point);
    virtual eResultCode DispatchLButtonUpEvent(CWidget** taker, const gCPoint& point);
    virtual eResultCode DispatchMButtonDownEvent(CWidget** taker, const gCPoint& point);
    virtual eResultCode DispatchMButtonUpEvent(CWidget** taker, const gCPoint& point);
    virtual eResultCode DispatchRButtonDownEvent(CWidget** taker, const gCPoint& point);
    virtual eResultCode DispatchRButtonUpEvent(CWidget** taker, const gCPoint& point);
    virtual eResultCode DispatchMouseWheelEvent(CWidget** taker, const gCPoint& delta,
                                                const gCPoint& point);
    virtual CWidget* FindWidgetAtPoint(const gCPoint& point);

    // Dirty areas travel up to the root; drawing comes down from it.
    virtual eResultCode InvalidateArea(const gCRect& area, bool update);
    eResultCode Invalidate(bool update);
    virtual eResultCode Update();
    void RedrawAll(bool update);
    // Draws the widget's own content over `area` (local coordinates) into `target`.
    virtual eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha);
    // The content, then the children from the back to the front, over `area` (local).
    virtual eResultCode DrawWidget(const gCRect& area, CImage* target, int32_t alpha);

protected:
    enum class ePointerKind { kMove, kLeftDown, kLeftUp, kMiddleDown, kMiddleUp, kRightDown, kRightUp };
    eResultCode DispatchPointer(ePointerKind kind, CWidget** taker, const gCPoint& point);
    eResultCode HandlePointer(ePointerKind kind, CWidget** taker, const gCPoint& point);
    // Dirties the child's area as AddChild and the order changes do.
    void InvalidateChild(CWidget* child);
    eResultCode UpdateIf(bool update) { return update ? Update() : eSuccess; }

    uint32_t mId = 0;
    gCString mName;
    uint32_t mInPool = 0;
    uintptr_t mUserData[kUserSlots] = {};
    gCBaseObject* mUserObjects[kUserSlots] = {};
    uint32_t mEventMask = kEventMessages;
    gCRect mRect;
    gCArray<CWidget*> mChildren;
    CWidget* mParent = nullptr;
    uint32_t mStayInParent = 0;
    uint32_t mCanGetFocus = 1;
    uint32_t mVisible = 0;
    uint32_t mActive = 1;
    CWidget* mFocusChild = nullptr;
    uint32_t mModalHeartbeat = 0;
    int32_t mOpacity = 255;
    int32_t mOpacityThreshold = 0;
};
