// The window-system layer of the application object: start-up from the launch event, quitting,
// the application-level event handler and the bodies of the input, cursor, clipboard and menu-bar
// operations.
#pragma once

#include "app/CAppBase.h"

namespace plat {
struct sEvent;
} // namespace plat

class CAppMac : public CAppBase {
public:
    CAppMac() = default;

    // Loads the resources, makes the tablet state and runs the application.
    eResultCode StartApplication(const gCString& path);
    void Quit() override;

    eResultCode CollapseMainWindow() override;
    eResultCode ExpandMainWindow() override;
    uint32_t IsLeftButtonDown() override;
    uint32_t IsControlClickDown() override;
    uint32_t IsMiddleButtonDown() override { return 0; }
    uint32_t IsPrimaryButtonDown() override { return IsLeftButtonDown(); }
    uint32_t IsRightButtonDown() override;
    uint32_t GetTwoButtonState() override { return GetButtonState() & 3; }
    uint32_t GetButtonState() override;
    uint32_t GetRawButtonState() override { return GetButtonState(); }
    uint32_t IsExtraButtonDown() override { return 0; }
    uint32_t IsKeyDown(int32_t code) override;
    uint32_t IsShiftDown() override { return IsKeyDown(129); }
    uint32_t IsCommandDown() override { return IsKeyDown(133); }
    uint32_t IsOptionDown() override { return IsKeyDown(131); }
    uint32_t IsControlDown() override { return IsKeyDown(130); }
    gCPoint GetMousePosition() override;
    void HideCursor() override { SetCursorVisible(0); }
    void ShowCursor() override;
    eResultCode WarpMouse(const gCPoint& point) override;
    eResultCode RunEventLoopOnce() override;
    eResultCode PutClipboardText(const gCString& text) override;
    eResultCode GetClipboardText(gCString& text) override;
    eResultCode NotWrittenOperation1() override { return eNotWritten; }
    eResultCode NotWrittenOperation2() override { return eNotWritten; }
    eResultCode NotWrittenOperation3() override { return eNotWritten; }
    eResultCode NotWrittenOperation4() override { return eNotWritten; }
    eResultCode NotWrittenOperation5() override { return eNotWritten; }
    eResultCode NotWrittenOperation6() override { return eNotWritten; }
    eResultCode NotWrittenOperation7() override { return eNotWritten; }
    eResultCode NotWrittenOperation8() override { return eNotWritten; }
    eResultCode RunModalLoop() override;
    uint32_t HasUpdateEvent() override;
    void SetCursorVisible(uint32_t visible) override;
    uint32_t HideMenuBar() override;
    uint32_t ShowMenuBar() override;
    uint32_t ToggleMenuBar() override;
    uint32_t GetAuxFlag() override { return mAuxFlag; }
    uint32_t IsMenuBarHidden() override { return mMenuBarHidden; }
    void SetMenuBarHidden(uint32_t hidden) override { mMenuBarHidden = hidden; }
    bool IsFrontProcess() override;
    // First look at every application-level event: 2 consumes it, other non-zero answers leave
    // it to the standard handling, 0 lets the application's handler act.
    virtual int32_t PreHandleEvent(const plat::sEvent& event);

    // The application's event handler: commands, quit requests and a window shown again, each
    // offered to PreHandleEvent first. 0 when handled, else kEventNotHandled.
    int32_t AppEventHandler(const plat::sEvent& event);
    // The files of one drop, while the application runs.
    int32_t ReceiveDrag(const plat::sEvent& event);
    // One firing of the 10 ms timer: the heartbeat unless one is already running.
    void HeartbeatTimerFired();
    // Marks an update as pending (the window system exposed a window).
    void PostUpdateEvent() { mUpdatePending = 1; }
    uint32_t IsHeartbeatRunning() const { return mHeartbeatBusy; }
    // What the process returns: 1 once the start failed, else 0.
    int32_t GetExitStatus() const { return mExitStatus; }

protected:
    uint32_t mAuxFlag = 0;
    uint32_t mMenuBarHidden = 0;
    uint32_t mHeartbeatBusy = 0;
    uint32_t mUpdatePending = 0;
    int32_t mExitStatus = 0;
};
