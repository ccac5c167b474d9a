// The one long-lived object of the process: it carries the interaction state (quit flag, started
// state, cursor and modal state, heartbeat), routes messages, owns the main window's creation and
// answers questions about the input devices. CAppMac adds the window-system bodies, CApp is the
// concrete class an application derives from.
//
// Seams for the members other parts own: the resource files, directories, string table and pools
// join LoadSystemResources and the destructor; the sound player joins TidyVoices; the socket
// registry is a base class (CSocketRegistry), polled from the heartbeat.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// DebugAssert and, of the application, collapsing and expanding the main window, the kind and
// creator codes, the button queries beyond the primary and left ones, IsOptionDown, WarpMouse,
// switching widget-cursor tracking, AddMessageTarget and RemoveMessageTarget, RunModalLoop, the
// menu-bar toggle and queries, IsFrontProcess, AddNamedValue, AddWindow, the reserved hook and
// queries and the eight NotWrittenOperation slots.
#pragma once

#include "app/CMessageHub.h"
#include "app/CSocketRegistry.h"
#include "app/gCCmdTarget.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCFloatRect.h"
#include "core/gCPoint.h"
#include "core/gCString.h"
#include "resources/CAppResources.h"

#include <cstdint>

class CWindowBase;
class CBackdrop;
struct sTabletState;

// Every open window in creation order (the windows are not owned by the list).
gCArray<CWindowBase*>& GetWindowList();

// Formats "Debug Assert: File:  %s   Line: %d\n" into one program-wide buffer as a
// length-prefixed string and returns it; nothing shows it.
char* DebugAssert(const char* fileName, int32_t line);

class CAppBase : public gCCmdTarget, public CSocketRegistry {
public:
    // Started states.
    enum : uint32_t { kNotStarted = 0, kStarting = 1, kStarted = 2 };

    CAppBase();
    ~CAppBase() override;
    CAppBase(const CAppBase&) = delete;
    CAppBase& operator=(const CAppBase&) = delete;

    virtual void PrepareToQuit() = 0;
    virtual uint32_t IsQuitRequested() const { return mQuit; }
    virtual void ReservedHook() {}
    virtual void Quit() { mQuit = 1; }
    virtual int32_t GetKindCode() const { return 2; }
    virtual eResultCode CollapseMainWindow() = 0;
    virtual eResultCode ExpandMainWindow() = 0;
    virtual uint32_t GetCreatorCode() const { return mCreatorCode; }
    virtual void SetCreatorCode(uint32_t code) { mCreatorCode = code; }

    // Mouse buttons: live state, bit 0 primary, bit 1 secondary.
    virtual uint32_t IsLeftButtonDown() = 0;
    virtual uint32_t IsControlClickDown() = 0;
    virtual uint32_t IsMiddleButtonDown() = 0;
    virtual uint32_t IsPrimaryButtonDown() = 0;
    virtual uint32_t IsRightButtonDown() = 0;
    virtual uint32_t GetTwoButtonState() = 0;
    virtual uint32_t GetButtonState() = 0;
    virtual uint32_t GetRawButtonState() = 0;
    virtual uint32_t IsExtraButtonDown() = 0;

    // Keys: toolkit key codes (129 Shift, 130 Control, 131/132 Option, 133 Command, 134 Caps).
    virtual uint32_t IsKeyDown(int32_t code) = 0;
    virtual uint32_t IsShiftDown() = 0;
    virtual uint32_t IsCommandDown() = 0;
    virtual uint32_t IsOptionDown() = 0;
    virtual uint32_t IsControlDown() = 0;

    // The pointer in the main window's content coordinates; every caller uses it as it is.
    virtual gCPoint GetMousePosition() = 0;

    virtual void EnterModalState();
    virtual void LeaveModalState();
    virtual void HideCursors();
    virtual void HideCursor() = 0;
    virtual void ShowCursor() = 0;
    virtual void HideWidgetCursor();
    virtual void ShowWidgetCursor();
    virtual uint32_t IsWidgetCursorShown();
    virtual eResultCode WarpMouse(const gCPoint& point) = 0;
    virtual void TrackWidgetCursor();
    virtual eResultCode RunHeartbeatOnce();
    virtual void ResumeHeartbeat() { mHeartbeatEnabled = 1; }
    virtual void PauseHeartbeat() { mHeartbeatEnabled = 0; }
    virtual void DisableWidgetCursorTracking() { mWidgetCursorTracking = 0; }
    virtual void EnableWidgetCursorTracking() { mWidgetCursorTracking = 1; }
    virtual eResultCode RunEventLoopOnce() = 0;
    virtual eResultCode PutClipboardText(const gCString& text) = 0;
    virtual eResultCode GetClipboardText(gCString& text) = 0;
    // The paths of files dropped on a window (by value: the handler may keep it).
    virtual eResultCode OnFilesDropped(const gCArray<gCString>& paths);

    virtual uint32_t RouteMessage(uint32_t message, uintptr_t p1, uintptr_t p2);
    virtual eResultCode AddMessageTarget(gCCmdTarget* target);
    virtual void RemoveMessageTarget(gCCmdTarget* target);
    virtual uint32_t BroadcastMessage(uint32_t message, uintptr_t p1, uintptr_t p2);

