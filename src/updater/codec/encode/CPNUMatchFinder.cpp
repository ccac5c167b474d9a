#include "updater/codec/encode/CPNUMatchFinder.h"

#include "platform/SystemMemory.h"
#include "platform/WorkerThreads.h"
#include "updater/codec/encode/CPNUSuffixSorter.h"

#include <divsufsort.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
// Matches up to this length are measured for every position beforehand.
constexpr uint64_t kShortLimit = 8;
// The bytes each suffix shares with the one sorted before it are kept in 5 bits: exactly below
// 16, above it as the least of a range 4 times as wide.
constexpr uint64_t kExactCommons = 16;
constexpr uint8_t kLastCommonCode = 31;
// Runs of at least this many equal bytes are judged run by run.
constexpr uint64_t kRunLength = 8;
// The system's page size, or a divisor of it.
constexpr uint64_t kPageSize = 4096;
// Inputs from this size on are sorted on all processors, where there are many: that sort does
// about twice the work of the sort of one processor in all, so with fewer it gains little.
constexpr uint64_t kSortInParallelFrom = uint64_t(1) << 20;
constexpr uint32_t kFewestSortingProcessors = 8;
// How far ahead in sorted order the scattered bytes of a pass are fetched.
constexpr uint64_t kAhead = 16;
// The farthest source a match of 4, 5, 6 and 7 bytes is coded from (longer: any).
constexpr uint64_t kFarthest[4] = {127, 16383, 2097151, 268435455};

uint32_t Load32(const uint8_t* at)
{
    uint32_t value;
    memcpy(&value, at, 4);
    return value;
}

uint64_t Load64(const uint8_t* at)
{
    uint64_t value;
    memcpy(&value, at, 8);
    return value;
}

// The zero bytes of a word as the high bit of each; below the lowest zero byte no bit is set, so
// its place is exact.
uint64_t ZeroBytes(uint64_t word)
{
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    return (word - kOnes) & ~word & (kOnes << 7);
}

uint64_t LeastCommon(uint8_t code) { return code < kExactCommons ? code : kExactCommons << (2 * (code - kExactCommons)); }

// The largest code whose least is at most `common`: above the exact ones, one code for every
// two bits of common / kExactCommons.
uint8_t CommonCode(uint64_t common)
{
    if (common < kExactCommons)
        return uint8_t(common);
    const uint64_t doubleBits = (uint64_t(std::bit_width(common / kExactCommons)) - 1) / 2;
    return uint8_t(kExactCommons + std::min<uint64_t>(doubleBits, kLastCommonCode - kExactCommons));
}

uint64_t Align8(uint64_t bytes) { return (bytes + 7) & ~uint64_t(7); }

