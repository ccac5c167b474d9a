// Shared by the widget block fuzz targets: alerts and load errors go nowhere, allocations are
// capped, and a widget that loaded is laid out and drawn in a small window.
#pragma once

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "core/gCMemory.h"
#include "platform/AlertPresenter.h"
#include "widgets/CBackdrop.h"

#include <cstddef>
#include <cstdlib>

namespace fuzzwidget {

// Allocations above this fail through the toolkit's hooks, as on a machine without the memory:
// a block may declare a widget far larger than any window, and a picture, a table's cell area
// or a shape of the largest size the toolkit allows takes seconds to fill, compress and read
// back under the fuzzer's instrumentation. Small, so that the sanitizer's quarantine of freed
// blocks stays small too.
constexpr size_t kAllocationCap = size_t(8) << 20;
inline void* CappedAllocate(size_t size) { return size > kAllocationCap ? nullptr : std::malloc(size ? size : 1); }
inline void* CappedReallocate(void* block, size_t size)
{
    return size > kAllocationCap ? nullptr : std::realloc(block, size ? size : 1);
}
inline void Free(void* block) { std::free(block); }
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
