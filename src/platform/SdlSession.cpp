#include "platform/SdlSession.h"

#include "platform/X11Errors.h"
#include "platform/X11Pointer.h"

#include <SDL.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

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

// SDL turns INT and TERM into its quit event and leaves HUP, which comes when the session or the
// terminal ends, killing the program at once: an alert stays on the screen and an install is cut
// off. Sent on as TERM it takes TERM's way, whatever handles TERM at that moment. Only kill() here:
// the handler may interrupt anything, the memory functions included.
extern "C" void PassHangUpAsTerm(int)
{
    const int saved = errno;
    (void)kill(getpid(), SIGTERM);
    errno = saved;
}

void PassHangUpsAsTerm()
{
    struct sigaction hangUp {};
    struct sigaction term {};
    // A HUP ignored by whoever started us (nohup) stays ignored, as SDL leaves an ignored TERM;
    // and while TERM is ignored a HUP still ends the program rather than being lost.
    if (sigaction(SIGHUP, nullptr, &hangUp) != 0 || hangUp.sa_handler != SIG_DFL ||
        sigaction(SIGTERM, nullptr, &term) != 0 || term.sa_handler == SIG_IGN)
        return;
    hangUp.sa_handler = PassHangUpAsTerm;
    sigemptyset(&hangUp.sa_mask);
    hangUp.sa_flags = 0;
    (void)sigaction(SIGHUP, &hangUp, nullptr);
}

// SDL puts the TERM handler back when it ends; HUP goes back with it.
void RestoreHangUps()
{
    struct sigaction hangUp {};
    if (sigaction(SIGHUP, nullptr, &hangUp) != 0 || hangUp.sa_handler != PassHangUpAsTerm)
        return;
    hangUp.sa_handler = SIG_DFL;
    (void)sigaction(SIGHUP, &hangUp, nullptr);
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
    // SIGINT and SIGTERM become SDL_QUIT, which the toolkit turns into its quit command; SIGHUP
    // joins them once SDL's handlers are in place.
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
    PassHangUpsAsTerm();
    mVideoStarted = true;
    return eDisplayResult::kOk;
}

SdlSession::~SdlSession()
{
    CloseX11Pointer();
    if (mVideoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    SDL_Quit();
    RestoreHangUps();
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
