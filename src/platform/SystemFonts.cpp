#include "platform/SystemFonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

namespace plat {

namespace {

// fontconfig is set up once and released when the process ends, so that none of its set-up
// outlives the program as a leak.
bool Initialise()
{
    static const bool ready = [] {
        if (!FcInit())
            return false;
        std::atexit([] { FcFini(); });
        return true;
    }();
    return ready;
}

bool EndsWith(const std::string& text, const char* suffix, std::string& rest)
{
    size_t n = std::char_traits<char>::length(suffix);
    if (text.size() <= n || strcasecmp(text.c_str() + text.size() - n, suffix) != 0)
        return false;
    rest = text.substr(0, text.size() - n);
    return true;
}

bool FileOf(FcPattern* font, sSystemFontFile& file)
{
    FcChar8* path = nullptr;
    int index = 0;
    if (FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch || !path)
        return false;
    if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    const size_t length = std::strlen(reinterpret_cast<const char*>(path));
    if (length >= sSystemFontFile::kPathCapacity)
        return false;
    std::memcpy(file.path, path, length + 1);
    file.index = index;
    return true;
}

// The first installed font whose full name is exactly the name (case aside).
bool FindByFullName(const std::string& name, sSystemFontFile& file)
{
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FULLNAME, FC_FILE, FC_INDEX, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    bool found = false;
    for (int i = 0; fonts && i < fonts->nfont && !found; ++i) {
        FcChar8* fullName = nullptr;
        for (int k = 0; FcPatternGetString(fonts->fonts[i], FC_FULLNAME, k, &fullName) == FcResultMatch; ++k) {
            if (strcasecmp(reinterpret_cast<const char*>(fullName), name.c_str()) == 0) {
                found = FileOf(fonts->fonts[i], file);
                break;
            }
        }
    }
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

// fontconfig's best match for the family and style; when requireFamily is set the match counts
// only when its family is the one asked for.
bool Match(const std::string& family, int weight, int slant, bool requireFamily, sSystemFontFile& file)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, weight);
    FcPatternAddInteger(pattern, FC_SLANT, slant);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(nullptr, pattern, &result);
    bool found = false;
    if (font) {
        bool familyMatches = !requireFamily;
        FcChar8* matched = nullptr;
        for (int k = 0; !familyMatches && FcPatternGetString(font, FC_FAMILY, k, &matched) == FcResultMatch; ++k)
            familyMatches = strcasecmp(reinterpret_cast<const char*>(matched), family.c_str()) == 0;
        found = familyMatches && FileOf(font, file);
        FcPatternDestroy(font);
    }
    FcPatternDestroy(pattern);
    return found;
}

std::string Text(const char* bytes, size_t length)
{
    return length > 0 ? std::string(bytes, length) : std::string();
}

} // namespace

eFileResult FindSystemFontFile(const char* nameBytes, size_t length, sSystemFontFile& file)
{
    const std::string name = Text(nameBytes, length);
    if (name.empty())
        return eFileResult::kNotFound;
    if (!Initialise())
        return eFileResult::kFailed;
    if (FindByFullName(name, file))
        return eFileResult::kOk;
    std::string family = name;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    std::string rest;
    if (EndsWith(family, " Bold Italic", rest)) {
        family = rest;
        weight = FC_WEIGHT_BOLD;
        slant = FC_SLANT_ITALIC;
    } else if (EndsWith(family, " Bold", rest)) {
        family = rest;
        weight = FC_WEIGHT_BOLD;
    } else if (EndsWith(family, " Italic", rest)) {
        family = rest;
        slant = FC_SLANT_ITALIC;
    }
    return Match(family, weight, slant, true, file) ? eFileResult::kOk : eFileResult::kNotFound;
}

eFileResult FindNearestFontFile(const char* familyBytes, size_t length, sSystemFontFile& file)
{
    if (!Initialise())
        return eFileResult::kFailed;
    const bool found = Match(Text(familyBytes, length), FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, false, file);
    return found ? eFileResult::kOk : eFileResult::kNotFound;
}

} // namespace plat
