#include "platform/Screen.h"

#include "platform/SdlSession.h"

#include <SDL.h>

namespace plat {
namespace {

class SdlScreen final : public Screen {
public:
    sRect GetBounds(uint32_t windowId) const override
    {
        if (SdlSession::Get().StartVideo() != eDisplayResult::kOk)
            return kFallback;
        int display = 0;
        if (SDL_Window* window = windowId ? SDL_GetWindowFromID(windowId) : nullptr) {
            display = SDL_GetWindowDisplayIndex(window);
            if (display < 0)
                display = 0;
        }
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
            return kFallback;
        return {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    }
    int32_t GetMenuBarHeight() const override { return 0; }

private:
    static constexpr sRect kFallback{0, 0, 1024, 768};
};

SdlScreen gSdlScreen;
Screen* gScreen = &gSdlScreen;

} // namespace

Screen& GetScreen() { return *gScreen; }

void SetScreen(Screen* screen) { gScreen = screen ? screen : &gSdlScreen; }

} // namespace plat
