// Helpers shared by the stream tests: opening a file stream on a plain path, and text literals.
#pragma once

#include "FileIO/gCFile.h"
#include "core/gCString.h"
#include "support/StringBytes.h"

#include <string>

// A file stream that tests can open on an absolute path without a path object.
class TestFile : public gCFile {
public:
    eResultCode OpenAt(const std::string& path, eAccessState state)
    {
        int32_t created = 0;
        return OpenSystemPath(path.c_str(), state, created);
    }
};

// Bytes of a UTF-16 text in the given byte order.
inline std::string Utf16Bytes(const std::u16string& units, bool bigEndian = false)
{
    std::string bytes;
    for (char16_t unit : units) {
        char low = char(unit & 0xFF);
        char high = char(unit >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}
