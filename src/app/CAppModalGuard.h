// Hides both cursors for an alert or modal dialog and restores them afterwards. Without an
// application object it does nothing.
#pragma once

#include <cstdint>

class CAppModalGuard {
public:
    CAppModalGuard();
    ~CAppModalGuard();
    CAppModalGuard(const CAppModalGuard&) = delete;
    CAppModalGuard& operator=(const CAppModalGuard&) = delete;

private:
    int32_t mCursorWasVisible = 0;
    int32_t mWidgetCursorWasShown = 0;
};
