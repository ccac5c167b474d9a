// The graphics-tablet driver. There is none to ask here: pen data comes from the ordinary mouse
// events, and a driver query fails at once instead of waiting for a reply.
#pragma once

#include <cstdint>

namespace plat {

// What a driver query came to. The values are the statuses the toolkit hands on: a query that
// finds no driver is the Mac's "process not found".
enum class [[nodiscard]] eTabletResult : int32_t { kOk = 0, kNoDriver = -600 };

// Asks the tablet driver for a property; always kNoDriver, the buffer untouched.
eTabletResult QueryTabletDriver(void* data, uint32_t size);

} // namespace plat