    virtual eResultCode LoadSystemResources();
    // Eight operations no class of the system has written; the window-system layer answers each
    // with eNotWritten.
    virtual eResultCode NotWrittenOperation1() = 0;
    virtual eResultCode NotWrittenOperation2() = 0;
    virtual eResultCode NotWrittenOperation3() = 0;
    virtual eResultCode NotWrittenOperation4() = 0;
    virtual eResultCode NotWrittenOperation5() = 0;
    virtual eResultCode NotWrittenOperation6() = 0;
    virtual eResultCode NotWrittenOperation7() = 0;
    virtual eResultCode NotWrittenOperation8() = 0;
    virtual sTabletState* GetTabletState() { return mTabletState; }
    virtual uint32_t ReservedQueryA() { return 0; }
    virtual uint32_t ReservedQueryB() { return 0; }
    virtual eResultCode Heartbeat();
    virtual eResultCode RunModalLoop() = 0;
    // The application's whole start-up; eSuccess means it is running.
    virtual eResultCode Run(const gCString& documentPath);
    virtual eResultCode OnStartFailed() { return eSuccess; }
    // The application's per-heartbeat work, while the heartbeat is enabled.
    virtual eResultCode HeartbeatHook() { return eSuccess; }
    virtual eResultCode CreateMainWindow(CBackdrop* root, uint32_t attributes, int32_t width,
                                         int32_t height, const char* title, bool windowed);
    virtual eResultCode CreateMainWindow(CBackdrop* root, uint32_t attributes, uint32_t placement,
                                         gCFloatPoint size, gCFloatPoint position,
                                         const char* title, bool windowed);
    virtual CWindowBase* NewAppWindow();
    virtual uint32_t HasUpdateEvent() = 0;
    virtual eResultCode CreateTabletState();

    // Operations the window-system layer adds.
    virtual void SetCursorVisible(uint32_t visible) = 0;
    virtual uint32_t HideMenuBar() = 0;
    virtual uint32_t ShowMenuBar() = 0;
    virtual uint32_t ToggleMenuBar() = 0;
    virtual uint32_t GetAuxFlag() = 0;
    virtual uint32_t IsMenuBarHidden() = 0;
    virtual void SetMenuBarHidden(uint32_t hidden) = 0;
    virtual bool IsFrontProcess() = 0;

    eResultCode AddNamedValue(const char* name, uint32_t value);
    eResultCode AddWindow(CWindowBase* window, bool add);

    // State read by the rest of the system and by tests.
    uint32_t IsHeartbeatEnabled() const { return mHeartbeatEnabled; }
    uint32_t GetStartedState() const { return mStartedState; }
    uint32_t GetCursorVisibleFlag() const { return mCursorVisible; }
    uint32_t IsInModalState() const { return mInModalState; }
    uint32_t GetTickCounter() const { return mTickCounter; }
    CMessageHub& GetMessageHub() { return mHub; }
    const gCString& GetBundleContentsPath() const { return mContentsPath; }
    const gCString& GetBundleFolderPath() const { return mFolderPath; }
    const gCString& GetResourcesFolderName() const { return mResourcesFolder; }
    const gCString& GetResourceFileName() const { return mResourceFileName; }
    const gCString& GetStringTableFileName() const { return mStringTableFileName; }
    void SetResourceFileName(const gCString& name) { mResourceFileName = name; }
    void SetStringTableFileName(const gCString& name) { mStringTableFileName = name; }

    // The resource files, directories, string table, pools and sound player.
    CAppResources& GetResources() { return mResources; }
    // Pool index 0 to 5, or 0xFFFFFFFF for pools 0 to 4 in turn.
    gCResourceObject* FindPoolResourceById(uint32_t poolIndex, uint32_t id) const
    {
        return mResources.FindPoolResourceById(poolIndex, id);
    }
    gCResourceObject* FindPoolResourceByName(uint32_t poolIndex, const gCString& name) const
    {
        return mResources.FindPoolResourceByName(poolIndex, name);
    }

protected:
    // The steps the two window creators share; `make` makes the system window for the title.
    template <typename Make>
    eResultCode MakeMainWindow(CBackdrop* backdrop, const char* title, bool windowed, const Make& make);
    // Steps shared by the two window creators once the window is made.
    eResultCode ShowMainWindow(CWindowBase* window, CBackdrop* backdrop);
    // The contents folder, the folder that holds the bundle and the resource file names, from the
    // bundle folder's path.
    void SetBundlePaths(const gCString& bundle);
    // Seam: the sound player's upkeep.
    void TidyVoices() { mResources.GetSoundPlayer().TidyVoices(); }

    uint32_t mCreatorCode;
    uint32_t mHeartbeatEnabled = 0;
    uint32_t mQuit = 0;
    uint32_t mStartedState = kNotStarted;
    uint32_t mSavedCursorVisible = 1;
    uint32_t mSavedWidgetCursorShown = 0;
    uint32_t mCursorVisible = 1;
    uint32_t mInModalState = 0;
    uint32_t mWidgetCursorTracking = 1;
    gCString mContentsPath;
    gCString mFolderPath;
    gCString mResourcesFolder;
    gCString mResourceFileName;
    gCString mStringTableFileName;
    gCString mSecondResourceFileName;
    CAppResources mResources;
    CMessageHub mHub;
    uint32_t mTickCounter = 0;
    sTabletState* mTabletState = nullptr;
};
