#include "updater/codec/CPNUHashChainLZ.h"

#include <bit>
#include <cstring>

namespace {

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
