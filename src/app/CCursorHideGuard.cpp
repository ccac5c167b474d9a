#include "app/CCursorHideGuard.h"

#include "app/CAppBase.h"

CCursorHideGuard::CCursorHideGuard()
    : CAppScopeGuard(&CAppBase::GetCursorVisibleFlag, &CAppBase::HideCursor, &CAppBase::ShowCursor, true)
{
}
