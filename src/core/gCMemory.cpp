#include "core/gCMemory.h"

#include <cstdlib>

namespace {

// A request for 0 bytes still gives a valid, freeable block.
void* DefaultReallocate(void* block, size_t size) { return std::realloc(block, size == 0 ? 1 : size); }
void DefaultFree(void* block) { std::free(block); }
void* DefaultAllocate(size_t size) { return std::malloc(size == 0 ? 1 : size); }

constexpr sMemoryHooks kDefaultHooks = {DefaultReallocate, DefaultFree, DefaultAllocate};

} // namespace

constinit sMemoryHooks gMemoryHooks = kDefaultHooks;

void ResetMemoryHooks() { gMemoryHooks = kDefaultHooks; }
