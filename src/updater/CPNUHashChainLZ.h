// Method 8 of the package codec, the coding of every update package: LZ77 without overlap.
// Literals are plain bytes; an escape byte (the input's least frequent value) introduces either
// the escape byte itself (E 00) or a match (E, varint length, varint distance).
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CPNUHashChainLZ {
public:
    // Bytes of the work area of the match search over the whole input (CPNUMatchFinder); 0 for
    // an input too large for it.
    static uint64_t WorkAreaSize(uint64_t n);

    // Codes n bytes (n < 2^32). With a work area of WorkAreaSize(n) bytes every earlier
    // position is a candidate; without one (null) only those up to 100000 bytes back are. The
    // two give the same output whenever no chosen match lies farther back. 1 when the payload
    // does not fit in `capacity`.
    static eResultCode Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                              void* workArea, uint64_t& payloadLength);

    // Decodes into exactly n bytes; 17 for a damaged payload (a cut token, a varint longer than
    // five bytes or above 32 bits, a distance of 0 or before the start, output other than n).
    static eResultCode Decode(const uint8_t* payload, uint64_t m, uint8_t* out, uint64_t n);
};
