// The screen a window lives on, and the menu bar's height. The window placement arithmetic asks
// this interface, so tests can put a screen of any size, origin and menu bar in place.
#pragma once

#include <cstdint>

namespace plat {

struct sRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const sRect&) const = default;
};

class Screen {
public:
    virtual ~Screen() = default;
    // Full bounds of the screen that holds most of the window with id `windowId` (0: the
    // main screen), in global coordinates.
    virtual sRect GetBounds(uint32_t windowId) const = 0;
    // Linux has no global menu bar: 0 here, but the arithmetic keeps the term.
    virtual int32_t GetMenuBarHeight() const = 0;
};

Screen& GetScreen();
// Puts `screen` in place (null restores the window system's). The caller keeps ownership.
void SetScreen(Screen* screen);

// A screen of fixed bounds and menu-bar height (tests, and the fallback without a display).
class FixedScreen final : public Screen {
public:
    FixedScreen(sRect bounds, int32_t menuBarHeight) : mBounds(bounds), mMenuBar(menuBarHeight) {}
    sRect GetBounds(uint32_t) const override { return mBounds; }
    int32_t GetMenuBarHeight() const override { return mMenuBar; }

private:
    sRect mBounds;
    int32_t mMenuBar;
};

} // namespace plat
