#include "platform/InputState.h"

#include "platform/Event.h"
#include "platform/KeyMap.h"
#include "platform/SdlSession.h"
#include "platform/X11Pointer.h"

#include <SDL.h>

namespace plat {
namespace {

// SDL's global pointer state, refreshed from the X server only after raw input events.
sX11Pointer SdlGlobalPointer()
{
    sX11Pointer pointer;
    uint32_t state = SDL_GetGlobalMouseState(&pointer.global.x, &pointer.global.y);
    pointer.buttons = ((state & SDL_BUTTON_LMASK) ? kButtonStatePrimary : 0u) |
                      ((state & SDL_BUTTON_RMASK) ? kButtonStateSecondary : 0u) |
                      ((state & SDL_BUTTON_MMASK) ? kButtonStateMiddle : 0u);
    return pointer;
}

// The pointer and its buttons now. Under X the server is asked every time, so every move it
// reports is seen, however it was made; other window systems answer through SDL.
sX11Pointer CurrentPointer()
{
    SDL_PumpEvents();
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool x11 = driver && SDL_strcmp(driver, "x11") == 0;
    sX11Pointer pointer;
    if (x11 && QueryX11Pointer(pointer) == eDisplayResult::kOk)
        return pointer;
    return SdlGlobalPointer();
}

class SdlInputState final : public InputState {
public:
    uint32_t GetButtons() override
    {
        // Asked of the window system, so a loop that never handles events still sees releases.
        return SdlSession::Get().StartVideo() == eDisplayResult::kOk ? CurrentPointer().buttons : 0;
    }

    uint32_t GetModifiers() override
    {
        if (SdlSession::Get().StartVideo() != eDisplayResult::kOk)
            return 0;
        SDL_PumpEvents();
        return ModifiersFromSdl(SDL_GetModState());
    }

    bool IsKeyDown(int32_t macKey) override
    {
        int32_t scancode = ScancodeFromMacKey(macKey);
        if (scancode == SDL_SCANCODE_UNKNOWN || SdlSession::Get().StartVideo() != eDisplayResult::kOk)
            return false;
        SDL_PumpEvents();
        int count = 0;
        const uint8_t* keys = SDL_GetKeyboardState(&count);
        return scancode < count && keys[scancode] != 0;
    }

    sPoint GetPointer() override
    {
        return SdlSession::Get().StartVideo() == eDisplayResult::kOk ? CurrentPointer().global : sPoint{};
    }

    void WarpPointer(sPoint global) override
    {
        if (SdlSession::Get().StartVideo() == eDisplayResult::kOk)
            SDL_WarpMouseGlobal(global.x, global.y);
    }
};

SdlInputState gSdlInput;
InputState* gInput = &gSdlInput;

} // namespace

InputState& GetInputState() { return *gInput; }

void SetInputState(InputState* state) { gInput = state ? state : &gSdlInput; }

} // namespace plat
