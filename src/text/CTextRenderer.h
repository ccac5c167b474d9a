// Lays out and draws UTF-16 text into the toolkit's images: resolves its settings to a FreeType
// face through gCFont::FindFont, measures text (width, height, per-character offsets), breaks
// it into lines at word-break characters and draws line by line through DrawTextToImage. Text
// widgets set the fields directly; the renderer has no setters.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// DrawTextAt.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"
#include "imaging/CPixel.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>

class CImage;
class CImageBase;
class gCFont;

class CTextRenderer : public gCBaseObject {
public:
    enum eJustification : int32_t { eLeft = 0, eRight = 1, eFull = 3 };

    CTextRenderer();
    ~CTextRenderer() override = default;

    CTextRenderer(const CTextRenderer&) = delete;
    // Copies the font, sizes, scales, colour, justification, style, wrap and origin; the line
    // spacing, positioning flags, line height, gamma choice and letter spacing stay.
    CTextRenderer& operator=(const CTextRenderer& other);

    // The image may be 8-bit: the text's coverage is then stored as the mask.
    virtual eResultCode RenderText(const gCString& text, CImageBase* image, int32_t fit);
    virtual eResultCode DrawTextInImage(const gCString& text, CImage* image);
    virtual eResultCode DrawTextAt(const gCString& text, CImage* image, const float* point, int32_t width);
    // offsets needs room for one more entry than the text has characters.
    virtual eResultCode GetCharOffsets(const gCString& text, int32_t* offsets, int32_t width);
    virtual int32_t GetTextWidth(const gCString& text);
    virtual int32_t GetTextHeight(const gCString& text, int32_t wrapWidth);
    // How many characters from the start of the text form the next line.
    virtual int32_t FitTextToWidth(const char16_t* text, int32_t width);
    virtual int32_t MeasureTextHeight(FT_Face* face, const char16_t* text, int32_t wrapWidth);
    virtual int32_t MeasureTextWidth(FT_Face* face, const char16_t* text, int32_t count);
    virtual eResultCode MeasureCharOffsets(FT_Face* face, const char16_t* text, int32_t* offsets, int32_t width);
    // (x, y) is the left end of the line's top edge; count 0 draws up to the terminating NUL;
    // blend 0 stamps, 1 blends (32-bit images); width is the target of full justification.
    virtual eResultCode DrawTextToImage(FT_Face* face, const char16_t* text, CImageBase* image, float x, float y,
                                        int32_t count, int32_t blend, int32_t width);
    virtual eResultCode SelectFontStyle(FT_Face** face);

    // The text alpha for coverage v: the colour's alpha scaled by (v + 1) / 256, computed on the
    // colour word as ((s >> 8) (v + 1)) >> 24.
    static uint32_t TextAlpha(CPixel colour, uint32_t coverage) { return ((colour >> 8) * (coverage + 1)) >> 24; }

    gCString mFontName;
    gCFont* mFont = nullptr;
    int32_t mPixelSize = 0;
    float mPointSize = 16.0f;
    float mXScale = 1.0f;
    float mAdvanceScale = 1.0f;
    float mLineSpacing = 1.0f;
    int32_t mBold = 0;
    int32_t mItalic = 0;
    int32_t mUnderline = 0;
    int32_t mWrap = 0;
    int32_t mSubpixelPositioning = 0;
    int32_t mFractionalMetrics = 0;
    CPixel mColour = 0xFF000000;
    int32_t mJustification = eLeft;
    float mLineHeight = 0.0f;
    int32_t mInverseGamma = 0;
    int32_t mLetterSpacing = 0; // 26.6
    float mOriginX = 0.0f;
    float mOriginY = 0.0f;

private:
    // The glyph cache is used for small faces only and never with fractional positions.
    bool UsesGlyphCache(FT_Face face) const;
    bool UsesKerning(FT_Face face) const;
    // The advance of one glyph in 26.6, through the cache when it applies; false when the
    // glyph cannot be loaded.
    bool GlyphAdvance(FT_Face face, bool cached, char16_t code, FT_UInt glyph, int32_t* advance);
    // The pen step before a glyph: letter spacing and kerning between two real glyphs.
    int32_t KerningStep(FT_Face face, bool kerning, char16_t previousCode, FT_UInt previousGlyph, char16_t code,
                        FT_UInt glyph);
    // The pen step of one character in a measured run: kerning after the previous glyph, then
    // its advance; the previous glyph and code move on to this one.
    int32_t MeasureStep(FT_Face face, bool kerning, bool cached, char16_t code, FT_UInt& previousGlyph,
                        char16_t& previousCode);
    // What full justification adds at each space to stretch `text` to `width`; 0 otherwise.
    float JustifiedSpaceExtra(const char16_t* text, int32_t length, int32_t width);
    eResultCode DrawWrapped(FT_Face* face, const char16_t* text, CImageBase* image, int32_t blend);

    int32_t mChunkOffsets[65] = {};
};
