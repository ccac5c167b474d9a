#include "app/CWindowBase.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/ReportError.h"
#include "app/gCCmdTarget.h"
#include "platform/Screen.h"
#include "widgets/CBackdrop.h"

namespace {

int32_t RoundHalfAway(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

float Clamp01(float value) { return value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value; }

} // namespace

int32_t TranslateKey(int32_t macKey, uint8_t macCharacter)
{
    switch (macKey) {
    case 53: return 27;    // Escape
    case 76: return 13;    // keypad Enter
    case 117: return 127;  // forward delete
    case 122: return -248; case 120: return -247; case 99: return -246; case 118: return -245;
    case 96: return -244;  case 97: return -243;  case 98: return -242; case 100: return -241;
    case 101: return -240; case 109: return -239; case 103: return -238;
    case 115: return -252; case 119: return -251; case 116: return -250; case 121: return -249;
    case 123: return -256; case 124: return -255; case 126: return -254; case 125: return -253;
    default: return int32_t(int8_t(macCharacter));
    }
}

CWindowBase::CWindowBase() { (void)GetWindowList().Add(this); }

CWindowBase::~CWindowBase()
{
    gCArray<CWindowBase*>& windows = GetWindowList();
    for (int32_t i = windows.GetSize() - 1; i >= 0; --i)
        if (windows[i] == this)
            windows.RemoveAt(i);
    DetachBackdrop();
}

void CWindowBase::SetBackdrop(CBackdrop* backdrop, uint32_t keepSize)
{
    if (mBackdrop && keepSize) {
        int32_t width = mBackdrop->GetWidth(), height = mBackdrop->GetHeight();
        if (gFocusCmdTarget == mBackdrop)
            gCCmdTarget::SetFocusTarget(nullptr);
        mBackdrop->DetachFromWindow();
        delete mBackdrop;
        mBackdrop = backdrop;
        if (mBackdrop)
            (void)mBackdrop->SetSize(width, height, 1);
    } else {
        mBackdrop = backdrop;
    }
    if (mBackdrop)
        mBackdrop->SetWindow(this);
}

gCRect CWindowBase::CalculateWindowRect(uint32_t flags, gCFloatPoint& size, gCFloatPoint position,
                                        int32_t* mode)
{
    gCRect screen = GetScreenRect();
    int32_t screenWidth = screen.right - screen.left, screenHeight = screen.bottom - screen.top;
    int32_t menuBar = plat::GetScreen().GetMenuBarHeight();
    mFillsScreen = flags & kPlaceFillScreen;

    int32_t width = mWidth, height = mHeight;
    if (mFillsScreen) {
        width = screenWidth;
        height = screenHeight;
    } else if (size.x > -1.0f && size.y > -1.0f) {
        if (flags & kPlaceSizeFractions) {
            size.x = Clamp01(size.x);
            size.y = Clamp01(size.y);
            width = RoundHalfAway(float(screenWidth) * size.x);
            height = RoundHalfAway(float(screenHeight) * size.y);
        } else {
            width = RoundHalfAway(size.x);
            height = RoundHalfAway(size.y);
        }
    }

    gCRect rect;
    rect.Set(0, 0, width, height);
    if (width >= screenWidth && height >= screenHeight - menuBar) {
        rect = screen;
        mFillsScreen = 1;
    }
    if (mFillsScreen) {
        if (mFullScreenMode == 0)
            rect.top += menuBar;
        *mode = mFullScreenMode;
        return rect;
    }
    *mode = 0;
    int32_t top = screen.top + menuBar;
    // Without a window-system window there is no current place to keep: the origin is 0.
    gCPoint current = GetContentOrigin();

    int32_t dx = 0;
    if (flags & kPlaceCentreHorizontally)
        dx = screen.left + (screenWidth / 2 - width / 2);
    else if (position.x != -1.0f) {
        if (position.x >= 0.0f)
            dx = screen.left + RoundHalfAway(flags & kPlacePositionFractions
                                                 ? float(screenWidth) * position.x
                                                 : position.x);
    } else if (mBackdrop)
        dx = current.x;

    int32_t dy = 0;
    if (flags & kPlaceCentreVertically)
        dy = top + ((screen.bottom - top) / 2 - height / 2);
    else if (position.y == -1.0f) {
        if (mBackdrop)
            dy = current.y;
    } else if (position.y >= 0.0f)
        dy = top + RoundHalfAway(flags & kPlacePositionFractions
                                     ? float(screen.bottom - top) * position.y
                                     : position.y);
    rect += gCPoint{dx, dy};
    return rect;
}

void CWindowBase::SetFullScreen(int32_t mode, uint32_t)
{
    if (mode == mFullScreenMode)
        return;
    mFullScreenMode = mode;
    ApplyFullScreen();
}

void CWindowBase::ApplyFullScreen()
{
    SetSystemUIMode(mFullScreenMode);
    if (mFillsScreen)
        (void)SetBounds(kPlaceFillScreen, {-1.0f, -1.0f}, {-1.0f, -1.0f});
}

eResultCode CWindowBase::Reported(eResultCode result)
{
    if (result != eSuccess)
        ReportError(result);
    return result;
}

eResultCode CWindowBase::Heartbeat()
{
    if (!mBackdrop)
        return eSuccess;
    if (gWidgetDebug != 0 || IsMouseInWindow())
        mBackdrop->UpdateRollover();
    else
        mBackdrop->ClearRollover();
    return mBackdrop->DispatchHeartbeatEvent();
}

eResultCode CWindowBase::KeyDown(int32_t key)
{
    if (!mBackdrop)
        return eSuccess;
    // The handled word: the widget that took the key.
    CWidget* taker = nullptr;
    (void)Reported(mBackdrop->DispatchKeyDownEvent(&taker, key));
    if (taker)
        return eResultCode(1);
    switch (key) {
    case kKeyF8:
        return SetSizeRelativeToScreen(0.8f, 0.8f, 1);
    case kKeyF7:
        return SetSizeClipped(5000, 5000, 1);
    case kKeyF11:
        if (gApplication) {
            if (gApplication->IsHeartbeatEnabled())
                gApplication->PauseHeartbeat();
            else
                gApplication->ResumeHeartbeat();
        }
        return eSuccess;
    default:
        return eSuccess;
    }
}

eResultCode CWindowBase::KeyUp(int32_t key)
{
    CWidget* taker = nullptr;
    return mBackdrop ? Reported(mBackdrop->DispatchKeyUpEvent(&taker, key)) : eSuccess;
}

eResultCode CWindowBase::TimerEvent(int32_t value)
{
    CWidget* taker = nullptr;
    return mBackdrop ? Reported(mBackdrop->DispatchTimerEvent(&taker, value)) : eSuccess;
}

#define PNU_FORWARD_POINTER(Operation, Dispatcher)                                   \
    eResultCode CWindowBase::Operation(const gCPoint& point)                         \
    {                                                                                \
        CWidget* taker = nullptr;                                                    \
        return mBackdrop ? Reported(mBackdrop->Dispatcher(&taker, point)) : eSuccess; \
    }

PNU_FORWARD_POINTER(LButtonUp, DispatchLButtonUpEvent)
PNU_FORWARD_POINTER(MButtonDown, DispatchMButtonDownEvent)
PNU_FORWARD_POINTER(MButtonUp, DispatchMButtonUpEvent)
PNU_FORWARD_POINTER(RButtonDown, DispatchRButtonDownEvent)
PNU_FORWARD_POINTER(RButtonUp, DispatchRButtonUpEvent)
PNU_FORWARD_POINTER(MouseMove, DispatchMouseMoveEvent)

#undef PNU_FORWARD_POINTER

eResultCode CWindowBase::LButtonDown(const gCPoint& point)
{
    if (!mBackdrop)
        return eSuccess;
    // The developer's gesture: Command-Shift-click flashes the widget under the mouse, and with
    // Option held at the release opens the debugging panel on it. The press goes no further.
    if (mBackdrop->ShowDebugInfo() != 0)
        return eSuccess;
    CWidget* taker = nullptr;
    return Reported(mBackdrop->DispatchLButtonDownEvent(&taker, point));
}

eResultCode CWindowBase::MouseWheel(const gCPoint& point, const gCPoint& delta)
{
    CWidget* taker = nullptr;
    return mBackdrop ? Reported(mBackdrop->DispatchMouseWheelEvent(&taker, delta, point))
                     : eSuccess;
}

void CWindowBase::SetSize(int32_t width, int32_t height)
{
    if (!mBackdrop || width < 8)
        return;
    if (mBackdrop->GetWidth() == width && mBackdrop->GetHeight() == height)
        return;
    if (eResultCode result = mBackdrop->SetSize(width, height, 1); result != eSuccess) {
        // The window cannot be drawn without its image: the application ends.
        ReportError(result, "Window SetSize failed. Offscreen buffer error.");
        if (gApplication)
            gApplication->Quit();
    }
}

void CWindowBase::DetachBackdrop()
{
    mState = 0;
    if (mBackdrop) {
        mBackdrop->DetachFromWindow();
        if (gFocusCmdTarget == mBackdrop)
            gCCmdTarget::SetFocusTarget(nullptr);
        delete mBackdrop;
        mBackdrop = nullptr;
    }
    // A window on its way out never stays the main window.
    if (gMainWindow == this)
        gMainWindow = nullptr;
}
