#include "TextTestSupport.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav8.h"
#include "text/CTextRenderer.h"

#include <algorithm>
#include <string>

namespace {

gCString Text(const char* ascii)
{
    return gCString(ascii);
}

void Configure(CTextRenderer& renderer, int32_t pixels = 12)
{
    renderer.mFontName = Text("Test Sans");
    renderer.mPixelSize = pixels;
}

// The columns and rows that hold any alpha.
struct sInk {
    int32_t left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
    int32_t pixels = 0;
};

sInk InkOf(CImage& image)
{
    sInk ink;
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            if (nav.Row(y)[x] >> 24) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.pixels;
            }
    return ink;
}

std::vector<CPixel> Pixels(CImage& image)
{
    CImNav nav(&image, nullptr);
    std::vector<CPixel> pixels;
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        pixels.insert(pixels.end(), nav.Row(y), nav.Row(y) + nav.GetWidth());
    return pixels;
}

// The advance of one character in 26.6 at the renderer's current size, straight from FreeType.
int32_t Advance(CTextRenderer& renderer, char16_t c)
{
    FT_Face* face = nullptr;
    EXPECT_EQ(renderer.SelectFontStyle(&face), eSuccess);
    EXPECT_EQ(FT_Load_Glyph(*face, FT_Get_Char_Index(*face, c), 0), 0);
    return int32_t((*face)->glyph->advance.x);
}

} // namespace

TEST(TextMeasure, WidthsFollowTheAdvances)
{
    CTextRenderer renderer;
    Configure(renderer);
    EXPECT_EQ(renderer.GetTextWidth(Text("")), 0);
    EXPECT_EQ(renderer.GetTextWidth(Text("   ")), 0);
    EXPECT_EQ(renderer.GetTextWidth(Text("M")), (Advance(renderer, u'M') + 96) >> 6);
    EXPECT_EQ(renderer.GetTextWidth(Text("  abc  ")), renderer.GetTextWidth(Text("abc")));
    EXPECT_EQ(renderer.GetTextWidth(Text("\tabc\n")), renderer.GetTextWidth(Text("abc")));
    EXPECT_LT(renderer.GetTextWidth(Text("abc")), renderer.GetTextWidth(Text("abcd")));
    EXPECT_LT(renderer.GetTextWidth(Text("iii")), renderer.GetTextWidth(Text("WWW")));
    EXPECT_EQ(renderer.GetTextWidth(Text("ab\rabcdef\rx")), renderer.GetTextWidth(Text("abcdef")))
        << "the widest of the lines split at CR";
    renderer.mAdvanceScale = 2.0f;
    int32_t doubled = renderer.GetTextWidth(Text("abcdef"));
    renderer.mAdvanceScale = 1.0f;
    EXPECT_NEAR(doubled, 2 * renderer.GetTextWidth(Text("abcdef")), 2);
}

TEST(TextMeasure, OffsetsGrowCharacterByCharacter)
{
    CTextRenderer renderer;
    Configure(renderer);
    int32_t offsets[6] = {-1, -1, -1, -1, -1, -1};
    ASSERT_EQ(renderer.GetCharOffsets(Text("abcde"), offsets, 0), eSuccess);
    EXPECT_EQ(offsets[0], 0);
    for (int i = 1; i < 6; ++i)
        EXPECT_GT(offsets[i], offsets[i - 1]);
    EXPECT_EQ(offsets[5], renderer.GetTextWidth(Text("abcde")));
    renderer.mOriginX = 3.0f;
    int32_t shifted[6];
    ASSERT_EQ(renderer.GetCharOffsets(Text("abcde"), shifted, 0), eSuccess);
    EXPECT_EQ(shifted[5], offsets[5] + 3) << "the origin is added to every offset";
}

