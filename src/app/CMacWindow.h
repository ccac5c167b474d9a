// The window-system side of a window: a platform window, its placement on the screen, and the
// translation of its events into the toolkit's key codes, points and commands.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// HandleClassicEvent, HandleMenuSelection and DeleteWindow.
#pragma once

#include "app/CWindowBase.h"

namespace plat {
class Window;
struct sEvent;
struct sClassicEvent;
} // namespace plat

// Results of the window's event handler: handled, or left to the standard handling.
inline constexpr int32_t kEventNotHandled = -9874;

class CMacWindow : public CWindowBase {
public:
    CMacWindow() = default;
    ~CMacWindow() override;

    int32_t MakeWindowWithoutHandler(int32_t width, int32_t height, const gCString& title,
                                     uint32_t attributes) override;
    int32_t MakeWindow(uint32_t flags, gCFloatPoint size, gCFloatPoint position,
                       const gCString& title, uint32_t attributes) override;
    eResultCode SetSizeClipped(int32_t width, int32_t height, uint32_t flag) override;
    eResultCode SetSizeRelativeToScreen(float fx, float fy, uint32_t flag) override;
    eResultCode Show(uint32_t show) override;
    void DisposeWindow() override;
    eResultCode SetTitle(const gCString& title) override;
    gCString GetTitle() const override;
    eResultCode MoveTo(int16_t x, int16_t y) override;
    eResultCode MoveRelativeToScreen(float fx, float fy, uint32_t flag) override;
    gCPoint GetPosition() const override;
    gCRect GetBounds() const override;
    eResultCode CentreOnScreen(uint32_t flag) override;
    eResultCode SetSizeAndPosition(int32_t x, int32_t y, int32_t width, int32_t height,
                                   uint32_t flag) override;
    eResultCode SetBounds(uint32_t flags, gCFloatPoint size, gCFloatPoint position) override;
    void SetSystemUIMode(int32_t mode) override;
    uint32_t IsMouseInWindow() const override;
    gCRect GetScreenRect() const override;
    gCPoint GetContentOrigin() const override;
    void DrawImage(const CImage& image, const gCRect& area, const gCPoint& at) override;

    // The window's event handler: 0 when handled, kEventNotHandled to let the standard handling
    // (and the application's handler) see the event.
    int32_t HandleEvent(const plat::sEvent& event);
    eResultCode Heartbeat() override;

    // The record-based event path, kept beside the window's own handler for programs that feed
    // it records (nothing in this program does). `part` is where a mouse down landed. Returns 1
    // for the events it consumes outright, else 0.
    int32_t HandleClassicEvent(const plat::sClassicEvent& event, int16_t part);
    // A key down or auto key: the classic key table, then KeyDown; Command+Q quits instead.
    virtual eResultCode HandleClassicKey(const plat::sClassicEvent& event);
    // The program was suspended (it enters the modal state) or resumed (full-screen mode is
    // applied again and the modal state left); the pointer's position is passed on first.
    virtual void HandleSuspendResume(const plat::sClassicEvent& event);
    // The about item (menu 128, item 1) shows the about alert; the quit item (129, 1) quits.
    virtual void HandleMenuSelection(const plat::sClassicEvent& event);
    virtual void Activate() {}

    // Deletes the window object given when it is not null.
    static void DeleteWindow(CMacWindow* window) { delete window; }

    plat::Window* GetPlatformWindow() const { return mWindow; }
    uint32_t GetPlatformId() const;
    void Collapse(bool collapse);
    bool IsCollapsed() const;

    // The window of the program whose platform window has this id, or null.
    static CMacWindow* FindByPlatformId(uint32_t id);

    // Held while the toolkit works for one of the program's entries: an event, the heartbeat, the
    // launch. A window disposed meanwhile closes at once and leaves the window list and the main
    // window, but the object (with its backdrop and widgets) is deleted only when the outermost
    // scope ends: the code that asked, or an action whose alert or nested loop a quit has just
    // ended, may still be running on the stack and look at them.
    class DispatchScope {
    public:
        DispatchScope();
        ~DispatchScope();
        DispatchScope(const DispatchScope&) = delete;
        DispatchScope& operator=(const DispatchScope&) = delete;
    };

private:
    bool CreatePlatformWindow(int32_t width, int32_t height, bool resizable);
    // Destroys only the window-system window: the object and the caller's backdrop stay.
    void DisposePlatformWindow();
    bool EnsureBackdrop();
    int32_t HandlePointer(const plat::sEvent& event);
    int32_t DispatchEvent(const plat::sEvent& event);
    int32_t DispatchClassicEvent(const plat::sClassicEvent& event, int16_t part);
    // Follows the pointer from `start` with the window until the button is let go, the pointer
    // kept on the screen.
    void DragWindow(gCPoint start);
    // Waits for the button to be let go; whether the pointer was still over the window's frame.
    bool TrackGoAway();
    gCPoint GlobalToLocal(gCPoint global) const;
    // Deletes the windows disposed while a dispatch scope was held.
    static void DeletePendingWindows();

    plat::Window* mWindow = nullptr;
    // Disposed inside a dispatch scope: waiting, in the list of such windows, to be deleted.
    bool mDeletePending = false;
    CMacWindow* mNextPending = nullptr;
    uint32_t mFrameBounds = 0;
    bool mHasHandler = false;
};
