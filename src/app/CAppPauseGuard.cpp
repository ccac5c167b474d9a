#include "app/CAppPauseGuard.h"

#include "app/CAppBase.h"

CAppPauseGuard::CAppPauseGuard()
    : CAppScopeGuard(&CAppBase::IsHeartbeatEnabled, &CAppBase::PauseHeartbeat, &CAppBase::ResumeHeartbeat, true)
{
}
