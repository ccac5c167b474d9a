// The Mac OS Roman character set, the toolkit's 8-bit text encoding, from the published mapping
// (0xDB is the euro sign, 0xF0 the private-use Apple logo U+F8FF).
#pragma once

#include <cstdint>

// The UTF-16 unit of a Mac Roman byte; every byte has one.
char16_t MacRomanToUnicode(uint8_t byte);

// The Mac Roman byte of a UTF-16 unit, or -1 when the set has no such character.
int32_t UnicodeToMacRoman(char16_t unit);
