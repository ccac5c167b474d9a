// Shows the system cursor for the scope and hides it again if it was hidden. Without an
// application object it does nothing.
#pragma once

#include <cstdint>

class CCursorShowGuard {
public:
    CCursorShowGuard();
    ~CCursorShowGuard();
    CCursorShowGuard(const CCursorShowGuard&) = delete;
    CCursorShowGuard& operator=(const CCursorShowGuard&) = delete;

private:
    int32_t mCursorWasVisible = 0;
};
