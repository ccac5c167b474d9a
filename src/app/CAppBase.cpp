#include "app/CAppBase.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/CSystemPath.h"
#include "TabletIO/TabletState.h"
#include "app/AppGlobals.h"
#include "app/CAppWindow.h"
#include "app/CWindowBase.h"
#include "app/ReportError.h"
#include "core/FourCharCode.h"
#include "core/SineTable.h"
#include "core/gCMemory.h"
#include "platform/Process.h"
#include "platform/SdlSession.h"
#include "text/FontLibrary.h"
#include "text/TextGamma.h"
#include "widgets/CBackdrop.h"

#include <cstdio>

namespace {

struct sNamedValue {
    gCString name;
    uint32_t value = 0;
};

gCArray<sNamedValue>& NamedValues()
{
    static gCArray<sNamedValue> values;
    return values;
}

constexpr uint32_t kUnknownCreator = FourCharCode("????");
constexpr float kTextGamma = 1.3f;

} // namespace

gCArray<CWindowBase*>& GetWindowList()
{
    // Built on first use, so it exists whichever static object asks first.
    static gCArray<CWindowBase*> windows;
    return windows;
}

char* DebugAssert(const char* fileName, int32_t line)
{
    // One byte of length in front: the text is cut at 255 bytes, whatever the file name.
    static char buffer[256 + 64];
    std::snprintf(buffer, sizeof buffer, "Debug Assert: File:  %s   Line: %d\n",
                  fileName ? fileName : "", int(line));
    buffer[255] = 0;
    return ToPascalString(buffer);
}

CAppBase::CAppBase() : mCreatorCode(kUnknownCreator)
{
    gApplication = this;
    // The window system's session is asked for now, so it ends after this object does.
    (void)plat::SdlSession::Get();
    InstallPlainAlertHook();
    BuildSineTable();
    // Without the font library every text widget fails to load, and says so when it does.
    (void)InitFontLibrary();
    BuildTextGammaTables(kTextGamma);

    CSystemPath bundle;
    if (plat::GetBundlePath(bundle) != plat::eFileResult::kOk)
        return;
    gCString text;
    if (text.SetFromUTF8(bundle.Get()) != eSuccess)
        return;
    SetBundlePaths(text);
}

void CAppBase::SetBundlePaths(const gCString& bundle)
{
    gCString text = bundle;
    if (text.GetLength() > 0 && text[text.GetLength() - 1] == u'/')
        text.CropRight(1);
    mContentsPath = text;
    mContentsPath += gCString("/Contents/");
    // The folder that holds the bundle is the bundle's parent, with its trailing separator.
    int32_t slash = text.ReverseFind(gCString("/"));
    mFolderPath = slash >= 0 ? text.Left(slash + 1) : gCString("");
    mResourcesFolder = gCString("Resources");
    mResourceFileName = gCString("system.mrf");
    mStringTableFileName = gCString("system.msf");
    mSecondResourceFileName = gCString("");
    // Relative paths resolve against these from now on: the resource file loads through them.
    (void)SetAppBaseFolders(mContentsPath, mFolderPath);
}

CAppBase::~CAppBase()
{
    // Voices first, then the pools, the string table and the directories.
    mResources.Release();
    // After the pools: their fonts hold faces of the library.
    ReleaseFontLibrary();
    if (mTabletState) {
        StopTabletInput();
        MemFree(mTabletState);
        mTabletState = nullptr;
    }
    CloseAllSockets();
    NamedValues().RemoveAll();
    if (gApplication == this)
        gApplication = nullptr;
}

void CAppBase::EnterModalState()
{
    if (mInModalState)
        return;
    mSavedCursorVisible = mCursorVisible;
    mSavedWidgetCursorShown = IsWidgetCursorShown();
    mInModalState = 1;
    if (!mSavedCursorVisible)
        ShowCursor();
}

void CAppBase::LeaveModalState()
{
    if (!mInModalState)
        return;
    mInModalState = 0;
    if (mSavedCursorVisible)
        ShowCursor();
    else if (mSavedWidgetCursorShown)
        ShowWidgetCursor();
}

void CAppBase::HideCursors()
{
    HideCursor();
    HideWidgetCursor();
}

void CAppBase::HideWidgetCursor()
{
    CWindowBase* window = GetMainWindow();
    if (window && window->GetBackdrop())
        window->GetBackdrop()->HideCursor();
}

void CAppBase::ShowWidgetCursor()
{
    CWindowBase* window = GetMainWindow();
    if (window && window->GetBackdrop()) {
        HideCursor();
        window->GetBackdrop()->ShowCursor();
    }
}

uint32_t CAppBase::IsWidgetCursorShown()
{
    CWindowBase* window = GetMainWindow();
    return window && window->GetBackdrop() && window->GetBackdrop()->IsCursorVisible() &&
                   !mCursorVisible
               ? 1
               : 0;
}

void CAppBase::TrackWidgetCursor()
{
    CWindowBase* window = GetMainWindow();
    if (window && mWidgetCursorTracking && window->GetBackdrop())
        (void)window->GetBackdrop()->UpdateCursorPosition();
}

eResultCode CAppBase::RunHeartbeatOnce()
{
    eResultCode result = Heartbeat();
    return result == eHandled ? eSuccess : result;
}

