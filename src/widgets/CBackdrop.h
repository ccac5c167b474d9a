// The root widget of a window: it owns the window-sized offscreen image the tree is drawn into,
// collects dirty areas and repaints them on Update, diverts input to a stack of modal widgets,
// ends the focus path, and draws an optional widget as the mouse cursor.
// Its own content is the background: an opaque colour, a tiled image and a gradient.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// PushModalWidgetKeepHeartbeat, GetImagePixel, RenderDirtyRegion, KeepWindowHidden, the
// window-ready and update-suspended queries and setter, OnWindowHook, SetWhsbFlag, LocalToGlobal,
// SetCursorById, GetCursorWidget, HeartbeatTick, GetWidgetRollover, GetDebugRolloverWidget and
// SetAlphaRendering.
#pragma once

#include "core/FourCharCode.h"
#include "widgets/CRegion.h"
#include "widgets/CWidget.h"
#include "widgets/CreateLoadedWidget.h"

class CGradient;
class CWindowBase;

class CBackdrop : public CLoadedWidgetT<CBackdrop, CWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("bkdp");

    CBackdrop();
    ~CBackdrop() override;

    // What the backdrop's data block carries until the end of loading.
    class CBWidgetDataHolder : public CWidgetDataHolder {
    public:
        gCArray<gCString> cursorNames;
        gCArray<gCPoint> cursorHotspots;
        gCString defaultCursorName;
        gCString imageName;
        uint32_t fullWindow = 0;
        gCString gradientName;
    };

    eResultCode LoadWidgetDataBlock(gCStream* stream) override;
    eResultCode DrawAlphaMask(CImage8* mask) override;

    uint32_t GetTypeCode() const override { return kTypeCode; }

    // The window showing this backdrop (not owned).
    void SetWindow(CWindowBase* window) { mWindow = window; }
    CWindowBase* GetWindow() const { return mWindow; }
    // Called before the window lets go of its backdrop.
    void DetachFromWindow() { OnDetachFromWindow(); }
    virtual void OnDetachFromWindow() {}

    CWidget* GetFocusWidget() const { return mFocusWidget; }
    void SetFocusChild(CWidget* child, CWidget* focused, bool notify) override;

    // Drops every reference to the widget and its descendants (it is leaving the tree).
    void ForgetWidget(const CWidget* leaving);
    // Takes over a widget that left the tree inside its own dispatch: it is deleted at the next
    // heartbeat, once that dispatch has unwound, or with the backdrop.
    eResultCode RetireWidget(CWidget* widget);
    int32_t GetRetiredCount() const { return mRetired.GetSize(); }

    // Modal stack: input goes to the top widget only.
    virtual eResultCode PushModalWidget(CWidget* widget);
    virtual eResultCode PushModalWidgetKeepHeartbeat(CWidget* widget);
    virtual void PopModalWidget();
    int32_t GetModalDepth() const { return mModalStack.GetSize(); }

    // Offscreen image and repainting.
    eResultCode SetSize(int32_t width, int32_t height, bool update) override;
    CImage* GetOffscreenImage() const { return mOffscreen; }
    uint32_t GetImagePixel(const gCPoint& point) const;
    eResultCode InvalidateArea(const gCRect& area, bool update) override;
    eResultCode Update() override;
    virtual eResultCode RenderRect(const gCRect& rect);
    // Draws every dirty rectangle into the offscreen image without showing or forgetting it.
    virtual eResultCode RenderDirtyRegion();
    const CRegion& GetDirtyRegion() const { return mDirty; }
    virtual eResultCode QueueWindowCopy(const gCRect& source, const gCPoint& offset);
    int32_t GetDirtyCount() const { return mDirty.GetCount(); }
    virtual uint32_t KeepWindowHidden() { return 0; }
    void MarkWindowReady() override { mWindowReady = 1; }
    virtual uint32_t IsWindowReady() const { return mWindowReady; }
    virtual void SetUpdateSuspended(uint32_t suspended) { mUpdatesSuspended = suspended; }
    virtual uint32_t IsUpdateSuspended() const { return mUpdatesSuspended; }
    virtual uint32_t GetUpdateCount() const { return mUpdateCount; }
    // A hook for the window; the backdrop itself does nothing with it.
    virtual void OnWindowHook() {}
    // While set, drawing the tree lays pixels with the alpha-correct routines, so what is drawn
    // over transparent parts of the image keeps its own coverage.
    void SetAlphaRendering(uint32_t on) { mAlphaRendering = on; }
    void SetBackgroundColour(uint32_t colour) { mBackgroundColour = colour; }
    uint32_t GetBackgroundColour() const { return mBackgroundColour; }
    // The background gradient (owned unless pooled) and how it is laid over the backdrop.
    void SetGradient(CGradient* gradient);
    CGradient* GetGradient() const { return mGradient; }
    void SetBackgroundImage(CImage* image);
    int32_t GetGradientOpacity() const { return mGradientOpacity; }
    float GetGradientAngle() const { return mGradientAngle; }
    uint32_t IsGradientCircular() const { return mGradientCircular; }
    gCFloatPoint GetGradientCentre() const { return mGradientCentre; }
    uint32_t GetWhsbFlag() const { return mWhsb; }
    eResultCode SetWhsbFlag(uint32_t value, bool update);
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    bool HitTest(const gCPoint&) override { return true; }

    // Screen conversion through the window's content origin.
    gCPoint LocalToScreen(const gCPoint& point) const override;
    void LocalToScreen(gCRect& rect) const override { CWidget::LocalToScreen(rect); }
    gCPoint ScreenToLocal(const gCPoint& point) const override;
    void ScreenToLocal(gCRect& rect) const override { CWidget::ScreenToLocal(rect); }
    // Adds the global left and top of the window's content (keeps a window where it is).
    void LocalToGlobal(gCPoint& point) const { point = LocalToScreen(point); }

    // The cursor widget; without one, the application's system cursor.
    virtual eResultCode SetCursor(CWidget* cursor, const gCPoint& hotspot);
    // The cursor table: widgets the backdrop owns and chooses its cursor from.
    virtual eResultCode AddCursor(CWidget* cursor, const gCPoint& hotspot);
    virtual eResultCode SetCursorByIndex(int32_t index);
    virtual eResultCode SetCursorById(uint32_t id);
    virtual eResultCode SetCursorByName(const gCString& name);
    int32_t GetCursorCount() const { return mCursors.GetSize(); }
    virtual CWidget* GetCursorWidget() const { return mCursor; }
    virtual void HideCursor();
    virtual void ShowCursor();
    virtual uint32_t IsCursorVisible() const;
    virtual eResultCode UpdateCursorPosition();

    // Mouse-over tracking, run every heartbeat while the mouse is over the window.
    virtual eResultCode HeartbeatTick() { return DispatchHeartbeatEvent(); }
    virtual void SetWidgetRollover(uint32_t on);
    virtual uint32_t GetWidgetRollover() const { return mWidgetRollover; }
    virtual CWidget* GetRolloverWidget() const { return mRolloverWidget; }
    // The rollover widget only while the widget-debug switch is on and a main window exists.
    virtual CWidget* GetDebugRolloverWidget() const;
    virtual void UpdateRollover();
    void ClearRollover() { mRolloverWidget = nullptr; }
    // Flashes the widget under the mouse while Command-Shift-click is held; 0 when it did nothing.
    virtual uint32_t ShowDebugInfo();

    // Input, diverted to the modal top while the stack is not empty.
    uint32_t DispatchMessageEvent(uint32_t message, uintptr_t p1, uintptr_t p2) override;
    eResultCode DispatchKeyDownEvent(CWidget** taker, int32_t key) override;
    eResultCode DispatchKeyUpEvent(CWidget** taker, int32_t key) override;
    eResultCode DispatchTimerEvent(CWidget** taker, int32_t value) override;
    eResultCode DispatchHeartbeatEvent() override;
    eResultCode DispatchMouseWheelEvent(CWidget** taker, const gCPoint& delta,
                                        const gCPoint& point) override;

