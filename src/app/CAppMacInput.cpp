// The input, cursor, clipboard, menu-bar and window questions the application answers.
#include "app/AppGlobals.h"
#include "app/CAppMac.h"
#include "app/CKeyEventModifiers.h"
#include "app/CMacWindow.h"
#include "platform/Clipboard.h"
#include "platform/Cursor.h"
#include "platform/Event.h"
#include "platform/InputState.h"
#include "platform/MenuBar.h"
#include "platform/Process.h"

namespace {

constexpr int32_t kDigitKeys[10] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
constexpr int32_t kLetterKeys[26] = {0,  11, 8,  2,  14, 3,  5,  4,  34, 38, 40, 37, 46,
                                     45, 31, 35, 12, 15, 1,  17, 32, 9,  13, 7,  16, 6};
constexpr int32_t kFunctionKeys[12] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};

// The Mac virtual key a toolkit key code tests, or -1; `modifier` gets the bit for modifier codes.
int32_t VirtualKeyOf(int32_t code, uint32_t* modifier)
{
    *modifier = 0;
    switch (code) {
    case 9: return 48;
    case 13: return 76;
    case 27: return 53;
    case 129: *modifier = plat::kModShift; return -1;
    case 130: *modifier = plat::kModControl; return -1;
    case 131: case 132: *modifier = plat::kModOption; return -1;
    case 133: *modifier = plat::kModCommand; return -1;
    case 134: *modifier = plat::kModCapsLock; return -1;
    case 136: case 137: return 36;
    case 140: return 71;
    case 141: return 117;
    case 142: return 51;
    case 143: return 49;
    case 144: return 124;
    case 145: return 123;
    case 146: return 126;
    case 147: return 125;
    case 148: return 115;
    case 149: return 119;
    case 150: return 116;
    case 151: return 121;
    case 164: return 114;
    default: break;
    }
    if (code >= 48 && code <= 57)
        return kDigitKeys[code - 48];
    if (code >= 65 && code <= 90)
        return kLetterKeys[code - 65];
    if (code >= 97 && code <= 122)
        return kLetterKeys[code - 97];
    if (code >= 152 && code <= 163)
        return kFunctionKeys[code - 152];
    return -1;
}

CMacWindow* MainMacWindow() { return static_cast<CMacWindow*>(GetMainWindow()); }

} // namespace

uint32_t CAppMac::GetButtonState() { return plat::GetInputState().GetButtons(); }

uint32_t CAppMac::IsLeftButtonDown()
{
    return (GetButtonState() & plat::kButtonStatePrimary) && !IsControlDown() ? 1 : 0;
}

uint32_t CAppMac::IsControlClickDown()
{
    return (GetButtonState() & plat::kButtonStatePrimary) && IsControlDown() ? 1 : 0;
}

uint32_t CAppMac::IsRightButtonDown()
{
    uint32_t state = GetButtonState();
    if (state & plat::kButtonStateSecondary)
        return 1;
    return (state & plat::kButtonStatePrimary) && IsControlDown() ? 1 : 0;
}

uint32_t CAppMac::IsKeyDown(int32_t code)
{
    uint32_t modifier = 0;
    int32_t key = VirtualKeyOf(code, &modifier);
    if (modifier) {
        const uint32_t* held = CKeyEventModifiers::Current();
        return (held ? *held : plat::GetInputState().GetModifiers()) & modifier;
    }
    // A code the table does not know tests no key at all.
    if (key < 0)
        return 0;
    return plat::GetInputState().IsKeyDown(key) ? 1 : 0;
}

gCPoint CAppMac::GetMousePosition()
{
    plat::sPoint global = plat::GetInputState().GetPointer();
    gCPoint origin;
    if (CMacWindow* window = MainMacWindow())
        origin = window->GetContentOrigin();
    // Window-content coordinates, 16-bit as the system's points were.
    return {int16_t(global.x - origin.x), int16_t(global.y - origin.y)};
}

eResultCode CAppMac::WarpMouse(const gCPoint& point)
{
    plat::GetInputState().WarpPointer({int32_t(float(point.x)), int32_t(float(point.y))});
    return eSuccess;
}

void CAppMac::SetCursorVisible(uint32_t visible)
{
    if (!visible && mCursorVisible) {
        plat::SetCursorShown(false);
        mCursorVisible = 0;
    } else if (visible && !mCursorVisible) {
        plat::InitCursor();
        plat::SetCursorShown(true);
        mCursorVisible = 1;
    }
}

void CAppMac::ShowCursor()
{
    HideWidgetCursor();
    SetCursorVisible(1);
}

eResultCode CAppMac::PutClipboardText(const gCString& text)
{
    CMemBlock utf8;
    PNU_TRY(text.ToUTF8CString(utf8));
    return plat::GetClipboard().PutText(reinterpret_cast<const char*>(utf8.GetData())) == plat::eClipboardResult::kOk
               ? eSuccess
               : eNoMemory;
}

eResultCode CAppMac::GetClipboardText(gCString& text)
{
    // The text is read whole before `text` changes, so a failure leaves it as it was.
    struct ClipboardText final : plat::TextReceiver {
        gCString read;
        eResultCode result = eSuccess;
        bool TakeText(const char* utf8) override
        {
            result = read.SetFromUTF8(utf8);
            return result == eSuccess;
        }
    } clipboard;
    if (plat::GetClipboard().GetText(clipboard) != plat::eClipboardResult::kOk)
        return eSuccess;
    PNU_TRY(clipboard.result);
    text = clipboard.read;
    return eSuccess;
}

uint32_t CAppMac::HideMenuBar()
{
    CWindowBase* window = GetMainWindow();
    if (window && window->GetFullScreenMode() == 0 && window->GetReservedFlag() &&
        window->FillsScreen()) {
        window->SetFullScreen(1, 1);
        (void)window->SetBounds(1, {-1.0f, -1.0f}, {-1.0f, -1.0f});
    }
    return 1;
}

uint32_t CAppMac::ShowMenuBar()
{
    if (plat::IsMenuBarVisible())
        return 1;
    plat::ShowMenuBar();
    if (CWindowBase* window = GetMainWindow())
        (void)window->SetBounds(0, {-1.0f, -1.0f}, {-1.0f, -1.0f});
    return 1;
}

uint32_t CAppMac::ToggleMenuBar()
{
    if (mMenuBarHidden == 0)
        mMenuBarHidden = HideMenuBar();
    else
        mMenuBarHidden = 1 - ShowMenuBar();
    return mMenuBarHidden;
}

bool CAppMac::IsFrontProcess() { return plat::IsFrontProcess(); }

eResultCode CAppMac::CollapseMainWindow()
{
    if (CMacWindow* window = MainMacWindow())
        window->Collapse(true);
    return eSuccess;
}

eResultCode CAppMac::ExpandMainWindow()
{
    if (CMacWindow* window = MainMacWindow())
        window->Collapse(false);
    return eSuccess;
}
