// System font lookup by name through fontconfig. fontconfig always answers with some font, so
// this layer decides what counts as found: a font whose full name is the name asked for, or a
// font of the named family in the style given by a trailing " Bold", " Italic" or
// " Bold Italic".
#pragma once

#include "platform/FileResult.h"

#include <cstddef>
#include <cstdint>

namespace plat {

struct sSystemFontFile {
    // Room for the longest path the system can open, with its terminating 0.
    static constexpr size_t kPathCapacity = 4096;
    char path[kPathCapacity] = {};
    int32_t index = 0;
};

// The name is the `length` bytes of UTF-8 at `name`. kNotFound when no installed font has that
// full name or that family (or its file's path does not fit), kFailed when fontconfig cannot start.
eFileResult FindSystemFontFile(const char* name, size_t length, sSystemFontFile& file);

// fontconfig's best match for a family name, whatever family it turns out to be; kNotFound only
// when no font is installed at all. This stands in for a family the system may not have.
eFileResult FindNearestFontFile(const char* family, size_t length, sSystemFontFile& file);

} // namespace plat
