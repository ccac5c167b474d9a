#include "app/CCursorHideGuard.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"

CCursorHideGuard::CCursorHideGuard()
{
    if (!gApplication)
        return;
    mCursorWasVisible = gApplication->GetCursorVisibleFlag();
    gApplication->HideCursor();
}

CCursorHideGuard::~CCursorHideGuard()
{
    if (gApplication && mCursorWasVisible)
        gApplication->ShowCursor();
}
