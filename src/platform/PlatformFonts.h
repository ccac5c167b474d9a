// System font lookup by name through fontconfig. fontconfig always answers with some font, so
// this layer decides what counts as found: a font whose full name is the name asked for, or a
// font of the named family in the style given by a trailing " Bold", " Italic" or
// " Bold Italic".
#pragma once

#include <cstdint>
#include <string>

namespace plat {

struct sSystemFontFile {
    std::string path;
    int32_t index = 0;
};

// name is UTF-8. False when no installed font has that full name or that family.
bool FindSystemFontFile(const std::string& name, sSystemFontFile& file);

// fontconfig's best match for a family name, whatever family it turns out to be; false only
// when no font is installed at all. This stands in for a family the system may not have.
bool FindNearestFontFile(const std::string& family, sSystemFontFile& file);

} // namespace plat