TEST(TextMeasure, LinesBreakAfterTheLastBreakCharacterThatFits)
{
    CTextRenderer renderer;
    Configure(renderer);
    int32_t offsets[12];
    ASSERT_EQ(renderer.GetCharOffsets(Text("hello world"), offsets, 0), eSuccess);
    // Room for "hello " but not for "hello w".
    int32_t width = offsets[7] + 1;
    EXPECT_EQ(renderer.FitTextToWidth(u"hello world", width), 6);
    EXPECT_EQ(renderer.FitTextToWidth(u"hello world", offsets[11] + 3), 11);
    int32_t fitting = 0;
    while (fitting < 10 && offsets[fitting + 1] < width - 2)
        ++fitting;
    EXPECT_EQ(renderer.FitTextToWidth(u"helloworld", width), fitting);
    EXPECT_EQ(renderer.FitTextToWidth(u"\nabc", 200), 0);
    EXPECT_EQ(renderer.FitTextToWidth(u"abc\ndef", 500), 3);
    EXPECT_EQ(renderer.FitTextToWidth(u"abc", 1), 1) << "a line takes at least one character";
}

TEST(TextMeasure, ASpaceWhereALineEndsStaysOnThatLine)
{
    CTextRenderer renderer;
    Configure(renderer);
    // Room for the first `fits` characters but not for the next one.
    const struct {
        const char16_t* text;
        int32_t fits;
        int32_t line;
    } cases[] = {
        {u"hello world", 5, 6},     // no break before the space
        {u"server, but no", 7, 8},  // a break character right before the space
        {u"xxx yyy zzz", 7, 4},     // the line still ends at the last break that fits
        {u"ab  cd", 3, 4},          // two spaces, the second does not fit
        {u"ab cd", 1, 1},           // a word cut: nothing to take
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fits);
        int32_t offsets[16];
        ASSERT_EQ(renderer.GetCharOffsets(gCString(c.text), offsets, 0), eSuccess);
        EXPECT_EQ(renderer.FitTextToWidth(c.text, offsets[c.fits] + 3), c.line);
    }
    // Laid out at every width, a line never starts with a space and nothing is lost.
    const std::u16string line = u"The server answered \"404 Not Found\" instead of sending the update. Please "
                                u"try again later, or check your connection: it may be down.";
    for (int32_t width = 4; width < renderer.GetTextWidth(gCString(line.c_str())) + 4; ++width) {
        std::u16string joined;
        for (size_t at = 0; at < line.size();) {
            int32_t n = renderer.FitTextToWidth(line.c_str() + at, width);
            ASSERT_GT(n, 0) << width;
            ASSERT_TRUE(at == 0 || line[at] != u' ') << width << " at " << at;
            joined += line.substr(at, size_t(n));
            at += size_t(n);
        }
        ASSERT_EQ(joined, line);
    }
}

TEST(TextMeasure, LongLinesBreakAtAbsolutePositionsAcrossChunks)
{
    CTextRenderer renderer;
    Configure(renderer);
    std::u16string words;
    while (words.size() < 200)
        words += u"abcd ";
    std::u16string unbroken(70, u'x');
    int32_t seventy = renderer.GetTextWidth(gCString(unbroken.c_str()));
    EXPECT_EQ(renderer.FitTextToWidth(unbroken.c_str(), seventy + 10), 70) << "a line of two chunks fits whole";
    int32_t width = renderer.GetTextWidth(gCString(words.substr(0, 120).c_str()));
    int32_t n = renderer.FitTextToWidth(words.c_str(), width);
    EXPECT_GT(n, 64);
    EXPECT_LE(n, 120);
    EXPECT_EQ(n % 5, 0) << "the line ends just after a space";
    // Words up to 100, then one long word: the line must end at the break remembered in the
    // second chunk, counted from the start of the text.
    std::u16string mixed;
    while (mixed.size() < 100)
        mixed += u"abcd ";
    mixed += std::u16string(100, u'x');
    int32_t limit = renderer.GetTextWidth(gCString(mixed.substr(0, 150).c_str()));
    EXPECT_EQ(renderer.FitTextToWidth(mixed.c_str(), limit), 100);
}

