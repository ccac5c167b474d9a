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
// The suffixes are sorted by one of two sorters. Both give the one order (no two suffixes compare
// equal), so the coding never depends on which ran; each is the faster one somewhere.
// libdivsufsort sorts on one processor and copes with any input, long runs and periodic text
// included. CPNUSuffixSorter sorts on all the workers: it does about twice the work in all, so it
// pays only on a large input with many workers, and it gives up on input that would make it slow
// (one first-two-bytes bucket holding much of the input, long stretches equal deep into their
// bytes). Prepare runs it for inputs of 1 MiB and more when there are at least 8 workers, after
// listing the runs and choosing the escape byte; below that, with fewer workers, or where it gives
// up, libdivsufsort sorts while the runs are listed and the escape byte chosen alongside.
//
// The sorted order and the lengths are shared and never change once prepared, so several
// cursors can search at once, each walking its own stretch of the input in increasing order
// with its own record of recent positions.
#pragma once

#include <cstdint>

class CPNUMatchFinder {
public:
    // Bytes of the work area for n input bytes and `cursors` cursors (at least 1); the inputs
    // it serves are below 2^31 bytes.
    static uint64_t WorkAreaSize(uint64_t n, uint32_t cursors);
    static bool Serves(uint64_t n) { return n < (uint64_t(1) << 31); }
    // Bytes of the work area each cursor takes for n input bytes.
    static uint64_t CursorSize(uint64_t n);

    CPNUMatchFinder(const uint8_t* in, uint64_t n, uint32_t cursors)
        : mIn(in), mCount(n), mCursorCount(cursors < 1 ? 1 : cursors)
    {
    }

    // Sorts and measures the input in a work area of WorkAreaSize(n, cursors) bytes, which must
    // stay alive while the finder is used, on the workers in use. The first cursor then stands at
    // position 0; the others stand nowhere until started. False when the sorting could not run.
    // `alongside` (when given) is work that needs no sorted order, run once while the suffixes
    // are sorted.
    bool Prepare(void* workArea, void (*alongside)(void* context) = nullptr, void* context = nullptr);

    // Moves a cursor to `pos` (any position; a cursor moved back forgets what it saw later).
    void Start(uint32_t cursor, uint64_t pos);

    // best = 3 and dist = 0 when nothing of 4 bytes or more is found. A match of 4 to 7 bytes
    // whose nearest source lies beyond the distance the coding takes it from reports only that:
    // dist is then one more than that distance. pos <= n - 4, not below the one the cursor was
    // asked before or started at.
    void Find(uint32_t cursor, uint64_t pos, uint64_t& best, uint64_t& dist);

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
    struct sCursor {
        sWindowChain five;
        sWindowChain six;
        uint64_t added = 0;     // positions below this are in the windows
        uint64_t runCursor = 0; // the first run not wholly before the position asked
        uint32_t latestRun[256] = {}; // per byte value, the latest run wholly before it (+1)
    };

    static uint64_t RunCapacity(uint64_t n);
    static uint64_t WindowSize(uint64_t n, uint64_t distance);
    static uint32_t WindowHeadBits(uint64_t window);

    uint8_t* PlaceCursor(sCursor& cursor, uint8_t* area) const;
    void ListRuns();
    void MeasureShortMatches();
    void MeasureNeighbours();
    void MeasureShortMatchesIn(uint64_t begin, uint64_t end, uint8_t* fromLeft, uint8_t* shortMatch) const;
    // Puts position i at the head of its chain.
    void Link(sWindowChain& chain, uint64_t i) const;
    void AddToWindows(sCursor& cursor, uint64_t upTo) const;
    uint64_t NearestInWindow(const sWindowChain& chain, uint64_t length, uint64_t pos, uint64_t farthest) const;
    uint64_t NearestNearby(const sCursor& cursor, uint64_t length, uint64_t pos, uint64_t farthest) const;
    // The bytes the suffixes at c and pos share, counted on from `from` (known equal) up to
    // `upTo` at most.
    uint64_t Shared(uint64_t c, uint64_t pos, uint64_t from, uint64_t upTo) const;
    // The nearest source among the suffixes sorted next to pos's, of at least `length` bytes.
    uint64_t NearestAmongNeighbours(uint64_t pos, uint64_t length, uint64_t farthest) const;
    void FindLong(uint64_t pos, uint64_t& best, uint64_t& dist) const;
    void FindInRun(const sCursor& cursor, uint64_t pos, const sRun& run, uint64_t& best, uint64_t& dist) const;

    const uint8_t* mIn;
    uint64_t mCount;
    uint32_t mCursorCount;
    int32_t* mSuffixes = nullptr;   // the positions in sorted order
    int32_t* mRank = nullptr;       // a position's place in that order
    // Per position, the longest non-overlapping earlier match, 3 to 8, less 3 (low 3 bits); per
    // place in sorted order, the bytes shared with the suffix before (high 5 bits: exactly up to
    // 15, beyond as the least of a range).
    uint8_t* mMeasures = nullptr;
    sRun* mRuns = nullptr;
    uint64_t mRunCount = 0;
    sCursor* mCursors = nullptr;
};
