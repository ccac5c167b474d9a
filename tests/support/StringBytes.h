// The bytes of a toolkit string as a std::string, for comparisons and failure messages in tests.
#pragma once

#include "core/CMemBlock.h"
#include "core/gCString.h"

#include <cstdint>
#include <string>

// UTF-8, made without the memory hooks so it also works while a test makes them fail. A unit
// gives at most three bytes; UTF-8 never holds 0xFF, so the first one left over marks the end even
// of a text that holds 0 units.
inline std::string Utf8(const gCString& text)
{
    std::string bytes(size_t(text.GetLength()) * 3 + 1, '\xFF');
    if (!text.ToUTF8(bytes.data(), uint32_t(bytes.size())))
        return "<not converted>";
    const size_t end = bytes.find('\xFF');
    bytes.resize((end == std::string::npos ? bytes.size() : end) - 1);
    return bytes;
}

// Mac Roman, one byte for each unit.
inline std::string MacRoman(const gCString& text)
{
    CMemBlock bytes;
    if (text.ToMacRoman(bytes) != eSuccess)
        return "<not converted>";
    return std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize());
}
