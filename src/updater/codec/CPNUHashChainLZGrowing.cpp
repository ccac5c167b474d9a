// Method 8's decoding into an output block that grows as the output does.
#include "updater/codec/CPNUHashChainLZ.h"

#include <algorithm>

namespace {

// Packages code their archives to between a half and a third: four payloads' worth holds most
// archives at once, so the block seldom grows at all.
constexpr uint64_t kPayloadsOfRoom = 4;
constexpr uint64_t kLeastRoom = uint64_t(64) << 10;

} // namespace

uint64_t CPNUHashChainLZ::FirstRoom(uint64_t n, uint64_t m)
{
    return std::min(n, std::max(kLeastRoom, m * kPayloadsOfRoom));
}

eResultCode CPNUHashChainLZ::DecodePartGrowing(uint8_t escape, const uint8_t* payload, uint64_t m, uint64_t stop,
                                               uint64_t& position, CMemBlockT<unsigned char>& out, uint64_t n,
                                               uint64_t& produced)
{
    for (;;) {
        const eResultCode result = DecodePart(escape, payload, m, stop, position, out.GetData(), out.GetSize(), produced);
        if (result != eBufferOverrun)
            return result;
        if (out.GetSize() >= n)
            return eInvalidFile;
        // Grown in place where the allocator can (large blocks are remapped, not copied); never
        // cleared, so what is not yet decoded is never touched.
        const uint64_t room = std::min(n, std::max(kLeastRoom, uint64_t(out.GetSize()) * 2));
        if (!out.SetSize(uint32_t(room)))
            return eNoMemory;
    }
}
