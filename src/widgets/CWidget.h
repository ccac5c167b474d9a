// Base of every visible element of a window. The backdrop is the root of a tree of widgets;
// each widget owns its children (index 0 is the front-most), routes events down the tree and
// sends the areas it dirties up to the backdrop.
// A widget's rect is computed from its layout values (absolute or relative to the parent, from
// either side, anchored or centred); it draws in its own local coordinates, with effects under
// its content, between content and children, and over its children; it is loaded from a widget
// data block whose children are created through the widget factory.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: the child
// removals and reordering, FindWidgetByName, the two ancestor tests, HasFocus, the user data,
// SetPropOpacity, SetBlitOnMove, ScreenToLocal, SetEventCallbackInTree, FindWidgetAtLocalPoint and
// the two reserved hooks.
#pragma once

#include "core/FourCharCode.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCFloatRect.h"
#include "core/gCPoint.h"
#include "core/gCRect.h"
#include "core/gCString.h"
#include "resources/gCResourceObject.h"
#include "widgets/CRegion.h"

#include <cstdint>

class CImage;
class CImage8;
class CWidgetEffectBase;
class gCFile;
class gCMemFile;
class gCStream;
class CResourceDirectory;

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

// The layout description from which UpdateLayout computes the rect.
struct sLayoutValues {
    float x = 0.0f;
    float y = 0.0f;
    uint32_t xRelative = 0;
    uint32_t yRelative = 0;
    uint32_t xFarSide = 0;
    uint32_t yFarSide = 0;
    float width = 0.0f;
    float height = 0.0f;
    uint32_t widthRelative = 0;
    uint32_t heightRelative = 0;
    uint32_t widthFarSide = 0;
    uint32_t heightFarSide = 0;
    uint32_t xFarAnchor = 0;
    uint32_t yFarAnchor = 0;
    uint32_t xCentre = 0;
    uint32_t yCentre = 0;
};

class CWidget;

// Callbacks, one per event kind; a null function means the widget's own handler.
using tKeyCallback = eResultCode (*)(uintptr_t context, CWidget* widget, CWidget** taker, int32_t key);
using tHeartbeatCallback = eResultCode (*)(uintptr_t context, CWidget* widget);
using tPointerCallback = eResultCode (*)(uintptr_t context, CWidget* widget, CWidget** taker,
                                         const gCPoint& point);
using tMessageCallback = uint32_t (*)(uintptr_t context, CWidget* widget, uint32_t message,
                                      uintptr_t p1, uintptr_t p2);
using tRenderProc = eResultCode (*)(uintptr_t context, CWidget* widget, const gCRect& clip,
                                    CImage* target, int32_t alpha);
using tWheelCallback = eResultCode (*)(uintptr_t context, CWidget* widget, CWidget** taker,
                                       const gCPoint& point, const gCPoint* delta);
using tAnyCallback = void (*)();

// Callback slots, in table order.
enum eCallbackKind : int32_t {
    kCallbackKeyDown, kCallbackKeyUp, kCallbackTimer, kCallbackHeartbeat, kCallbackMouseMove,
    kCallbackLButtonDown, kCallbackLButtonUp, kCallbackMButtonDown, kCallbackMButtonUp,
    kCallbackRButtonDown, kCallbackRButtonUp, kCallbackMessage, kCallbackRender,
    kCallbackMouseWheel, kCallbackCount
};

class CWidget : public gCResourceObject {
public:
    // The alerts of a class's data block loader.
    struct sLoaderMessages {
        const char* size;
        const char* grow;
        const char* read;
        const char* rewind;
        const char* tag;
        const char* parse;
        const char* hierarchy;
        // The backdrop's loader reads a tag at the top of every pass (an empty block loads),
        // the others read the first tag before the loop (an empty block fails).
        bool tagAtTop;
    };
    static constexpr uint32_t kTypeCode = FourCharCode("wdgt");
    static constexpr int32_t kUserSlots = 8;
    static constexpr int32_t kEffectSlots = 4;

    // What must wait for the end of a data block: the children named in 'hier' entries.
    class CWidgetDataHolder : public gCBaseObject {
    public:
        ~CWidgetDataHolder() override = default;
        gCArray<uint32_t> childTypes;
        gCArray<gCString> childNames;
    };

    static CWidget* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CWidget* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    CWidget();
    ~CWidget() override;
    CWidget(const CWidget&) = delete;
    CWidget& operator=(const CWidget&) = delete;

    // Identity: id, name and in-pool flag are the resource object's. Each class answers its own
    // type code, which is also the chunk type its data block is stored under.
    void SetId(uint32_t id) { mId = id; }
    eResultCode SetName(const gCString& name);
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
    virtual void DeleteChildren();
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

