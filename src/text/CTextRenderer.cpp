#include "text/CTextRenderer.h"

#include "core/CheckedSize.h"
#include "core/gCArray.h"
#include "imaging/CImage.h"
#include "text/GlyphCache.h"
#include "text/gCFont.h"

#include <cmath>

namespace {

constexpr char16_t kEmpty[] = u"";
constexpr int32_t kChunk = 64;
// A text image beyond 64 million pixels (a font size or a text no window could show) is refused
// before anything is allocated for it.
constexpr int64_t kMaxTextImagePixels = int64_t(1) << 26;

eResultCode SizeTextImage(CImageBase* image, int32_t width, int32_t height)
{
    if (!SizesFit({width, height}, kMaxTextImagePixels))
        return eNoMemory;
    return image->SetSize(width, height);
}

inline int32_t RoundHalfAway(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

const char16_t* TextOf(const gCString& text)
{
    return text.GetText() ? text.GetText() : kEmpty;
}

int32_t Length(const char16_t* text)
{
    int32_t n = 0;
    while (text[n])
        ++n;
    return n;
}

bool IsLineBreak(char16_t c)
{
    return c == 13 || c == 10;
}

bool IsWordBreak(char16_t c)
{
    static constexpr char16_t kBreaks[] = u" .,:;()_-+={[}]`~!@#$%^&*|\\<>/?";
    for (char16_t b : kBreaks)
        if (b != 0 && b == c)
            return true;
    return false;
}

int32_t EndLineAt(const char16_t* text, int32_t stop, int32_t best)
{
    // The line ends after the last break character that fits, or is cut at the stop when there is
    // none. A line always takes at least one character, so that a width narrower than one
    // character still makes progress.
    int32_t end = best >= 0 ? best : stop;
    if (end == 0 && text[0] != 0)
        end = 1;
    // The spaces where a line ends stay with it: they vanish at its end rather than indent the next.
    while (text[end] == u' ')
        ++end;
    return end;
}

const gCString& TrimSet()
{
    static const gCString set(u"\t \n\r");
    return set;
}

} // namespace

CTextRenderer::CTextRenderer() : mFontName(u"Helvetica") {}

CTextRenderer& CTextRenderer::operator=(const CTextRenderer& other)
{
    if (this == &other)
        return *this;
    mFontName = other.mFontName;
    mFont = other.mFont;
    mPixelSize = other.mPixelSize;
    mPointSize = other.mPointSize;
    mXScale = other.mXScale;
    mAdvanceScale = other.mAdvanceScale;
    mColour = other.mColour;
    mJustification = other.mJustification;
    mBold = other.mBold;
    mItalic = other.mItalic;
    mUnderline = other.mUnderline;
    mWrap = other.mWrap;
    mOriginX = other.mOriginX;
    mOriginY = other.mOriginY;
    return *this;
}

eResultCode CTextRenderer::SelectFontStyle(FT_Face** faceOut)
{
    gCString name = mFontName;
    if (mBold)
        (void)name.Append(u" Bold");
    if (mItalic)
        (void)name.Append(u" Italic");
    if (eResultCode result = gCFont::FindFont(&mFont, name); result != eSuccess) {
        if (!mBold && !mItalic)
            return result;
        PNU_TRY(gCFont::FindFont(&mFont, mFontName));
    }
    PNU_TRY(mPixelSize != 0 ? mFont->SetPixelSize(mPixelSize, mXScale) : mFont->SetCharSize(mPointSize, mXScale));
    *faceOut = mFont->GetFaceHolder();
    FT_Face face = mFont->GetFace();
    float fromBox = (float(face->size->metrics.y_ppem) / float(face->units_per_EM))
                    * float(face->bbox.yMax - face->bbox.yMin);
    float fromSize = float(face->size->metrics.height) / 64.0f;
    // A bitmap-only face has no units per em: its box term is not a number (or infinite), and
    // the size's own height stands.
    float height = std::isfinite(fromBox) && fromBox > fromSize ? fromBox : fromSize;
    mLineHeight = mFractionalMetrics ? height : float(int32_t(height));
    if (!face->charmap && face->num_charmaps > 0)
        (void)FT_Set_Charmap(face, face->charmaps[0]);
    return eSuccess;
}

bool CTextRenderer::UsesGlyphCache(FT_Face face) const
{
    if (mSubpixelPositioning || mFractionalMetrics)
        return false;
    float ratio = float(face->size->metrics.y_ppem) / float(face->units_per_EM);
    int64_t area = int64_t(face->bbox.xMax - face->bbox.xMin) * int64_t(face->bbox.yMax - face->bbox.yMin);
    return float(area) * ratio * ratio < 10000.0f;
}

bool CTextRenderer::UsesKerning(FT_Face face) const
{
    return FT_HAS_KERNING(face) && mFont && mFont->GetKerningCount() > 0;
}

int32_t CTextRenderer::KerningStep(FT_Face face, bool kerning, char16_t previousCode, FT_UInt previousGlyph,
                                   char16_t code, FT_UInt glyph)
{
    if (!glyph || !previousGlyph)
        return 0;
    int32_t delta = 0;
    if (kerning && mFont->GetKerning(face, previousCode, code, &delta) != eSuccess) {
        FT_Vector vector{0, 0};
        if (FT_Get_Kerning(face, previousGlyph, glyph, mSubpixelPositioning ? FT_KERNING_UNFITTED : FT_KERNING_DEFAULT,
                           &vector) == 0)
            delta = int32_t(vector.x);
    }
    return mLetterSpacing + delta;
}

bool CTextRenderer::GlyphAdvance(FT_Face face, bool cached, char16_t code, FT_UInt glyph, int32_t* advance)
{
    sGlyphCache* cache = cached && code < kGlyphCacheCodes ? GetGlyphCache(face) : nullptr;
    if (cache && cache->entries[code].advance >= 0) {
        *advance = cache->entries[code].advance;
        return true;
    }
    if (FT_Load_Glyph(face, glyph, 0) != 0)
        return false;
    *advance = int32_t(face->glyph->advance.x);
    if (cache)
        cache->entries[code].advance = *advance;
    return true;
}

int32_t CTextRenderer::MeasureStep(FT_Face face, bool kerning, bool cached, char16_t code, FT_UInt& previousGlyph,
                                   char16_t& previousCode)
{
    FT_UInt glyph = FT_Get_Char_Index(face, code);
    int32_t step = KerningStep(face, kerning, previousCode, previousGlyph, code, glyph);
    // A glyph that cannot be loaded still takes its place, with no advance, so that line
    // breaking never reads an unwritten slot.
    int32_t advance = 0;
    if (GlyphAdvance(face, cached, code, glyph, &advance))
        step += advance;
    previousGlyph = glyph;
    previousCode = code;
    return step;
}

float CTextRenderer::JustifiedSpaceExtra(const char16_t* text, int32_t length, int32_t width)
{
    if (mJustification != eFull)
        return 0.0f;
    int32_t spaces = 0;
    for (int32_t i = 0; i < length; ++i)
        spaces += text[i] == 32;
    return float(width - GetTextWidth(gCString(text))) / float(spaces);
}

int32_t CTextRenderer::MeasureTextWidth(FT_Face* holder, const char16_t* text, int32_t count)
{
    if (!text || !text[0] || !holder || !*holder)
        return 0;
    FT_Face face = *holder;
    bool cached = UsesGlyphCache(face) && PrepareGlyphCache(face) != nullptr;
    bool kerning = UsesKerning(face);
    gCArray<gCString> lines;
    (void)gCString(text).Split(lines, 13);
    int32_t widest = 0;
    int32_t measured = 0;
    for (gCString& line : lines) {
        line.Trim(TrimSet());
        if (line.GetLength() == 0)
            continue;
        int32_t pen = 0;
        FT_UInt previousGlyph = 0;
        char16_t previousCode = 0;
        for (int32_t i = 0; i < line.GetLength(); ++i) {
            if (count > 0 && measured >= count)
                break;
            pen += MeasureStep(face, kerning, cached, line[i], previousGlyph, previousCode);
            ++measured;
        }
        int32_t width = (RoundHalfAway(float(pen) * mAdvanceScale) + 96) >> 6;
        if (width > widest)
            widest = width;
    }
    return widest;
}

eResultCode CTextRenderer::MeasureCharOffsets(FT_Face* holder, const char16_t* text, int32_t* offsets, int32_t width)
{
    if (!text || !text[0] || !holder || !*holder)
        return eSuccess;
    FT_Face face = *holder;
    offsets[0] = 0;
    int32_t length = Length(text);
    const float extra = JustifiedSpaceExtra(text, length, width);
    bool cached = UsesGlyphCache(face) && PrepareGlyphCache(face) != nullptr;
    bool kerning = UsesKerning(face);
    int32_t pen = 0;
    float accumulated = 0.0f;
    FT_UInt previousGlyph = 0;
    char16_t previousCode = 0;
    for (int32_t i = 0; i < length; ++i) {
        pen += MeasureStep(face, kerning, cached, text[i], previousGlyph, previousCode);
        int32_t p = mSubpixelPositioning ? pen : ((pen + 31) & ~63);
        if (mJustification == eFull && text[i + 1] == 32)
            accumulated += extra;
        offsets[i + 1] = ((RoundHalfAway(float(p) * mAdvanceScale) + 96) >> 6) + RoundHalfAway(accumulated + mOriginX);
    }
    return eSuccess;
}

int32_t CTextRenderer::FitTextToWidth(const char16_t* text, int32_t width)
{
    int32_t limit = width - 2;
    int32_t best = -1;
    int32_t base = 0;
    int32_t accumulated = 0;
    for (;;) {
        const char16_t* chunk = text + base;
        int32_t length = 0;
        int32_t lastBreak = -1;
        while (length < kChunk && chunk[length] != 0 && !IsLineBreak(chunk[length])) {
            if (IsWordBreak(chunk[length]))
                lastBreak = length + 1;
            ++length;
        }
        gCString part;
        if (part.CopyStringFromBuffer(chunk, length) != eSuccess)
            return 0;
        if (length > 0 && GetCharOffsets(part, mChunkOffsets, 0) != eSuccess)
            return 0;
        if (length == 0)
            mChunkOffsets[0] = 0;
        if (length < kChunk && accumulated + mChunkOffsets[length] < limit)
            return base + length;
        if (length == kChunk && accumulated + mChunkOffsets[kChunk] < limit) {
            if (lastBreak >= 0)
                best = base + lastBreak;
            base += kChunk;
            accumulated += mChunkOffsets[kChunk];
            continue;
        }
        // The line ends inside this chunk, before the first character that does not fit.
        int32_t k = 0;
        while (k < length && accumulated + mChunkOffsets[k + 1] < limit) {
            if (IsWordBreak(chunk[k]))
                best = base + k + 1;
            ++k;
        }
        return EndLineAt(text, base + k, best);
    }
}

int32_t CTextRenderer::MeasureTextHeight(FT_Face*, const char16_t* text, int32_t wrapWidth)
{
    if (!mWrap || !text || !text[0])
        return RoundHalfAway(mLineHeight + 0.5f);
    int32_t lines = 1;
    int32_t position = 0;
    for (;;) {
        // Line breaks at the start of a line are counted below, as the drawing loop advances a
        // line for each; only a fit that makes no progress ends the count early.
        if (!IsLineBreak(text[position])) {
            int32_t n = FitTextToWidth(text + position, wrapWidth);
            position += n;
            if (n == 0 || text[position] == 0)
                break;
        }
        ++lines;
        if (IsLineBreak(text[position])) {
            ++position;
            while (IsLineBreak(text[position])) {
                ++lines;
                ++position;
            }
        }
        if (text[position] == 0)
            break;
    }
    return RoundHalfAway(mLineHeight * mLineSpacing * float(lines) + 1.5f);
}

eResultCode CTextRenderer::GetCharOffsets(const gCString& text, int32_t* offsets, int32_t width)
{
    FT_Face* face = nullptr;
    PNU_TRY(SelectFontStyle(&face));
    return MeasureCharOffsets(face, TextOf(text), offsets, width);
}

int32_t CTextRenderer::GetTextWidth(const gCString& text)
{
    FT_Face* face = nullptr;
    if (SelectFontStyle(&face) != eSuccess)
        return 0;
    return MeasureTextWidth(face, TextOf(text), 0);
}

int32_t CTextRenderer::GetTextHeight(const gCString& text, int32_t wrapWidth)
{
    FT_Face* face = nullptr;
    if (eResultCode result = SelectFontStyle(&face); result != eSuccess)
        return result;
    return MeasureTextHeight(face, TextOf(text), wrapWidth);
}

eResultCode CTextRenderer::DrawWrapped(FT_Face* face, const char16_t* text, CImageBase* image, int32_t blend)
{
    float y = mOriginY;
    float step = mLineHeight * mLineSpacing;
    int32_t position = 0;
    int32_t width = image->GetWidth();
    for (;;) {
        if (IsLineBreak(text[position])) {
            y += step;
        } else {
            int32_t n = FitTextToWidth(text + position, width);
            float next = y + step;
            if (n > 0 && next >= 0.0f) {
                float spare = float(width - MeasureTextWidth(face, text + position, n));
                float x = mJustification == eLeft ? mOriginX
                          : mJustification == eRight ? spare + mOriginX
                                                     : spare * 0.5f + mOriginX;
                PNU_TRY(DrawTextToImage(face, text + position, image, x, y, n, blend, 0));
            }
            y = next;
            position += n;
        }
        if (y > float(image->GetHeight()))
            break;
        if (IsLineBreak(text[position]))
            ++position;
        if (text[position] == 0)
            break;
    }
    return eSuccess;
}

eResultCode CTextRenderer::RenderText(const gCString& text, CImageBase* image, int32_t fit)
{
    FT_Face* face = nullptr;
    PNU_TRY(SelectFontStyle(&face));
    if (!image)
        return eSuccess;
    const char16_t* units = TextOf(text);
    if (!units[0]) {
        image->Clear();
        return eSuccess;
    }
    if (!fit) {
        image->Clear();
    } else if (mWrap) {
        PNU_TRY(SizeTextImage(image, image->GetWidth(), MeasureTextHeight(face, units, image->GetWidth())));
    } else {
        gCArray<gCString> lines;
        (void)text.Split(lines, 10);
        int32_t width = 0;
        int32_t used = 0;
        for (int32_t i = 0; i < lines.GetSize(); ++i) {
            lines[i].Trim(TrimSet());
            if (lines[i].GetLength() > 0) {
                used = i + 1;
                int32_t w = MeasureTextWidth(face, TextOf(lines[i]), 0);
                if (w > width)
                    width = w;
            }
        }
        PNU_TRY(SizeTextImage(image, width, RoundHalfAway((mLineHeight + 1.5f) * float(used))));
    }
    if (mWrap)
        return DrawWrapped(face, units, image, 0);
    gCArray<gCString> lines;
    (void)text.Split(lines, 10);
    float y = mOriginY;
    float step = mLineHeight * mLineSpacing;
    for (gCString& line : lines) {
        line.Trim(TrimSet());
        float next = y + step;
        if (line.GetLength() > 0 && next >= 0.0f) {
            int32_t lineWidth = MeasureTextWidth(face, TextOf(line), 0);
            float spare = float(image->GetWidth() - lineWidth);
            float x = mJustification == eLeft ? mOriginX
                      : mJustification == eRight ? spare + mOriginX
                                                 : spare * 0.5f + mOriginX;
            PNU_TRY(DrawTextToImage(face, TextOf(line), image, x, y, line.GetLength(), 0, 0));
        }
        if (next > float(image->GetHeight()))
            break;
        y = next;
    }
    return eSuccess;
}

eResultCode CTextRenderer::DrawTextInImage(const gCString& text, CImage* image)
{
    FT_Face* face = nullptr;
    PNU_TRY(SelectFontStyle(&face));
    const char16_t* units = TextOf(text);
    if (!image || !units[0])
        return eSuccess;
    if (mWrap)
        return DrawWrapped(face, units, image, 0);
    float x = mOriginX;
    if (mJustification != eLeft) {
        float spare = float(image->GetWidth() - GetTextWidth(text));
        x += mJustification == eRight ? spare : spare * 0.5f;
    }
    return DrawTextToImage(face, units, image, x, mOriginY, 0, 0, 0);
}

eResultCode CTextRenderer::DrawTextAt(const gCString& text, CImage* image, const float* point, int32_t width)
{
    FT_Face* face = nullptr;
    PNU_TRY(SelectFontStyle(&face));
    const char16_t* units = TextOf(text);
    if (!image || !units[0] || mWrap)
        return eSuccess;
    float x = mOriginX + point[0];
    float y = mOriginY + point[1];
    if (mJustification == eRight)
        x -= float(GetTextWidth(text));
    else if (mJustification != eLeft)
        x -= float(GetTextWidth(text) / 2);
    bool spread = mJustification != eLeft && mJustification != eRight;
    return DrawTextToImage(face, units, image, x, y, 0, 1, spread ? width : 0);
}
