// The three memory hooks through which every allocation of the toolkit passes.
#pragma once

#include <cstddef>

using tReallocateHook = void* (*)(void* block, size_t size);
using tFreeHook = void (*)(void* block);
using tAllocateHook = void* (*)(size_t size);

struct sMemoryHooks {
    tReallocateHook reallocate;
    tFreeHook release;
    tAllocateHook allocate;
};

// The current hook set. It is constant-initialised, so static initialisation may allocate.
extern sMemoryHooks gMemoryHooks;

void ResetMemoryHooks();

inline void* MemAllocate(size_t size) { return gMemoryHooks.allocate(size); }
inline void* MemReallocate(void* block, size_t size) { return gMemoryHooks.reallocate(block, size); }
inline void MemFree(void* block) { gMemoryHooks.release(block); }
