// Method 0 of the package codec: run-length coding with the input's least frequent byte value as
// the escape byte.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CPNUEscapeRLE {
public:
    // In the encoding library, as is Encode. The least frequent byte value of the input; among
    // equal counts the lowest value. Method 8 chooses its escape byte the same way.
    static uint8_t ChooseEscapeByte(const uint8_t* in, uint64_t n);

    // Codes n bytes into at most `capacity` bytes. eGenericFailure when the payload does not fit.
    static eResultCode Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                              uint64_t& payloadLength);

    // Decodes a payload of m bytes into exactly n bytes; eInvalidFile when the payload is damaged
    // (a cut token, more or less output than n).
    static eResultCode Decode(const uint8_t* payload, uint64_t m, uint8_t* out, uint64_t n);
};
