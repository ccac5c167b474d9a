// The per-face cache of rendered glyph coverage for small faces, kept in the FreeType face's
// generic client pointer: one entry per character code below 688. It is dropped whenever the
// face's size changes, so its coverage always belongs to the current size.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>

class CImage8;

struct sGlyphCacheEntry {
    CImage8* coverage; // owned; null until rendered
    int32_t top;
    int32_t left;
    int32_t advance; // 26.6; -1 while not yet measured
};

struct sGlyphCache {
    sGlyphCacheEntry* entries;
    int32_t count;
    int32_t capacity;
    int32_t growth;
};

inline constexpr int32_t kGlyphCacheCodes = 688;

// The face's cache, created or brought to 688 entries when needed; null when it cannot be made.
sGlyphCache* PrepareGlyphCache(FT_Face face);
// The face's cache when it exists, else null.
inline sGlyphCache* GetGlyphCache(FT_Face face)
{
    return face ? static_cast<sGlyphCache*>(face->generic.data) : nullptr;
}
void ReleaseGlyphCache(FT_Face face);
