#include "updater/codec/CPNUShannonFano.h"

#include "updater/codec/CPNUBitReader.h"
#include "updater/codec/CPNUBitWriter.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kLongestCode = 32;

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
        if (depth > kLongestCode)
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

// The code tree as nodes: child 0 and 1 of an inner node, or a leaf's symbol.
struct sTreeNode {
    int16_t child[2];
    int16_t symbol; // -1 for an inner node
};

class cTreeReader {
public:
    explicit cTreeReader(CPNUBitReader& reader) : mReader(reader) {}

    bool Read()
    {
        // The root must be an inner node: a root leaf would have a code of no bits.
        if (mReader.GetBit() != 0)
            return false;
        return ReadInner(NewNode(), 0) && !mReader.PastEnd();
    }

    const sTreeNode* Nodes() const { return mNodes; }

private:
    int16_t NewNode()
    {
        mNodes[mCount] = {{-1, -1}, -1};
        return int16_t(mCount++);
    }

    // Reads the node whose leading 0 bit has been read. `depth` is the node's own depth.
    bool ReadInner(int16_t node, uint32_t depth)
    {
        for (;;) {
            if (mReader.PastEnd())
                return false;
            if (mReader.GetBit() == 1) {
                int16_t left;
                if (!ReadChild(depth + 1, left))
                    return false;
                mNodes[node].child[0] = left;
            }
            if (mReader.GetBit() == 0)
                return true;
            // The right subtree continues this loop at the next depth.
            if (depth + 1 > kLongestCode)
                return false;
            if (mReader.GetBit() == 1) {
                int16_t leaf;
                if (!ReadLeaf(leaf))
                    return false;
                mNodes[node].child[1] = leaf;
                return true;
            }
            if (mCount >= kMaxNodes)
                return false;
            int16_t right = NewNode();
            mNodes[node].child[1] = right;
            node = right;
            ++depth;
        }
    }

    bool ReadChild(uint32_t depth, int16_t& child)
    {
        if (depth > kLongestCode)
            return false;
        if (mReader.GetBit() == 1)
            return ReadLeaf(child);
        if (mCount >= kMaxNodes)
            return false;
        child = NewNode();
        return ReadInner(child, depth);
    }

    bool ReadLeaf(int16_t& leaf)
    {
        if (mLeaves >= 256 || mCount >= kMaxNodes)
            return false;
        ++mLeaves;
        leaf = NewNode();
        mNodes[leaf].symbol = int16_t(mReader.Get(8));
        return true;
    }

    // A tree of 256 leaves has 255 inner nodes; damaged trees may chain more inner nodes
    // without leaves, bounded by this store.
    static constexpr uint32_t kMaxNodes = 2048;
    CPNUBitReader& mReader;
    sTreeNode mNodes[kMaxNodes];
    uint32_t mCount = 0;
    uint32_t mLeaves = 0;
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

eResultCode CPNUShannonFano::Decode(const uint8_t* payload, uint64_t m, uint8_t* out, uint64_t n)
{
    if (n == 0)
        return m == 0 ? eSuccess : eInvalidFile;
    CPNUBitReader reader(payload, m);
    cTreeReader tree(reader);
    if (!tree.Read())
        return eInvalidFile;
    const sTreeNode* nodes = tree.Nodes();
    for (uint64_t i = 0; i < n; ++i) {
        int16_t node = 0;
        while (nodes[node].symbol < 0) {
            node = nodes[node].child[reader.GetBit()];
            if (node < 0)
                return eInvalidFile;
        }
        if (reader.PastEnd())
            return eInvalidFile;
        out[i] = uint8_t(nodes[node].symbol);
    }
    return reader.ConsumedBytes() == m ? eSuccess : eInvalidFile;
}
