// Shared by the widget block fuzz targets: alerts and load errors go nowhere, allocations are
// held to a budget per input, and a widget that loaded is laid out and drawn in a small window.
#pragma once

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "core/gCMemory.h"
#include "platform/AlertPresenter.h"
#include "widgets/CBackdrop.h"

#include <cstddef>
#include <cstdlib>

namespace fuzzwidget {

// Each input may allocate this much in all; beyond it allocations fail through the toolkit's
// hooks, as on a machine without the memory. A block may declare a widget far larger than any
// window, and a dozen effects each blurring a work image of the largest size the toolkit allows:
// all of it legitimate, and minutes of work under the fuzzer's instrumentation. What a block can
// make the toolkit do grows with what it allocates, so the budget bounds the time of an input.
// Small, so that the sanitizer's quarantine of freed blocks stays small too.
constexpr size_t kInputBudget = size_t(4) << 20;
inline size_t gSpent = 0;
inline bool Spend(size_t size)
{
    if (size > kInputBudget - gSpent)
        return false;
    gSpent += size;
    return true;
}
inline void* CappedAllocate(size_t size) { return Spend(size) ? std::malloc(size ? size : 1) : nullptr; }
inline void* CappedReallocate(void* block, size_t size)
{
    return Spend(size) ? std::realloc(block, size ? size : 1) : nullptr;
}
inline void Free(void* block) { std::free(block); }
// The budget starts again (set-up work between inputs starts it again as well).
inline void StartInput() { gSpent = 0; }
inline void CapAllocations() { SetMemoryHooks({CappedReallocate, Free, CappedAllocate}); }

class CQuietPresenter final : public plat::AlertPresenter {
public:
    void Show(const plat::sAlert&) override {}
};

inline void Quiet(eResultCode, const char*) {}

template <typename T>
void LoadAndDraw(CMemBlock& block)
{
    gCMemFile stream(&block);
    auto* widget = new T();
    if (!widget)
        return;
    if (widget->LoadWidgetDataBlock(&stream) == eSuccess) {
        CBackdrop root;
        if (root.SetSize(24, 16, false) == eSuccess && root.AddChild(widget, false) == eSuccess) {
            root.MarkWindowReady();
            (void)root.InvalidateArea({0, 0, 24, 16}, true);
            return;
        }
    }
    delete widget;
}

} // namespace fuzzwidget
