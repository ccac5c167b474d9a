// Shows the system cursor for the scope and hides it again if it was hidden. Without an
// application object it does nothing.
#pragma once

#include "app/CAppScopeGuard.h"

class CCursorShowGuard : public CAppScopeGuard {
public:
    CCursorShowGuard();
};
