#include "app/gCCmdTarget.h"

#include "app/AppGlobals.h"

uint32_t gCCmdTarget::OnMessage(uint32_t, uintptr_t, uintptr_t) { return 0; }

uint32_t gCCmdTarget::SendToFocusTarget(uint32_t command, uintptr_t p1, intptr_t p2)
{
    return gFocusCmdTarget ? gFocusCmdTarget->OnCommand(command, p1, p2, 1) : 0;
}

uint32_t gCCmdTarget::SendToDefaultTarget(uint32_t command, uintptr_t p1, intptr_t p2)
{
    return gDefaultCmdTarget ? gDefaultCmdTarget->OnCommand(command, p1, p2, 1) : 0;
}

uint32_t gCCmdTarget::PassToFocusTarget(uint32_t command, uintptr_t p1, intptr_t p2)
{
    return gFocusCmdTarget ? gFocusCmdTarget->OnCommand(command, p1, p2, 0) : 0;
}

uint32_t gCCmdTarget::PassToDefaultTarget(uint32_t command, uintptr_t p1, intptr_t p2)
{
    return gDefaultCmdTarget ? gDefaultCmdTarget->OnCommand(command, p1, p2, 0) : 0;
}

uint32_t gCCmdTarget::OnCommand(uint32_t, uintptr_t, intptr_t, uint32_t) { return 0; }

void gCCmdTarget::SetDefaultTarget(gCCmdTarget* target) { gDefaultCmdTarget = target; }

void gCCmdTarget::SetFocusTarget(gCCmdTarget* target) { gFocusCmdTarget = target; }
