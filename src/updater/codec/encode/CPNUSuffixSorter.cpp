#include "updater/codec/encode/CPNUSuffixSorter.h"

#include "core/gCMemory.h"
#include "platform/WorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// A suffix's bucket: its first byte, then its second one plus one, or 0 when it has none, so
// that the one-byte suffix sorts first among those of its first byte.
constexpr uint32_t kBuckets = 256 * 257;
// Bytes compared at each step of a bucket's sort: four, or where a suffix of the range ends
// within them, three and in the key's lowest byte how many of them each suffix still has, so
// that one ending there sorts before those it begins.
constexpr uint64_t kKeyBytes = 4;
constexpr uint64_t kEndingKeyBytes = 3;
// Buckets are sorted at least that many bytes deep step by step; suffixes still equal then, by
// doubling.
constexpr uint64_t kStepDepth = 98;
constexpr uint64_t kSmallRange = 16;
constexpr uint64_t kRadixRange = 512;
// How far ahead the input bytes of a key are fetched.
constexpr uint64_t kAhead = 16;
// Left to the other sort: a bucket of more than 1/4 of the input, more than 1/8 of it equal as
// deep as the steps go, or more than 1/2 of it sorted again in all the doubling rounds.
constexpr uint64_t kLargestBucketShare = 4;
constexpr uint64_t kUnsortedShare = 8;
constexpr uint64_t kDoublingShare = 2;

// Marks per place in sorted order.
constexpr uint8_t kGroupStart = 1; // the first of suffixes equal as deep as sorted so far
constexpr uint8_t kUnsorted = 2;   // on a group's start: the group holds more than one
constexpr uint8_t kRenewed = 4;    // on a group's start: its ranks are written this round

uint32_t BucketOf(const uint8_t* in, uint64_t n, uint64_t i)
{
    return uint32_t(in[i]) * 257 + (i + 1 < n ? uint32_t(in[i + 1]) + 1 : 0);
}

uint32_t KeyAt(const uint8_t* in, uint64_t at)
{
    uint32_t value;
    memcpy(&value, in + at, 4);
    return __builtin_bswap32(value);
}

uint32_t EndingKeyAt(const uint8_t* in, uint64_t n, uint64_t at)
{
    const uint64_t left = n - at;
    uint32_t key = 0;
    for (uint64_t b = 0; b < kEndingKeyBytes; ++b)
        key = (key << 8) | (b < left ? in[at + b] : 0u);
    return (key << 8) | uint32_t(std::min(left, kEndingKeyBytes));
}

// Stretches of the sorted order for the workers, cut where groups start so that each group lies
// in one stretch.
struct sCuts {
    static constexpr uint32_t kMost = 256;
    uint64_t at[kMost + 1];
    uint32_t parts;

    sCuts(const uint8_t* marks, uint64_t n, uint32_t workers)
        : parts(uint32_t(std::clamp<uint64_t>(n >> 16, 1, std::min<uint64_t>(uint64_t(workers) * 4, kMost))))
    {
        at[0] = 0;
        for (uint32_t p = 1; p < parts; ++p) {
            uint64_t k = std::max(n * p / parts, at[p - 1]);
            while (k < n && (marks[k] & kGroupStart) == 0)
                ++k;
            at[p] = k;
        }
        at[parts] = n;
    }
};

// Suffixes sorted as one job: a bucket, or pieces of a cut one.
struct sRange {
    uint32_t lo;
    uint32_t hi;
    bool pieces;
};

class sSorting {
public:
    sSorting(const uint8_t* in, uint64_t n, int32_t* suffixes, uint32_t* ranks, uint8_t* marks)
        : mIn(in), mCount(n), mSuffixes(suffixes), mRanks(ranks), mMarks(marks)
    {
    }

    bool Sort();

private:
    template <typename Work>
    static void RunJobs(uint32_t jobs, Work& work)
    {
        plat::GetWorkers().Run(jobs, [](void* context, uint32_t job) { (*static_cast<Work*>(context))(job); },
                               &work);
    }

