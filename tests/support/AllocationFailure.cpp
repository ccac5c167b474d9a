#include "support/AllocationFailure.h"

#include "core/gCMemory.h"

#include <cstdlib>

namespace {

int64_t sCount = 0;
size_t sLargest = 0;
int64_t sFailAt = 0;
bool sFailAllAfter = false;
sMemoryHooks sSaved;

bool ShouldFail(size_t size)
{
    ++sCount;
    if (size > sLargest)
        sLargest = size;
    if (sFailAt == 0)
        return false;
    return sCount == sFailAt || (sFailAllAfter && sCount > sFailAt);
}

void* FailingReallocate(void* block, size_t size)
{
    return ShouldFail(size) ? nullptr : sSaved.reallocate(block, size);
}

void* FailingAllocate(size_t size) { return ShouldFail(size) ? nullptr : sSaved.allocate(size); }

} // namespace

AllocationFailure::AllocationFailure(int64_t failAt, bool failAllAfter)
{
    sSaved = GetMemoryHooks();
    sCount = 0;
    sLargest = 0;
    sFailAt = failAt;
    sFailAllAfter = failAllAfter;
    gReallocHook = FailingReallocate;
    gAllocHook = FailingAllocate;
}

AllocationFailure::~AllocationFailure() { SetMemoryHooks(sSaved); }

int64_t AllocationFailure::Count() const { return sCount; }

size_t AllocationFailure::LargestRequest() const { return sLargest; }
