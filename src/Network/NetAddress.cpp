#include "Network/NetAddress.h"

#include <cstdio>

bool IsDottedAddress(const gCString& text)
{
    gCString rest = text;
    for (int32_t part = 0; part < 3; ++part) {
        int32_t dot = rest.Find(gCString(u"."));
        if (dot < 1)
            return false;
        if (!rest.Left(dot).IsInteger())
            return false;
        rest = rest.DropLeft(dot + 1);
    }
    int32_t dot = rest.Find(gCString(u"."));
    gCString last = dot >= 1 ? rest.Left(dot) : rest;
    return last.IsInteger() != 0;
}

uint32_t ParseDottedAddress(const gCString& text)
{
    gCString parts[4];
    gCString rest = text;
    for (int32_t i = 0; i < 3; ++i) {
        gCString left, right;
        (void)rest.SplitAtFirst(left, right, gCString(u"."), 0);
        parts[i] = left;
        rest = right;
    }
    parts[3] = rest;
    // Unsigned arithmetic: the sum wraps instead of overflowing for parts out of range.
    uint32_t address = 0;
    for (int32_t i = 0; i < 4; ++i)
        address += uint32_t(parts[i].ParseInteger()) << (24 - 8 * i);
    return address;
}

gCString FormatDottedAddress(uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF,
        (address >> 8) & 0xFF, address & 0xFF);
    return gCString(text);
}

void SplitHostAndPort(const gCString& text, gCString& host, uint16_t& port)
{
    if (text.Find(gCString(u":")) < 0) {
        host = text;
        port = 0;
        return;
    }
    gCString after;
    (void)text.SplitAtFirst(host, after, gCString(u":"), 0);
    port = uint16_t(after.ParseInteger());
}
