#include "app/CMessageHub.h"

eResultCode CMessageHub::AddTarget(gCCmdTarget* target) { return mTargets.Add(target); }

void CMessageHub::RemoveTarget(gCCmdTarget* target)
{
    for (int32_t i = 0; i < mTargets.GetSize(); ++i) {
        if (mTargets[i] == target) {
            mTargets.RemoveAt(i);
            return;
        }
    }
}

uint32_t CMessageHub::OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2)
{
    // The count is read on every step: a listener that removes itself (or another) from inside
    // its handler must not make the walk read past the end.
    for (int32_t i = 0; i < mTargets.GetSize(); ++i)
        if (uint32_t result = mTargets[i]->OnMessage(message, p1, p2); result != 0)
            return result;
    return 0;
}
