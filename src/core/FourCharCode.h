// A four-character code (a file type, a resource or chunk tag, a widget's class or id) as the
// number whose most significant byte is its first character, as the stored formats hold it.
#pragma once

#include <cstdint>

constexpr uint32_t FourCharCode(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 | uint32_t(uint8_t(code[2])) << 8
        | uint32_t(uint8_t(code[3]));
}
