// Methods 2-7 of the package codec: the input as 8-, 16- or 32-bit elements (little-endian),
// signed ones folded to unsigned, each coded with an adaptive Rice-style code whose parameter
// follows the bit lengths of the last 16 elements. Stored raw when coding would not pay.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CPNUElementCoder {
public:
    // The element parameter: 1 signed 8-bit, 2 unsigned 8-bit, 3 signed 16-bit, 4 unsigned
    // 16-bit, 7 signed 32-bit, 8 unsigned 32-bit. Gives 0 for any other parameter.
    static uint32_t ElementSize(uint32_t parameter);

    // What the element parameter names, read the same way by both halves: the element's size in
    // bytes, and whether it is signed (folded to unsigned before coding). False for any other
    // parameter.
    struct sElementKind {
        uint32_t size;
        bool folded;
    };
    static bool KindOf(uint32_t parameter, sElementKind& kind);
    // The elements whose bit lengths set the code's parameter.
    static constexpr uint32_t kRing = 16;

    // In the encoding library. Codes the n / size whole elements (trailing bytes are not coded:
    // callers that must keep every byte refuse such input). The payload never exceeds n + 1
    // bytes. eBadParameter for an unknown parameter, eGenericFailure when the payload does not fit
    // in `capacity`.
    static eResultCode Encode(uint32_t parameter, const uint8_t* in, uint64_t n, uint8_t* out,
                              uint64_t capacity, uint64_t& payloadLength);

    // Decodes n / size elements into n bytes, the trailing bytes zero. eInvalidFile for a damaged
    // payload (a parameter above 32, a value wider than the element, a stream cut short, bytes
    // left over).
    static eResultCode Decode(uint32_t parameter, const uint8_t* payload, uint64_t m, uint8_t* out,
                              uint64_t n);
};
