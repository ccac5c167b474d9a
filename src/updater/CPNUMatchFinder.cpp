#include "updater/CPNUMatchFinder.h"

#include <divsufsort.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
// Matches up to this length are measured for every position beforehand.
constexpr uint64_t kShortLimit = 8;
// Shared bytes of sorted neighbours are kept up to this; beyond it they are measured again.
constexpr uint64_t kCommonLimit = 255;
// Runs of at least this many equal bytes are judged run by run.
constexpr uint64_t kRunLength = 8;
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

// Few neighbours share 255 bytes or more; beyond this many their shared bytes are measured again
// when needed. Pages of the table that are never written cost no memory.
uint64_t CPNUMatchFinder::LongCommonCapacity(uint64_t n) { return n / 8 + 16; }

uint64_t CPNUMatchFinder::WindowSize(uint64_t n, uint64_t distance)
{
    // A power of two above the distance, or above the input when that is smaller.
    uint64_t window = 16;
    while (window <= distance && window < n)
        window *= 2;
    return window;
}

uint32_t CPNUMatchFinder::WindowHeadBits(uint64_t window) { return std::max<uint32_t>(std::bit_width(window) - 3, 4); }

uint64_t CPNUMatchFinder::WorkAreaSize(uint64_t n)
{
    if (!Serves(n))
        return 0;
    const uint64_t window5 = WindowSize(n, kFarthest[1]);
    const uint64_t window6 = WindowSize(n, kFarthest[2]);
    return Align8(4 * n) * 2 + Align8(n) * 2 + Align8(sizeof(sRun) * RunCapacity(n))
        + Align8(sizeof(sLongCommon) * LongCommonCapacity(n))
        + 4 * ((uint64_t(1) << WindowHeadBits(window5)) + window5)
        + 4 * ((uint64_t(1) << WindowHeadBits(window6)) + window6);
}

bool CPNUMatchFinder::Prepare(void* workArea)
{
    const uint64_t n = mCount;
    if (!Serves(n))
        return false;
    uint8_t* area = static_cast<uint8_t*>(workArea);
    mSuffixes = reinterpret_cast<int32_t*>(area);
    area += Align8(4 * n);
    mRank = reinterpret_cast<int32_t*>(area);
    area += Align8(4 * n);
    mShortMatch = area;
    area += Align8(n);
    mCommon = area;
    area += Align8(n);
    mRuns = reinterpret_cast<sRun*>(area);
    area += Align8(sizeof(sRun) * RunCapacity(n));
    mLongCommons = reinterpret_cast<sLongCommon*>(area);
    area += Align8(sizeof(sLongCommon) * LongCommonCapacity(n));
    for (sWindowChain* chain : {&mWindow5, &mWindow6}) {
        chain->keyLength = chain == &mWindow5 ? 5 : 6;
        chain->window = WindowSize(n, kFarthest[chain->keyLength - 4]);
        chain->headBits = WindowHeadBits(chain->window);
        chain->head = reinterpret_cast<uint32_t*>(area);
        area += 4 * (uint64_t(1) << chain->headBits);
        chain->previous = reinterpret_cast<uint32_t*>(area);
        area += 4 * chain->window;
        std::fill(chain->head, chain->head + (uint64_t(1) << chain->headBits), kNone);
    }

    if (divsufsort(mIn, mSuffixes, int32_t(n)) != 0)
        return false;
    MeasureNeighbours();
    MeasureShortMatches();
    for (uint64_t j = 0; j < n; ++j)
        mRank[mSuffixes[j]] = int32_t(j);
    ListRuns();
    mRunCursor = 0;
    std::fill(mLatestRun, mLatestRun + 256, 0u);
    mAdded = 0;
    return true;
}