    bool SortBuckets();
    // Puts a bucket's suffixes in order of their next two bytes, the first of each kind marked
    // as a group's start; false when its table could not be had.
    bool CutBucket(uint64_t lo, uint64_t hi);
    // The first `kStepDepth` bytes of each bucket's suffixes in order, keeping the ranks area
    // for the keys meanwhile.
    void Descend(uint64_t lo, uint64_t hi, uint64_t depth);
    // `step` is the bytes the keys stand for.
    void SortByKeys(uint64_t lo, uint64_t hi, uint64_t depth, uint64_t step);
    // Large ranges are put in order of one byte of their keys at a time first.
    void SortByKeyByte(uint64_t lo, uint64_t hi, uint64_t depth, uint64_t step, uint32_t shift);
    void Swap(uint64_t a, uint64_t b)
    {
        std::swap(mSuffixes[a], mSuffixes[b]);
        std::swap(mRanks[a], mRanks[b]);
    }
    void MarkGroup(uint64_t lo, uint64_t hi)
    {
        mMarks[lo] = uint8_t(kGroupStart | (hi - lo > 1 ? kUnsorted : 0));
        memset(mMarks + lo + 1, 0, size_t(hi - lo - 1));
        // Once too many are left to doubling, the rest of the sort is given up at once.
        if (hi - lo > 1 && (mUnsorted += hi - lo) > mCount / kUnsortedShare)
            mGivenUp = true;
    }
    uint64_t GroupEnd(uint64_t start) const
    {
        uint64_t end = start + 1;
        while (end < mCount && (mMarks[end] & kGroupStart) == 0)
            ++end;
        return end;
    }
    // Each suffix's rank is the last place of its group; suffixes in groups of more than one.
    uint64_t Rank(uint8_t only);
    // One doubling round: groups equal `depth` bytes deep sorted twice as deep.
    void Double(uint64_t depth);

    const uint8_t* mIn;
    uint64_t mCount;
    int32_t* mSuffixes;
    uint32_t* mRanks;
    uint8_t* mMarks;
    std::atomic<uint64_t> mUnsorted{0};
    std::atomic<bool> mGivenUp{false};
};

bool sSorting::CutBucket(uint64_t lo, uint64_t hi)
{
    // The bytes after the first two as a bucket, one more, or 0 for the suffix of two bytes.
    auto pieceOf = [&](uint64_t k) {
        const uint64_t next = uint64_t(mSuffixes[k]) + 2;
        return next < mCount ? BucketOf(mIn, mCount, next) + 1 : 0;
    };
    constexpr uint32_t kPieces = kBuckets + 1;
    auto* counts = static_cast<uint32_t*>(MemAllocate(sizeof(uint32_t) * kPieces));
    if (!counts)
        return false;
    std::fill(counts, counts + kPieces, 0u);
    for (uint64_t k = lo; k < hi; ++k) {
        if (k + kAhead < hi)
            __builtin_prefetch(mIn + mSuffixes[k + kAhead] + 2);
        ++counts[pieceOf(k)];
    }
    memset(mMarks + lo, 0, size_t(hi - lo));
    uint64_t total = lo;
    for (uint32_t piece = 0; piece < kPieces; ++piece) {
        const uint32_t count = counts[piece];
        counts[piece] = uint32_t(total);
        if (count > 0)
            mMarks[total] = kGroupStart;
        total += count;
    }
    // The ranks area holds the new order meanwhile.
    for (uint64_t k = lo; k < hi; ++k) {
        if (k + kAhead < hi)
            __builtin_prefetch(mIn + mSuffixes[k + kAhead] + 2);
        mRanks[counts[pieceOf(k)]++] = uint32_t(mSuffixes[k]);
    }
    for (uint64_t k = lo; k < hi; ++k)
        mSuffixes[k] = int32_t(mRanks[k]);
    MemFree(counts);
    return true;
}

