#include "app/CAppModalGuard.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"

CAppModalGuard::CAppModalGuard()
{
    if (!gApplication)
        return;
    mCursorWasVisible = gApplication->GetCursorVisibleFlag();
    mWidgetCursorWasShown = gApplication->IsWidgetCursorShown();
    gApplication->HideCursors();
}

CAppModalGuard::~CAppModalGuard()
{
    if (!gApplication)
        return;
    if (mCursorWasVisible)
        gApplication->ShowCursor();
    else if (mWidgetCursorWasShown)
        gApplication->ShowWidgetCursor();
}
