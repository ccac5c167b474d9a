#include "platform/SdlEventSource.h"

#include "platform/Clock.h"
#include "platform/EventDispatch.h"
#include "platform/KeyMap.h"
#include "platform/SdlSession.h"
#include "platform/Window.h"

#include <SDL.h>

namespace plat {
namespace {

sEvent PointerEvent(eEventKind kind, uint32_t windowId, int32_t x, int32_t y)
{
    sEvent event;
    event.kind = kind;
    event.windowId = windowId;
    event.x = x;
    event.y = y;
    int left = 0, top = 0;
    if (SDL_Window* window = SDL_GetWindowFromID(windowId))
        SDL_GetWindowPosition(window, &left, &top);
    event.globalX = left + x;
    event.globalY = top + y;
    event.modifiers = ModifiersFromSdl(SDL_GetModState());
    return event;
}

uint32_t ButtonNumber(uint8_t sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return sdlButton;
    }
}

} // namespace

SdlEventSource& SdlEventSource::Get()
{
    static SdlEventSource source;
    return source;
}

uint32_t SdlEventSource::Pump(uint64_t deadline)
{
    if (SdlSession::Get().StartVideo() != eDisplayResult::kOk) {
        if (deadline > Microseconds())
            GetClock().SleepUntil(deadline);
        return 0;
    }
    uint32_t handled = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        Handle(event);
        ++handled;
    }
    if (handled)
        return handled;
    // SDL waits in whole milliseconds; the remainder is slept on the clock so a 10 ms timer
    // keeps its cadence instead of drifting by up to a millisecond per tick.
    uint64_t now = Microseconds();
    if (deadline > now + 1000) {
        int milliseconds = int((deadline - now) / 1000);
        if (SDL_WaitEventTimeout(&event, milliseconds)) {
            Handle(event);
            ++handled;
            while (SDL_PollEvent(&event)) {
                Handle(event);
                ++handled;
            }
            return handled;
        }
    }
    if (deadline > Microseconds())
        GetClock().SleepUntil(deadline);
    return handled;
}

void SdlEventSource::FlushPointerEvents()
{
    if (!SdlSession::Get().IsVideoStarted())
        return;
    SDL_PumpEvents();
    static_assert(SDL_MOUSEBUTTONDOWN == SDL_MOUSEMOTION + 1 && SDL_MOUSEBUTTONUP == SDL_MOUSEMOTION + 2);
    SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEBUTTONUP);
}

