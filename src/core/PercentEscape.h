// Percent escapes ("%" and two hex digits standing for one byte) and the hex digits they are made
// of, as file addresses, the update check's address, the install journal and the HTTP client
// write and read them. Escapes are always written with upper-case digits; what a reader accepts
// is its own choice.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Which letters a reader takes as hex digits: a-f too, or only A-F (a format that only ever
// writes upper case and refuses anything else).
enum class eHexLetters : uint8_t { kEitherCase, kUpperCaseOnly };

// The value of a hex digit, or -1.
constexpr int32_t HexDigitValue(char32_t unit, eHexLetters letters = eHexLetters::kEitherCase)
{
    if (unit >= U'0' && unit <= U'9')
        return int32_t(unit - U'0');
    if (unit >= U'A' && unit <= U'F')
        return int32_t(unit - U'A') + 10;
    if (letters == eHexLetters::kEitherCase && unit >= U'a' && unit <= U'f')
        return int32_t(unit - U'a') + 10;
    return -1;
}

// The unreserved characters of an address (ASCII letters, digits and "-._~"), which travel
// without an escape.
constexpr bool IsUnreservedByte(uint8_t byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '-'
        || byte == '.' || byte == '_' || byte == '~';
}

// Writes "%" and the byte's two upper-case hex digits to the three characters at out.
constexpr void PercentEscapeByte(uint8_t byte, char* out)
{
    out[0] = '%';
    out[1] = kUpperHexDigits[byte >> 4];
    out[2] = kUpperHexDigits[byte & 15];
}

// The byte the escape at index `at` of the units stands for: -1 unless a "%" stands there with
// two hex digits after it within length. Works on bytes and on UTF-16 units alike.
template <typename Unit>
constexpr int32_t PercentEscapedByte(const Unit* units, size_t length, size_t at,
    eHexLetters letters = eHexLetters::kEitherCase)
{
    if (at >= length || units[at] != Unit('%') || length - at < 3)
        return -1;
    const int32_t high = HexDigitValue(char32_t(units[at + 1]), letters);
    const int32_t low = HexDigitValue(char32_t(units[at + 2]), letters);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}