eResultCode CAppBase::Heartbeat()
{
    TrackWidgetCursor();
    if ((++mTickCounter & 0xFF) == 0)
        TidyVoices();

    gCArray<CWindowBase*>& windows = GetWindowList();
    int32_t count = windows.GetSize();
    // The list is re-read at every step: a window's work may dispose of windows.
    if (HasUpdateEvent() && GetMainWindow() && count > 0)
        for (int32_t i = 0; i < count && i < windows.GetSize(); ++i)
            windows[i]->UpdateWindow();
    if (mQuit)
        return eSuccess;
    if (IsNetworkStarted())
        PollSockets();
    if (!mHeartbeatEnabled)
        return eHandled;
    PNU_TRY(HeartbeatHook());
    if (!GetMainWindow() || count < 1)
        return eSuccess;
    for (int32_t i = 0; i < count && i < windows.GetSize(); ++i)
        PNU_TRY(windows[i]->Heartbeat());
    return eSuccess;
}

eResultCode CAppBase::OnFilesDropped(const gCArray<gCString>&) { return eSuccess; }

uint32_t CAppBase::RouteMessage(uint32_t message, uintptr_t p1, uintptr_t p2)
{
    if (uint32_t result = OnMessage(message, p1, p2); result != 0)
        return result;
    if (uint32_t result = BroadcastMessage(message, p1, p2); result != 0)
        return result;
    CWindowBase* window = GetMainWindow();
    if (window && window->GetBackdrop())
        return window->GetBackdrop()->DispatchMessageEvent(message, p1, p2);
    return 0;
}

eResultCode CAppBase::AddMessageTarget(gCCmdTarget* target) { return mHub.AddTarget(target); }

void CAppBase::RemoveMessageTarget(gCCmdTarget* target) { mHub.RemoveTarget(target); }

uint32_t CAppBase::BroadcastMessage(uint32_t message, uintptr_t p1, uintptr_t p2)
{
    return mHub.OnMessage(message, p1, p2);
}

eResultCode CAppBase::LoadSystemResources()
{
    return mResources.LoadSystemResources(mResourcesFolder, mResourceFileName, mStringTableFileName,
                                          mSecondResourceFileName);
}

eResultCode CAppBase::Run(const gCString&) { return eSuccess; }

template <typename Make>
eResultCode CAppBase::MakeMainWindow(CBackdrop* backdrop, const char* title, bool windowed, const Make& make)
{
    CWindowBase* window = NewAppWindow();
    if (!window)
        return eNoMemory;
    gMainWindow = window;
    gCString titleText;
    if (title)
        titleText = gCString(title);
    else if (backdrop)
        titleText = backdrop->GetName();
    if (!windowed)
        window->SetFullScreenModeField(1);
    window->SetBackdrop(backdrop, 1);
    if (!make(*window, titleText)) {
        window->SetBackdrop(nullptr, 0);
        return eGenericFailure;
    }
    return ShowMainWindow(window, backdrop);
}

eResultCode CAppBase::CreateMainWindow(CBackdrop* root, uint32_t attributes, int32_t width,
                                       int32_t height, const char* title, bool windowed)
{
    // No size asks for the root widget's own.
    if (width == 0 && height == 0 && root) {
        gCFloatRect layout = root->GetLayoutRect();
        width = int32_t(layout.right - layout.left);
        height = int32_t(layout.bottom - layout.top);
    }
    return MakeMainWindow(root, title, windowed, [&](CWindowBase& window, const gCString& titleText) {
        return window.MakeWindowWithoutHandler(width, height, titleText, attributes);
    });
}

eResultCode CAppBase::CreateMainWindow(CBackdrop* root, uint32_t attributes, uint32_t placement,
                                       gCFloatPoint size, gCFloatPoint position,
                                       const char* title, bool windowed)
{
    return MakeMainWindow(root, title, windowed, [&](CWindowBase& window, const gCString& titleText) {
        return window.MakeWindow(placement, size, position, titleText, attributes);
    });
}

eResultCode CAppBase::ShowMainWindow(CWindowBase* window, CBackdrop* backdrop)
{
    eResultCode result = backdrop ? backdrop->PrepareForWindow() : eSuccess;
    if (result == eSuccess) {
        if (backdrop)
            backdrop->MarkWindowReady();
        result = window->Show(1);
        if (result == eSuccess)
            return eSuccess;
    }
    // The caller keeps its root widget on every failure; the window object stays the main one.
    window->SetBackdrop(nullptr, 0);
    return result;
}

CWindowBase* CAppBase::NewAppWindow() { return new CAppWindow(); }

eResultCode CAppBase::CreateTabletState()
{
    if (mTabletState)
        return eSuccess;
    auto* state = static_cast<sTabletState*>(MemAllocate(sizeof(sTabletState)));
    if (!state)
        return eNoMemory;
    state->reserved3 = 0;
    ResetTabletState(state);
    mTabletState = state;
    return StartTabletInput();
}

eResultCode CAppBase::AddNamedValue(const char* name, uint32_t value)
{
    gCArray<sNamedValue>& values = NamedValues();
    PNU_TRY(values.SetSize(values.GetSize() + 1));
    sNamedValue& entry = values[values.GetSize() - 1];
    entry.value = value;
    if (entry.name.AssignFromChars(name) != eSuccess) {
        (void)values.SetSize(values.GetSize() - 1);
        return eNoMemory;
    }
    return eSuccess;
}

eResultCode CAppBase::AddWindow(CWindowBase* window, bool add)
{
    gCArray<CWindowBase*>& windows = GetWindowList();
    if (add)
        return windows.Add(window);
    for (int32_t i = windows.GetSize() - 1; i >= 0; --i)
        if (windows[i] == window)
            windows.RemoveAt(i);
    return eSuccess;
}
