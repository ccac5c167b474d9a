#include "app/CCursorShowGuard.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"

CCursorShowGuard::CCursorShowGuard()
{
    if (!gApplication)
        return;
    mCursorWasVisible = gApplication->GetCursorVisibleFlag();
    gApplication->ShowCursor();
}

CCursorShowGuard::~CCursorShowGuard()
{
    if (gApplication && !mCursorWasVisible)
        gApplication->HideCursor();
}
