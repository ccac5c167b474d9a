// The graphics-tablet driver. There is none to ask here: pen data comes from the ordinary mouse
// events, and a driver query fails at once instead of waiting for a reply.
#pragma once

#include <cstdint>

namespace plat {

// The status of a driver query that finds no driver (the Mac's "process not found").
inline constexpr int32_t kNoTabletDriver = -600;

// Asks the tablet driver for a property; always kNoTabletDriver, the buffer untouched.
int32_t QueryTabletDriver(void* data, uint32_t size);

} // namespace plat
