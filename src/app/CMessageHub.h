// The listeners that see every routed message after the application itself. The hub does not
// own them: a listener removes itself before it goes away.
#pragma once

#include "app/gCCmdTarget.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"

class CMessageHub : public gCCmdTarget {
public:
    // Appends a listener (the same one twice is called twice); eNoMemory when the list cannot grow.
    eResultCode AddTarget(gCCmdTarget* target);
    // Removes the first occurrence; nothing when absent.
    void RemoveTarget(gCCmdTarget* target);
    // Each listener in registration order; the first non-zero answer.
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2) override;

    int32_t GetCount() const { return mTargets.GetSize(); }

private:
    gCArray<gCCmdTarget*> mTargets;
};
