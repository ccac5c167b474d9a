// Hides the system cursor for the scope and shows it again if it was shown. Without an
// application object it does nothing.
#pragma once

#include <cstdint>

class CCursorHideGuard {
public:
    CCursorHideGuard();
    ~CCursorHideGuard();
    CCursorHideGuard(const CCursorHideGuard&) = delete;
    CCursorHideGuard& operator=(const CCursorHideGuard&) = delete;

private:
    int32_t mCursorWasVisible = 0;
};
