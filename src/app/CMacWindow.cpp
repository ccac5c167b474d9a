#include "app/CMacWindow.h"

#include "TabletIO/TabletState.h"
#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CKeyEventModifiers.h"
#include "app/ReportError.h"
#include "imaging/CImage.h"
#include "platform/Event.h"
#include "platform/InputState.h"
#include "platform/Screen.h"
#include "platform/Window.h"
#include "widgets/CBackdrop.h"
#include "widgets/EditMessages.h"

#include <algorithm>

namespace {

int32_t RoundHalfAway(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

constexpr uint32_t kCommandCut = plat::FourCharCode("cut ");
constexpr uint32_t kCommandCopy = plat::FourCharCode("copy");
constexpr uint32_t kCommandPaste = plat::FourCharCode("past");

// The UTF-16 units of a Unicode scalar: one, or a surrogate pair above U+FFFF.
int32_t EncodeUtf16(uint32_t scalar, char16_t* units)
{
    if (scalar < 0x10000) {
        units[0] = char16_t(scalar);
        return 1;
    }
    scalar -= 0x10000;
    units[0] = char16_t(0xD800 + ((scalar >> 10) & 0x3FF));
    units[1] = char16_t(0xDC00 + (scalar & 0x3FF));
    return 2;
}

// How many dispatch scopes are held, and the windows disposed inside them, last first.
uint32_t gDispatchDepth = 0;
CMacWindow* gPendingWindows = nullptr;

} // namespace

CMacWindow::~CMacWindow()
{
    // As the window system's own windows: the object goes, its window stays until disposed.
    // Here nothing else could ever reach it, so it goes too.
    DisposePlatformWindow();
    for (CMacWindow** link = &gPendingWindows; *link; link = &(*link)->mNextPending) {
        if (*link == this) {
            *link = mNextPending;
            break;
        }
    }
    mFrameBounds = 0;
}

CMacWindow* CMacWindow::FindByPlatformId(uint32_t id)
{
    for (CWindowBase* window : GetWindowList()) {
        auto* mac = static_cast<CMacWindow*>(window);
        if (mac && mac->mWindow && mac->GetPlatformId() == id)
            return mac;
    }
    return nullptr;
}

uint32_t CMacWindow::GetPlatformId() const { return mWindow ? mWindow->GetId() : 0; }

bool CMacWindow::CreatePlatformWindow(int32_t width, int32_t height, bool resizable)
{
    std::unique_ptr<plat::Window> window =
        plat::Window::Create(width, height, resizable ? uint32_t(plat::Window::kResizable) : 0u);
    if (!window)
        return false;
    DisposePlatformWindow();
    mWindow = window.release();
    return true;
}

void CMacWindow::DisposePlatformWindow()
{
    delete mWindow;
    mWindow = nullptr;
}

bool CMacWindow::EnsureBackdrop()
{
    if (mBackdrop)
        return true;
    auto* backdrop = new CBackdrop();
    if (!backdrop)
        return false;
    SetBackdrop(backdrop, 0);
    return true;
}

int32_t CMacWindow::MakeWindowWithoutHandler(int32_t width, int32_t height, const gCString&,
                                             uint32_t)
{
    if (gApplication)
        gApplication->PauseHeartbeat();
    gCRect screen = GetScreenRect();
    width = std::min(width, screen.right - screen.left);
    height = std::min(height, screen.bottom - screen.top);
    if (!CreatePlatformWindow(width, height, true)) {
        ReportError(eCreateFailed, "CMacWindow MakeWindow failed.");
        return 0;
    }
    mHasHandler = false;
    if (!EnsureBackdrop() || SetSizeClipped(width, height, 1) != eSuccess) {
        DisposePlatformWindow();
        return 0;
    }
    return 1;
}

int32_t CMacWindow::MakeWindow(uint32_t flags, gCFloatPoint size, gCFloatPoint position,
                               const gCString&, uint32_t)
{
    if (gApplication)
        gApplication->PauseHeartbeat();
    int32_t mode = 0;
    gCFloatPoint wanted = size;
    gCRect rect = CalculateWindowRect(flags, wanted, position, &mode);
    gCRect screen = GetScreenRect();
    int32_t width = std::min(rect.right - rect.left, screen.right - screen.left);
    int32_t height = std::min(rect.bottom - rect.top, screen.bottom - screen.top);
    SetSystemUIMode(mode);
    // The window must exist before anything is attached to it.
    if (!CreatePlatformWindow(width, height, (flags & kPlaceResizable) != 0)) {
        ReportError(eCreateFailed, "CMacWindow MakeWindow failed.");
        return 0;
    }
    mHasHandler = true;
    if (!EnsureBackdrop()) {
        DisposePlatformWindow();
        return 0;
    }
    (void)SetBounds(flags, size, position);
    return 1;
}

eResultCode CMacWindow::SetSizeClipped(int32_t width, int32_t height, uint32_t)
{
    if (width < 1 || height < 1)
        return eBadParameter;
    gCRect screen = GetScreenRect();
    int32_t screenWidth = screen.right - screen.left, screenHeight = screen.bottom - screen.top;
    int32_t w = std::min(width, screenWidth), h = std::min(height, screenHeight);
    if (w < screenWidth || h < screenHeight) {
        if (mWindow) {
            mWindow->Resize(w, h);
            // Centred relative to the screen's origin, as the placement always was.
            mWindow->Move((screenWidth - w) / 2, (screenHeight - h) / 2);
        }
    } else {
        if (gApplication) {
            gApplication->SetMenuBarHidden(1);
            (void)gApplication->HideMenuBar();
        }
        if (mWindow) {
            mWindow->Resize(w, h);
            mWindow->Move(0, 0);
        }
    }
    mWidth = w;
    mHeight = h;
    SetSize(w, h);
    return eSuccess;
}

eResultCode CMacWindow::SetSizeRelativeToScreen(float fx, float fy, uint32_t flag)
{
    gCRect screen = GetScreenRect();
    return SetSizeClipped(int32_t(float(screen.right - screen.left) * fx),
                          int32_t(float(screen.bottom - screen.top) * fy), flag);
}

eResultCode CMacWindow::Show(uint32_t show)
{
    if (!mWindow)
        return eSuccess;
    if (!show) {
        mWindow->Hide();
        return eSuccess;
    }
    mWindow->Show();
    mWindow->Raise();
    if (mBackdrop)
        (void)mBackdrop->Update();
    return eSuccess;
}

void CMacWindow::DisposeWindow()
{
    if (gApplication)
        gApplication->ShowCursor();
    DisposePlatformWindow();
    if (gDispatchDepth == 0) {
        delete this;
        return;
    }
    if (mDeletePending)
        return;
    // Gone for the rest of the program at once: no event, heartbeat or quit reaches it again.
    mDeletePending = true;
    gCArray<CWindowBase*>& windows = GetWindowList();
    for (int32_t i = windows.GetSize() - 1; i >= 0; --i)
        if (windows[i] == this)
            windows.RemoveAt(i);
    if (gMainWindow == this)
        gMainWindow = nullptr;
    mNextPending = gPendingWindows;
    gPendingWindows = this;
}

CMacWindow::DispatchScope::DispatchScope() { ++gDispatchDepth; }

CMacWindow::DispatchScope::~DispatchScope()
{
    if (--gDispatchDepth == 0)
        DeletePendingWindows();
}

void CMacWindow::DeletePendingWindows()
{
    // Taken one at a time: a window's destructor may dispose of others.
    while (CMacWindow* window = gPendingWindows) {
        gPendingWindows = window->mNextPending;
        delete window;
    }
}

eResultCode CMacWindow::Heartbeat()
{
    DispatchScope scope;
    return CWindowBase::Heartbeat();
}

int32_t CMacWindow::HandleEvent(const plat::sEvent& event)
{
    DispatchScope scope;
    return DispatchEvent(event);
}

eResultCode CMacWindow::SetTitle(const gCString& title)
{
    if (!mWindow)
        return eGenericFailure;
    CMemBlock utf8;
    PNU_TRY(title.ToUTF8CString(utf8));
    mWindow->SetTitle(reinterpret_cast<const char*>(utf8.GetData()));
    return eSuccess;
}

gCString CMacWindow::GetTitle() const
{
    gCString title(u"");
    if (mWindow)
        (void)title.SetFromUTF8(mWindow->GetTitle());
    return title;
}

eResultCode CMacWindow::MoveTo(int16_t x, int16_t y)
{
    if (mWindow)
        mWindow->Move(x, y);
    return eSuccess;
}

eResultCode CMacWindow::MoveRelativeToScreen(float fx, float fy, uint32_t)
{
    gCRect screen = GetScreenRect();
    return MoveTo(int16_t(RoundHalfAway(float(screen.right - screen.left) * fx)),
                  int16_t(RoundHalfAway(float(screen.bottom - screen.top) * fy)));
}

gCRect CMacWindow::GetBounds() const
{
    gCRect bounds;
    if (!mWindow)
        return bounds;
    plat::sRect r = mFrameBounds ? mWindow->GetFrameBounds() : mWindow->GetContentBounds();
    bounds.Set(r.left, r.top, r.right, r.bottom);
    return bounds;
}

gCPoint CMacWindow::GetPosition() const
{
    gCRect bounds = GetBounds();
    return {bounds.left, bounds.top};
}

eResultCode CMacWindow::CentreOnScreen(uint32_t)
{
    gCRect screen = GetScreenRect();
    return MoveTo(int16_t((screen.right - screen.left) / 2 - mWidth / 2),
                  int16_t((screen.bottom - screen.top) / 2 - mHeight / 2));
}

eResultCode CMacWindow::SetSizeAndPosition(int32_t x, int32_t y, int32_t width, int32_t height,
                                           uint32_t)
{
    (void)SetSizeClipped(width, height, 1);
    (void)MoveTo(int16_t(x), int16_t(y));
    return eNotWritten;
}

eResultCode CMacWindow::SetBounds(uint32_t flags, gCFloatPoint size, gCFloatPoint position)
{
    int32_t mode = 0;
    gCRect rect = CalculateWindowRect(flags, size, position, &mode);
    SetFullScreen(mode, 1);
    if (mWindow) {
        mWindow->Resize(rect.right - rect.left, rect.bottom - rect.top);
        mWindow->Move(rect.left, rect.top);
    }
    mWidth = rect.right - rect.left;
    mHeight = rect.bottom - rect.top;
    SetSize(mWidth, mHeight);
    return eSuccess;
}

void CMacWindow::SetSystemUIMode(int32_t mode)
{
    // No menu bar or dock to hide: full-screen mode is a window without a frame.
    if (mWindow)
        mWindow->SetBorderless(mode != 0);
}

uint32_t CMacWindow::IsMouseInWindow() const
{
    if (!mWindow)
        return 0;
    plat::sPoint pointer = plat::GetInputState().GetPointer();
    plat::sRect content = mWindow->GetContentBounds();
    return pointer.x >= content.left && pointer.x < content.right && pointer.y >= content.top &&
                   pointer.y < content.bottom
               ? 1
               : 0;
}

gCRect CMacWindow::GetScreenRect() const
{
    CWindowBase* main = GetMainWindow();
    uint32_t id = main ? static_cast<CMacWindow*>(main)->GetPlatformId() : 0;
    plat::sRect bounds = plat::GetScreen().GetBounds(id);
    gCRect screen;
    screen.Set(std::min(bounds.left, bounds.right), std::min(bounds.top, bounds.bottom),
               std::max(bounds.left, bounds.right), std::max(bounds.top, bounds.bottom));
    return screen;
}

gCPoint CMacWindow::GetContentOrigin() const
{
    if (!mWindow)
        return {};
    plat::sRect content = mWindow->GetContentBounds();
    return {content.left, content.top};
}

void CMacWindow::DrawImage(const CImage& image, const gCRect& area, const gCPoint& at)
{
    if (!mWindow)
        return;
    void* pixels = nullptr;
    auto& source = const_cast<CImage&>(image);
    if (source.Lock(&pixels) != eSuccess || !pixels)
        return;
    mWindow->Present(static_cast<const uint32_t*>(pixels), image.GetWidth(), image.GetHeight(),
                     image.GetRowStride(), {area.left, area.top, area.right, area.bottom}, at.x,
                     at.y);
    (void)source.Unlock();
}

void CMacWindow::Collapse(bool collapse)
{
    if (!mWindow)
        return;
    if (collapse)
        mWindow->Minimize();
    else
        mWindow->Restore();
}

bool CMacWindow::IsCollapsed() const { return mWindow && mWindow->IsMinimized(); }

int32_t CMacWindow::HandlePointer(const plat::sEvent& event)
{
    if (!mWindow)
        return kEventNotHandled;
    gCRect bounds = GetBounds();
    if (gApplication && gApplication->GetTabletState())
        StoreTabletEventData(gApplication->GetTabletState(),
                             MouseTabletEventData(event.globalX, event.globalY));
    uint32_t button = event.button;
    if (event.modifiers & plat::kModControl)
        button = 2;
    gCPoint local{int16_t(event.globalX - bounds.left), int16_t(event.globalY - bounds.top)};
    switch (event.kind) {
    case plat::eEventKind::kMouseDown:
        (void)(button == 1 ? LButtonDown(local) : button == 2 ? RButtonDown(local) : MButtonDown(local));
        return IsCollapsed() ? 0 : kEventNotHandled;
    case plat::eEventKind::kMouseUp:
        (void)(button == 1 ? LButtonUp(local) : button == 2 ? RButtonUp(local) : MButtonUp(local));
        return 0;
    case plat::eEventKind::kMouseMove:
        (void)MouseMove(local);
        return 0;
    case plat::eEventKind::kMouseWheel:
        (void)MouseWheel(local, {event.wheelX, event.wheelY});
        return 0;
    default:
        return kEventNotHandled;
    }
}

int32_t CMacWindow::DispatchEvent(const plat::sEvent& event)
{
    // A window made without a handler gets only the standard handling.
    if (!mHasHandler)
        return kEventNotHandled;
    switch (event.kind) {
    case plat::eEventKind::kCommand: {
        const eEditCommand command = event.command == kCommandCut     ? eEditCommand::kCut
                                     : event.command == kCommandCopy  ? eEditCommand::kCopy
                                     : event.command == kCommandPaste ? eEditCommand::kPaste
                                                                      : eEditCommand::kNone;
        if (mBackdrop && mBackdrop->GetFocusWidget())
            (void)SendEditCommand(*mBackdrop->GetFocusWidget(), command);
        return kEventNotHandled;
    }
    case plat::eEventKind::kKeyDown:
    case plat::eEventKind::kKeyRepeat:
    case plat::eEventKind::kKeyUp: {
        const CKeyEventModifiers held(event.modifiers);
        // Modifier keys alone type nothing and have no code: they are not key events here.
        if (event.character == 0 && TranslateKey(event.keyCode, 0) == 0)
            return 0;
        const bool up = event.kind == plat::eEventKind::kKeyUp;
        if (event.character >= 0x80 && TranslateKey(event.keyCode, 0) == 0) {
            // Text beyond ASCII reaches the widgets as its UTF-16 units (codes of 128 and above),
            // so a text field takes any character, not only those Mac Roman holds.
            char16_t units[2];
            const int32_t count = EncodeUtf16(event.character, units);
            for (int32_t i = 0; i < count; ++i)
                (void)(up ? KeyUp(units[i]) : KeyDown(units[i]));
            return 0;
        }
        uint8_t character = event.character < 0x80 ? uint8_t(event.character) : 0;
        int32_t key = TranslateKey(event.keyCode, character);
        (void)(up ? KeyUp(key) : KeyDown(key));
        return 0;
    }
    case plat::eEventKind::kMouseDown:
    case plat::eEventKind::kMouseUp:
    case plat::eEventKind::kMouseMove:
    case plat::eEventKind::kMouseWheel:
        return HandlePointer(event);
    case plat::eEventKind::kWindowResized:
        SetSize(event.width, event.height);
        return kEventNotHandled;
    case plat::eEventKind::kWindowClose:
        if (gApplication) {
            gApplication->PrepareToQuit();
            gApplication->Quit();
        }
        return 0;
    default:
        return kEventNotHandled;
    }
}
