#include "app/CCursorShowGuard.h"

#include "app/CAppBase.h"

CCursorShowGuard::CCursorShowGuard()
    : CAppScopeGuard(&CAppBase::GetCursorVisibleFlag, &CAppBase::ShowCursor, &CAppBase::HideCursor, false)
{
}
