// Hides the system cursor for the scope and shows it again if it was shown. Without an
// application object it does nothing.
#pragma once

#include "app/CAppScopeGuard.h"

class CCursorHideGuard : public CAppScopeGuard {
public:
    CCursorHideGuard();
};
