#include "app/CAppScopeGuard.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"

CAppScopeGuard::CAppScopeGuard(Probe probe, Step enter, Step leave, bool restoreWhenSet)
    : mLeave(leave), mRestore(!restoreWhenSet)
{
    if (!gApplication)
        return;
    mRestore = ((gApplication->*probe)() != 0) == restoreWhenSet;
    (gApplication->*enter)();
}

CAppScopeGuard::~CAppScopeGuard()
{
    if (gApplication && mRestore)
        (gApplication->*mLeave)();
}
