// Something that feeds the event loop from outside: the window system, in practice.
#pragma once

#include <cstdint>

namespace plat {

class EventSource {
public:
    virtual ~EventSource() = default;
    // Handles every pending event. When none is pending, waits for one until the clock reads
    // `deadline` at the latest (a deadline in the past means do not wait). Returns the number
    // of events handled.
    virtual uint32_t Pump(uint64_t deadline) = 0;
};

} // namespace plat