bool sSorting::SortBuckets()
{
    const uint64_t n = mCount;
    const uint32_t parts = std::clamp<uint32_t>(plat::GetWorkers().Count(), 1, 64);
    const size_t tableBytes = sizeof(uint32_t) * (size_t(parts) * kBuckets + kBuckets + 1 + kBuckets);
    auto* counts = static_cast<uint32_t*>(MemAllocate(tableBytes));
    if (!counts)
        return false;
    uint32_t* starts = counts + size_t(parts) * kBuckets;
    uint32_t* order = starts + kBuckets + 1;

    auto count = [&](uint32_t part) {
        uint32_t* own = counts + size_t(part) * kBuckets;
        std::fill(own, own + kBuckets, 0u);
        for (uint64_t i = n * part / parts; i < n * (part + 1) / parts; ++i)
            ++own[BucketOf(mIn, n, i)];
    };
    RunJobs(parts, count);
    // Each part's suffixes go in its own place within each bucket.
    uint64_t total = 0;
    uint64_t largest = 0;
    for (uint32_t b = 0; b < kBuckets; ++b) {
        starts[b] = uint32_t(total);
        for (uint32_t p = 0; p < parts; ++p) {
            const uint32_t c = counts[size_t(p) * kBuckets + b];
            counts[size_t(p) * kBuckets + b] = uint32_t(total);
            total += c;
        }
        largest = std::max<uint64_t>(largest, total - starts[b]);
    }
    starts[kBuckets] = uint32_t(n);
    if (largest > n / kLargestBucketShare) {
        MemFree(counts);
        return false;
    }
    auto scatter = [&](uint32_t part) {
        uint32_t* own = counts + size_t(part) * kBuckets;
        for (uint64_t i = n * part / parts; i < n * (part + 1) / parts; ++i)
            mSuffixes[own[BucketOf(mIn, n, i)]++] = int32_t(i);
    };
    RunJobs(parts, scatter);

    // A bucket too large for one worker while the others sort the rest is cut by the next two
    // bytes, and its pieces sorted apart.
    const uint64_t large = std::max<uint64_t>(n / (uint64_t(parts) * 8), 1);
    const uint64_t pieceSize = std::max<uint64_t>(large / 4, 1);
    uint32_t buckets = 0;
    uint32_t largeBuckets = 0;
    for (uint32_t b = 0; b < kBuckets; ++b) {
        if (starts[b + 1] > starts[b])
            order[buckets++] = b;
        if (starts[b + 1] - starts[b] > large)
            ++largeBuckets;
    }
    std::atomic<bool> cut{true};
    std::atomic<uint32_t> next{0};
    auto cutLarge = [&](uint32_t) {
        for (uint32_t k = next++; k < buckets; k = next++) {
            const uint32_t b = order[k];
            if (starts[b + 1] - starts[b] > large && !CutBucket(starts[b], starts[b + 1]))
                cut = false;
        }
    };
    RunJobs(parts, cutLarge);
    // Every piece but a bucket's last holds pieceSize suffixes at least.
    const uint64_t rangeLimit = buckets + n / pieceSize + largeBuckets;
    auto* ranges = static_cast<sRange*>(MemAllocate(sizeof(sRange) * size_t(rangeLimit)));
    if (!cut || !ranges) {
        MemFree(ranges);
        MemFree(counts);
        return false;
    }
    uint32_t rangeCount = 0;
    for (uint32_t k = 0; k < buckets; ++k) {
        const uint64_t lo = starts[order[k]];
        const uint64_t hi = starts[order[k] + 1];
        if (hi - lo <= large) {
            ranges[rangeCount++] = {uint32_t(lo), uint32_t(hi), false};
            continue;
        }
        for (uint64_t piece = lo; piece < hi;) {
            uint64_t pieceEnd = std::min(piece + pieceSize, hi);
            while (pieceEnd < hi && (mMarks[pieceEnd] & kGroupStart) == 0)
                ++pieceEnd;
            ranges[rangeCount++] = {uint32_t(piece), uint32_t(pieceEnd), true};
            piece = pieceEnd;
        }
    }
    // The largest are taken first, so that none is left to the end.
    std::sort(ranges, ranges + rangeCount, [](const sRange& a, const sRange& b) { return a.hi - a.lo > b.hi - b.lo; });
    next = 0;
    auto sortRanges = [&](uint32_t) {
        for (uint32_t k = next++; k < rangeCount; k = next++) {
            const sRange& range = ranges[k];
            if (!range.pieces) {
                Descend(range.lo, range.hi, 2);
                continue;
            }
            for (uint64_t lo = range.lo; lo < range.hi;) {
                uint64_t hi = lo + 1;
                while (hi < range.hi && (mMarks[hi] & kGroupStart) == 0)
                    ++hi;
                Descend(lo, hi, 4);
                lo = hi;
            }
        }
    };
    RunJobs(parts, sortRanges);
    MemFree(ranges);
    MemFree(counts);
    return !mGivenUp;
}

