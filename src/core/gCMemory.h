// The three memory hooks through which every allocation of the toolkit passes.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// ResetMemoryHooks.
#pragma once

#include <cstddef>

using tReallocateHook = void* (*)(void* block, size_t size);
using tFreeHook = void (*)(void* block);
using tAllocateHook = void* (*)(size_t size);

// The hooks of the global block, in the block's order. They are constant-initialised, so static
// initialisation may allocate.
extern tReallocateHook gReallocHook;
extern tFreeHook gFreeHook;
extern tAllocateHook gAllocHook;

// The three hooks as one set, for code that puts its own in place and back.
struct sMemoryHooks {
    tReallocateHook reallocate;
    tFreeHook release;
    tAllocateHook allocate;
};

sMemoryHooks GetMemoryHooks();
void SetMemoryHooks(const sMemoryHooks& hooks);
void ResetMemoryHooks();

inline void* MemAllocate(size_t size) { return gAllocHook(size); }
inline void* MemReallocate(void* block, size_t size) { return gReallocHook(block, size); }
inline void MemFree(void* block) { gFreeHook(block); }
