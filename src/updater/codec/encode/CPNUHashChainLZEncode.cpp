#include "updater/codec/CPNUHashChainLZ.h"

#include "updater/codec/CPNUEscapeRLE.h"
#include "updater/codec/encode/CPNUByteWriter.h"
#include "updater/codec/encode/CPNUMatchFinder.h"

#include "platform/WorkerThreads.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kWindow = 100000;

// A match pays for itself only when its token is shorter than the literals it replaces.
bool WorthAMatch(uint64_t length, uint64_t distance)
{
    return length >= 8 || (length == 7 && distance <= 268435455) || (length == 6 && distance <= 2097151)
        || (length == 5 && distance <= 16383) || (length == 4 && distance <= 127);
}

void PutLiteral(CPNUByteWriter& writer, uint8_t byte, uint8_t escape)
{
    writer.Put(byte);
    if (byte == escape)
        writer.Put(0);
}

// A match where it pays, else the literal; the input bytes the token stands for.
uint64_t PutToken(CPNUByteWriter& writer, uint8_t literal, uint8_t escape, uint64_t best, uint64_t dist)
{
    if (!WorthAMatch(best, dist)) {
        PutLiteral(writer, literal, escape);
        return 1;
    }
    writer.Put(escape);
    writer.PutVarint(uint32_t(best));
    writer.PutVarint(uint32_t(dist));
    return best;
}

// Without chain tables: every distance up to the window, nearest first. Only distances whose
// first byte matches can give a match; they are found with a backward byte search.
void FindInWindow(const uint8_t* in, uint64_t pos, uint64_t rem, uint64_t& best, uint64_t& dist)
{
    best = 3;
    dist = 0;
    const uint64_t farthest = pos < kWindow ? pos : kWindow;
    if (farthest < 4)
        return;
    const uint8_t* windowStart = in + pos - farthest;
    const uint8_t* searchEnd = in + pos - 3; // exclusive: distances of 4 and more
    while (best < rem && searchEnd > windowStart) {
        const void* found = memrchr(windowStart, in[pos], size_t(searchEnd - windowStart));
        if (!found)
            return;
        const uint8_t* candidate = static_cast<const uint8_t*>(found);
        searchEnd = candidate;
        const uint64_t distance = uint64_t(in + pos - candidate);
        if (distance <= best || candidate[best] != in[pos + best])
            continue;
        const uint64_t limit = rem < distance ? rem : distance;
        const uint64_t length = CPNUMatchFinder::MatchLength(candidate, in + pos, 0, limit);
        if (length > best) {
            best = length;
            dist = distance;
        }
    }
}

} // namespace

CPNUHashChainLZ::sShares CPNUHashChainLZ::SharesFor(uint64_t n)
{
    constexpr uint64_t kStretchesPerCursor = 6;
    constexpr uint64_t kSmallestStretch = uint64_t(1) << 20;
    sShares shares;
    // Each cursor's record of recent positions takes about 10 MB; together they stay within 4/3
    // of a byte per input byte, which keeps the whole encoder within 12.
    shares.cursors = uint32_t(std::clamp<uint64_t>(n * 4 / 3 / CPNUMatchFinder::CursorSize(n), 1, plat::GetWorkers().Count()));
    if (shares.cursors > 1)
        shares.stretches = uint32_t(std::clamp<uint64_t>(n / kSmallestStretch, shares.cursors,
                                                         shares.cursors * kStretchesPerCursor));
    return shares;
}

uint64_t CPNUHashChainLZ::WorkAreaSize(uint64_t n, const sShares& shares)
{
    return CPNUMatchFinder::WorkAreaSize(n, shares.cursors);
}

uint64_t CPNUHashChainLZ::CodeTokens(CPNUMatchFinder& finder, uint32_t cursor, const uint8_t* in, uint64_t n,
                                     uint64_t pos, uint64_t until, uint8_t escape, CPNUByteWriter& writer,
                                     sMarks* marks)
{
    while (pos < until && n - pos >= 4 && !writer.Overflowed()) {
        if (marks && marks->count < marks->limit)
            marks->at[marks->count++] = {pos, writer.Length()};
        uint64_t best;
        uint64_t dist;
        finder.Find(cursor, pos, best, dist);
        pos += PutToken(writer, in[pos], escape, best, dist);
    }
    return pos;
}

eResultCode CPNUHashChainLZ::Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                                    void* workArea, const sShares& shares, uint64_t& payloadLength)
{
    payloadLength = 0;
    if (n == 0)
        return eSuccess;
    if (n > 0xFFFFFFFFull)
        return eBadParameter;
    // The escape byte is counted while the search tables are made, where they are.
    struct sEscape {
        const uint8_t* in;
        uint64_t n;
        uint8_t escape;
        bool chosen;
    } pick{in, n, 0, false};
    auto choose = [](void* context) {
        sEscape& escape = *static_cast<sEscape*>(context);
        escape.escape = CPNUEscapeRLE::ChooseEscapeByte(escape.in, escape.n);
        escape.chosen = true;
    };
    CPNUMatchFinder finder(in, n, shares.cursors);
    const bool whole = workArea && finder.Prepare(workArea, choose, &pick);
    if (!pick.chosen)
        choose(&pick);
    const uint8_t escape = pick.escape;
    CPNUByteWriter writer(out, capacity);
    writer.Put(escape);

    uint64_t pos = 0;
    if (whole) {
        if (shares.stretches < 2 || !CodeShares(finder, in, n, escape, shares, writer, pos))
            pos = CodeTokens(finder, 0, in, n, 0, n, escape, writer, nullptr);
    } else {
        while (n - pos >= 4 && !writer.Overflowed()) {
            uint64_t best;
            uint64_t dist;
            FindInWindow(in, pos, n - pos, best, dist);
            pos += PutToken(writer, in[pos], escape, best, dist);
        }
    }
    for (; pos < n; ++pos)
        PutLiteral(writer, in[pos], escape);

    if (writer.Overflowed())
        return eGenericFailure;
    payloadLength = writer.Length();
    return eSuccess;
}