TEST(TextMeasure, HeightsCountLinesAsTheDrawingLoopLaysThemOut)
{
    CTextRenderer renderer;
    Configure(renderer);
    FT_Face* face = nullptr;
    ASSERT_EQ(renderer.SelectFontStyle(&face), eSuccess);
    float lh = renderer.mLineHeight;
    ASSERT_GT(lh, 12.0f);
    EXPECT_EQ(lh, float(int32_t(lh))) << "truncated without fractional metrics";
    auto rounded = [](float v) { return int32_t(v + 0.5f); };
    EXPECT_EQ(renderer.GetTextHeight(Text("abc"), 100), rounded(lh + 0.5f));
    renderer.mWrap = 1;
    int32_t wide = 1000;
    EXPECT_EQ(renderer.GetTextHeight(Text("abc"), wide), rounded(lh + 1.5f));
    EXPECT_EQ(renderer.GetTextHeight(Text("abc\ndef"), wide), rounded(lh * 2 + 1.5f));
    EXPECT_EQ(renderer.GetTextHeight(Text("a\n\nb"), wide), rounded(lh * 3 + 1.5f));
    EXPECT_EQ(renderer.GetTextHeight(Text("\na"), wide), rounded(lh * 2 + 1.5f))
        << "a leading line break is a line of its own";
    int32_t narrow = renderer.GetTextHeight(Text("abcdefgh"), 1);
    EXPECT_EQ(narrow, rounded(lh * 8 + 1.5f)) << "one character per line, and the count ends";
    renderer.mLineSpacing = 2.0f;
    EXPECT_EQ(renderer.GetTextHeight(Text("abc\ndef"), wide), rounded(lh * 2.0f * 2 + 1.5f));
}

TEST(TextMeasure, FittedImagesTakeTheWidestLineAndTheLineCount)
{
    CTextRenderer renderer;
    Configure(renderer);
    CImage image(1, 1);
    ASSERT_EQ(renderer.RenderText(Text("a\nbb\n\n"), &image, 1), eSuccess);
    EXPECT_EQ(image.GetWidth(), renderer.GetTextWidth(Text("bb")));
    EXPECT_EQ(image.GetHeight(), int32_t((renderer.mLineHeight + 1.5f) * 2 + 0.5f));
    EXPECT_GT(InkOf(image).pixels, 0);
}

TEST(TextDraw, GlyphsLandWhereThePenIs)
{
    CTextRenderer renderer;
    Configure(renderer, 20);
    CImage image(120, 40);
    float at[2] = {10.0f, 5.0f};
    ASSERT_EQ(renderer.DrawTextAt(Text("I"), &image, at, 0), eSuccess);
    sInk one = InkOf(image);
    EXPECT_GE(one.left, 10);
    EXPECT_LE(one.right, 10 + renderer.GetTextWidth(Text("I")));
    EXPECT_GE(one.top, 5);
    EXPECT_LT(one.bottom, 5 + int32_t(renderer.mLineHeight) + 1);

    CImage two(120, 40);
    ASSERT_EQ(renderer.DrawTextAt(Text("I I"), &two, at, 0), eSuccess);
    sInk both = InkOf(two);
    EXPECT_EQ(both.left, one.left);
    EXPECT_GT(both.right, one.right + Advance(renderer, u' ') / 64);

    CImage right(120, 40);
    renderer.mJustification = CTextRenderer::eRight;
    float corner[2] = {120.0f, 0.0f};
    ASSERT_EQ(renderer.DrawTextAt(Text("Hello"), &right, corner, 0), eSuccess);
    sInk r = InkOf(right);
    EXPECT_GT(r.right, 105);
    EXPECT_LE(r.right, 119);
}

