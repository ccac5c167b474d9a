// The window's record-based event path: mouse, keys, update, activation, suspend and resume, and
// the two menu items the toolkit answers itself.
#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CMacWindow.h"
#include "app/ReportError.h"
#include "platform/ClassicEvent.h"
#include "platform/Clock.h"
#include "platform/InputState.h"
#include "platform/Window.h"

#include <algorithm>

namespace {

constexpr int16_t kAboutMenu = 128;
constexpr int16_t kQuitMenu = 129;
// A tracking loop lets the program's heartbeat run, then waits this long for the pointer to move.
constexpr uint64_t kTrackingPause = 5000;

bool IsButtonHeld() { return (plat::GetInputState().GetButtons() & plat::kButtonStatePrimary) != 0; }

// One turn of a tracking loop; false when the program is quitting and the loop should end.
bool TrackingTurn()
{
    if (!gApplication)
        return false;
    (void)gApplication->RunHeartbeatOnce();
    plat::Clock& clock = plat::GetClock();
    clock.SleepUntil(clock.NowMicroseconds() + kTrackingPause);
    return !gApplication->IsQuitRequested();
}

} // namespace

int32_t TranslateClassicKey(int32_t macKey, uint8_t macCharacter)
{
    switch (macKey) {
    case 111: return 27;  // F12
    case 76: return int32_t(int8_t(macCharacter));
    default: return TranslateKey(macKey, macCharacter);
    }
}

gCPoint CMacWindow::GlobalToLocal(gCPoint global) const
{
    gCPoint origin = GetContentOrigin();
    return {int16_t(global.x - origin.x), int16_t(global.y - origin.y)};
}

int32_t CMacWindow::HandleClassicEvent(const plat::sClassicEvent& event, int16_t part)
{
    DispatchScope scope;
    return DispatchClassicEvent(event, part);
}

int32_t CMacWindow::DispatchClassicEvent(const plat::sClassicEvent& event, int16_t part)
{
    const gCPoint where{event.where.x, event.where.y};
    const bool control = gApplication && gApplication->IsControlDown();
    switch (event.what) {
    case plat::kClassicMouseDown:
        if (part == plat::kPartInDrag) {
            DragWindow(where);
            return 1;
        }
        if (part == plat::kPartInGoAway) {
            if (TrackGoAway() && gApplication)
                gApplication->Quit();
            return 1;
        }
        (void)(control ? RButtonDown(GlobalToLocal(where)) : LButtonDown(GlobalToLocal(where)));
        return 0;
    case plat::kClassicMouseUp:
        (void)(control ? RButtonUp(GlobalToLocal(where)) : LButtonUp(GlobalToLocal(where)));
        return 0;
    case plat::kClassicKeyDown:
    case plat::kClassicAutoKey:
        (void)HandleClassicKey(event);
        return 0;
    case plat::kClassicKeyUp:
        (void)KeyUp(event.GetCharacter());
        return 1;
    case plat::kClassicUpdate:
        UpdateWindow();
        return 0;
    case plat::kClassicActivate:
        Activate();
        return 0;
    case plat::kClassicOSEvent:
        HandleSuspendResume(event);
        return 1;
    case plat::kClassicHighLevel:
        // No other program sends requests here: there is nothing to process.
        return 1;
    default:
        return 0;
    }
}

eResultCode CMacWindow::HandleClassicKey(const plat::sClassicEvent& event)
{
    const uint8_t character = event.GetCharacter();
    if ((event.modifiers & plat::kModCommand) && (character == 'q' || character == 'Q')) {
        if (gApplication)
            gApplication->Quit();
        return eSuccess;
    }
    return KeyDown(TranslateClassicKey(event.GetKeyCode(), character));
}

void CMacWindow::HandleSuspendResume(const plat::sClassicEvent& event)
{
    (void)MouseMove(GlobalToLocal({event.where.x, event.where.y}));
    if (event.message & plat::kClassicResumeFlag) {
        ApplyFullScreen();
        if (gApplication)
            gApplication->LeaveModalState();
    } else if (gApplication) {
        gApplication->EnterModalState();
    }
}

void CMacWindow::HandleMenuSelection(const plat::sClassicEvent& event)
{
    if (event.menu == kAboutMenu && event.item == 1)
        (void)ShowPlainAlert(gCString("An application built on the toolkit."), gCString("About"));
    else if (event.menu == kQuitMenu && event.item == 1 && gApplication)
        gApplication->Quit();
}

void CMacWindow::DragWindow(gCPoint start)
{
    const gCPoint origin = GetContentOrigin();
    const gCRect screen = GetScreenRect();
    // The window follows to where the button was let go as well.
    do {
        if (!mWindow)
            return;
        plat::sPoint pointer = plat::GetInputState().GetPointer();
        const int32_t x = std::clamp(pointer.x, screen.left, screen.right - 1);
        const int32_t y = std::clamp(pointer.y, screen.top, screen.bottom - 1);
        (void)MoveTo(int16_t(origin.x + x - start.x), int16_t(origin.y + y - start.y));
    } while (IsButtonHeld() && TrackingTurn());
}

bool CMacWindow::TrackGoAway()
{
    while (IsButtonHeld() && TrackingTurn()) {
    }
    if (!mWindow)
        return false;
    plat::sPoint pointer = plat::GetInputState().GetPointer();
    plat::sRect frame = mWindow->GetFrameBounds();
    return pointer.x >= frame.left && pointer.x < frame.right && pointer.y >= frame.top &&
           pointer.y < frame.bottom;
}
