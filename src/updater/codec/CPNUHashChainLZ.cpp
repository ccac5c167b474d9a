#include "updater/codec/CPNUHashChainLZ.h"

#include "updater/codec/CPNUByteWriter.h"
#include "updater/codec/CPNUEscapeRLE.h"
#include "updater/codec/CPNUMatchFinder.h"

#include "platform/WorkerThreads.h"

#include <algorithm>
#include <bit>

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

// The decoder's fixed copy size: bytes a token may copy beyond its own, which must be there.
constexpr uint64_t kStep = 16;
constexpr uint64_t kOnes = 0x0101010101010101ull;

uint64_t Load64(const uint8_t* at)
{
    uint64_t value;
    memcpy(&value, at, 8);
    return value;
}

void CopyStep(const uint8_t* from, uint8_t* to)
{
    uint8_t step[kStep];
    memcpy(step, from, kStep);
    memcpy(to, step, kStep);
}

// The bytes of a word equal to the escape, as the high bit of each; below the lowest equal byte
// no bit is set, so its place is exact.
uint64_t EscapesIn(uint64_t word, uint64_t escapes)
{
    const uint64_t zeroes = word ^ escapes;
    return (zeroes - kOnes) & ~zeroes & (kOnes << 7);
}

// Copies a step of bytes; how many come before the first escape among them (kStep for none).
uint64_t CopyUpToEscape(const uint8_t* from, uint8_t* to, uint64_t escapes)
{
    CopyStep(from, to);
    const uint64_t low = EscapesIn(Load64(from), escapes);
    if (low != 0)
        return uint64_t(std::countr_zero(low)) / 8;
    const uint64_t high = EscapesIn(Load64(from + 8), escapes);
    return high != 0 ? 8 + uint64_t(std::countr_zero(high)) / 8 : kStep;
}

bool ReadVarint(const uint8_t* payload, uint64_t m, uint64_t& p, uint64_t& value)
{
    value = 0;
    for (uint32_t groups = 0; groups < 5; ++groups) {
        if (p >= m)
            return false;
        const uint8_t byte = payload[p++];
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return value <= 0xFFFFFFFFull;
    }
    return false;
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

eResultCode CPNUHashChainLZ::Decode(const uint8_t* payload, uint64_t m, uint8_t* out, uint64_t n)
{
    if (m == 0)
        return n == 0 ? eSuccess : eInvalidFile;
    uint64_t p = 1;
    uint64_t o = 0;
    // A token that does not fit in the whole output is damage like any other.
    const eResultCode result = DecodePart(payload[0], payload, m, m, p, out, n, o);
    if (result != eSuccess)
        return result == eBufferOverrun ? eInvalidFile : result;
    return o == n ? eSuccess : eInvalidFile;
}

eResultCode CPNUHashChainLZ::DecodePart(uint8_t escape, const uint8_t* payload, uint64_t m, uint64_t stop,
                                        uint64_t& position, uint8_t* out, uint64_t n, uint64_t& produced)
{
    // Worked on in locals: stores into the output could otherwise alias the two counters.
    uint64_t p = position;
    uint64_t o = produced;
    const uint64_t escapes = kOnes * escape;
    while (p < stop) {
        // Literals are stored as themselves. Where both sides have a step to spare they are
        // copied a step at a time, up to the first escape in it; the bytes copied past that are
        // overwritten by what follows. Near either end, everything up to the next escape at once.
        if (m - p >= kStep && n - o >= kStep) {
            const uint64_t found = CopyUpToEscape(payload + p, out + o, escapes);
            p += found;
            o += found;
            if (found == kStep)
                continue;
        } else {
            const void* found = memchr(payload + p, escape, m - p);
            const uint64_t runEnd = found ? uint64_t(static_cast<const uint8_t*>(found) - payload) : m;
            const uint64_t literals = runEnd - p;
            if (literals > n - o)
                break;
            if (literals > 0)
                memcpy(out + o, payload + p, literals);
            o += literals;
            p = runEnd;
        }
        if (p >= stop)
            break;

        if (m - p < 2)
            return eInvalidFile;
        if (payload[p + 1] == 0) {
            if (o >= n)
                break;
            out[o++] = escape;
            p += 2;
            continue;
        }
        uint64_t q = p + 1;
        uint64_t length;
        uint64_t distance;
        if (!ReadVarint(payload, m, q, length) || !ReadVarint(payload, m, q, distance))
            return eInvalidFile;
        if (distance == 0 || distance > o)
            return eInvalidFile;
        if (length > n - o)
            break;
        p = q;
        uint8_t* target = out + o;
        const uint8_t* source = target - distance;
        if (length <= distance && n - o - length >= kStep) {
            // Each step's source lies wholly before the target's first byte or past the match's
            // end, so a step never reads what an earlier one wrote within the match.
            for (uint64_t i = 0; i < length; i += kStep)
                CopyStep(source + i, target + i);
        } else if (length <= distance) {
            memcpy(target, source, length);
        } else {
            // Only a damaged or foreign payload overlaps; copy byte by byte as the format says.
            for (uint64_t i = 0; i < length; ++i)
                target[i] = source[i];
        }
        o += length;
    }
    position = p;
    produced = o;
    // Stopped short of `stop` only by a token that does not fit.
    return p < stop ? eBufferOverrun : eSuccess;
}

