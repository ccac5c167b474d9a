#include "updater/codec/CPNUElementCoder.h"

#include "updater/codec/encode/CPNUBitWriter.h"

#include <bit>

namespace {

uint32_t BitLength(uint32_t x) { return x == 0 ? 0 : 32 - uint32_t(std::countl_zero(x)); }

// Elements are little-endian in the data on every machine.
uint32_t LoadElement(const uint8_t* at, uint32_t size)
{
    uint32_t value = 0;
    for (uint32_t i = 0; i < size; ++i)
        value |= uint32_t(at[i]) << (8 * i);
    return value;
}

// Zigzag in 64 bits, so the most negative 32-bit value folds to 0xFFFFFFFF and back.
uint32_t Fold(uint32_t raw, uint32_t size)
{
    const uint32_t shift = 32 - 8 * size;
    const int64_t value = int32_t(raw << shift) >> shift;
    return uint32_t(value >= 0 ? 2 * value : -2 * value - 1);
}

uint32_t ElementValue(const uint8_t* in, uint64_t index, const CPNUElementCoder::sElementKind& kind)
{
    const uint32_t raw = LoadElement(in + index * kind.size, kind.size);
    return kind.folded ? Fold(raw, kind.size) : raw;
}

void PutCode(CPNUBitWriter& writer, uint32_t x, uint32_t k)
{
    const uint64_t q = uint64_t(x) >> k;
    if (q <= 8) {
        writer.PutOnes(uint32_t(q));
        writer.Put(0, 1);
    } else {
        const uint32_t r = uint32_t(q - 8);
        const uint32_t b = BitLength(r);
        writer.PutOnes(8 + b);
        writer.Put(0, 1);
        writer.Put(r, b - 1);
    }
    writer.Put(x, k);
}

} // namespace

eResultCode CPNUElementCoder::Encode(uint32_t parameter, const uint8_t* in, uint64_t n, uint8_t* out,
                                     uint64_t capacity, uint64_t& payloadLength)
{
    payloadLength = 0;
    sElementKind kind;
    if (!KindOf(parameter, kind))
        return eBadParameter;
    const uint64_t count = n / kind.size;
    if (count == 0)
        return eSuccess;

    const uint64_t used = count < kRing ? count : kRing;
    uint64_t sum = 0;
    for (uint64_t i = 0; i < used; ++i)
        sum += BitLength(ElementValue(in, i, kind));
    uint32_t k = uint32_t((used / 2 + sum) / used);
    if (k == 0)
        k = 1;

    // The coded form is limited to n + 1 bytes while it is written, never afterwards: a coded
    // form can grow to nearly one and a half times the input.
    const uint64_t limit = n + 1 < capacity ? n + 1 : capacity;
    {
        CPNUBitWriter writer(out, limit);
        writer.Put(k, 8);
        uint32_t ring[kRing] = {};
        uint32_t ringSum = 0;
        for (uint64_t i = 0; i < count && !writer.Overflowed(); ++i) {
            if (i >= kRing)
                k = (ringSum + 8) / kRing;
            const uint32_t x = ElementValue(in, i, kind);
            PutCode(writer, x, k);
            const uint32_t slot = uint32_t(i % kRing);
            ringSum += BitLength(x) - ring[slot];
            ring[slot] = BitLength(x);
        }
        if (writer.Finish()) {
            payloadLength = writer.ByteLength();
            return eSuccess;
        }
    }

    const uint64_t rawLength = 1 + count * kind.size;
    if (rawLength > capacity)
        return eGenericFailure;
    out[0] = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint32_t x = ElementValue(in, i, kind);
        uint8_t* field = out + 1 + i * kind.size;
        for (uint32_t b = 0; b < kind.size; ++b)
            field[b] = uint8_t(x >> (8 * (kind.size - 1 - b)));
    }
    payloadLength = rawLength;
    return eSuccess;
}
