// Pauses the application's heartbeat work (its hook and the windows') for the scope. Without an
// application object it does nothing.
#pragma once

#include <cstdint>

class CAppPauseGuard {
public:
    CAppPauseGuard();
    ~CAppPauseGuard();
    CAppPauseGuard(const CAppPauseGuard&) = delete;
    CAppPauseGuard& operator=(const CAppPauseGuard&) = delete;

private:
    int32_t mHeartbeatWasEnabled = 0;
};
