// Base of every object that takes part in the toolkit's messaging: commands go to one of two
// program-wide targets (focus and default), messages are routed by the application.
#pragma once

#include "core/gCBaseObject.h"

#include <cstdint>

class gCCmdTarget : public gCBaseObject {
public:
    gCCmdTarget() = default;
    ~gCCmdTarget() override = default;

    // 0 = not handled; routing stops at the first non-zero answer.
    virtual uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2);

    // Forward a command to a program-wide target: the Send forms with flag 1, the Pass forms with
    // flag 0. The object they are called on plays no part. 0 when no target is set.
    virtual uint32_t SendToFocusTarget(uint32_t command, uintptr_t p1, intptr_t p2);
    virtual uint32_t SendToDefaultTarget(uint32_t command, uintptr_t p1, intptr_t p2);
    virtual uint32_t PassToFocusTarget(uint32_t command, uintptr_t p1, intptr_t p2);
    virtual uint32_t PassToDefaultTarget(uint32_t command, uintptr_t p1, intptr_t p2);

    virtual uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag);

    static void SetDefaultTarget(gCCmdTarget* target);
    static void SetFocusTarget(gCCmdTarget* target);
};
