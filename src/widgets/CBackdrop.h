// The root widget of a window: it owns the window-sized offscreen image the tree is drawn into,
// collects dirty areas and repaints them on Update, diverts input to a stack of modal widgets,
// ends the focus path, and draws an optional widget as the mouse cursor.
//
// Built here: what the window and the application call. The background is a plain colour; the
// background image and gradient come with the backdrop's data block.
#pragma once

#include "widgets/CWidget.h"

class CWindowBase;

class CBackdrop : public CWidget {
public:
    static constexpr uint32_t kTypeCode = 0x626B6470; // 'bkdp'

    CBackdrop();
    ~CBackdrop() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }

    // The window showing this backdrop (not owned).
    void SetWindow(CWindowBase* window) { mWindow = window; }
    CWindowBase* GetWindow() const { return mWindow; }
    // Called before the window lets go of its backdrop.
    void DetachFromWindow() { OnDetachFromWindow(); }
    virtual void OnDetachFromWindow() {}

    CWidget* GetFocusWidget() const { return mFocusWidget; }
    void SetFocusChild(CWidget* child, CWidget* focused, bool notify) override;

    // Modal stack: input goes to the top widget only.
    eResultCode PushModalWidget(CWidget* widget);
    eResultCode PushModalWidgetKeepHeartbeat(CWidget* widget);
    void PopModalWidget();
    int32_t GetModalDepth() const { return mModalStack.GetSize(); }

    // Offscreen image and repainting.
    eResultCode SetSize(int32_t width, int32_t height, bool update) override;
    CImage* GetOffscreenImage() const { return mOffscreen; }
    uint32_t GetImagePixel(const gCPoint& point) const;
    eResultCode InvalidateArea(const gCRect& area, bool update) override;
    eResultCode Update() override;
    eResultCode RenderRect(const gCRect& rect);
    eResultCode QueueWindowCopy(const gCRect& source, const gCPoint& offset);
    int32_t GetDirtyCount() const { return mDirty.GetSize(); }
    virtual uint32_t KeepWindowHidden() { return 0; }
    void MarkWindowReady() override { mWindowReady = 1; }
    uint32_t IsWindowReady() const { return mWindowReady; }
    void SetUpdateSuspended(uint32_t suspended) { mUpdatesSuspended = suspended; }
    uint32_t IsUpdateSuspended() const { return mUpdatesSuspended; }
    uint32_t GetUpdateCount() const { return mUpdateCount; }
    void SetBackgroundColour(uint32_t colour) { mBackgroundColour = colour; }
    uint32_t GetBackgroundColour() const { return mBackgroundColour; }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    bool HitTest(const gCPoint&) override { return true; }

    // Screen conversion through the window's content origin.
    gCPoint LocalToScreen(const gCPoint& point) const;
    gCPoint ScreenToLocal(const gCPoint& point) const;
    // Adds the global left and top of the window's content (keeps a window where it is).
    void LocalToGlobal(gCPoint& point) const { point = LocalToScreen(point); }

    // The cursor widget; without one, the application's system cursor.
    eResultCode SetCursor(CWidget* cursor, const gCPoint& hotspot);
    CWidget* GetCursorWidget() const { return mCursor; }
    void HideCursorWidget();
    void ShowCursorWidget();
    uint32_t IsCursorWidgetShown() const;
    eResultCode TrackCursorWidget();

    // Mouse-over tracking, run every heartbeat while the mouse is over the window.
    void SetWidgetRollover(uint32_t on);
    uint32_t GetWidgetRollover() const { return mWidgetRollover; }
    CWidget* GetRolloverWidget() const { return mRolloverWidget; }
    void TrackMouseOver();
    void ClearMouseOver() { mRolloverWidget = nullptr; }

    // Input, diverted to the modal top while the stack is not empty.
    uint32_t DispatchMessageEvent(uint32_t message, uintptr_t p1, uintptr_t p2) override;
    eResultCode DispatchKeyDownEvent(CWidget** taker, int32_t key) override;
    eResultCode DispatchKeyUpEvent(CWidget** taker, int32_t key) override;
    eResultCode DispatchTimerEvent(CWidget** taker, int32_t value) override;
    eResultCode DispatchHeartbeatEvent() override;
    eResultCode DispatchMouseMoveEvent(CWidget** taker, const gCPoint& point) override;
    eResultCode DispatchLButtonDownEvent(CWidget** taker, const gCPoint& point) override;
    eResultCode DispatchLButtonUpEvent(CWidget** taker, const gCPoint& point) override;
    eResultCode DispatchMButtonDownEvent(CWidget** taker, const gCPoint& point) override;
    eResultCode DispatchMButtonUpEvent(CWidget** taker, const gCPoint& point) override;
    eResultCode DispatchRButtonDownEvent(CWidget** taker, const gCPoint& point) override;
    eResultCode DispatchRButtonUpEvent(CWidget** taker, const gCPoint& point) override;
    eResultCode DispatchMouseWheelEvent(CWidget** taker, const gCPoint& delta,
                                        const gCPoint& point) override;

private:
    struct sWindowCopy {
        gCRect source;
        gCPoint offset;
    };

    CWidget* ModalTop() const;
    gCPoint ToModalParent(const gCPoint& point) const;
    eResultCode ModalPointer(ePointerKind kind, CWidget** taker, const gCPoint& point);
    void DropFrame();

    CImage* mOffscreen = nullptr;
    gCArray<gCRect> mDirty;
    CWidget* mFocusWidget = nullptr;
    uint32_t mWindowReady = 0;
    uint32_t mUpdatesSuspended = 0;
    CWindowBase* mWindow = nullptr;
    CWidget* mCursor = nullptr;
    gCPoint mCursorHotspot;
    uint32_t mBackgroundColour = 0xFF303050u;
    gCArray<CWidget*> mModalStack;
    uint32_t mWidgetRollover = 0;
    CWidget* mRolloverWidget = nullptr;
    uint32_t mUpdateCount = 0;
    gCArray<sWindowCopy> mWindowCopies;
};