TEST(TextDraw, StampingTwiceEqualsOnceAndRespectsOpaquePixels)
{
    CTextRenderer renderer;
    Configure(renderer, 16);
    renderer.mColour = 0x80102030;
    CImage once(100, 30), twice(100, 30);
    ASSERT_EQ(renderer.DrawTextInImage(Text("Stamp"), &once), eSuccess);
    ASSERT_EQ(renderer.DrawTextInImage(Text("Stamp"), &twice), eSuccess);
    ASSERT_EQ(renderer.DrawTextInImage(Text("Stamp"), &twice), eSuccess);
    EXPECT_EQ(Pixels(once), Pixels(twice));
    for (CPixel p : Pixels(once)) {
        EXPECT_LE(p >> 24, 0x80u);
        if (p) {
            EXPECT_EQ(p & 0x00FFFFFF, 0x102030u);
        }
    }

    CImage opaque(100, 30);
    {
        CImNav nav(&opaque, nullptr);
        CPixel white = 0xFFFFFFFF;
        nav.Fill(&white);
    }
    ASSERT_EQ(renderer.DrawTextInImage(Text("Stamp"), &opaque), eSuccess);
    for (CPixel p : Pixels(opaque))
        EXPECT_EQ(p, 0xFFFFFFFFu);
}

TEST(TextDraw, TextAlphaUsesTheBitFormula)
{
    struct sCase { CPixel colour; uint32_t coverage; uint32_t alpha; };
    const sCase cases[] = {
        {0x80FFFF00, 254, 128}, {0x80FFFF00, 255, 128}, {0xFF000000, 0, 0}, {0xFF000000, 255, 255},
        {0xFFFFFFFF, 127, 127}, {0x01FFFFFF, 255, 1}, {0x00FFFFFF, 255, 0},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(CTextRenderer::TextAlpha(c.colour, c.coverage), c.alpha) << std::hex << c.colour << " " << c.coverage;
}

TEST(TextDraw, BlendingMovesTowardsTheColourAndKeepsAlpha)
{
    CTextRenderer renderer;
    Configure(renderer, 18);
    renderer.mColour = 0xFFFF0000;
    CImage image(100, 30);
    {
        CImNav nav(&image, nullptr);
        CPixel blue = 0xFF0000FF;
        nav.Fill(&blue);
    }
    float at[2] = {2.0f, 2.0f};
    ASSERT_EQ(renderer.DrawTextAt(Text("Blend"), &image, at, 0), eSuccess);
    int32_t red = 0;
    for (CPixel p : Pixels(image)) {
        EXPECT_EQ(p >> 24, 0xFFu);
        red += PixelRed(p) == 255 && PixelBlue(p) == 0;
    }
    EXPECT_GT(red, 10);
}

TEST(TextDraw, RunsStopAtTheRightEdgeAndClipAtTheLeft)
{
    CTextRenderer renderer;
    Configure(renderer, 16);
    CImage image(50, 30);
    float edge[2] = {50.0f, 0.0f};
    ASSERT_EQ(renderer.DrawTextAt(Text("AAAA"), &image, edge, 0), eSuccess);
    EXPECT_EQ(InkOf(image).pixels, 0);
    float left[2] = {-7.0f, 0.0f};
    ASSERT_EQ(renderer.DrawTextAt(Text("WWWW"), &image, left, 0), eSuccess);
    sInk ink = InkOf(image);
    EXPECT_EQ(ink.left, 0);
    EXPECT_GT(ink.pixels, 0);

    CImage never;
    EXPECT_EQ(renderer.DrawTextAt(Text(""), &never, edge, 0), eSuccess);
    EXPECT_EQ(renderer.DrawTextInImage(Text("x"), &never), eNoMemory);
}

TEST(TextDraw, CachedAndUncachedGlyphsAgree)
{
    CTextRenderer cached;
    Configure(cached, 14);
    CTextRenderer uncached;
    Configure(uncached, 14);
    uncached.mSubpixelPositioning = 1;
    CImage a(160, 30), b(160, 30);
    float at[2] = {3.0f, 2.0f};
    ASSERT_EQ(cached.DrawTextAt(Text("Pack my box"), &a, at, 0), eSuccess);
    ASSERT_EQ(uncached.DrawTextAt(Text("Pack my box"), &b, at, 0), eSuccess);
    EXPECT_EQ(Pixels(a), Pixels(b));
    CImage again(160, 30);
    ASSERT_EQ(cached.DrawTextAt(Text("Pack my box"), &again, at, 0), eSuccess);
    EXPECT_EQ(Pixels(a), Pixels(again)) << "the second drawing comes from the cache";
}

TEST(TextDraw, UnderlineSpansTheRunIncludingSpaces)
{
    CTextRenderer renderer;
    Configure(renderer, 16);
    renderer.mUnderline = 1;
    CImage image(200, 30);
    ASSERT_EQ(renderer.DrawTextInImage(Text("a   b"), &image), eSuccess);
    CImNav nav(&image, nullptr);
    int32_t underlineRow = -1;
    for (int32_t y = 0; y < 30 && underlineRow < 0; ++y) {
        int32_t run = 0;
        for (int32_t x = 0; x < 200; ++x)
            run += (nav.Row(y)[x] >> 24) == 255;
        if (run >= renderer.GetTextWidth(Text("a   b")) - 4)
            underlineRow = y;
    }
    EXPECT_GT(underlineRow, 0);
}

TEST(TextDraw, WrappedTextFillsLinesDownTheImage)
{
    CTextRenderer renderer;
    Configure(renderer, 12);
    renderer.mWrap = 1;
    CImage image(60, 10);
    ASSERT_EQ(renderer.RenderText(Text("one two three four five six"), &image, 1), eSuccess);
    EXPECT_EQ(image.GetWidth(), 60);
    EXPECT_GT(image.GetHeight(), int32_t(renderer.mLineHeight) * 2);
    sInk ink = InkOf(image);
    EXPECT_LE(ink.right, 59);
    EXPECT_GT(ink.bottom, int32_t(renderer.mLineHeight));
}

TEST(TextDraw, EightBitTargetsTakeTheLargerCoverage)
{
    CTextRenderer renderer;
    Configure(renderer, 16);
    FT_Face* face = nullptr;
    ASSERT_EQ(renderer.SelectFontStyle(&face), eSuccess);
    CImage8 mask(60, 30);
    ASSERT_EQ(renderer.DrawTextToImage(face, u"Mask", &mask, 1.0f, 1.0f, 0, 0, 0), eSuccess);
    CImNav8 nav(&mask, nullptr);
    int32_t full = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 60; ++x)
            full += nav.Row(y)[x] == 255;
    EXPECT_GT(full, 10);
}

