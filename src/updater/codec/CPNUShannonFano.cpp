#include "updater/codec/CPNUShannonFano.h"

#include "updater/codec/CPNUBitReader.h"

namespace {

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
            if (depth + 1 > CPNUShannonFano::kLongestCode)
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
        if (depth > CPNUShannonFano::kLongestCode)
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
