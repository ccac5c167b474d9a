#include "imaging/BlendModes.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/PixelCompositing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Floor division written with floating point, independent of the shifts the code uses.
int32_t FloorDiv(int64_t value, int64_t divisor)
{
    return int32_t(std::floor(double(value) / double(divisor)));
}

// The mode table, channel by channel, as a reader would compute it by hand.
int32_t ReferenceChannel(int32_t mode, int32_t s, int32_t b, int32_t a)
{
    if (a == 0 && mode != eBlendSoftLight)
        return b;
    switch (mode) {
    case eBlendNormal:
        return a == 255 ? s : b + FloorDiv(int64_t(s - b + 1) * a, 256);
    case eBlendMultiply:
        if (a == 255)
            return FloorDiv(int64_t(b) * (s + 1), 256);
        return b + FloorDiv(int64_t(FloorDiv(int64_t(s + 1) * b, 256) - b) * a, 256);
    case eBlendScreen: {
        if (a == 255)
            return 255 - FloorDiv(int64_t(255 - b) * (256 - s), 256);
        int32_t i = 255 - b;
        int32_t m = FloorDiv(int64_t(256 - s) * i, 256);
        return 255 - (i + FloorDiv(int64_t(m - i) * a, 256));
    }
    case eBlendOverlay: {
        int32_t t = b < 128 ? FloorDiv(int64_t(b) * (s + 1), 128) : 255 - FloorDiv(int64_t(256 - s) * (255 - b), 128);
        return a == 255 ? t : b + FloorDiv(int64_t(t - b) * a, 256);
    }
    case eBlendScreen2:
        return FloorDiv(int64_t(b) * 65536 + int64_t(256 - b) * (s + 1) * a, 65536);
    case eBlendMultiply2:
        return FloorDiv(int64_t(b) * 65536 - int64_t(b) * (256 - s) * a, 65536);
    default: {
        int32_t k = a + 1;
        int32_t q = b - FloorDiv(int64_t(b) * (b + 1), 256);
        return b - FloorDiv((int64_t(128 - s) * k + 1) * q, 32768);
    }
    }
}

CPixel ReferencePixel(int32_t mode, CPixel source, CPixel base)
{
    int32_t a = int32_t(PixelAlpha(source));
    return MakePixel(PixelAlpha(base),
                     uint32_t(ReferenceChannel(mode, int32_t(PixelRed(source)), int32_t(PixelRed(base)), a)),
                     uint32_t(ReferenceChannel(mode, int32_t(PixelGreen(source)), int32_t(PixelGreen(base)), a)),
                     uint32_t(ReferenceChannel(mode, int32_t(PixelBlue(source)), int32_t(PixelBlue(base)), a)));
}

} // namespace

TEST(Compositing, SinglePixelRoutinesGiveTheWorkedValues)
{
    CPixel d = 0xFF000000;
    CPixel s = 0x80FF0000;
    BlendPixel(&d, &s);
    EXPECT_EQ(d, 0xFF800000u);

    CPixel colour = 0x40123456;
    d = 0xFF000000;
    PaintPixel(&d, 255, &colour);
    EXPECT_EQ(d, 0x40123456u) << "full coverage stores the colour's own alpha";
    d = 0xFF000000;
    PaintPixel(&d, 0, &colour);
    EXPECT_EQ(d, 0xFF000000u);

    d = 0x00ABCDEF;
    colour = 0x10FF8040;
    PaintPixelAlpha(&d, 77, &colour);
    EXPECT_EQ(d, 0x4DFF8040u) << "a transparent destination takes the colour at alpha = coverage";

    d = 0x80000000;
    s = 0x80FFFFFF;
    BlendPixelAlpha(&d, &s);
    EXPECT_EQ(PixelAlpha(d), 192u);

    d = 0x00112233;
    s = 0x40FFFFFF;
    BlendPixelAlpha(&d, &s);
    EXPECT_EQ(d, 0x40FFFFFFu) << "a transparent destination receives the source word";
}

