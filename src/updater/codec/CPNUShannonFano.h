// Method 1 of the package codec: a byte-wise Shannon-Fano prefix code with its code tree written
// in front of the coded bytes, in one bit stream.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CPNUShannonFano {
public:
    // The longest code, in bits, and so the deepest leaf of the code tree.
    static constexpr uint32_t kLongestCode = 32;

    // In the encoding library. eGenericFailure when a code would be longer than 32 bits or the
    // payload does not fit in `capacity`.
    static eResultCode Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                              uint64_t& payloadLength);

    // Decodes exactly n symbols; eInvalidFile for a damaged tree (no root node, more than 256
    // leaves, deeper than 32), a code without leaf, a stream cut short or bytes left over.
    static eResultCode Decode(const uint8_t* payload, uint64_t m, uint8_t* out, uint64_t n);
};
