#include "app/CAppPauseGuard.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"

CAppPauseGuard::CAppPauseGuard()
{
    if (!gApplication)
        return;
    mHeartbeatWasEnabled = gApplication->IsHeartbeatEnabled();
    gApplication->PauseHeartbeat();
}

CAppPauseGuard::~CAppPauseGuard()
{
    if (gApplication && mHeartbeatWasEnabled)
        gApplication->ResumeHeartbeat();
}
