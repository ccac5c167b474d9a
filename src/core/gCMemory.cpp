#include "core/gCMemory.h"

#include <cstdlib>

namespace {

// A request for 0 bytes still gives a valid, freeable block.
void* DefaultReallocate(void* block, size_t size) { return std::realloc(block, size == 0 ? 1 : size); }
void DefaultFree(void* block) { std::free(block); }
void* DefaultAllocate(size_t size) { return std::malloc(size == 0 ? 1 : size); }

} // namespace

constinit tReallocateHook gReallocHook = DefaultReallocate;
constinit tFreeHook gFreeHook = DefaultFree;
constinit tAllocateHook gAllocHook = DefaultAllocate;

sMemoryHooks GetMemoryHooks() { return {gReallocHook, gFreeHook, gAllocHook}; }

void SetMemoryHooks(const sMemoryHooks& hooks)
{
    gReallocHook = hooks.reallocate;
    gFreeHook = hooks.release;
    gAllocHook = hooks.allocate;
}

void ResetMemoryHooks() { SetMemoryHooks({DefaultReallocate, DefaultFree, DefaultAllocate}); }
