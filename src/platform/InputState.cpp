#include "platform/InputState.h"

#include "platform/Event.h"
#include "platform/KeyMap.h"
#include "platform/SdlSession.h"

#include <SDL.h>

namespace plat {
namespace {

class SdlInputState final : public InputState {
public:
    uint32_t GetButtons() override
    {
        if (!SdlSession::Get().StartVideo())
            return 0;
        SDL_PumpEvents();
        int x = 0, y = 0;
        // On X11 this asks the server, so a loop that never handles events still sees releases.
        uint32_t state = SDL_GetGlobalMouseState(&x, &y);
        uint32_t bits = 0;
        if (state & SDL_BUTTON_LMASK)
            bits |= kButtonStatePrimary;
        if (state & SDL_BUTTON_RMASK)
            bits |= kButtonStateSecondary;
        if (state & SDL_BUTTON_MMASK)
            bits |= kButtonStateMiddle;
        return bits;
    }

    uint32_t GetModifiers() override
    {
        if (!SdlSession::Get().StartVideo())
            return 0;
        SDL_PumpEvents();
        return ModifiersFromSdl(SDL_GetModState());
    }

    bool IsKeyDown(int32_t macKey) override
    {
        int32_t scancode = ScancodeFromMacKey(macKey);
        if (scancode == SDL_SCANCODE_UNKNOWN || !SdlSession::Get().StartVideo())
            return false;
        SDL_PumpEvents();
        int count = 0;
        const uint8_t* keys = SDL_GetKeyboardState(&count);
        return scancode < count && keys[scancode] != 0;
    }

    sPoint GetPointer() override
    {
        if (!SdlSession::Get().StartVideo())
            return {};
        SDL_PumpEvents();
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        return {x, y};
    }

    void WarpPointer(sPoint global) override
    {
        if (SdlSession::Get().StartVideo())
            SDL_WarpMouseGlobal(global.x, global.y);
    }
};

SdlInputState gSdlInput;
InputState* gInput = &gSdlInput;

} // namespace

InputState& GetInputState() { return *gInput; }

void SetInputState(InputState* state) { gInput = state ? state : &gSdlInput; }

} // namespace plat
