#include "updater/codec/CPNUElementCoder.h"

#include "updater/codec/CPNUBitReader.h"

#include <bit>

namespace {

uint32_t BitLength(uint32_t x) { return x == 0 ? 0 : 32 - uint32_t(std::countl_zero(x)); }

void StoreElement(uint8_t* at, uint32_t size, uint32_t value)
{
    for (uint32_t i = 0; i < size; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

uint32_t Unfold(uint32_t folded)
{
    const int64_t x = folded;
    return uint32_t((x & 1) == 0 ? x / 2 : -((x + 1) / 2));
}

} // namespace

bool CPNUElementCoder::KindOf(uint32_t parameter, sElementKind& kind)
{
    switch (parameter) {
    case 1: kind = {1, true}; return true;
    case 2: kind = {1, false}; return true;
    case 3: kind = {2, true}; return true;
    case 4: kind = {2, false}; return true;
    case 7: kind = {4, true}; return true;
    case 8: kind = {4, false}; return true;
    default: return false;
    }
}

uint32_t CPNUElementCoder::ElementSize(uint32_t parameter)
{
    sElementKind kind;
    return KindOf(parameter, kind) ? kind.size : 0;
}

eResultCode CPNUElementCoder::Decode(uint32_t parameter, const uint8_t* payload, uint64_t m,
                                     uint8_t* out, uint64_t n)
{
    sElementKind kind;
    if (!KindOf(parameter, kind))
        return eBadParameter;
    const uint64_t count = n / kind.size;
    for (uint64_t i = count * kind.size; i < n; ++i)
        out[i] = 0;
    if (count == 0)
        return m == 0 ? eSuccess : eInvalidFile;
    if (m == 0)
        return eInvalidFile;

    uint32_t k = payload[0];
    if (k == 0) {
        if (m != 1 + count * kind.size)
            return eInvalidFile;
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t* field = payload + 1 + i * kind.size;
            uint32_t x = 0;
            for (uint32_t b = 0; b < kind.size; ++b)
                x = (x << 8) | field[b];
            StoreElement(out + i * kind.size, kind.size, kind.folded ? Unfold(x) : x);
        }
        return eSuccess;
    }
    if (k > 32)
        return eInvalidFile;

    const uint64_t widest = kind.size == 4 ? 0xFFFFFFFFull : (uint64_t(1) << (8 * kind.size)) - 1;
    CPNUBitReader reader(payload + 1, m - 1);
    uint32_t ring[kRing] = {};
    uint32_t ringSum = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (i >= kRing)
            k = (ringSum + 8) / kRing;
        // A 32-bit value needs at most 8 + 32 ones; more is damage.
        const uint32_t ones = reader.CountOnes(40);
        if (ones > 40)
            return eInvalidFile;
        uint64_t q = ones;
        if (ones > 8) {
            const uint32_t extra = ones - 9;
            q = ((uint64_t(1) << extra) | reader.Get(extra)) + 8;
        }
        if (q > (widest >> k))
            return eInvalidFile;
        const uint64_t x = (q << k) | reader.Get(k);
        if (reader.PastEnd())
            return eInvalidFile;
        const uint32_t value = uint32_t(x);
        StoreElement(out + i * kind.size, kind.size, kind.folded ? Unfold(value) : value);
        const uint32_t slot = uint32_t(i % kRing);
        ringSum += BitLength(value) - ring[slot];
        ring[slot] = BitLength(value);
    }
    return reader.ConsumedBytes() == m - 1 ? eSuccess : eInvalidFile;
}