private:
    struct sCursorEntry {
        CWidget* cursor;
        gCPoint hotspot;
    };
    struct sWindowCopy {
        gCRect source;
        gCPoint offset;
    };

    CWidget* ModalTop() const;
    gCPoint ToModalParent(const gCPoint& point) const;
    eResultCode RoutePointer(ePointerKind kind, CWidget** taker, const gCPoint& point) override;
    void DropFrame();
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CBWidgetDataHolder& holder);
    eResultCode FinishLoading(CBWidgetDataHolder& holder, gCStream* stream);

    CImage* mOffscreen = nullptr;
    CRegion mDirty;
    CWidget* mFocusWidget = nullptr;
    uint32_t mWindowReady = 0;
    uint32_t mUpdatesSuspended = 0;
    CWindowBase* mWindow = nullptr;
    CWidget* mCursor = nullptr;
    gCPoint mCursorHotspot;
    uint32_t mWhsb = 1;
    gCArray<sCursorEntry> mCursors;
    CImage* mBackgroundImage = nullptr;
    int32_t mGradientOpacity = 200;
    CGradient* mGradient = nullptr;
    uint32_t mBackgroundColour = 0xFF303050u;
    float mGradientAngle = 0.0f;
    uint32_t mGradientCircular = 0;
    gCFloatPoint mGradientCentre{0.5f, 0.5f};
    gCArray<CWidget*> mModalStack;
    uint32_t mWidgetRollover = 0;
    CWidget* mRolloverWidget = nullptr;
    uint32_t mUpdateCount = 0;
    uint32_t mAlphaRendering = 0;
    gCArray<sWindowCopy> mWindowCopies;
    gCArray<CWidget*> mRetired;
};
