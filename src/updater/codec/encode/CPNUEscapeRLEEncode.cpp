#include "updater/codec/CPNUEscapeRLE.h"

#include "updater/codec/encode/CPNUByteWriter.h"

namespace {

constexpr uint64_t kLongestRun = 32768;

void EmitSingle(CPNUByteWriter& writer, uint8_t escape, uint8_t value)
{
    writer.Put(value);
    if (value == escape)
        writer.Put(0);
}

void EmitRun(CPNUByteWriter& writer, uint8_t escape, uint8_t value, uint64_t length)
{
    if (length >= 4) {
        uint32_t count = uint32_t(length - 1);
        writer.Put(escape);
        if (count > 127)
            writer.Put(uint8_t(0x80 | (count >> 8)));
        writer.Put(uint8_t(count & 0xFF));
        writer.Put(value);
    } else if (value == escape) {
        writer.Put(escape);
        writer.Put(uint8_t(length - 1));
    } else {
        for (uint64_t i = 0; i < length; ++i)
            writer.Put(value);
    }
}

} // namespace

uint8_t CPNUEscapeRLE::ChooseEscapeByte(const uint8_t* in, uint64_t n)
{
    // Four tables, so that a run of one value does not wait on its own count at every byte.
    uint64_t tables[4][256] = {};
    uint64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        ++tables[0][in[i]];
        ++tables[1][in[i + 1]];
        ++tables[2][in[i + 2]];
        ++tables[3][in[i + 3]];
    }
    for (; i < n; ++i)
        ++tables[0][in[i]];
    uint64_t counts[256];
    for (uint32_t value = 0; value < 256; ++value)
        counts[value] = tables[0][value] + tables[1][value] + tables[2][value] + tables[3][value];
    uint32_t best = 0;
    for (uint32_t value = 1; value < 256; ++value) {
        if (counts[value] < counts[best])
            best = value;
    }
    return uint8_t(best);
}

eResultCode CPNUEscapeRLE::Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                                  uint64_t& payloadLength)
{
    payloadLength = 0;
    if (n == 0)
        return eSuccess;
    const uint8_t escape = ChooseEscapeByte(in, n);
    CPNUByteWriter writer(out, capacity);
    writer.Put(escape);

    uint8_t pending = in[0];
    bool hasPending = true;
    uint64_t i = 1;
    while (i < n) {
        const uint8_t byte = in[i];
        if (!hasPending) {
            pending = byte;
            hasPending = true;
            ++i;
            continue;
        }
        if (byte != pending) {
            EmitSingle(writer, escape, pending);
            pending = byte;
            ++i;
            continue;
        }
        const uint64_t start = i - 1;
        uint64_t end = i + 1;
        while (end < n && in[end] == pending && end - start < kLongestRun)
            ++end;
        EmitRun(writer, escape, pending, end - start);
        // The byte after the run, whether it differs or the run hit its longest length, is the
        // next pending byte.
        hasPending = end < n;
        if (hasPending)
            pending = in[end];
        i = end + 1;
    }
    if (hasPending)
        EmitSingle(writer, escape, pending);

    if (writer.Overflowed())
        return eGenericFailure;
    payloadLength = writer.Length();
    return eSuccess;
}