void CPNUMatchFinder::MeasureNeighbours()
{
    // The bytes each suffix shares with the one before it in sorted order, measured in text order
    // where each is at most one less than the last (the rank area holds the work meanwhile).
    const uint64_t n = mCount;
    int32_t* before = mRank;
    before[mSuffixes[0]] = -1;
    for (uint64_t j = 1; j < n; ++j)
        before[mSuffixes[j]] = mSuffixes[j - 1];
    uint64_t common = 0;
    for (uint64_t i = 0; i < n; ++i) {
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
    mCommon[0] = 0;
    mLongCommonCount = 0;
    const uint64_t capacity = LongCommonCapacity(n);
    for (uint64_t j = 1; j < n; ++j) {
        const uint64_t common = uint64_t(before[mSuffixes[j]]);
        mCommon[j] = uint8_t(std::min(common, kCommonLimit));
        if (common >= kCommonLimit && mLongCommonCount < capacity)
            mLongCommons[mLongCommonCount++] = {uint32_t(j), uint32_t(common)};
    }
}

uint64_t CPNUMatchFinder::Shared(uint64_t shared, uint64_t boundary, uint64_t c, uint64_t pos) const
{
    // pos shares `shared` bytes with the suffix next to c; c shares mCommon[boundary] with it.
    const uint64_t common = mCommon[boundary];
    if (common < kCommonLimit || shared <= kCommonLimit)
        return std::min(shared, common);
    const sLongCommon* begin = mLongCommons;
    const sLongCommon* end = mLongCommons + mLongCommonCount;
    const sLongCommon* kept = std::lower_bound(begin, end, boundary,
                                               [](const sLongCommon& entry, uint64_t j) { return entry.rank < j; });
    if (kept != end && kept->rank == boundary)
        return std::min(shared, uint64_t(kept->common));
    return MatchLength(mIn + c, mIn + pos, kCommonLimit, std::min(shared, mCount - c));
}

void CPNUMatchFinder::MeasureShortMatches()
{
    // For each length 4..8 the suffixes sharing that prefix are neighbours in sorted order. A
    // position has a non-overlapping earlier match of the length when the group's earliest
    // position lies that far back: its earliest from the left, then from the right. The left
    // results wait in sorted order in the rank area, so each position is written once.
    const uint64_t n = mCount;
    const uint8_t* common = mCommon;
    uint8_t* fromLeft = reinterpret_cast<uint8_t*>(mRank);
    constexpr uint64_t kLengths = kShortLimit - 3;
    uint64_t earliest[kLengths];
    auto longest = [&](uint64_t p) {
        uint8_t length = 3;
        for (uint64_t k = 0; k < kLengths; ++k) {
            if (earliest[k] + (k + 4) <= p)
                length = uint8_t(k + 4);
        }
        return length;
    };
    for (uint64_t j = 0; j < n; ++j) {
        const uint64_t p = uint64_t(mSuffixes[j]);
        for (uint64_t k = 0; k < kLengths; ++k)
            earliest[k] = j == 0 || common[j] < k + 4 ? p : std::min(earliest[k], p);
        fromLeft[j] = longest(p);
    }
    for (uint64_t j = n; j-- > 0;) {
        const uint64_t p = uint64_t(mSuffixes[j]);
        for (uint64_t k = 0; k < kLengths; ++k)
            earliest[k] = j + 1 == n || common[j + 1] < k + 4 ? p : std::min(earliest[k], p);
        mShortMatch[p] = std::max(fromLeft[j], longest(p));
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

void CPNUMatchFinder::AddToWindows(uint64_t upTo)
{
    const uint64_t n = mCount;
    sWindowChain& five = mWindow5;
    sWindowChain& six = mWindow6;
    for (uint64_t i = mAdded; i < upTo; ++i) {
        // The heads a few positions on are fetched while these are linked.
        constexpr uint64_t kAhead = 16;
        if (i + kAhead + 8 <= n) {
            __builtin_prefetch(&five.head[Bucket(mIn + i + kAhead, 8, 5, five.headBits)], 1);
            __builtin_prefetch(&six.head[Bucket(mIn + i + kAhead, 8, 6, six.headBits)], 1);
        }
        if (i + 6 <= n) {
            const uint32_t bucket5 = Bucket(mIn + i, n - i, 5, five.headBits);
            const uint32_t bucket6 = Bucket(mIn + i, n - i, 6, six.headBits);
            five.previous[i & (five.window - 1)] = five.head[bucket5];
            five.head[bucket5] = uint32_t(i);
            six.previous[i & (six.window - 1)] = six.head[bucket6];
            six.head[bucket6] = uint32_t(i);
        } else if (i + 5 <= n) {
            const uint32_t bucket5 = Bucket(mIn + i, n - i, 5, five.headBits);
            five.previous[i & (five.window - 1)] = five.head[bucket5];
            five.head[bucket5] = uint32_t(i);
        }
    }
    mAdded = std::max(mAdded, upTo);
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

uint64_t CPNUMatchFinder::NearestNearby(uint64_t length, uint64_t pos, uint64_t farthest) const
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
        return NearestInWindow(mWindow5, 5, pos, farthest);
    // 6 and 7 bytes: the recent positions sharing 6 bytes hold the nearest of either when it is
    // recent; an older source of 7 bytes is sought among the sorted neighbours.
    const uint64_t nearest = NearestInWindow(mWindow6, length, pos, farthest);
    if (nearest != kNone || length == 6 || mWindow6.window > std::min(farthest, pos))
        return nearest;
    return NearestAmongNeighbours(pos, mCount - pos, length, farthest);
}

uint64_t CPNUMatchFinder::NearestAmongNeighbours(uint64_t pos, uint64_t rem, uint64_t length, uint64_t farthest) const
{
    // Every suffix sharing `length` bytes with pos's lies next to it in sorted order.
    const int64_t n = int64_t(mCount);
    const int64_t rank = mRank[pos];
    uint64_t nearest = kNone;
    for (int64_t step : {-1, 1}) {
        uint64_t shared = rem;
        for (int64_t j = rank + step; j >= 0 && j < n; j += step) {
            const uint64_t c = uint64_t(mSuffixes[j]);
            shared = Shared(shared, uint64_t(step < 0 ? j + 1 : j), c, pos);
            if (shared < length)
                break;
            if (c + length <= pos && pos - c <= farthest && (nearest == kNone || c > nearest))
                nearest = c;
        }
    }
    return nearest;
}

void CPNUMatchFinder::FindLong(uint64_t pos, uint64_t rem, uint64_t& best, uint64_t& dist) const
{
    // The neighbours in sorted order, both ways at once, those sharing more bytes first: once
    // neither side shares as many bytes as the best match, nothing farther can reach it.
    const int64_t n = int64_t(mCount);
    const int64_t rank = mRank[pos];
    const int64_t step[2] = {-1, 1};
    int64_t side[2] = {rank, rank};
    uint64_t shared[2] = {rem, rem};
    auto advance = [&](int s) {
        const int64_t j = side[s] + step[s];
        if (j < 0 || j >= n) {
            shared[s] = 0;
            return;
        }
        shared[s] = Shared(shared[s], uint64_t(step[s] < 0 ? side[s] : j), uint64_t(mSuffixes[j]), pos);
        side[s] = j;
    };
    advance(0);
    advance(1);
    uint64_t source = kNone;
    uint64_t found = kShortLimit - 1;
    for (;;) {
        const int s = shared[0] >= shared[1] ? 0 : 1;
        if (shared[s] < std::max(found, kShortLimit))
            break;
        const uint64_t c = uint64_t(mSuffixes[side[s]]);
        if (c < pos) {
            const uint64_t length = std::min(shared[s], pos - c);
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

void CPNUMatchFinder::FindInRun(uint64_t pos, uint64_t rem, const sRun& run, uint64_t& best, uint64_t& dist)
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
        uint64_t shared = rem;
        for (int64_t j = rank + step; j >= 0 && j < int64_t(n); j += step) {
            const uint64_t c = uint64_t(mSuffixes[j]);
            shared = Shared(shared, uint64_t(step < 0 ? j + 1 : j), c, pos);
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
    uint32_t k = mLatestRun[value];
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
    for (k = mLatestRun[value]; k != 0; k = mRuns[k - 1].longerBefore) {
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

void CPNUMatchFinder::Find(uint64_t pos, uint64_t rem, uint64_t& best, uint64_t& dist)
{
    best = 3;
    dist = 0;
    AddToWindows(pos);
    while (mRunCursor < mRunCount && mRuns[mRunCursor].end <= pos) {
        mLatestRun[mIn[mRuns[mRunCursor].start]] = uint32_t(mRunCursor + 1);
        ++mRunCursor;
    }
    const uint64_t length = mShortMatch[pos];
    if (length < 4)
        return;
    if (length < kShortLimit) {
        // Exactly this long; coded only from a source near enough, so only there is it sought.
        const uint64_t farthest = kFarthest[length - 4];
        const uint64_t source = NearestNearby(length, pos, farthest);
        best = length;
        dist = source == kNone ? farthest + 1 : pos - source;
        return;
    }
    if (mRunCursor < mRunCount && mRuns[mRunCursor].start <= pos && mRuns[mRunCursor].end - pos >= kRunLength) {
        FindInRun(pos, rem, mRuns[mRunCursor], best, dist);
        return;
    }
    FindLong(pos, rem, best, dist);
}
