// The window system as an event source of the loop: SDL's events become the layer's events
// (Event.h) and go to the program's handler.
#pragma once

#include "platform/EventSource.h"

#include <string>
#include <vector>

union SDL_Event;

namespace plat {

class SdlEventSource final : public EventSource {
public:
    // The program-wide source; it starts SDL's video on first use.
    static SdlEventSource& Get();

    uint32_t Pump(uint64_t deadline) override;

    // Translates and delivers one SDL event (also used by tests with synthetic SDL events).
    void Handle(const SDL_Event& event);

    // Drops the pointer moves, drags, presses and releases waiting to be handled, including
    // those the window system has not handed over yet; wheel turns and everything else stay.
    void FlushPointerEvents();

private:
    void HandleKey(const SDL_Event& event);

    bool mDropping = false;
    uint32_t mDropWindow = 0;
    std::vector<std::string> mDropped;
};

} // namespace plat
