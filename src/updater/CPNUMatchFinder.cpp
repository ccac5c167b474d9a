#include "updater/CPNUMatchFinder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
// Runs shorter than this are walked position by position.
constexpr uint64_t kJudgedRun = 8;
constexpr uint64_t kPrefixLength[CPNUMatchFinder::kLevelCount] = {4, 5, 6, 8, 10, 12, 16};

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

namespace {

uint32_t HashOfPrefix(uint64_t prefix)
{
    prefix *= 0x9E3779B97F4A7C15ull;
    return uint32_t(prefix >> 32) ^ uint32_t(prefix);
}

uint32_t Mix(uint32_t a, uint32_t b)
{
    uint32_t h = a * 0x9E3779B1u ^ std::rotl(b * 0x85EBCA77u, 15);
    return h ^ (h >> 16);
}

} // namespace

uint32_t CPNUMatchFinder::HeadBits(uint64_t n)
{
    uint32_t bits = 10;
    while (bits < 30 && (uint64_t(1) << bits) < n)
        ++bits;
    return bits;
}

uint64_t CPNUMatchFinder::WorkAreaSize(uint64_t n)
{
    // heads, the prefix hashes of every position (then the run starts), the run ends, one link
    // array per prefix length
    return 4 * (uint64_t(1) << HeadBits(n)) + 4 * n * (2 + kLevelCount);
}

void CPNUMatchFinder::LinkChains(void* workArea)
{
    const uint8_t* in = mIn;
    const uint64_t n = mCount;
    const uint32_t bits = HeadBits(n);
    const uint64_t headCount = uint64_t(1) << bits;
    uint32_t* head = static_cast<uint32_t*>(workArea);
    uint32_t* hash = head + headCount;
    mRunEnd = hash + n;
    for (uint32_t level = 0; level < kLevelCount; ++level)
        mLinks[level] = hash + n * (2 + level);

    for (uint32_t level = 0; level < kLevelCount; ++level) {
        const uint64_t length = kPrefixLength[level];
        // Positions with a whole prefix of this length after them.
        const uint64_t linked = n >= length ? n - length + 1 : 0;
        // Prefixes of up to 8 bytes are hashed whole; longer ones combine two hashes of the
        // level below. Equal prefixes always hash alike, which is all the chains need (unequal
        // ones are told apart when measured).
        if (length <= 8) {
            const uint64_t mask = length == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * length)) - 1;
            for (uint64_t i = 0; i < linked; ++i) {
                uint64_t prefix = 0;
                if (i + 8 <= n) {
                    prefix = Load64(in + i) & mask;
                } else {
                    for (uint64_t b = 0; b < length; ++b)
                        prefix |= uint64_t(in[i + b]) << (8 * b);
                }
                hash[i] = HashOfPrefix(prefix);
            }
        } else {
            // The prefix is covered by the shorter prefix at i and the one at i + step, which
            // overlap (each level at most doubles the length).
            const uint64_t step = length - kPrefixLength[level - 1];
            for (uint64_t i = 0; i < linked; ++i)
                hash[i] = Mix(hash[i], hash[i + step]);
        }
        for (uint64_t i = 0; i < headCount; ++i)
            head[i] = kNone;
        uint32_t* link = mLinks[level];
        for (uint64_t i = 0; i < linked; ++i) {
            const uint32_t bucket = (hash[i] * 2654435761u) >> (32 - bits);
            link[i] = head[bucket];
            head[bucket] = uint32_t(i);
        }
        for (uint64_t i = linked; i < n; ++i)
            link[i] = kNone;
    }

    mRunStart = hash;
    for (uint64_t start = 0; start < n;) {
        uint64_t end = start + 1;
        while (end < n && in[end] == in[start])
            ++end;
        for (uint64_t i = start; i < end; ++i) {
            mRunStart[i] = uint32_t(start);
            mRunEnd[i] = uint32_t(end);
        }
        start = end;
    }
}

