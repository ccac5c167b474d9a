// Putting the default memory hooks back after a test's own hooks were installed.
#include "core/gCMemory.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoryHooksReset, TheDefaultHooksServeAgainAndTheReplacedOnesSeeNothing)
{
    struct sCase {
        const char* what;
        void* (*request)();
    } cases[] = {
        {"allocate", [] { return MemAllocate(64); }},
        {"reallocate", [] { return MemReallocate(nullptr, 64); }},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.what);
        AllocationFailure failure(1, true);
        EXPECT_EQ(c.request(), nullptr);
        ResetMemoryHooks();
        void* block = c.request();
        EXPECT_NE(block, nullptr);
        MemFree(block);
        EXPECT_EQ(failure.Count(), 1);
    }
}

} // namespace