void SdlEventSource::Handle(const SDL_Event& sdl)
{
    switch (sdl.type) {
    case SDL_QUIT: {
        sEvent event;
        event.kind = eEventKind::kQuit;
        DeliverEvent(event);
        break;
    }
    case SDL_WINDOWEVENT: {
        sEvent event;
        event.windowId = sdl.window.windowID;
        switch (sdl.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            event.kind = eEventKind::kWindowClose;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            // The kept pixels go back up before the toolkit hears of it.
            if (Window* window = Window::FindById(event.windowId))
                window->Redraw();
            event.kind = eEventKind::kWindowExposed;
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
            event.kind = eEventKind::kWindowShown;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            event.kind = eEventKind::kWindowResized;
            event.width = sdl.window.data1;
            event.height = sdl.window.data2;
            break;
        default:
            return;
        }
        DeliverEvent(event);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        sEvent event = PointerEvent(sdl.type == SDL_MOUSEBUTTONDOWN ? eEventKind::kMouseDown
                                                                    : eEventKind::kMouseUp,
                                    sdl.button.windowID, sdl.button.x, sdl.button.y);
        event.button = ButtonNumber(sdl.button.button);
        DeliverEvent(event);
        break;
    }
    case SDL_MOUSEMOTION: {
        sEvent event = PointerEvent(eEventKind::kMouseMove, sdl.motion.windowID, sdl.motion.x,
                                    sdl.motion.y);
        event.button = (sdl.motion.state & SDL_BUTTON_LMASK) ? 1
                       : (sdl.motion.state & SDL_BUTTON_RMASK) ? 2
                       : (sdl.motion.state & SDL_BUTTON_MMASK) ? 3 : 0;
        DeliverEvent(event);
        break;
    }
    case SDL_MOUSEWHEEL: {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        sEvent event = PointerEvent(eEventKind::kMouseWheel, sdl.wheel.windowID, x, y);
        int sign = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        event.wheelX = sdl.wheel.x * sign;
        event.wheelY = sdl.wheel.y * sign;
        DeliverEvent(event);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        HandleKey(sdl);
        break;
    case SDL_TEXTINPUT: {
        // Text without a key of its own (an input method): each character as a key press.
        std::string text = sdl.text.text;
        for (size_t offset = 0, used = 0; offset < text.size(); offset += used) {
            sEvent event;
            event.kind = eEventKind::kKeyDown;
            event.windowId = sdl.text.windowID;
            event.modifiers = ModifiersFromSdl(SDL_GetModState());
            event.character = DecodeUtf8(text, offset, &used);
            DeliverEvent(event);
        }
        break;
    }
    case SDL_DROPBEGIN:
        mDropping = true;
        mDropWindow = sdl.drop.windowID;
        mDropped.clear();
        break;
    case SDL_DROPFILE: {
        if (sdl.drop.file)
            mDropped.push_back(sdl.drop.file);
        SDL_free(sdl.drop.file);
        // Without a begin (older senders) every file is a drop of its own.
        if (!mDropping) {
            sEvent event;
            event.kind = eEventKind::kFilesDropped;
            event.windowId = sdl.drop.windowID;
            event.paths.swap(mDropped);
            DeliverEvent(event);
        }
        break;
    }
    case SDL_DROPTEXT:
        SDL_free(sdl.drop.file);
        break;
    case SDL_DROPCOMPLETE: {
        sEvent event;
        event.kind = eEventKind::kFilesDropped;
        event.windowId = mDropWindow ? mDropWindow : sdl.drop.windowID;
        event.paths.swap(mDropped);
        mDropping = false;
        mDropWindow = 0;
        DeliverEvent(event);
        break;
    }
    default:
        break;
    }
}

void SdlEventSource::HandleKey(const SDL_Event& sdl)
{
    sEvent event;
    bool down = sdl.type == SDL_KEYDOWN;
    event.kind = !down ? eEventKind::kKeyUp
                 : sdl.key.repeat ? eEventKind::kKeyRepeat : eEventKind::kKeyDown;
    event.windowId = sdl.key.windowID;
    event.modifiers = ModifiersFromSdl(sdl.key.keysym.mod);
    event.keyCode = MacKeyFromScancode(sdl.key.keysym.scancode);

    // Ctrl is the Command key: Ctrl+X, C, V and Q are the edit and quit commands, not keys.
    if (down && (event.modifiers & kModCommand) && !(event.modifiers & kModOption)) {
        uint32_t command = 0;
        switch (sdl.key.keysym.sym) {
        case SDLK_x: command = FourCharCode("cut "); break;
        case SDLK_c: command = FourCharCode("copy"); break;
        case SDLK_v: command = FourCharCode("past"); break;
        case SDLK_q: command = FourCharCode("quit"); break;
        default: break;
        }
        if (command) {
            if (!sdl.key.repeat) {
                event.kind = eEventKind::kCommand;
                event.command = command;
                DeliverEvent(event);
            }
            return;
        }
    }

    event.character = SpecialKeyCharacter(event.keyCode);
    // Keys without a character symbol (Shift, Ctrl, Caps Lock ...) type nothing: the text queued
    // behind them belongs to the next key.
    const bool typing = (sdl.key.keysym.sym & SDLK_SCANCODE_MASK) == 0;
    if (event.character == 0 && down && typing) {
        // SDL reports the typed text as a separate event right behind the key. Only there: text
        // further back belongs to a later key (Ctrl+A has none, the key queued after it has).
        SDL_Event text;
        SDL_PumpEvents();
        if (SDL_PeepEvents(&text, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && text.type == SDL_TEXTINPUT &&
            SDL_PeepEvents(&text, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) {
            std::string typed = text.text.text;
            size_t used = 0;
            event.character = DecodeUtf8(typed, 0, &used);
            if (used < typed.size()) {
                // Rare (an input method): the rest arrives as text of its own.
                SDL_Event rest = text;
                SDL_strlcpy(rest.text.text, typed.c_str() + used, sizeof(rest.text.text));
                SDL_PushEvent(&rest);
            }
        }
    }
    if (event.character == 0)
        event.character = CharacterFromKeySymbol(sdl.key.keysym.sym, event.modifiers);
    DeliverEvent(event);
}

} // namespace plat
