// Makes the toolkit's n-th allocation from now on fail, so every "out of memory" path can be
// reached. The hooks are restored when the object goes out of scope.
#pragma once

#include <cstddef>
#include <cstdint>

class AllocationFailure {
public:
    // failAt = 1 fails the very next allocation or reallocation; 0 never fails (counts only).
    explicit AllocationFailure(int64_t failAt, bool failAllAfter = false);
    ~AllocationFailure();

    // Allocations and reallocations seen since construction.
    int64_t Count() const;
    // The most bytes one of them asked for.
    size_t LargestRequest() const;

    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
};

// Runs `operation` with the k-th allocation failing, for k = 1, 2, ... until a run sees no
// failure; `check` receives whether the run hit the failure. Returns the number of runs.
template <typename Operation, typename Check>
int64_t ForEachAllocationFailure(Operation operation, Check check)
{
    for (int64_t k = 1;; ++k) {
        bool failed;
        {
            AllocationFailure failure(k);
            operation();
            failed = failure.Count() >= k;
        }
        check(failed);
        if (!failed)
            return k;
    }
}
