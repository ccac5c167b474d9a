// How much memory the system could still hand to this program, so that a size read from a file
// is refused before an allocation the system would grant lazily and then fail to back.
#pragma once

#include <cstdint>

namespace plat {

// Bytes the system can still give without swapping out other programs (free memory plus caches it
// would drop); 0 when unknown.
uint64_t GetAvailableMemory();
// Tests set the figure directly; 0 returns to the system's.
void SetAvailableMemoryOverride(uint64_t bytes);

} // namespace plat
