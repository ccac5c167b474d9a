// A window whose whole content is one backdrop widget: it forwards input to the backdrop, keeps
// the content size and full-screen state, and computes where a window of a requested size goes on
// the screen. CMacWindow supplies the window-system operations.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: GetTitle,
// MoveToPoint, MoveRelativeToScreenPoint, GetPosition, Centre and TimerEvent.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCPoint.h"
#include "core/gCRect.h"
#include "core/gCString.h"

#include <cstdint>

class CBackdrop;
class CImage;

// Placement flags of MakeWindow, SetBounds and CalculateWindowRect.
enum : uint32_t {
    kPlaceFillScreen = 0x01,
    kPlaceCentreHorizontally = 0x02,
    kPlaceCentreVertically = 0x04,  // in the area below the menu bar
    kPlacePositionFractions = 0x08,
    kPlaceSizeFractions = 0x10,     // clamped to 0..1 and written back
    kPlaceResizable = 0x20,
};

// Toolkit key codes of the keys that type no character.
enum : int32_t {
    kKeyLeft = -256, kKeyRight = -255, kKeyUp = -254, kKeyDown = -253,
    kKeyHome = -252, kKeyEnd = -251, kKeyPageUp = -250, kKeyPageDown = -249,
    kKeyF1 = -248, kKeyF7 = -242, kKeyF8 = -241, kKeyF11 = -238,
};

// The toolkit key code of a key: the table's code for special keys, else the typed Mac Roman
// character as a signed 8-bit value.
int32_t TranslateKey(int32_t macKey, uint8_t macCharacter);
// The same for the record-based event path, whose table differs in two keys: F12 gives Escape
// (27) and keypad Enter its character.
int32_t TranslateClassicKey(int32_t macKey, uint8_t macCharacter);

class CWindowBase : public gCBaseObject {
public:
    CWindowBase();
    ~CWindowBase() override;
    CWindowBase(const CWindowBase&) = delete;
    CWindowBase& operator=(const CWindowBase&) = delete;

    // 1 on success, 0 on failure (the object itself always survives a failure).
    virtual int32_t MakeWindowWithoutHandler(int32_t width, int32_t height, const gCString& title,
                                             uint32_t attributes) = 0;
    virtual int32_t MakeWindow(uint32_t flags, gCFloatPoint size, gCFloatPoint position,
                               const gCString& title, uint32_t attributes) = 0;
    virtual eResultCode SetSizeClipped(int32_t width, int32_t height, uint32_t flag) = 0;
    virtual eResultCode SetSizeRelativeToScreen(float fx, float fy, uint32_t flag) = 0;
    virtual void SetBackdrop(CBackdrop* backdrop, uint32_t keepSize);
    virtual eResultCode Show(uint32_t show) = 0;
    virtual void DisposeWindow() = 0;
    virtual eResultCode SetTitle(const gCString&) { return eSuccess; }
    virtual gCString GetTitle() const { return gCString(u""); }
    virtual eResultCode MoveTo(int16_t x, int16_t y) = 0;
    eResultCode MoveToPoint(const gCPoint& point) { return MoveTo(int16_t(point.x), int16_t(point.y)); }
    virtual eResultCode MoveRelativeToScreen(float fx, float fy, uint32_t flag) = 0;
    eResultCode MoveRelativeToScreenPoint(const gCFloatPoint& point)
    {
        return MoveRelativeToScreen(point.x, point.y, 1);
    }
    virtual gCPoint GetPosition() const = 0;
    virtual gCRect GetBounds() const = 0;
    eResultCode Centre() { return CentreOnScreen(1); }
    virtual eResultCode CentreOnScreen(uint32_t flag) = 0;
    virtual eResultCode SetSizeAndPosition(int32_t x, int32_t y, int32_t width, int32_t height,
                                           uint32_t flag) = 0;
    virtual eResultCode SetBounds(uint32_t flags, gCFloatPoint size, gCFloatPoint position) = 0;
    // The rectangle a window of `size` at `position` takes with these flags, and the full-screen
    // mode to apply. A fractional size is clamped and written back.
    virtual gCRect CalculateWindowRect(uint32_t flags, gCFloatPoint& size, gCFloatPoint position,
                                       int32_t* mode);
    virtual void SetFullScreen(int32_t mode, uint32_t flag);
    // Applies the stored mode again (the window system may have dropped it while the program was
    // away) and, when the window fills the screen, its screen-filling bounds.
    void ApplyFullScreen();
    virtual void SetSystemUIMode(int32_t mode) = 0;
    virtual eResultCode Heartbeat();
    virtual eResultCode KeyDown(int32_t key);
    virtual eResultCode KeyUp(int32_t key);
    virtual eResultCode TimerEvent(int32_t value);
    virtual eResultCode LButtonDown(const gCPoint& point);
    virtual eResultCode LButtonUp(const gCPoint& point);
    virtual eResultCode MButtonDown(const gCPoint& point);
    virtual eResultCode MButtonUp(const gCPoint& point);
    virtual eResultCode MouseWheel(const gCPoint& point, const gCPoint& delta);
    virtual eResultCode MouseMove(const gCPoint& point);
    virtual eResultCode RButtonDown(const gCPoint& point);
    virtual eResultCode RButtonUp(const gCPoint& point);
    virtual void SetSize(int32_t width, int32_t height);
    virtual void UpdateWindow() {}
    virtual uint32_t IsMouseInWindow() const = 0;
    virtual void DetachBackdrop();

    // The screen the window is placed on (full bounds, left <= right, top <= bottom).
    virtual gCRect GetScreenRect() const = 0;
    // Global top-left of the content area; (0, 0) while there is no window-system window.
    virtual gCPoint GetContentOrigin() const = 0;
    // Shows `area` of the image at `at` in the content now.
    virtual void DrawImage(const CImage& image, const gCRect& area, const gCPoint& at) = 0;

    CBackdrop* GetBackdrop() const { return mBackdrop; }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    int32_t GetFullScreenMode() const { return mFullScreenMode; }
    void SetFullScreenModeField(int32_t mode) { mFullScreenMode = mode; }
    uint32_t FillsScreen() const { return mFillsScreen; }
    uint32_t GetReservedFlag() const { return mReserved; }

protected:
    // Reports a backdrop dispatcher's failure; its code is passed on.
    static eResultCode Reported(eResultCode result);

    uint32_t mState = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    CBackdrop* mBackdrop = nullptr;
    uint32_t mReserved = 0;
    int32_t mFullScreenMode = 0;
    uint32_t mFillsScreen = 1;
    uint32_t mReserved2 = 0;
};