void sSorting::Descend(uint64_t lo, uint64_t hi, uint64_t depth)
{
    if (hi <= lo || mGivenUp)
        return;
    if (hi - lo < 2 || depth >= kStepDepth) {
        MarkGroup(lo, hi);
        return;
    }
    // Every suffix here has at least `depth` bytes: a shorter one ended in a key of its own.
    uint64_t step = kKeyBytes;
    for (uint64_t k = lo; k < hi; ++k) {
        if (k + kAhead < hi)
            __builtin_prefetch(mIn + uint64_t(mSuffixes[k + kAhead]) + depth);
        const uint64_t at = uint64_t(mSuffixes[k]) + depth;
        if (at + kKeyBytes > mCount) {
            step = kEndingKeyBytes;
            break;
        }
        mRanks[k] = KeyAt(mIn, at);
    }
    if (step == kEndingKeyBytes) {
        for (uint64_t k = lo; k < hi; ++k)
            mRanks[k] = EndingKeyAt(mIn, mCount, uint64_t(mSuffixes[k]) + depth);
    }
    SortByKeyByte(lo, hi, depth, step, 24);
}

void sSorting::SortByKeyByte(uint64_t lo, uint64_t hi, uint64_t depth, uint64_t step, uint32_t shift)
{
    if (hi - lo <= kRadixRange) {
        SortByKeys(lo, hi, depth, step);
        return;
    }
    // The lowest byte of a three-byte key is its length, left to the sort by whole keys.
    const uint32_t lowestShift = step == kKeyBytes ? 0 : 8;
    uint32_t* keys = mRanks;
    auto byteOf = [shift](uint32_t key) { return (key >> shift) & 0xFF; };
    uint64_t counts[256] = {};
    for (uint64_t k = lo; k < hi; ++k)
        ++counts[byteOf(keys[k])];
    uint64_t next[256];
    uint64_t ends[256];
    uint64_t total = lo;
    for (uint32_t b = 0; b < 256; ++b) {
        next[b] = total;
        total += counts[b];
        ends[b] = total;
    }
    // Each misplaced entry is carried along the cycle of places it displaces.
    for (uint32_t b = 0; b < 256; ++b) {
        while (next[b] < ends[b]) {
            uint32_t key = keys[next[b]];
            int32_t suffix = mSuffixes[next[b]];
            for (uint32_t to = byteOf(key); to != b; to = byteOf(key)) {
                std::swap(key, keys[next[to]]);
                std::swap(suffix, mSuffixes[next[to]]);
                ++next[to];
            }
            keys[next[b]] = key;
            mSuffixes[next[b]] = suffix;
            ++next[b];
        }
    }
    for (uint32_t b = 0; b < 256; ++b) {
        const uint64_t start = ends[b] - counts[b];
        if (counts[b] == 0)
            continue;
        if (shift >= lowestShift + 8)
            SortByKeyByte(start, ends[b], depth, step, shift - 8);
        else
            SortByKeys(start, ends[b], depth, step);
    }
}