TEST(Compositing, AlphaCompositingMatchesTheSixteenBitFormula)
{
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        CPixel d = random();
        CPixel s = random();
        uint32_t coverage = random() & 0xFF;
        uint32_t c16 = coverage * 257, d16 = PixelAlpha(d) * 257;
        CPixel result = d;
        PaintPixelAlpha(&result, coverage, &s);
        if (c16 == 0 || c16 == 65535 || d16 == 0 || d16 == 65535)
            continue;
        uint64_t ra = 65535 - ((65535 - d16) * (65535 - c16)) / 65536;
        uint64_t w = ((65535 - c16) * d16) / 65536;
        uint64_t k = 16843009 / ra;
        auto channel = [&](uint32_t sc, uint32_t dc) { return uint32_t(((sc * c16 + dc * w) * k) / 16777216) & 0xFF; };
        CPixel expected = MakePixel(uint32_t(ra / 256), channel(PixelRed(s), PixelRed(d)),
                                    channel(PixelGreen(s), PixelGreen(d)), channel(PixelBlue(s), PixelBlue(d)));
        ASSERT_EQ(result, expected) << std::hex << d << " " << s << " " << coverage;
    }
}

TEST(Compositing, EveryModeMatchesItsChannelFormulaAtTheTableAlphas)
{
    const uint32_t alphas[] = {0, 1, 2, 127, 128, 129, 254, 255};
    std::mt19937 random(11);
    for (int32_t mode = eBlendNormal; mode <= eBlendSoftLight; ++mode) {
        for (uint32_t a : alphas) {
            for (int i = 0; i < 20000; ++i) {
                CPixel source = (random() & 0x00FFFFFF) | (a << 24);
                CPixel base = random();
                ASSERT_EQ(BlendModePixel(mode, source, base), ReferencePixel(mode, source, base))
                    << "mode " << mode << std::hex << " source " << source << " base " << base;
            }
        }
        // The extremes of every channel, where carries between channels would show.
        for (uint32_t s : {0u, 1u, 127u, 128u, 129u, 254u, 255u})
            for (uint32_t b : {0u, 1u, 127u, 128u, 129u, 254u, 255u})
                for (uint32_t a = 0; a < 256; ++a) {
                    CPixel source = MakePixel(a, s, s, s);
                    CPixel base = MakePixel(b, b, 255 - b, b);
                    ASSERT_EQ(BlendModePixel(mode, source, base), ReferencePixel(mode, source, base));
                }
    }
}

TEST(Compositing, TwoLaneNormalBlendEqualsThePerChannelFormula)
{
    std::mt19937 random(3);
    for (int i = 0; i < 2000000; ++i) {
        CPixel d = random(), s = random();
        uint32_t a = 1 + random() % 254;
        CPixel expected = MakePixel(PixelAlpha(d),
                                    uint32_t(ReferenceChannel(eBlendNormal, int32_t(PixelRed(s)), int32_t(PixelRed(d)), int32_t(a))),
                                    uint32_t(ReferenceChannel(eBlendNormal, int32_t(PixelGreen(s)), int32_t(PixelGreen(d)), int32_t(a))),
                                    uint32_t(ReferenceChannel(eBlendNormal, int32_t(PixelBlue(s)), int32_t(PixelBlue(d)), int32_t(a))));
        ASSERT_EQ(BlendNormalWeighted(d, s, a), expected);
    }
}

TEST(Compositing, ModeShortcutsLeaveTheBase)
{
    for (uint32_t b = 0; b < 256; ++b) {
        CPixel base = MakePixel(200, b, b, b);
        EXPECT_EQ(BlendModePixel(eBlendMultiply, 0xFFFFFFFF, base), base);
        EXPECT_EQ(BlendModePixel(eBlendScreen, 0xFF000000, base), base);
    }
    // An opaque overlay leaves a black or white base as it is.
    for (uint32_t s = 0; s < 256; ++s) {
        EXPECT_EQ(BlendModePixel(eBlendOverlay, MakePixel(255, s, s, s), 0xFF000000u), 0xFF000000u);
        EXPECT_EQ(BlendModePixel(eBlendOverlay, MakePixel(255, s, s, s), 0xFFFFFFFFu), 0xFFFFFFFFu);
    }
}