    // Focus path. A press focuses through CWidget's own entry; code that focuses a widget on
    // purpose calls this one, which a subclass may extend (an editor selects its text).
    virtual void SetFocus(bool notify);
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
    int32_t GetOpacityThreshold() const { return mOpacityThreshold; }
    int32_t GetOpacity() const { return mOpacity; }
    virtual void SetOpacity(int32_t opacity, bool update);
    void SetPropOpacity(bool propagate, bool update);
    bool GetPropOpacity() const { return mPropagateOpacity != 0; }
    void SetOpaqueBlit(bool opaque) { mOpaqueBlit = opaque ? 1 : 0; }
    bool GetOpaqueBlit() const { return mOpaqueBlit != 0; }
    void SetBlitOnMove(bool blit) { mBlitOnMove = blit ? 1 : 0; }
    bool GetBlitOnMove() const { return mBlitOnMove != 0; }
    void SetStayInParent(bool stay) { mStayInParent = stay ? 1 : 0; }
    bool GetStayInParent() const { return mStayInParent != 0; }
    void EnableEvents(uint32_t bits, bool propagate);
    void DisableEvents(uint32_t bits) { mEventMask &= ~bits; }
    uint32_t GetEventMask() const { return mEventMask; }
    uint32_t GetModalHeartbeat() const { return mModalHeartbeat; }
    void SetModalHeartbeat(uint32_t keep) { mModalHeartbeat = keep; }

    // Geometry: the rect in the parent's coordinates, computed from the layout values.
    const gCRect& GetRect() const { return mRect; }
    const gCRect& GetBounds() const { return mBounds; }
    int32_t GetWidth() const { return mRect.right - mRect.left; }
    int32_t GetHeight() const { return mRect.bottom - mRect.top; }
    sLayoutValues* GetLayoutValues() { return &mLayout; }
    // The layout position and size as a rectangle (what a window made for a root takes).
    gCFloatRect GetLayoutRect() const;
    virtual eResultCode SetSize(int32_t width, int32_t height, bool update);
    eResultCode SetSize(const gCPoint& size, bool update) { return SetSize(size.x, size.y, update); }
    eResultCode SetWidth(int32_t width, bool update);
    eResultCode SetHeight(int32_t height, bool update);
    eResultCode SetPosition(int32_t x, int32_t y, bool update);
    eResultCode SetPosition(const gCPoint& point, bool update) { return SetPosition(point.x, point.y, update); }
    eResultCode SetXPosition(int32_t x, bool update);
    eResultCode SetYPosition(int32_t y, bool update);
    eResultCode MoveBy(int32_t dx, int32_t dy, bool update);
    eResultCode MoveBy(const gCPoint& delta, bool update) { return MoveBy(delta.x, delta.y, update); }
    virtual eResultCode UpdateLayout(bool update);
    virtual eResultCode OnRectChanged() { return eSuccess; }
    virtual eResultCode OnLayoutDone() { return eSuccess; }

    void LocalToParent(gCPoint& point) const { point += gCPoint{mRect.left, mRect.top}; }
    void LocalToParent(gCRect& rect) const { rect += gCPoint{mRect.left, mRect.top}; }
    void ParentToLocal(gCPoint& point) const { point = point - gCPoint{mRect.left, mRect.top}; }
    void ParentToLocal(gCRect& rect) const { rect -= gCPoint{mRect.left, mRect.top}; }
    void RootToLocal(gCRect& rect) const;
    void LocalToRoot(gCRect& rect) const;
    gCPoint LocalToRoot(const gCPoint& point) const;
    gCPoint RootToLocal(const gCPoint& point) const;
    // Screen conversions: through the parents to the root, which converts when it is a backdrop.
    virtual gCPoint ScreenToLocal(const gCPoint& point) const;
    virtual void ScreenToLocal(gCRect& rect) const;
    virtual gCPoint LocalToScreen(const gCPoint& point) const;
    virtual void LocalToScreen(gCRect& rect) const;

    // Free slots for later versions; nothing calls them.
    virtual uint32_t ReservedHookA() { return 0; }
    virtual uint32_t ReservedHookB() { return 0; }

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

