#include "platform/SdlSession.h"

#include "platform/X11Errors.h"
#include "platform/X11Pointer.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace plat {
namespace {

bool HeadlessRequested()
{
    const char* value = std::getenv("PNU_HEADLESS");
    return value && std::strcmp(value, "1") == 0;
}

bool HasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

SdlSession& SdlSession::Get()
{
    static SdlSession session;
    return session;
}

eDisplayResult SdlSession::StartVideo()
{
    if (mVideoStarted)
        return eDisplayResult::kOk;
    if (mVideoFailed)
        return eDisplayResult::kNoDisplay;
    // A headless run without a display still gets windows and surfaces, from the dummy driver.
    if (HeadlessRequested() && !HasDisplay() && !std::getenv("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    // SIGINT and SIGTERM become SDL_QUIT, which the toolkit turns into its quit command.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The toolkit draws every pixel itself: window surfaces go straight to the window system.
    // Through a GL texture instead, SDL would replace each window by a new one when it first
    // draws, and a software GL (a server without a graphics card) costs more than it gives.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Before the driver starts: it keeps the handler it finds and puts it back when it ends,
    // so the handler covers the window system's whole life, its last requests included.
    InstallX11ErrorHandler();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        mVideoFailed = true;
        return eDisplayResult::kNoDisplay;
    }
    mVideoStarted = true;
    return eDisplayResult::kOk;
}

SdlSession::~SdlSession()
{
    CloseX11Pointer();
    if (mVideoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    SDL_Quit();
}

namespace {

class AutomaticHeadlessMode final : public HeadlessMode {
public:
    bool IsHeadless() override
    {
        if (HeadlessRequested() || !HasDisplay())
            return true;
        SdlSession& session = SdlSession::Get();
        return session.StartVideo() != eDisplayResult::kOk;
    }
};

AutomaticHeadlessMode gAutomaticHeadlessMode;
HeadlessMode* gHeadlessMode = &gAutomaticHeadlessMode;

} // namespace

void SetHeadlessMode(HeadlessMode* mode) { gHeadlessMode = mode ? mode : &gAutomaticHeadlessMode; }

bool IsHeadless() { return gHeadlessMode->IsHeadless(); }

} // namespace plat