TEST(Compositing, AreaFormsWorkOnTheCommonPartAndRefuseUnlockedNavigators)
{
    CImage destination(4, 4), source(3, 5), base(5, 2);
    CImNav d(&destination, nullptr), s(&source, nullptr), b(&base, nullptr);
    CPixel red = 0x80FF0000, grey = 0xFF404040, seed = 0x11111111;
    d.Fill(&seed);
    s.Fill(&red);
    b.Fill(&grey);
    ASSERT_EQ(BlendNavs(d, s, b, eBlendNormal), eSuccess);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(d.Row(y)[x], (x < 3 && y < 2) ? BlendModePixel(eBlendNormal, red, grey) : seed) << x << "," << y;

    EXPECT_EQ(BlendNavs(d, s, b, 7), eSuccess);
    CImage empty;
    CImNav unlocked(&empty, nullptr);
    EXPECT_EQ(BlendNavs(d, unlocked, b, eBlendMultiply), eBadParameter);
    EXPECT_EQ(BlendImages(&destination, &source, nullptr, eBlendNormal), eBadParameter);

    CPixel white = 0xFFFFFFFF;
    ASSERT_EQ(BlendOverColour(d, s, &white, eBlendScreen), eSuccess);
    EXPECT_EQ(d.Row(0)[0], BlendModePixel(eBlendScreen, red, white));
    ASSERT_EQ(BlendColour(d, &red, d, eBlendOverlay), eSuccess) << "the destination may be the base";
}

TEST(Compositing, ImageFormsBlendWholeImagesAndIgnoreUnknownModes)
{
    CImage destination(2, 2), source(2, 2), base(2, 2);
    {
        CImNav s(&source, nullptr), b(&base, nullptr), d(&destination, nullptr);
        CPixel sc = 0x80808080, bc = 0x40102030, dc = 0x01020304;
        s.Fill(&sc);
        b.Fill(&bc);
        d.Fill(&dc);
    }
    EXPECT_EQ(BlendImages(&destination, &source, &base, 7), eSuccess);
    CImNav d(&destination, nullptr);
    EXPECT_EQ(d.Row(1)[1], 0x01020304u);
    d.Unlock();
    ASSERT_EQ(BlendImages(&destination, &source, &base, eBlendSoftLight), eSuccess);
    CImNav after(&destination, nullptr);
    EXPECT_EQ(after.Row(1)[1], ReferencePixel(eBlendSoftLight, 0x80808080, 0x40102030));
}

TEST(Compositing, HooksStartAtThePlainRoutines)
{
    EXPECT_EQ(gPaintPixelHook, &PaintPixelRoutine);
    EXPECT_EQ(gBlendPixelHook, &BlendPixelRoutine);
    CPixel d = 0xFF000000, s = 0x80FF0000;
    gBlendPixelHook(&d, &s);
    EXPECT_EQ(d, 0xFF800000u);
}

// The row forms against the single-pixel form, on rows long enough for the vector loops and their
// tails, with the alphas where the modes take shortcuts.
TEST(Compositing, RowFormsMatchThePixelFormInEveryMode)
{
    std::mt19937 random(17);
    const uint32_t alphas[] = {0, 1, 128, 254, 255};
    for (int32_t mode = eBlendNormal; mode <= eBlendSoftLight + 1; ++mode) {
        for (int32_t count : {0, 1, 7, 37}) {
            std::vector<CPixel> base(size_t(count) + 1), source(size_t(count) + 1);
            for (int32_t x = 0; x <= count; ++x) {
                base[size_t(x)] = random();
                source[size_t(x)] = (random() & 0x00FFFFFFu) | (alphas[random() % 5] << 24);
            }
            // The pixel past the row stays as it was.
            std::vector<CPixel> row = base;
            BlendRowOver(row.data(), source.data(), count, mode);
            for (int32_t x = 0; x <= count; ++x)
                ASSERT_EQ(row[size_t(x)], x < count ? BlendModePixel(mode, source[size_t(x)], base[size_t(x)]) : base[size_t(x)])
                    << "mode " << mode << " count " << count << " at " << x;
            for (uint32_t a : alphas) {
                const CPixel colour = (random() & 0x00FFFFFFu) | (a << 24);
                row = base;
                BlendColourRowOver(row.data(), colour, count, mode);
                for (int32_t x = 0; x <= count; ++x)
                    ASSERT_EQ(row[size_t(x)], x < count ? BlendModePixel(mode, colour, base[size_t(x)]) : base[size_t(x)])
                        << "mode " << mode << " colour " << std::hex << colour << " at " << std::dec << x;
            }
        }
    }
}
