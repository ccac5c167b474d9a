#include "text/GlyphCache.h"

#include "core/gCMemory.h"
#include "imaging/CImage8.h"

namespace {

void ClearEntries(sGlyphCacheEntry* first, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        first[i] = {nullptr, 0, 0, -1};
}

} // namespace

sGlyphCache* PrepareGlyphCache(FT_Face face)
{
    auto* cache = static_cast<sGlyphCache*>(face->generic.data);
    if (!cache) {
        cache = static_cast<sGlyphCache*>(MemAllocate(sizeof(sGlyphCache)));
        if (!cache)
            return nullptr;
        *cache = {nullptr, 0, 0, -1};
        face->generic.data = cache;
        face->generic.finalizer = nullptr;
    }
    if (cache->count == kGlyphCacheCodes)
        return cache;
    for (int32_t i = kGlyphCacheCodes; i < cache->count; ++i)
        delete cache->entries[i].coverage;
    auto* entries = static_cast<sGlyphCacheEntry*>(
        MemReallocate(cache->entries, sizeof(sGlyphCacheEntry) * kGlyphCacheCodes));
    if (!entries) {
        if (cache->count > kGlyphCacheCodes)
            cache->count = kGlyphCacheCodes;
        return nullptr;
    }
    if (cache->count < kGlyphCacheCodes)
        ClearEntries(entries + cache->count, kGlyphCacheCodes - cache->count);
    cache->entries = entries;
    cache->count = kGlyphCacheCodes;
    cache->capacity = kGlyphCacheCodes;
    return cache;
}

void ReleaseGlyphCache(FT_Face face)
{
    if (!face || !face->generic.data)
        return;
    auto* cache = static_cast<sGlyphCache*>(face->generic.data);
    for (int32_t i = 0; i < cache->count; ++i)
        delete cache->entries[i].coverage;
    MemFree(cache->entries);
    MemFree(cache);
    face->generic.data = nullptr;
}
