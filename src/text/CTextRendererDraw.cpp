// Glyph drawing: places each glyph on the baseline, has FreeType render its coverage, maps the
// coverage through a gamma table and composites it in the renderer's colour, with underlines.
#include "text/CTextRenderer.h"

#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/PixelCompositing.h"
#include "text/GlyphCache.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"

#include FT_GLYPH_H

#include <algorithm>
#include <cmath>

namespace {

inline int32_t RoundHalfAway(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

// Where and how coverage lands: one destination row of 8- or 32-bit pixels.
struct sTarget {
    CImNavBase* nav;
    bool wide;
    CPixel colour;
    int32_t blend;

    void Put(int32_t row, int32_t x0, const uint8_t* coverage, int32_t count) const
    {
        uint8_t* base = static_cast<uint8_t*>(nav->GetFirstPixel()) + ptrdiff_t(row) * nav->GetRowBytes();
        if (!wide) {
            for (int32_t i = 0; i < count; ++i)
                base[x0 + i] = std::max(base[x0 + i], coverage[i]);
            return;
        }
        CPixel* out = reinterpret_cast<CPixel*>(base) + x0;
        for (int32_t i = 0; i < count; ++i)
            PutOne(out[i], coverage[i]);
    }

    void PutOne(CPixel& d, uint32_t v) const
    {
        uint32_t a = CTextRenderer::TextAlpha(colour, v);
        if (blend == 0) {
            // Stamping keeps whichever is stronger, so drawing twice equals drawing once.
            if ((d >> 24) < v)
                d = (colour & 0x00FFFFFFu) | (a << 24);
            return;
        }
        if (a == 0)
            return;
        if (a == 255) {
            d = (colour & 0x00FFFFFFu) | 0xFF000000u;
            return;
        }
        d = BlendNormalWeighted(d, colour, a);
    }

    // Monochrome ink: the colour itself (stamping) or the colour at its own alpha (blending).
    void PutInk(int32_t row, int32_t x) const
    {
        uint8_t* base = static_cast<uint8_t*>(nav->GetFirstPixel()) + ptrdiff_t(row) * nav->GetRowBytes();
        if (!wide) {
            base[x] = 255;
            return;
        }
        CPixel& d = reinterpret_cast<CPixel*>(base)[x];
        if (blend == 0) {
            d = colour;
            return;
        }
        uint32_t a = colour >> 24;
        if (a == 0)
            return;
        d = a == 255 ? colour : BlendNormalWeighted(d, colour, a);
    }
};

// Horizontal clip of a glyph: the first coverage column, the destination column and the count.
// Returns -1 to skip the glyph, 1 to end the run (the glyph starts at the right edge), 0 to draw.
int32_t ClipColumns(int32_t& x0, int32_t coverageWidth, int32_t imageWidth, int32_t& skip, int32_t& count)
{
    count = std::min(coverageWidth, imageWidth - x0);
    skip = 0;
    if (x0 < 0) {
        skip = -x0;
        count -= skip;
        x0 = 0;
    }
    if (count < 0)
        return -1;
    if (x0 >= imageWidth)
        return 1;
    return 0;
}

// Only 8-bit grey and 1-bit coverage are read; a bitmap in another form (2- or 4-bit grey,
// colour) or without its pixels is drawn as empty rather than read past its rows.
bool Readable(const FT_Bitmap& bitmap)
{
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
        return false;
    return bitmap.buffer != nullptr && bitmap.pitch > 0;
}

// What happens to the run after one glyph: it was drawn (its underline follows), it is skipped,
// or the run ends because the glyph starts at the image's right edge.
enum class eGlyphStep { kDrawn, kSkipped, kRightEdge };

eGlyphStep StepForClip(int32_t clip)
{
    return clip < 0 ? eGlyphStep::kSkipped : clip > 0 ? eGlyphStep::kRightEdge : eGlyphStep::kDrawn;
}

// The row of the line's baseline in 26.6 units, counted up from the image's bottom row.
int32_t LineBaseline(FT_Face face, int32_t imageHeight, float y, bool fractional)
{
    float ratio = float(face->size->metrics.y_ppem) / float(face->units_per_EM);
    // A bitmap-only face has no units per em, so its box term is not a number; its ascender
    // takes that place and the glyphs still hang below the line's top edge.
    float boxTerm = float(face->bbox.yMax) * ratio * 64.0f;
    if (!std::isfinite(boxTerm))
        boxTerm = float(face->size->metrics.ascender);
    int32_t baseline = RoundHalfAway((float(imageHeight - 1) - y) * 64.0f) - RoundHalfAway(boxTerm);
    return fractional ? baseline : (baseline + 32) & ~63;
}

// The underline's band in 26.6 units from the image's top row.
struct sUnderline {
    int32_t top = 0;
    int32_t bottom = 0;
};

sUnderline UnderlineBand(FT_Face face, int32_t baseline, int32_t imageHeight, bool fractional)
{
    int32_t u = baseline + int32_t(FT_MulFix(face->underline_position, face->size->metrics.y_scale));
    if (!fractional)
        u = (u + 32) & ~63;
    sUnderline band;
    band.top = (imageHeight - 1) * 64 - u;
    int32_t thickness = int32_t(FT_MulFix(face->underline_thickness, face->size->metrics.y_scale));
    if (!fractional && thickness != 0)
        thickness = std::max((thickness + 32) & ~63, 64);
    band.bottom = band.top + thickness;
    return band;
}

// Renders the glyph at the pen position into the cache entry's coverage image, through the
// gamma table. False when FreeType or the allocation fails: the glyph is then skipped.
bool FillCacheEntry(sGlyphCacheEntry& entry, FT_Face face, FT_UInt glyph, int32_t px, int32_t py,
                    const uint8_t* gamma)
{
    if (FT_Load_Glyph(face, glyph, 0) != 0)
        return false;
    FT_Glyph outline = nullptr;
    if (FT_Get_Glyph(face->glyph, &outline) != 0)
        return false;
    bool placed = outline->format != FT_GLYPH_FORMAT_BITMAP;
    FT_Vector origin{px, py};
    if (FT_Glyph_To_Bitmap(&outline, FT_RENDER_MODE_NORMAL, &origin, 1) != 0) {
        FT_Done_Glyph(outline);
        return false;
    }
    auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(outline);
    const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
    // Bitmap fonts' glyphs come back without the origin applied: their position is already
    // relative to the pen.
    entry.top = placed ? bitmapGlyph->top - ((py + 31) >> 6) : bitmapGlyph->top;
    entry.left = placed ? bitmapGlyph->left - ((px + 31) >> 6) : bitmapGlyph->left;
    entry.advance = int32_t(face->glyph->advance.x);
    int32_t columns = std::max<int32_t>(int32_t(bitmap.width), 1);
    int32_t rows = std::max<int32_t>(int32_t(bitmap.rows), 1);
    delete entry.coverage;
    entry.coverage = new CImage8(columns, rows);
    if (!entry.coverage || !entry.coverage->IsCreated()) {
        delete entry.coverage;
        entry.coverage = nullptr;
        FT_Done_Glyph(outline);
        return false;
    }
    bool filled = true;
    if (bitmap.width > 0 && bitmap.rows > 0 && Readable(bitmap)) {
        CImNav8 fill(entry.coverage, nullptr);
        filled = fill.IsLocked();
        for (int32_t r = 0; filled && r < int32_t(bitmap.rows); ++r) {
            const uint8_t* in = bitmap.buffer + ptrdiff_t(r) * bitmap.pitch;
            uint8_t* out = fill.Row(r);
            for (int32_t k = 0; k < int32_t(bitmap.width); ++k) {
                // A set bit of a monochrome glyph is ink whatever the gamma choice.
                uint8_t v = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                ? ((in[k >> 3] >> (7 - (k & 7))) & 1 ? 255 : 0)
                                : gamma[in[k]];
                if (v > out[k])
                    out[k] = v;
            }
        }
    }
    FT_Done_Glyph(outline);
    return filled;
}

// Draws a cached glyph's coverage with its top-left corner at column x0 and row firstRow.
eGlyphStep DrawCachedGlyph(const sTarget& target, const sGlyphCacheEntry& entry, int32_t x0, int32_t firstRow,
                           int32_t imageWidth, int32_t imageHeight)
{
    int32_t skip, columns;
    eGlyphStep step = StepForClip(ClipColumns(x0, entry.coverage->GetWidth(), imageWidth, skip, columns));
    if (step != eGlyphStep::kDrawn)
        return step;
    CImNav8 coverage(entry.coverage, nullptr);
    if (!coverage.IsLocked())
        return eGlyphStep::kSkipped;
    for (int32_t r = 0; r < coverage.GetHeight(); ++r) {
        int32_t row = firstRow + r;
        if (row < 0)
            continue;
        if (row >= imageHeight)
            break;
        target.Put(row, x0, coverage.Row(r) + skip, columns);
    }
    return eGlyphStep::kDrawn;
}

// Renders the loaded glyph at the pen position and draws it straight into the target.
eGlyphStep DrawRenderedGlyph(const sTarget& target, FT_Face face, int32_t px, int32_t py, int32_t imageWidth,
                             int32_t imageHeight, const uint8_t* gamma)
{
    FT_Glyph outline = nullptr;
    if (FT_Get_Glyph(face->glyph, &outline) != 0)
        return eGlyphStep::kSkipped;
    bool placed = outline->format != FT_GLYPH_FORMAT_BITMAP;
    FT_Vector origin{px, py};
    if (FT_Glyph_To_Bitmap(&outline, FT_RENDER_MODE_NORMAL, &origin, 1) != 0) {
        FT_Done_Glyph(outline);
        return eGlyphStep::kSkipped;
    }
    auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(outline);
    const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
    int32_t x0 = bitmapGlyph->left + (placed ? 0 : (px + 31) >> 6);
    int32_t firstRow = imageHeight - (bitmapGlyph->top + (placed ? 0 : (py + 31) >> 6)) - 1;
    int32_t skip, columns;
    int32_t clip = ClipColumns(x0, int32_t(bitmap.width), imageWidth, skip, columns);
    if (clip == 0 && !Readable(bitmap))
        clip = -1;
    if (clip != 0) {
        FT_Done_Glyph(outline);
        return StepForClip(clip);
    }
    uint8_t mapped[256];
    for (int32_t r = 0; r < int32_t(bitmap.rows); ++r) {
        int32_t row = firstRow + r;
        if (row < 0)
            continue;
        if (row >= imageHeight)
            break;
        const uint8_t* in = bitmap.buffer + ptrdiff_t(r) * bitmap.pitch;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (int32_t k = 0; k < columns; ++k) {
                int32_t bit = skip + k;
                if ((in[bit >> 3] >> (7 - (bit & 7))) & 1)
                    target.PutInk(row, x0 + k);
            }
            continue;
        }
        for (int32_t done = 0; done < columns;) {
            int32_t n = std::min(columns - done, 256);
            for (int32_t k = 0; k < n; ++k)
                mapped[k] = gamma[in[skip + done + k]];
            target.Put(row, x0 + done, mapped, n);
            done += n;
        }
    }
    FT_Done_Glyph(outline);
    return eGlyphStep::kDrawn;
}

// Underlines columns from..to (26.6 pen positions already in pixels) over the band's rows; with
// fractional metrics the band's first and last rows are partly covered.
void DrawUnderline(const sTarget& target, int32_t from, int32_t to, const sUnderline& band, bool fractional,
                   int32_t imageHeight)
{
    if (from >= to)
        return;
    int32_t firstRow = band.top >> 6;
    int32_t endRow = band.bottom >> 6;
    if (fractional && (band.bottom & 63) == 0)
        --endRow;
    uint8_t line[256];
    for (int32_t row = firstRow; row < endRow; ++row) {
        if (row < 0 || row >= imageHeight)
            continue;
        uint32_t v = 255;
        if (fractional && row == firstRow)
            v = 255 - uint32_t(band.top & 63) * 4;
        else if (fractional && row == endRow - 1)
            v = (uint32_t((band.bottom - band.top) & 63) * 4 * (v + 1)) >> 8;
        std::fill(line, line + 256, uint8_t(v));
        for (int32_t done = from; done < to;) {
            int32_t n = std::min(to - done, 256);
            target.Put(row, done, line, n);
            done += n;
        }
    }
}

} // namespace

