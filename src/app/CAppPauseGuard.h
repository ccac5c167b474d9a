// Pauses the application's heartbeat work (its hook and the windows') for the scope and resumes it if it ran. Without an
// application object it does nothing.
#pragma once

#include "app/CAppScopeGuard.h"

class CAppPauseGuard : public CAppScopeGuard {
public:
    CAppPauseGuard();
};