TEST(TextDraw, MonochromeBitmapFontDrawsInkWhateverTheGamma)
{
    std::string bdf = TinyBitmapFont();
    CMemBlock block(uint32_t(bdf.size() + 4));
    gCMemFile file(block);
    ASSERT_EQ(file.WriteULong(uint32_t(bdf.size())), eSuccess);
    ASSERT_EQ(file.Write(bdf.data(), int32_t(bdf.size())), eSuccess);
    ASSERT_EQ(file.Rewind(), eSuccess);
    auto* font = new gCFont;
    ASSERT_EQ(font->LoadFromStream(file), eSuccess);
    font->SetName(Text("Tiny Bitmap"));
    ASSERT_EQ(TextContext().pools[eFontPool].Add(font), eSuccess);

    for (int32_t inverse : {0, 1}) {
        CTextRenderer renderer;
        renderer.mFontName = Text("Tiny Bitmap");
        renderer.mPixelSize = 8;
        renderer.mInverseGamma = inverse;
        CImage image(40, 12);
        ASSERT_EQ(renderer.DrawTextInImage(Text("AB"), &image), eSuccess);
        EXPECT_EQ(renderer.mLineHeight, 8.0f) << "a bitmap face's own height stands";
        CImNav nav(&image, nullptr);
        // 'A' is a box from column 0 to 7, 'B' fills columns 8 to 11; the rest stays clear.
        int32_t top = -1;
        for (int32_t y = 0; y < 12 && top < 0; ++y)
            if (nav.Row(y)[3] >> 24)
                top = y;
        ASSERT_GE(top, 0) << "inverse " << inverse;
        EXPECT_EQ(nav.Row(top)[0], 0xFF000000u);
        EXPECT_EQ(nav.Row(top)[7], 0xFF000000u);
        EXPECT_EQ(nav.Row(top + 3)[0], 0xFF000000u);
        EXPECT_EQ(nav.Row(top + 3)[3], 0u) << "the inside of the box stays clear";
        EXPECT_EQ(nav.Row(top + 3)[8], 0xFF000000u);
        EXPECT_EQ(nav.Row(top + 3)[11], 0xFF000000u);
        EXPECT_EQ(nav.Row(top + 3)[12], 0u);
        EXPECT_EQ(nav.Row(top + 3)[20], 0u);
        EXPECT_EQ(renderer.GetTextWidth(Text("AB")), (2 * 8 * 64 + 96) >> 6);
    }
}

