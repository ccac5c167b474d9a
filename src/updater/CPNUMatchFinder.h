// The match search of the method-8 encoder over the whole input: for a position, the longest
// earlier match that ends before the position (no overlap) and before the input's end, the
// nearest among equal lengths.
//
// That is the result of walking every earlier position with the same first two bytes, nearest
// first. Walking them all is quadratic on real data, so the candidates are chained by equal
// prefixes of 4, 5, 6, 8, 10, 12 and 16 bytes instead: once the best length so far is b, only
// positions sharing b + 1 bytes can do better, and those all lie on the chain of the longest
// prefix length not above b + 1. The walk moves up to that chain, still nearest first, and so
// picks exactly the match a full walk would pick. The work area holds 4 bytes per input byte for
// each chain length, two more for the runs and the hashes, and the chain heads.
#pragma once

#include <cstdint>

class CPNUMatchFinder {
public:
    static constexpr uint32_t kLevelCount = 7;

    // Bytes of the work area for n input bytes (n < 2^32).
    static uint64_t WorkAreaSize(uint64_t n);

    CPNUMatchFinder(const uint8_t* in, uint64_t n) : mIn(in), mCount(n) {}

    // Links the chains in a work area of WorkAreaSize(n) bytes, which must stay alive while the
    // finder is used.
    void LinkChains(void* workArea);

    // best = 3 and dist = 0 when nothing of 4 bytes or more is found. rem = n - pos >= 4.
    void Find(uint64_t pos, uint64_t rem, uint64_t& best, uint64_t& dist) const;

    // Equal bytes of a and b from `start`, up to `limit`.
    static uint64_t MatchLength(const uint8_t* a, const uint8_t* b, uint64_t start, uint64_t limit);

private:
    static uint32_t HeadBits(uint64_t n);
    // Whether c lies in a run long enough to be judged whole, with its prefix of the level's
    // length inside the run.
    bool InJudgedRun(uint64_t c, uint32_t level) const;
    // The first position before `bound` on pos's chain of the given level.
    uint32_t FirstBefore(uint32_t level, uint64_t pos, uint64_t bound) const;
    // Judges the candidates [runStart, c] of one run of the byte at pos, nearest first.
    void JudgeRun(uint64_t pos, uint64_t rem, uint64_t c, uint64_t& best, uint64_t& dist) const;

    const uint8_t* mIn;
    uint64_t mCount;
    uint32_t* mLinks[kLevelCount] = {};
    // Start and end (exclusive) of the run of equal bytes that holds each position.
    uint32_t* mRunStart = nullptr;
    uint32_t* mRunEnd = nullptr;
};