eResultCode CTextRenderer::DrawTextToImage(FT_Face* holder, const char16_t* text, CImageBase* image, float x, float y,
                                           int32_t count, int32_t blend, int32_t width)
{
    if (!text || !text[0])
        return eSuccess;
    if (!holder || !*holder || !image)
        return eNoMemory;
    FT_Face face = *holder;
    const int32_t imageWidth = image->GetWidth(), imageHeight = image->GetHeight();
    const bool fractional = mFractionalMetrics != 0;
    const int32_t baseline = LineBaseline(face, imageHeight, y, fractional);

    bool cached = UsesGlyphCache(face) && PrepareGlyphCache(face) != nullptr;
    int32_t length = 0;
    while (text[length])
        ++length;
    const float extra = JustifiedSpaceExtra(text, length, width);
    bool kerning = UsesKerning(face);
    sUnderline underline;
    if (mUnderline)
        underline = UnderlineBand(face, baseline, imageHeight, fractional);

    CImNavBase nav(image, nullptr);
    if (!nav.IsLocked())
        return eNoMemory;
    const sTarget target{&nav, image->GetBitsPerPixel() == 32, mColour, blend};
    const uint8_t* gamma = mInverseGamma ? gTextInverseGammaTable : gTextGammaTable;
    sGlyphCache* cache = cached ? GetGlyphCache(face) : nullptr;

    int32_t pen = 0;
    float accumulated = 0.0f;
    FT_UInt previousGlyph = 0;
    char16_t previousCode = 0;
    int32_t end = count > 0 ? std::min(count, length) : length;
    for (int32_t i = 0; i < end; ++i) {
        char16_t c = text[i];
        FT_UInt glyph = FT_Get_Char_Index(face, c);
        pen += KerningStep(face, kerning, previousCode, previousGlyph, c, glyph);
        previousGlyph = glyph;
        previousCode = c;
        if (mJustification == eFull && c == 32 && i > 0)
            accumulated += extra;
        if (glyph == 0)
            continue;
        int32_t px = RoundHalfAway((float(pen) + accumulated) * mAdvanceScale + x * 64.0f);
        const int32_t py = baseline;

        eGlyphStep step = eGlyphStep::kDrawn;
        if (cache && c < kGlyphCacheCodes) {
            sGlyphCacheEntry& entry = cache->entries[c];
            if ((!entry.coverage || !entry.coverage->HasPixelBuffer()) &&
                !FillCacheEntry(entry, face, glyph, px, py, gamma))
                continue;
            pen += entry.advance;
            if (c != 32) {
                int32_t x0 = ((px + 31) >> 6) + entry.left;
                int32_t firstRow = imageHeight - 1 - (((py + 31) >> 6) + entry.top);
                step = DrawCachedGlyph(target, entry, x0, firstRow, imageWidth, imageHeight);
            }
        } else {
            if (FT_Load_Glyph(face, glyph, 0) != 0)
                continue;
            pen += int32_t(face->glyph->advance.x);
            if (!mSubpixelPositioning)
                px = (px + 31) & ~63;
            if (c != 32)
                step = DrawRenderedGlyph(target, face, px, py, imageWidth, imageHeight, gamma);
        }
        if (step == eGlyphStep::kRightEdge)
            return eSuccess;
        if (step == eGlyphStep::kSkipped)
            continue;
        if (mUnderline)
            DrawUnderline(target, std::max(px >> 6, 0), std::min(pen >> 6, imageWidth - 1), underline, fractional,
                          imageHeight);
    }
    return eSuccess;
}
