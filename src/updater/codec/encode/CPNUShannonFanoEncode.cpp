#include "updater/codec/CPNUShannonFano.h"

#include "updater/codec/encode/CPNUBitWriter.h"

#include <algorithm>

namespace {

struct sSymbolEntry {
    uint32_t symbol;
    uint64_t count;
    uint32_t code;
    uint32_t length;
};

class cTreeBuilder {
public:
    cTreeBuilder(sSymbolEntry* entries, CPNUBitWriter& writer) : mEntries(entries), mWriter(writer) {}

    // Splits the frequency-sorted range so both halves weigh about the same; the left half
    // gets the more frequent symbols. The right half continues in this loop rather than by
    // recursion, as the tree's bit layout follows the same shape.
    void Build(uint32_t first, uint32_t last, uint64_t code, uint32_t depth)
    {
        while (last - first + 1 > 1) {
            mWriter.Put(0, 1);
            uint64_t total = 0;
            for (uint32_t i = first; i <= last; ++i)
                total += mEntries[i].count;
            uint32_t j = first;
            uint64_t leftSum = 0;
            while (leftSum < (total + 1) / 2 && j < last)
                leftSum += mEntries[j++].count;
            if (leftSum > 0) {
                mWriter.Put(1, 1);
                Build(first, j - 1, code * 2, depth + 1);
            } else {
                mWriter.Put(0, 1);
            }
            if (leftSum == total) {
                mWriter.Put(0, 1);
                return;
            }
            mWriter.Put(1, 1);
            first = j;
            code = code * 2 + 1;
            ++depth;
        }
        mWriter.Put(1, 1);
        mWriter.Put(mEntries[first].symbol, 8);
        if (depth > CPNUShannonFano::kLongestCode)
            mTooLong = true;
        mEntries[first].code = uint32_t(code);
        mEntries[first].length = depth;
    }

    bool TooLong() const { return mTooLong; }

private:
    sSymbolEntry* mEntries;
    CPNUBitWriter& mWriter;
    bool mTooLong = false;
};
} // namespace

eResultCode CPNUShannonFano::Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                                    uint64_t& payloadLength)
{
    payloadLength = 0;
    if (n == 0)
        return eSuccess;
    sSymbolEntry entries[256];
    for (uint32_t i = 0; i < 256; ++i)
        entries[i] = {i, 0, 0, 0};
    for (uint64_t i = 0; i < n; ++i)
        ++entries[in[i]].count;
    std::stable_sort(entries, entries + 256,
                     [](const sSymbolEntry& a, const sSymbolEntry& b) { return a.count > b.count; });
    uint32_t last = 0;
    for (uint32_t i = 0; i < 256; ++i) {
        if (entries[i].count > 0)
            last = i;
    }
    if (last == 0)
        last = 1;

    CPNUBitWriter writer(out, capacity);
    cTreeBuilder builder(entries, writer);
    builder.Build(0, last, 0, 0);
    if (builder.TooLong())
        return eGenericFailure;

    uint32_t codes[256] = {};
    uint32_t lengths[256] = {};
    for (uint32_t i = 0; i < 256; ++i) {
        codes[entries[i].symbol] = entries[i].code;
        lengths[entries[i].symbol] = entries[i].length;
    }
    for (uint64_t i = 0; i < n && !writer.Overflowed(); ++i)
        writer.Put(codes[in[i]], lengths[in[i]]);
    if (!writer.Finish())
        return eGenericFailure;
    payloadLength = writer.ByteLength();
    return eSuccess;
}