    // Callbacks: each setter enables its kind's event bit on this widget only.
    void SetKeyDownCallback(tKeyCallback function, uintptr_t context);
    void SetKeyUpCallback(tKeyCallback function, uintptr_t context);
    void SetTimerCallback(tKeyCallback function, uintptr_t context);
    void SetHeartbeatCallback(tHeartbeatCallback function, uintptr_t context);
    void SetMouseMoveCallback(tPointerCallback function, uintptr_t context);
    void SetLButtonDownCallback(tPointerCallback function, uintptr_t context);
    void SetLButtonUpCallback(tPointerCallback function, uintptr_t context);
    void SetMButtonDownCallback(tPointerCallback function, uintptr_t context);
    void SetMButtonUpCallback(tPointerCallback function, uintptr_t context);
    void SetRButtonDownCallback(tPointerCallback function, uintptr_t context);
    void SetRButtonUpCallback(tPointerCallback function, uintptr_t context);
    void SetMessageCallback(tMessageCallback function, uintptr_t context);
    void SetRenderProc(tRenderProc function, uintptr_t context);
    void SetMouseWheelCallback(tWheelCallback function, uintptr_t context);
    tAnyCallback GetCallback(int32_t kind) const;
    // The same setter on this widget (unless skipSelf) and its whole subtree, skipping every
    // widget without the kind's event bit together with what lies below it.
    void SetEventCallbackInTree(int32_t kind, tAnyCallback function, uintptr_t context, bool skipSelf);

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
    CWidget* FindWidgetAtLocalPoint(const gCPoint& point);

    // Dirty areas travel up to the root; drawing comes down from it. Areas are local unless said.
    virtual eResultCode InvalidateArea(const gCRect& area, bool update);
    eResultCode InvalidateParentArea(const gCRect& area, bool update);
    eResultCode InvalidateRect(const gCRect& area, bool update);
    eResultCode Invalidate(bool update);
    eResultCode InvalidateContent(bool update);
    eResultCode InvalidateBounds(bool update);
    eResultCode InvalidateThroughChildren(const gCRect& area, bool update);
    virtual eResultCode Update();
    void RedrawAll(bool update);
    // Moving pixels instead of redrawing (rect and region in the parent's coordinates).
    eResultCode ScrollRect(const gCRect& rect, const gCPoint& newTopLeft);
    eResultCode ScrollRegion(const CRegion& region, const gCPoint& offset);
    eResultCode GetCoveringRegion(CRegion& region, const gCPoint& offset);
    eResultCode BlitRegion(const CRegion& region, const gCPoint& offset);

    // The widget's own content over `area` (local) into `target` at `alpha`.
    virtual eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha);
    virtual eResultCode PaintLayer(const gCRect&, CImage*, int32_t) { return eSuccess; }
    virtual eResultCode DrawAlphaMask(CImage8*) { return eSuccess; }
    eResultCode DrawContent(const gCRect& clip, CImage* target, int32_t alpha);
    // Clip in the parent's coordinates.
    virtual eResultCode DrawWidget(const gCRect& clip, CImage* target, int32_t alpha);
    virtual eResultCode DrawLayerPass(const gCRect& clip, CImage* target, int32_t alpha);
    // Draws the front-most opaque part under clip; `out` receives what it covered (local).
    virtual eResultCode RenderWidget(const gCRect& clip, CImage* target, int32_t alpha, gCRect& out);
    // True when the content alone, at full alpha, sets every pixel of the widget's rect to an
    // opaque colour whatever lies behind: what is behind may then be left undrawn, as behind an
    // opaque blit.
    virtual bool PaintsOpaque() const { return false; }
    eResultCode DrawChildren(const gCRect& clip, CImage* target, int32_t alpha, int32_t lastIndex);
    int32_t CombinedAlpha(int32_t alpha) const { return ((mOpacity + 1) * alpha) >> 8; }

    // Effects: three lists of four owned entries.
    eResultCode AttachUnderEffect(CWidgetEffectBase* effect, int32_t index, bool update);
    eResultCode AttachMiddleEffect(CWidgetEffectBase* effect, int32_t index, bool update);
    eResultCode AttachOverEffect(CWidgetEffectBase* effect, int32_t index, bool update);
    void RemoveUnderEffect(int32_t index);
    void RemoveMiddleEffect(int32_t index);
    void RemoveOverEffect(int32_t index);
    void RemoveAllEffects();
    // Each list drawn over clip (local) at alpha.
    virtual eResultCode DrawUnderEffects(const gCRect& clip, CImage* target, int32_t alpha);
    virtual eResultCode DrawMiddleEffects(const gCRect& clip, CImage* target, int32_t alpha);
    virtual eResultCode DrawOverEffects(const gCRect& clip, CImage* target, int32_t alpha);
    CWidgetEffectBase* GetUnderEffect(int32_t index) const;
    CWidgetEffectBase* GetMiddleEffect(int32_t index) const;
    CWidgetEffectBase* GetOverEffect(int32_t index) const;
    virtual eResultCode RefreshEffect(CWidgetEffectBase* effect, bool update);
    eResultCode RefreshAllEffects();
    CWidgetEffectBase* FindEffectByType(uint32_t code) const;
    eResultCode NotifyEffects(CWidget* source, const gCRect& area);
    void RecalcBounds();
    bool HasEffects() const;

    // Loading from the resource file.
    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override;
    virtual eResultCode LoadWidgetDataBlock(gCStream* stream);
    eResultCode CreateChildren(CWidgetDataHolder& holder, gCStream* stream);

