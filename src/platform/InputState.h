// Live state of the pointer and the keyboard. Drag loops poll it without running the event loop,
// so each query first brings the window system's state up to date.
#pragma once

#include "platform/Event.h"

#include <cstdint>

namespace plat {

struct sPoint {
    int32_t x = 0, y = 0;
    bool operator==(const sPoint&) const = default;
};

class InputState {
public:
    virtual ~InputState() = default;
    // kButtonState... bits of the buttons held now.
    virtual uint32_t GetButtons() = 0;
    // kMod... bits of the modifiers held now.
    virtual uint32_t GetModifiers() = 0;
    // Whether the key with this Mac virtual key code is held now.
    virtual bool IsKeyDown(int32_t macKey) = 0;
    // The pointer in global coordinates.
    virtual sPoint GetPointer() = 0;
    // Moves the pointer to a global position.
    virtual void WarpPointer(sPoint global) = 0;
};

InputState& GetInputState();
// Puts `state` in place (null restores the window system's). The caller keeps ownership.
void SetInputState(InputState* state);

// Input state that holds whatever it is told (tests).
class ManualInputState final : public InputState {
public:
    uint32_t GetButtons() override { return buttons; }
    uint32_t GetModifiers() override { return modifiers; }
    bool IsKeyDown(int32_t macKey) override
    {
        return macKey >= 0 && macKey < 128 && (keys[macKey >> 5] >> (macKey & 31) & 1u) != 0;
    }
    sPoint GetPointer() override { return pointer; }
    void WarpPointer(sPoint global) override { pointer = global; }

    void SetKey(int32_t macKey, bool down)
    {
        if (macKey < 0 || macKey >= 128)
            return;
        uint32_t bit = 1u << (macKey & 31);
        keys[macKey >> 5] = down ? keys[macKey >> 5] | bit : keys[macKey >> 5] & ~bit;
    }

    uint32_t buttons = 0;
    uint32_t modifiers = 0;
    uint32_t keys[4] = {};
    sPoint pointer;
};

} // namespace plat