void CPNUMatchFinder::JudgeRun(uint64_t pos, uint64_t rem, uint64_t c, uint64_t& best, uint64_t& dist) const
{
    // Candidate c' of the run [s, e) matches min(e - c', rp) bytes when its run length e - c'
    // differs from pos's run length rp, and rp plus the match after both runs when they are
    // equal. The candidates are taken nearest first in three groups: shorter runs, the equal
    // run, longer runs. Signed arithmetic: e - rp may lie before the input's start.
    const int64_t s = mRunStart[c];
    const int64_t e = mRunEnd[c];
    const int64_t at = int64_t(pos);
    const int64_t top = int64_t(c);
    const int64_t rp = int64_t(mRunEnd[pos]) - at;
    auto consider = [&](int64_t candidate, int64_t length) {
        if (uint64_t(length) > best) {
            best = uint64_t(length);
            dist = uint64_t(at - candidate);
        }
    };
    // Shorter runs (c' > e - rp): the length grows with the distance, so the farthest is best.
    if (top > e - rp) {
        const int64_t farthest = std::max(s, e - rp + 1);
        consider(farthest, std::min(e - farthest, at - farthest));
    }
    // The run of equal length.
    const int64_t equal = e - rp;
    if (equal >= s && equal <= top) {
        const int64_t limit = std::min(int64_t(rem), at - equal);
        if (uint64_t(limit) > best) {
            const int64_t length = limit <= rp ? limit
                : rp + int64_t(MatchLength(mIn + e, mIn + pos + rp, 0, uint64_t(limit - rp)));
            consider(equal, length);
        }
    }
    // Longer runs (c' < e - rp): the length is min(rp, distance); the nearest reaching the most.
    const int64_t longest = std::min(top, e - rp - 1);
    if (longest >= s) {
        const int64_t candidate = at - s >= rp ? std::min(longest, at - rp) : s;
        consider(candidate, std::min(rp, at - candidate));
    }
}

bool CPNUMatchFinder::InJudgedRun(uint64_t c, uint32_t level) const
{
    return mRunEnd[c] - mRunStart[c] >= kJudgedRun && mRunEnd[c] - c >= kPrefixLength[level];
}

uint32_t CPNUMatchFinder::FirstBefore(uint32_t level, uint64_t pos, uint64_t bound) const
{
    const uint32_t* link = mLinks[level];
    uint32_t c = link[pos];
    while (c != kNone && c >= bound) {
        // A run whose prefixes of this length lie inside it is one stretch of the chain, and it
        // lies wholly at or after the bound (the bound is never inside a run it does not start).
        if (InJudgedRun(c, level) && mRunStart[c] >= bound)
            c = link[mRunStart[c]];
        else
            c = link[c];
    }
    return c;
}

void CPNUMatchFinder::Find(uint64_t pos, uint64_t rem, uint64_t& best, uint64_t& dist) const
{
    best = 3;
    dist = 0;
    const uint8_t* in = mIn;
    const uint32_t key = Load32(in + pos);
    const bool runKey = key == in[pos] * 0x01010101u;
    uint32_t level = 0;
    uint32_t c = mLinks[0][pos];
    while (c != kNone) {
        // Another prefix that hashes alike.
        if (Load32(in + c) != key) {
            c = mLinks[level][c];
            continue;
        }
        uint64_t judgedDownTo = c;
        if (runKey && InJudgedRun(c, level)) {
            JudgeRun(pos, rem, c, best, dist);
            judgedDownTo = mRunStart[c];
        } else {
            // A candidate no farther back than the best length, or differing at the best
            // length, cannot give a longer match.
            const uint64_t distance = pos - c;
            if (distance > best && in[c + best] == in[pos + best]) {
                const uint64_t limit = rem < distance ? rem : distance;
                const uint64_t length = MatchLength(in + c, in + pos, 4, limit);
                if (length > best) {
                    best = length;
                    dist = distance;
                }
            }
        }
        if (best == rem)
            return;
        if (level + 1 < kLevelCount && best + 1 >= kPrefixLength[level + 1]) {
            while (level + 1 < kLevelCount && best + 1 >= kPrefixLength[level + 1])
                ++level;
            c = FirstBefore(level, pos, judgedDownTo);
        } else {
            c = mLinks[level][judgedDownTo];
        }
    }
}