// The first `length` bytes at `at` (`available` readable there) as a bucket of 2^bits.
uint32_t Bucket(const uint8_t* at, uint64_t available, uint64_t length, uint32_t bits)
{
    uint64_t prefix = 0;
    if (available >= 8) {
        prefix = Load64(at) & ((uint64_t(1) << (8 * length)) - 1);
    } else {
        for (uint64_t b = 0; b < length; ++b)
            prefix |= uint64_t(at[b]) << (8 * b);
    }
    return uint32_t((prefix * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

} // namespace

uint64_t CPNUMatchFinder::MatchLength(const uint8_t* a, const uint8_t* b, uint64_t start, uint64_t limit)
{
    uint64_t k = start;
    while (k + 8 <= limit) {
        const uint64_t difference = Load64(a + k) ^ Load64(b + k);
        if (difference != 0)
            return k + uint64_t(std::countr_zero(difference)) / 8;
        k += 8;
    }
    while (k < limit && a[k] == b[k])
        ++k;
    return k;
}

uint64_t CPNUMatchFinder::RunCapacity(uint64_t n) { return n / kRunLength + 1; }

uint64_t CPNUMatchFinder::WindowSize(uint64_t n, uint64_t distance)
{
    // A power of two above the distance, or above the input when that is smaller.
    uint64_t window = 16;
    while (window <= distance && window < n)
        window *= 2;
    return window;
}

uint32_t CPNUMatchFinder::WindowHeadBits(uint64_t window) { return std::max<uint32_t>(std::bit_width(window) - 3, 4); }

uint64_t CPNUMatchFinder::CursorSize(uint64_t n)
{
    uint64_t size = 0;
    for (uint64_t distance : {kFarthest[1], kFarthest[2]}) {
        const uint64_t window = WindowSize(n, distance);
        size += 4 * ((uint64_t(1) << WindowHeadBits(window)) + window);
    }
    return size;
}

uint64_t CPNUMatchFinder::WorkAreaSize(uint64_t n, uint32_t cursors)
{
    if (!Serves(n))
        return 0;
    const uint64_t count = std::max<uint32_t>(cursors, 1);
    return Align8(4 * n) * 2 + Align8(n) + Align8(sizeof(sRun) * RunCapacity(n)) + Align8(sizeof(sCursor) * count)
        + CursorSize(n) * count;
}

uint8_t* CPNUMatchFinder::PlaceCursor(sCursor& cursor, uint8_t* area) const
{
    for (sWindowChain* chain : {&cursor.five, &cursor.six}) {
        chain->keyLength = chain == &cursor.five ? 5 : 6;
        chain->window = WindowSize(mCount, kFarthest[chain->keyLength - 4]);
        chain->headBits = WindowHeadBits(chain->window);
        chain->head = reinterpret_cast<uint32_t*>(area);
        area += 4 * (uint64_t(1) << chain->headBits);
        chain->previous = reinterpret_cast<uint32_t*>(area);
        area += 4 * chain->window;
    }
    return area;
}

namespace {

// Index ranges of about equal size for the workers, a few per worker so that an uneven range
// does not leave the others idle.
struct sRanges {
    uint64_t count;
    uint32_t parts;

    sRanges(uint64_t n, uint64_t smallest)
        : count(n),
          parts(uint32_t(std::clamp<uint64_t>(n / smallest, 1, uint64_t(plat::GetWorkers().Count()) * 4)))
    {
    }
    uint64_t Begin(uint32_t part) const { return count * part / parts; }
    uint64_t End(uint32_t part) const { return count * (part + 1) / parts; }
};

constexpr uint64_t kSmallestRange = 1 << 16;

template <typename Work>
void RunParts(uint32_t parts, Work& work)
{
    plat::GetWorkers().Run(parts, [](void* context, uint32_t part) { (*static_cast<Work*>(context))(part); },
                           &work);
}

} // namespace

bool CPNUMatchFinder::Prepare(void* workArea, void (*alongside)(void* context), void* context)
{
    const uint64_t n = mCount;
    if (!Serves(n))
        return false;
    // The tables are read and written at scattered places: large pages, where the system has
    // them, spare most of the address translations.
    plat::AdviseLargePages(workArea, WorkAreaSize(n, mCursorCount));
    uint8_t* area = static_cast<uint8_t*>(workArea);
    mSuffixes = reinterpret_cast<int32_t*>(area);
    area += Align8(4 * n);
    mRank = reinterpret_cast<int32_t*>(area);
    area += Align8(4 * n);
    mMeasures = area;
    area += Align8(n);
    mRuns = reinterpret_cast<sRun*>(area);
    area += Align8(sizeof(sRun) * RunCapacity(n));
    mCursors = new (area) sCursor[mCursorCount];
    area += Align8(sizeof(sCursor) * mCursorCount);
    for (uint32_t c = 0; c < mCursorCount; ++c)
        area = PlaceCursor(mCursors[c], area);
    Start(0, 0);

    // The pages the sort writes are brought in by all processors first.
    const sRanges sortedBytes(4 * n, kSmallestRange);
    auto bringIn = [&](uint32_t part) {
        uint8_t* sortedArea = reinterpret_cast<uint8_t*>(mSuffixes);
        for (uint64_t at = sortedBytes.Begin(part); at < sortedBytes.End(part); at += kPageSize)
            sortedArea[at] = 0;
    };
    RunParts(sortedBytes.parts, bringIn);
    // A large input is sorted on all processors, the runs (which need no sorted order) listed
    // and `alongside` run before; where that sort cannot serve, the sort of one processor runs
    // while they are.
    bool listed = false;
    bool sorted = false;
    if (n >= kSortInParallelFrom && plat::GetWorkers().Count() >= kFewestSortingProcessors) {
        auto listAndAlongside = [&](uint32_t part) {
            if (part == 0)
                ListRuns();
            else
                alongside(context);
        };
        RunParts(alongside ? 2 : 1, listAndAlongside);
        listed = true;
        alongside = nullptr;
        sorted = CPNUSuffixSorter::Sort(mIn, n, mSuffixes, reinterpret_cast<uint32_t*>(mRank), mMeasures);
    }
    if (!sorted) {
        auto sortAndList = [&](uint32_t part) {
            if (part == 0)
                sorted = divsufsort(mIn, mSuffixes, int32_t(n)) == 0;
            else if (part == 1 && !listed)
                ListRuns();
            else
                alongside(context);
        };
        RunParts(1 + (listed ? 0 : 1) + (alongside ? 1 : 0), sortAndList);
    }
    if (!sorted)
        return false;
    MeasureNeighbours();
    MeasureShortMatches();
    const sRanges ranges(n, kSmallestRange);
    auto rank = [&](uint32_t part) {
        const uint64_t end = ranges.End(part);
        for (uint64_t j = ranges.Begin(part); j < end; ++j) {
            if (j + kAhead < end)
                __builtin_prefetch(mRank + mSuffixes[j + kAhead], 1);
            mRank[mSuffixes[j]] = int32_t(j);
        }
    };
    RunParts(ranges.parts, rank);
    return true;
}

void CPNUMatchFinder::MeasureNeighbours()
{
    // The bytes each suffix shares with the one sorted before it, counted in text order, where
    // each is at least one less than the one before; each stretch of the text starts counting
    // afresh. The rank area holds the work meanwhile.
    const uint64_t n = mCount;
    int32_t* before = mRank;
    const sRanges ranges(n, kSmallestRange);
    auto link = [&](uint32_t part) {
        const uint64_t end = ranges.End(part);
        for (uint64_t j = ranges.Begin(part); j < end; ++j) {
            if (j + kAhead < end)
                __builtin_prefetch(before + mSuffixes[j + kAhead], 1);
            before[mSuffixes[j]] = j == 0 ? -1 : mSuffixes[j - 1];
        }
    };
    RunParts(ranges.parts, link);
    auto count = [&](uint32_t part) {
        uint64_t common = 0;
        const uint64_t end = ranges.End(part);
        for (uint64_t i = ranges.Begin(part); i < end; ++i) {
            // The scattered bytes compared a few positions on are fetched meanwhile.
            if (i + kAhead < end && before[i + kAhead] >= 0)
                __builtin_prefetch(mIn + before[i + kAhead]);
            if (before[i] < 0) {
                before[i] = 0;
                common = 0;
                continue;
            }
            // Byte by byte: mostly a byte or two, and the loop overlaps with the next position's.
            const uint64_t j = uint64_t(before[i]);
            const uint64_t limit = std::min(n - i, n - j);
            while (common < limit && mIn[i + common] == mIn[j + common])
                ++common;
            before[i] = int32_t(common);
            if (common > 0)
                --common;
        }
    };
    RunParts(ranges.parts, count);
    auto keep = [&](uint32_t part) {
        const uint64_t end = ranges.End(part);
        for (uint64_t j = ranges.Begin(part); j < end; ++j) {
            if (j + kAhead < end)
                __builtin_prefetch(before + mSuffixes[j + kAhead]);
            mMeasures[j] = uint8_t(CommonCode(uint64_t(before[mSuffixes[j]])) << 3);
        }
    };
    RunParts(ranges.parts, keep);
}

void CPNUMatchFinder::MeasureShortMatches()
{
    // For each length 4..8 the suffixes sharing that prefix are neighbours in sorted order,
    // where the bytes shared with the suffix before mark the groups' beginnings. Where even 4
    // bytes are not shared every group begins, so the order is cut there into stretches
    // measured on their own. The rank area holds the work meanwhile.
    const uint64_t n = mCount;
    uint8_t* fromLeft = reinterpret_cast<uint8_t*>(mRank);
    uint8_t* shortMatch = fromLeft + n;
    const sRanges ranges(n, kSmallestRange);
    auto common = [this](uint64_t j) { return uint64_t(mMeasures[j] >> 3); };
    auto cut = [&](uint32_t part) {
        uint64_t j = ranges.Begin(part);
        while (j > 0 && j < n && common(j) >= 4)
            ++j;
        return j;
    };
    auto sweep = [&](uint32_t part) {
        const uint64_t begin = cut(part);
        const uint64_t end = part + 1 < ranges.parts ? cut(part + 1) : n;
        if (begin < end)
            MeasureShortMatchesIn(begin, end, fromLeft, shortMatch);
    };
    RunParts(ranges.parts, sweep);
    auto keep = [&](uint32_t part) {
        for (uint64_t i = ranges.Begin(part); i < ranges.End(part); ++i)
            mMeasures[i] = uint8_t((mMeasures[i] & 0xF8) | (shortMatch[i] - 3));
    };
    RunParts(ranges.parts, keep);
}

void CPNUMatchFinder::MeasureShortMatchesIn(uint64_t begin, uint64_t end, uint8_t* fromLeft, uint8_t* shortMatch) const
{
    // A position has a non-overlapping earlier match of a length when the group's earliest
    // position lies that far back: its earliest from the left, then from the right. The left
    // results wait in sorted order, so each position is written once.
    constexpr uint32_t kLengths = uint32_t(kShortLimit - 3);
    auto common = [this](uint64_t j) { return uint64_t(mMeasures[j] >> 3); };
    uint32_t earliest[kLengths] = {};
    // The groups of the lengths the neighbour shares go on, the longer ones start at p. Each
    // group lies inside that of the next shorter length, so its earliest position is no earlier
    // and the lengths reaching far enough back are all those up to the longest: counted.
    auto longest = [&](uint32_t p, uint64_t shared) {
        uint32_t length = 3;
        for (uint32_t k = 0; k < kLengths; ++k) {
            earliest[k] = shared >= k + 4 ? std::min(earliest[k], p) : p;
            length += earliest[k] + (k + 4) <= p ? 1 : 0;
        }
        return uint8_t(length);
    };
    for (uint64_t j = begin; j < end; ++j)
        fromLeft[j] = longest(uint32_t(mSuffixes[j]), j == begin ? 0 : common(j));
    for (uint64_t j = end; j-- > begin;) {
        if (j >= begin + kAhead)
            __builtin_prefetch(shortMatch + mSuffixes[j - kAhead], 1);
        const uint32_t p = uint32_t(mSuffixes[j]);
        shortMatch[p] = std::max(fromLeft[j], longest(p, j + 1 == end ? 0 : common(j + 1)));
    }
}

void CPNUMatchFinder::ListRuns()
{
    const uint8_t* in = mIn;
    const uint64_t n = mCount;
    // Per byte value the latest run listed, and through longerBefore the runs longer than it.
    uint32_t top[256] = {};
    mRunCount = 0;
    for (uint64_t start = 0; start < n;) {
        // Eight bytes at once past those that differ from the byte after them: each is a run of
        // one.
        while (start + 9 <= n) {
            const uint64_t equalNext = ZeroBytes(Load64(in + start) ^ Load64(in + start + 1));
            if (equalNext != 0) {
                start += uint64_t(std::countr_zero(equalNext)) / 8;
                break;
            }
            start += 8;
        }
        const uint64_t end = start + 1 + MatchLength(in + start, in + start + 1, 0, n - start - 1);
        if (end - start >= kRunLength) {
            sRun& run = mRuns[mRunCount];
            run.start = uint32_t(start);
            run.end = uint32_t(end);
            uint32_t longer = top[in[start]];
            while (longer != 0 && mRuns[longer - 1].end - mRuns[longer - 1].start <= end - start)
                longer = mRuns[longer - 1].longerBefore;
            run.longerBefore = longer;
            top[in[start]] = uint32_t(++mRunCount);
        }
        start = end;
    }
}

void CPNUMatchFinder::Start(uint32_t c, uint64_t pos)
{
    sCursor& cursor = mCursors[c];
    for (sWindowChain* chain : {&cursor.five, &cursor.six})
        std::fill(chain->head, chain->head + (uint64_t(1) << chain->headBits), kNone);
    // Only the positions a window reaches back to matter; farther back than the five-byte
    // window reaches, only the six-byte one takes them.
    const uint64_t older = pos > cursor.six.window ? pos - cursor.six.window : 0;
    const uint64_t recent = std::max(older, pos > cursor.five.window ? pos - cursor.five.window : 0);
    for (uint64_t i = older; i < recent && i + 6 <= mCount; ++i) {
        if (i + kAhead + 8 <= mCount)
            __builtin_prefetch(&cursor.six.head[Bucket(mIn + i + kAhead, 8, 6, cursor.six.headBits)], 1);
        Link(cursor.six, i);
    }
    cursor.added = recent;
    AddToWindows(cursor, pos);

    const sRun* runs = mRuns;
    cursor.runCursor = uint64_t(std::partition_point(runs, runs + mRunCount, [pos](const sRun& run) {
                                    return run.end <= pos;
                                }) - runs);
    std::fill(cursor.latestRun, cursor.latestRun + 256, 0u);
    uint32_t unseen = 256;
    for (uint64_t k = cursor.runCursor; k-- > 0 && unseen > 0;) {
        uint32_t& latest = cursor.latestRun[mIn[runs[k].start]];
        if (latest == 0) {
            latest = uint32_t(k + 1);
            --unseen;
        }
    }
}

void CPNUMatchFinder::Link(sWindowChain& chain, uint64_t i) const
{
    const uint32_t bucket = Bucket(mIn + i, mCount - i, chain.keyLength, chain.headBits);
    chain.previous[i & (chain.window - 1)] = chain.head[bucket];
    chain.head[bucket] = uint32_t(i);
}

void CPNUMatchFinder::AddToWindows(sCursor& cursor, uint64_t upTo) const
{
    const uint64_t n = mCount;
    sWindowChain& five = cursor.five;
    sWindowChain& six = cursor.six;
    for (uint64_t i = cursor.added; i < upTo; ++i) {
        // The heads a few positions on are fetched while these are linked.
        if (i + kAhead + 8 <= n) {
            __builtin_prefetch(&five.head[Bucket(mIn + i + kAhead, 8, 5, five.headBits)], 1);
            __builtin_prefetch(&six.head[Bucket(mIn + i + kAhead, 8, 6, six.headBits)], 1);
        }
        if (i + 5 <= n)
            Link(five, i);
        if (i + 6 <= n)
            Link(six, i);
    }
    cursor.added = std::max(cursor.added, upTo);
}

uint64_t CPNUMatchFinder::NearestInWindow(const sWindowChain& chain, uint64_t length, uint64_t pos,
                                          uint64_t farthest) const
{
    const uint64_t reach = std::min(farthest, chain.window - 1);
    uint32_t c = chain.head[Bucket(mIn + pos, mCount - pos, chain.keyLength, chain.headBits)];
    while (c != kNone && pos - c <= reach) {
        if (pos - c >= length && MatchLength(mIn + c, mIn + pos, 0, length) == length)
            return c;
        c = chain.previous[c & (chain.window - 1)];
    }
    return kNone;
}

uint64_t CPNUMatchFinder::NearestNearby(const sCursor& cursor, uint64_t length, uint64_t pos,
                                        uint64_t farthest) const
{
    if (length == 4) {
        const uint32_t key = Load32(mIn + pos);
        const uint64_t last = pos >= farthest ? pos - farthest : 0;
        for (uint64_t c = pos - 4 + 1; c-- > last;) {
            if (Load32(mIn + c) == key)
                return c;
        }
        return kNone;
    }
    if (length == 5)
        return NearestInWindow(cursor.five, 5, pos, farthest);
    // 6 and 7 bytes: the recent positions sharing 6 bytes hold the nearest of either when it is
    // recent; an older source of 7 bytes is sought among the sorted neighbours.
    const uint64_t nearest = NearestInWindow(cursor.six, length, pos, farthest);
    if (nearest != kNone || length == 6 || cursor.six.window > std::min(farthest, pos))
        return nearest;
    return NearestAmongNeighbours(pos, length, farthest);
}

uint64_t CPNUMatchFinder::Shared(uint64_t c, uint64_t pos, uint64_t from, uint64_t upTo) const
{
    return MatchLength(mIn + c, mIn + pos, from, std::min({upTo, mCount - c, mCount - pos}));
}

uint64_t CPNUMatchFinder::NearestAmongNeighbours(uint64_t pos, uint64_t length, uint64_t farthest) const
{
    // Every suffix sharing `length` bytes with pos's lies next to it in sorted order.
    const int64_t n = int64_t(mCount);
    const int64_t rank = mRank[pos];
    uint64_t nearest = kNone;
    for (int64_t step : {-1, 1}) {
        for (int64_t j = rank + step; j >= 0 && j < n; j += step) {
            const uint64_t c = uint64_t(mSuffixes[j]);
            if (Shared(c, pos, 0, length) < length)
                break;
            if (c + length <= pos && pos - c <= farthest && (nearest == kNone || c > nearest))
                nearest = c;
        }
    }
    return nearest;
}

void CPNUMatchFinder::FindLong(uint64_t pos, uint64_t& best, uint64_t& dist) const
{
    // The neighbours in sorted order, both ways at once, those sharing more bytes first. Each
    // side shares fewer bytes the farther it goes, so once neither side shares as many as the
    // best match, nothing farther can reach it. A neighbour is compared only as far as matters:
    // an earlier one up to where the no-overlap rule cuts its match, a later one (which cannot
    // be a source) up to the best length so far, further only when the best grows.
    struct sSide {
        int64_t j;
        uint64_t shared;
        bool open; // shares at least `shared` bytes, maybe more
    };
    const int64_t n = int64_t(mCount);
    const int64_t rank = mRank[pos];
    const int64_t step[2] = {-1, 1};
    sSide side[2] = {{rank, mCount - pos, false}, {rank, mCount - pos, false}};
    uint64_t source = kNone;
    uint64_t found = kShortLimit - 1;
    auto measure = [&](sSide& at, uint64_t from, uint64_t upTo) {
        const uint64_t c = uint64_t(mSuffixes[at.j]);
        const uint64_t end = std::min(mCount - c, mCount - pos);
        at.shared = Shared(c, pos, from, upTo);
        at.open = at.shared == upTo && upTo < end;
    };
    auto advance = [&](int s) {
        sSide& at = side[s];
        const int64_t boundary = step[s] < 0 ? at.j : at.j + 1;
        at.j += step[s];
        if (at.j < 0 || at.j >= n) {
            at.shared = 0;
            at.open = false;
            return;
        }
        // The next suffix shares with pos's what both the last one and the step between share:
        // often that is known without comparing.
        const uint8_t code = mMeasures[boundary] >> 3;
        const uint64_t least = LeastCommon(code);
        const uint64_t known = std::min(at.shared, least);
        if ((code < kExactCommons && least <= at.shared) || (!at.open && at.shared <= least)) {
            at.shared = known;
            at.open = false;
            return;
        }
        const uint64_t c = uint64_t(mSuffixes[at.j]);
        const uint64_t threshold = std::max(found, kShortLimit);
        measure(at, known, std::max(c < pos ? std::max(pos - c, threshold) : threshold, known));
    };
    auto reaches = [&](sSide& at, uint64_t threshold) {
        if (at.shared < threshold && at.open)
            measure(at, at.shared, threshold);
        return at.shared >= threshold;
    };
    advance(0);
    advance(1);
    for (;;) {
        const uint64_t threshold = std::max(found, kShortLimit);
        const bool reach0 = reaches(side[0], threshold);
        const bool reach1 = reaches(side[1], threshold);
        if (!reach0 && !reach1)
            break;
        const int s = reach0 && (!reach1 || side[0].shared >= side[1].shared) ? 0 : 1;
        const uint64_t c = uint64_t(mSuffixes[side[s].j]);
        if (c < pos) {
            const uint64_t length = std::min(side[s].shared, pos - c);
            if (length > found || (length == found && source != kNone && c > source)) {
                found = length;
                source = c;
            }
        }
        advance(s);
    }
    if (source != kNone) {
        best = found;
        dist = pos - source;
    }
}

void CPNUMatchFinder::FindInRun(const sCursor& cursor, uint64_t pos, const sRun& run, uint64_t& best,
                                uint64_t& dist) const
{
    // pos is followed by rp bytes of its value v. An earlier position c inside a run of v that
    // ends at e shares min(e - c, rp) bytes when e - c differs from rp; only the runs ending
    // exactly rp bytes after c can share more, and those are the few suffixes sorted next to
    // pos's that share more than rp bytes.
    const uint64_t n = mCount;
    const uint64_t rp = run.end - pos;
    const int64_t rank = mRank[pos];
    uint64_t source = kNone;
    uint64_t found = rp;
    for (int64_t step : {-1, 1}) {
        for (int64_t j = rank + step; j >= 0 && j < int64_t(n); j += step) {
            const uint64_t c = uint64_t(mSuffixes[j]);
            const uint64_t shared = Shared(c, pos, 0, c < pos ? std::max(pos - c, rp + 1) : rp + 1);
            if (shared <= rp)
                break;
            if (c < pos) {
                const uint64_t length = std::min(shared, pos - c);
                if (length > found || (length == found && source != kNone && c > source)) {
                    found = length;
                    source = c;
                }
            }
        }
    }
    if (source != kNone) {
        best = found;
        dist = pos - source;
        return;
    }
    // rp bytes: from rp back inside pos's own run, else from the latest earlier run of at least
    // rp bytes, rp before its end.
    if (pos - run.start >= rp) {
        best = rp;
        dist = rp;
        return;
    }
    const uint8_t value = mIn[pos];
    uint32_t k = cursor.latestRun[value];
    while (k != 0 && mRuns[k - 1].end - mRuns[k - 1].start < rp)
        k = mRuns[k - 1].longerBefore;
    if (k != 0) {
        best = rp;
        dist = pos - (mRuns[k - 1].end - rp);
        return;
    }
    // Fewer: the start of pos's own run, or the start of the longest earlier run (the latest
    // of equal ones), the nearer on a tie.
    uint64_t longest = 0;
    uint64_t longestStart = 0;
    for (k = cursor.latestRun[value]; k != 0; k = mRuns[k - 1].longerBefore) {
        longest = mRuns[k - 1].end - mRuns[k - 1].start;
        longestStart = mRuns[k - 1].start;
    }
    const uint64_t own = pos - run.start;
    if (own >= longest && own >= 4) {
        best = own;
        dist = own;
    } else if (longest >= 4) {
        best = longest;
        dist = pos - longestStart;
    }
}

void CPNUMatchFinder::Find(uint32_t c, uint64_t pos, uint64_t& best, uint64_t& dist)
{
    sCursor& cursor = mCursors[c];
    best = 3;
    dist = 0;
    AddToWindows(cursor, pos);
    while (cursor.runCursor < mRunCount && mRuns[cursor.runCursor].end <= pos) {
        cursor.latestRun[mIn[mRuns[cursor.runCursor].start]] = uint32_t(cursor.runCursor + 1);
        ++cursor.runCursor;
    }
    const uint64_t length = (mMeasures[pos] & 7) + 3;
    if (length < 4)
        return;
    if (length < kShortLimit) {
        // Exactly this long; coded only from a source near enough, so only there is it sought.
        const uint64_t farthest = kFarthest[length - 4];
        const uint64_t source = NearestNearby(cursor, length, pos, farthest);
        best = length;
        dist = source == kNone ? farthest + 1 : pos - source;
        return;
    }
    const sRun* run = cursor.runCursor < mRunCount ? &mRuns[cursor.runCursor] : nullptr;
    if (run && run->start <= pos && run->end - pos >= kRunLength) {
        FindInRun(cursor, pos, *run, best, dist);
        return;
    }
    FindLong(pos, best, dist);
}