protected:
    void Restack(CWidget* sibling, int32_t offset, bool update);
    eResultCode TakeChildAt(int32_t index, bool destroy, bool update);
    enum class ePointerKind { kMove, kLeftDown, kLeftUp, kMiddleDown, kMiddleUp, kRightDown, kRightUp };
    eResultCode DispatchPointer(ePointerKind kind, CWidget** taker, const gCPoint& point);
    // Where the pointer entries (move and the button presses and releases) send their event; a
    // widget that diverts pointer input overrides this once instead of every entry.
    virtual eResultCode RoutePointer(ePointerKind kind, CWidget** taker, const gCPoint& point)
    {
        return DispatchPointer(kind, taker, point);
    }
    eResultCode HandlePointer(ePointerKind kind, CWidget** taker, const gCPoint& point);
    static eResultCode DispatchToChild(CWidget* child, ePointerKind kind, CWidget** taker,
                                       const gCPoint& point);
    void ReleaseFromRoot(CWidget* leaving);
    void DestroyChildren();
    // Dirties the child's area as AddChild and the order changes do.
    void InvalidateChild(CWidget* child);
    eResultCode InvalidateOwnArea(bool update);
    bool IsPlainWidget() const { return GetTypeCode() == kTypeCode; }
    eResultCode AttachEffect(CWidgetEffectBase** list, uint32_t listNumber, CWidgetEffectBase* effect,
                             int32_t index, bool update);
    // Draws a list's effects under clip, each outside its covered region.
    eResultCode DrawEffectList(CWidgetEffectBase* const* list, const gCRect& clip, CImage* target, int32_t alpha);
    // Lets a list's effects draw from the rendered layer, once each over the whole of clip.
    eResultCode DrawEffectListLayer(CWidgetEffectBase* const* list, const gCRect& clip, CImage* target,
                                    int32_t alpha);
    // The frame of every pass over the tree: nothing when the widget is hidden or outside clip;
    // else draw(clip in own coordinates, alpha, children's alpha), the target's origin on the
    // widget's top-left meanwhile.
    template <typename Draw>
    eResultCode DrawInFrame(const gCRect& clip, CImage* target, int32_t alpha, Draw draw);
    // The draw order of DrawWidget, and with `layers` of DrawLayerPass.
    eResultCode DrawPass(const gCRect& clip, CImage* target, int32_t alpha, bool layers);
    void SetCallback(int32_t kind, tAnyCallback function, uintptr_t context);

    // The shared frame of every class's data block loader: reads the block whole, hands each chunk
    // to `parse`, then creates the children.
    template <typename Parse>
    eResultCode LoadBlock(gCStream* stream, CWidgetDataHolder& holder, const sLoaderMessages& messages,
                          Parse parse);
    // The whole loader of a class whose chunks all go to a plain holder: each to its `parse`.
    template <typename Widget>
    eResultCode LoadPlainBlock(gCStream* stream,
                               eResultCode (Widget::*parse)(uint32_t tag, gCStream* block, CWidgetDataHolder& holder));
    eResultCode ReadBlock(gCStream* stream, gCMemFile& block, const sLoaderMessages& messages);
    // CWidget's tags; eBadParameter with an alert for a tag it does not know.
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder);
    eResultCode LocateResource(bool byName, uint32_t id, const gCString& name, gCFile* file,
                               CResourceDirectory* directory, gCFile*& source);
    eResultCode UpdateIf(bool update) { return update ? Update() : eSuccess; }

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
    uint32_t mPropagateOpacity = 1;
    uint32_t mOpaqueBlit = 0;
    uint32_t mBlitOnMove = 0;
    gCRect mBounds;
    sLayoutValues mLayout;
    struct sCallback {
        tAnyCallback function = nullptr;
        uintptr_t context = 0;
    };
    sCallback mCallbacks[kCallbackCount];
    CWidgetEffectBase* mUnderEffects[kEffectSlots] = {};
    CWidgetEffectBase* mMiddleEffects[kEffectSlots] = {};
    CWidgetEffectBase* mOverEffects[kEffectSlots] = {};
};
