// Root of the toolkit's polymorphic classes. Its objects live in memory from the hooks: an
// allocation that fails makes `new` give null instead of throwing, so creators can report
// eNoMemory.
#pragma once

#include "core/gCMemory.h"

#include <new>

class gCBaseObject {
public:
    gCBaseObject() = default;
    virtual ~gCBaseObject() = default;

    static void* operator new(size_t size) noexcept { return MemAllocate(size); }
    static void* operator new(size_t, void* place) noexcept { return place; }
    static void operator delete(void* block) noexcept { MemFree(block); }
    static void* operator new[](size_t) = delete;
    static void operator delete[](void*) = delete;
};
