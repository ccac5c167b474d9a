#include "updater/codec/PlainHashChainReference.h"

namespace {

void PutVarint(Bytes& out, uint32_t value)
{
    int shift = 28;
    while (shift > 0 && (value >> shift) == 0)
        shift -= 7;
    for (; shift > 0; shift -= 7)
        out.push_back(uint8_t(0x80 | ((value >> shift) & 0x7F)));
    out.push_back(uint8_t(value & 0x7F));
}

} // namespace

Bytes PlainHashChainPayload(const Bytes& d)
{
    Bytes out;
    const size_t n = d.size();
    if (n == 0)
        return out;
    size_t counts[256] = {};
    for (uint8_t byte : d)
        ++counts[byte];
    uint8_t escape = 0;
    for (int value = 1; value < 256; ++value) {
        if (counts[value] < counts[escape])
            escape = uint8_t(value);
    }
    constexpr uint32_t kNone = 0xFFFFFFFFu;
    std::vector<uint32_t> head(65536, kNone);
    std::vector<uint32_t> link(n, kNone);
    for (size_t i = 0; i + 1 < n; ++i) {
        const uint32_t key = d[i] * 256u + d[i + 1];
        link[i] = head[key];
        head[key] = uint32_t(i);
    }
    out.push_back(escape);
    size_t pos = 0;
    size_t rem = n;
    auto literal = [&](uint8_t byte) {
        out.push_back(byte);
        if (byte == escape)
            out.push_back(0);
    };
    while (rem >= 4) {
        size_t best = 3;
        size_t dist = 0;
        for (uint32_t c = link[pos]; c != kNone; c = link[c]) {
            if (best < rem && d[c + best] == d[pos + best]) {
                const size_t distance = pos - c;
                const size_t limit = rem < distance ? rem : distance;
                size_t k = 2;
                while (k < limit && d[c + k] == d[pos + k])
                    ++k;
                if (k > best) {
                    best = k;
                    dist = distance;
                }
            }
        }
        const bool match = best >= 8 || (best == 7 && dist <= 268435455) || (best == 6 && dist <= 2097151)
            || (best == 5 && dist <= 16383) || (best == 4 && dist <= 127);
        if (match) {
            out.push_back(escape);
            PutVarint(out, uint32_t(best));
            PutVarint(out, uint32_t(dist));
            pos += best;
            rem -= best;
        } else {
            literal(d[pos]);
            ++pos;
            --rem;
        }
    }
    for (; pos < n; ++pos)
        literal(d[pos]);
    return out;
}