void sSorting::SortByKeys(uint64_t lo, uint64_t hi, uint64_t depth, uint64_t step)
{
    uint32_t* keys = mRanks;
    while (hi - lo > kSmallRange) {
        const uint32_t a = keys[lo];
        const uint32_t b = keys[lo + (hi - lo) / 2];
        const uint32_t c = keys[hi - 1];
        const uint32_t pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
        uint64_t less = lo;
        uint64_t greater = hi;
        for (uint64_t k = lo; k < greater;) {
            if (keys[k] < pivot)
                Swap(less++, k++);
            else if (keys[k] > pivot)
                Swap(k, --greater);
            else
                ++k;
        }
        // The equal ones go deeper, which takes their keys; the smaller side is sorted first.
        Descend(less, greater, depth + step);
        if (less - lo < hi - greater) {
            SortByKeys(lo, less, depth, step);
            lo = greater;
        } else {
            SortByKeys(greater, hi, depth, step);
            hi = less;
        }
    }
    for (uint64_t k = lo + 1; k < hi; ++k) {
        for (uint64_t j = k; j > lo && keys[j - 1] > keys[j]; --j)
            Swap(j - 1, j);
    }
    for (uint64_t start = lo; start < hi;) {
        uint64_t end = start + 1;
        while (end < hi && keys[end] == keys[start])
            ++end;
        Descend(start, end, depth + step);
        start = end;
    }
}

uint64_t sSorting::Rank(uint8_t only)
{
    const sCuts cuts(mMarks, mCount, plat::GetWorkers().Count());
    std::atomic<uint64_t> unsorted{0};
    auto rank = [&](uint32_t part) {
        uint64_t own = 0;
        for (uint64_t k = cuts.at[part]; k < cuts.at[part + 1];) {
            if ((mMarks[k] & only) == 0) {
                ++k;
                continue;
            }
            mMarks[k] &= uint8_t(~kRenewed);
            const uint64_t end = GroupEnd(k);
            for (uint64_t j = k; j < end; ++j) {
                if (j + kAhead < cuts.at[part + 1])
                    __builtin_prefetch(mRanks + mSuffixes[j + kAhead], 1);
                mRanks[mSuffixes[j]] = uint32_t(end - 1);
            }
            if (end - k > 1)
                own += end - k;
            k = end;
        }
        unsorted += own;
    };
    RunJobs(cuts.parts, rank);
    return unsorted;
}

void sSorting::Double(uint64_t depth)
{
    // The ranks are only read in this pass, and written in the next for the renewed groups.
    const sCuts cuts(mMarks, mCount, plat::GetWorkers().Count());
    const uint64_t n = mCount;
    auto key = [&](int32_t suffix) { return uint64_t(suffix) + depth < n ? int64_t(mRanks[uint64_t(suffix) + depth]) : -1; };
    auto sortGroups = [&](uint32_t part) {
        for (uint64_t k = cuts.at[part]; k < cuts.at[part + 1];) {
            const uint64_t end = GroupEnd(k);
            if ((mMarks[k] & kUnsorted) == 0) {
                k = end;
                continue;
            }
            std::sort(mSuffixes + k, mSuffixes + end, [&](int32_t a, int32_t b) { return key(a) < key(b); });
            for (uint64_t start = k; start < end;) {
                const int64_t value = key(mSuffixes[start]);
                uint64_t stop = start + 1;
                while (stop < end && key(mSuffixes[stop]) == value)
                    mMarks[stop++] = 0;
                mMarks[start] = uint8_t(kGroupStart | kRenewed | (stop - start > 1 ? kUnsorted : 0));
                start = stop;
            }
            k = end;
        }
    };
    RunJobs(cuts.parts, sortGroups);
}

bool sSorting::Sort()
{
    if (!SortBuckets())
        return false;
    uint64_t unsorted = Rank(kGroupStart);
    uint64_t resorted = 0;
    for (uint64_t depth = kStepDepth; unsorted > 0; depth *= 2) {
        resorted += unsorted;
        if (resorted > mCount / kDoublingShare)
            return false;
        Double(depth);
        unsorted = Rank(kRenewed);
    }
    return true;
}

} // namespace

bool CPNUSuffixSorter::Sort(const uint8_t* in, uint64_t n, int32_t* suffixes, uint32_t* ranks, uint8_t* marks)
{
    if (n == 0)
        return true;
    if (n >= (uint64_t(1) << 31))
        return false;
    sSorting sorter(in, n, suffixes, ranks, marks);
    return sorter.Sort();
}
