// The match search of the method-8 encoder over the whole input: for a position, the longest
// earlier match that ends before the position (no overlap) and before the input's end, the
// nearest among equal lengths. That is what walking every earlier position with the same first
// two bytes gives, nearest first, without the walk.
//
// The suffixes of the input are sorted once. From the sorted order comes, for every position,
// the length of its longest non-overlapping earlier match up to 8 bytes: for each prefix length
// the suffixes sharing it lie together, and the match exists when the earliest of them starts
// far enough back. A shorter match than 8 bytes is then known exactly, and only its nearest
// source is searched, among recent positions (the coding takes it only that near). A match of 8
// bytes or more is found among the suffixes next to the position's own in sorted order, which
// hold every position sharing at least as many bytes. Runs of one byte value would make that
// neighbourhood huge; inside a run the match is judged run by run instead.
//
// The positions must be asked in increasing order, as the encoder walks the input.
#pragma once

#include <cstdint>

class CPNUMatchFinder {
public:
    // Bytes of the work area for n input bytes; the inputs it serves are below 2^31 bytes.
    static uint64_t WorkAreaSize(uint64_t n);
    static bool Serves(uint64_t n) { return n < (uint64_t(1) << 31); }

    CPNUMatchFinder(const uint8_t* in, uint64_t n) : mIn(in), mCount(n) {}

    // Sorts and measures the input in a work area of WorkAreaSize(n) bytes, which must stay
    // alive while the finder is used. False when the sorting could not run.
    bool Prepare(void* workArea);

    // best = 3 and dist = 0 when nothing of 4 bytes or more is found. A match of 4 to 7 bytes
    // whose nearest source lies beyond the distance the coding takes it from reports only that:
    // dist is then one more than that distance. rem = n - pos >= 4, pos not below the one asked
    // before.
    void Find(uint64_t pos, uint64_t rem, uint64_t& best, uint64_t& dist);

    // Equal bytes of a and b from `start`, up to `limit`.
    static uint64_t MatchLength(const uint8_t* a, const uint8_t* b, uint64_t start, uint64_t limit);

private:
    struct sRun {
        uint32_t start;
        uint32_t end;          // exclusive
        uint32_t longerBefore; // the nearest earlier run of the same byte that is longer
    };
    // Recent positions chained by equal prefixes of one length, newest first.
    struct sWindowChain {
        uint32_t* head = nullptr;
        uint32_t* previous = nullptr;
        uint32_t headBits = 0;
        uint64_t keyLength = 0; // the prefix length that chains positions
        uint64_t window = 0;    // a power of two
    };

    struct sLongCommon {
        uint32_t rank;
        uint32_t common;
    };

    static uint64_t RunCapacity(uint64_t n);
    static uint64_t LongCommonCapacity(uint64_t n);
    static uint64_t WindowSize(uint64_t n, uint64_t distance);
    static uint32_t WindowHeadBits(uint64_t window);

    void MeasureNeighbours();
    void MeasureShortMatches();
    // The bytes pos shares with the suffix c sorted at `boundary`, from the `shared` bytes it
    // shares with c's neighbour on pos's side.
    uint64_t Shared(uint64_t shared, uint64_t boundary, uint64_t c, uint64_t pos) const;
    void ListRuns();
    void AddToWindows(uint64_t upTo);
    uint64_t NearestInWindow(const sWindowChain& chain, uint64_t length, uint64_t pos, uint64_t farthest) const;
    uint64_t NearestNearby(uint64_t length, uint64_t pos, uint64_t farthest) const;
    // The nearest source among the suffixes sorted next to pos's, of at least `length` bytes.
    uint64_t NearestAmongNeighbours(uint64_t pos, uint64_t rem, uint64_t length, uint64_t farthest) const;
    void FindLong(uint64_t pos, uint64_t rem, uint64_t& best, uint64_t& dist) const;
    void FindInRun(uint64_t pos, uint64_t rem, const sRun& run, uint64_t& best, uint64_t& dist);

    const uint8_t* mIn;
    uint64_t mCount;
    int32_t* mSuffixes = nullptr; // the positions in sorted order
    int32_t* mRank = nullptr;     // a position's place in that order
    uint8_t* mShortMatch = nullptr; // the longest non-overlapping earlier match, 3 to 8
    uint8_t* mCommon = nullptr;     // bytes shared with the sorted neighbour before, up to 255
    sLongCommon* mLongCommons = nullptr; // the exact count where it is 255 or more, by rank
    uint64_t mLongCommonCount = 0;
    sRun* mRuns = nullptr;
    uint64_t mRunCount = 0;
    uint64_t mRunCursor = 0;     // the first run not wholly before the position asked
    uint32_t mLatestRun[256] = {}; // per byte value, the latest run wholly before it (+1)
    sWindowChain mWindow5;
    sWindowChain mWindow6;
    uint64_t mAdded = 0; // positions below this are in the windows
};