TEST(TextDraw, BoldAndItalicFallBackToThePlainName)
{
    CTextRenderer renderer;
    Configure(renderer, 12);
    renderer.mBold = 1;
    renderer.mItalic = 1;
    FT_Face* face = nullptr;
    ASSERT_EQ(renderer.SelectFontStyle(&face), eSuccess);
    ASSERT_NE(face, nullptr);
    EXPECT_GT(renderer.GetTextWidth(Text("abc")), 0);
}

TEST(TextDraw, AssignmentCopiesTheListedFields)
{
    CTextRenderer from;
    Configure(from, 20);
    from.mColour = 0xFF123456;
    from.mLineSpacing = 3.0f;
    from.mLetterSpacing = 64;
    from.mWrap = 1;
    CTextRenderer to;
    to = from;
    EXPECT_EQ(to.mPixelSize, 20);
    EXPECT_EQ(to.mColour, 0xFF123456u);
    EXPECT_EQ(to.mWrap, 1);
    EXPECT_EQ(to.mLineSpacing, 1.0f);
    EXPECT_EQ(to.mLetterSpacing, 0);
}

TEST(TextDraw, BitmapGlyphWithoutPixelsDrawsNothing)
{
    // Found by the font fuzzer: a bitmap glyph with rows and columns but no bitmap lines.
    const std::string bdf =
        "STARTFONT 2.1\nFONT -pnu-nobits-medium-r-normal--8-80-75-1\nSIZE 7 75 75\n"
        "FONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 4\nFONT_ASCENT 7\nFONT_DESCENT 1\nENDPROPERTIES\n"
        "CHARS 2\nSTARTCHAR A\nENCODING 65\nSWIDTH 8 0\nBBX 7 8 0 \nENDCHAR\nENDFONT\n.";
    gCMemFile file;
    LoadPayload(file, std::vector<uint8_t>(bdf.begin(), bdf.end()), uint32_t(bdf.size()));
    auto* font = new gCFont;
    if (font->LoadFromStream(file) != eSuccess) {
        delete font;
        GTEST_SKIP() << "this FreeType refuses the font";
    }
    font->SetName(Text("No Bits"));
    ASSERT_EQ(TextContext().pools[eFontPool].Add(font), eSuccess);
    CTextRenderer renderer;
    renderer.mFontName = Text("No Bits");
    renderer.mPixelSize = 7;
    renderer.mWrap = 1;
    CImage image(40, 16);
    FT_Face* face = nullptr;
    if (renderer.SelectFontStyle(&face) != eSuccess)
        GTEST_SKIP() << "no size of this font can be selected";
    EXPECT_EQ(renderer.RenderText(Text("AAA"), &image, 0), eSuccess);
    EXPECT_EQ(InkOf(image).pixels, 0);
}
