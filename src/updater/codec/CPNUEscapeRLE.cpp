#include "updater/codec/CPNUEscapeRLE.h"

#include <cstring>

eResultCode CPNUEscapeRLE::Decode(const uint8_t* payload, uint64_t m, uint8_t* out, uint64_t n)
{
    if (m == 0)
        return n == 0 ? eSuccess : eInvalidFile;
    const uint8_t escape = payload[0];
    uint64_t p = 1;
    uint64_t o = 0;
    while (p < m) {
        const uint8_t byte = payload[p];
        if (byte != escape) {
            if (o >= n)
                return eInvalidFile;
            out[o++] = byte;
            ++p;
            continue;
        }
        if (m - p < 2)
            return eInvalidFile;
        uint32_t count = payload[p + 1];
        uint8_t value = escape;
        if (count < 3) {
            p += 2;
        } else if (count & 0x80) {
            if (m - p < 4)
                return eInvalidFile;
            count = ((count & 0x7F) << 8) + payload[p + 2];
            value = payload[p + 3];
            p += 4;
        } else {
            if (m - p < 3)
                return eInvalidFile;
            value = payload[p + 2];
            p += 3;
        }
        if (uint64_t(count) + 1 > n - o)
            return eInvalidFile;
        memset(out + o, value, uint64_t(count) + 1);
        o += uint64_t(count) + 1;
    }
    return o == n ? eSuccess : eInvalidFile;
}
