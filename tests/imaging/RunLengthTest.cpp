#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CRLE.h"
#include "imaging/CRLE8.h"
#include "imaging/CRLE8Sampler.h"
#include "imaging/CRLESampler.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

void SetRow(CImage& image, int32_t y, const std::vector<CPixel>& pixels)
{
    CImNav nav(&image, nullptr);
    for (size_t x = 0; x < pixels.size(); ++x)
        nav.Row(y)[x] = pixels[x];
}

void FillImage(CImage& image, CPixel colour)
{
    CImNav nav(&image, nullptr);
    nav.Fill(&colour);
}

// The tokens of row y of an encoded form, as (literal, count) pairs.
std::vector<std::pair<bool, uint32_t>> Tokens(const CRLE& rle, int32_t y)
{
    std::vector<std::pair<bool, uint32_t>> tokens;
    uint32_t position = rle.GetData()[y];
    for (uint32_t covered = 0; covered < uint32_t(rle.GetWidth());) {
        uint32_t word = rle.GetData()[position];
        bool literal = word & 0x80000000u;
        uint32_t count = word & 0x7FFFFFFFu;
        tokens.push_back({literal, count});
        covered += count;
        position += literal ? count + 1 : 2;
    }
    return tokens;
}

std::vector<std::pair<bool, uint32_t>> Tokens8(const CRLE8& rle, int32_t y)
{
    std::vector<std::pair<bool, uint32_t>> tokens;
    uint32_t position = sByteTokens::RowStart(rle.GetData(), y);
    for (uint32_t covered = 0; covered < uint32_t(rle.GetWidth());) {
        uint8_t byte = rle.GetData()[position];
        bool literal = byte & 0x80;
        uint32_t count = byte & 0x7F;
        tokens.push_back({literal, count});
        covered += count;
        position += literal ? count + 1 : 2;
    }
    return tokens;
}

} // namespace

TEST(RunLength, NarrowImagesAreHeldRaw)
{
    CImage image(8, 100);
    CRLE rle;
    EXPECT_EQ(rle.MeasureImage(&image), 800);
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    EXPECT_FALSE(rle.IsEncoded());
    EXPECT_EQ(rle.GetCount(), 800u);
}

TEST(RunLength, TransparentPixelsOfAnyColourFormOneRun)
{
    CImage image(100, 100);
    {
        CImNav nav(&image, nullptr);
        std::mt19937 random(1);
        for (int32_t y = 0; y < 100; ++y)
            for (int32_t x = 0; x < 100; ++x)
                nav.Row(y)[x] = random() & 0x00FFFFFF;
    }
    CRLE rle;
    EXPECT_EQ(rle.MeasureImage(&image), 301);
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    ASSERT_TRUE(rle.IsEncoded());
    EXPECT_EQ(rle.GetCount(), 301u);
    EXPECT_EQ(Tokens(rle, 42), (std::vector<std::pair<bool, uint32_t>>{{false, 100}}));
}

TEST(RunLength, LiteralEndsWithTheFirstPixelOfAnEqualPair)
{
    CImage image(14, 9);
    FillImage(image, 0xFF000004);
    // p1 p2 p3 p3 p4, and p4 on to the row end.
    SetRow(image, 0, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000003});
    CRLE rle;
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    ASSERT_TRUE(rle.IsEncoded());
    EXPECT_EQ(Tokens(rle, 0),
              (std::vector<std::pair<bool, uint32_t>>{{true, 3}, {true, 2}, {false, 9}}));
    // A run stops at the row end and never crosses into the next row.
    EXPECT_EQ(Tokens(rle, 1), (std::vector<std::pair<bool, uint32_t>>{{false, 14}}));
}

TEST(RunLength, SeekReadsEveryPixelOfEveryRow)
{
    CImage image(37, 23);
    {
        CImNav nav(&image, nullptr);
        std::mt19937 random(5);
        for (int32_t y = 0; y < 23; ++y)
            for (int32_t x = 0; x < 37; ++x)
                nav.Row(y)[x] = 0xFF000000 | ((x / 6 + y) % 4 == 0 ? random() % 3 : 7);
    }
    CRLE rle;
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    ASSERT_TRUE(rle.IsEncoded());
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < 23; ++y)
        for (int32_t start = 0; start < 37; start += 5) {
            rle.Seek(start, y);
            for (int32_t x = start; x < 37; ++x)
                ASSERT_EQ(rle.ReadNext(), nav.Row(y)[x]) << x << "," << y;
        }
}

TEST(RunLength, SeekToTheLastPixelOfARunLeavesOne)
{
    CImage image(10, 10);
    FillImage(image, 0xFF00FF00);
    CRLE rle;
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    rle.Seek(9, 4);
    EXPECT_EQ(rle.GetReader().remaining, 1u);
    EXPECT_EQ(rle.ReadNext(), 0xFF00FF00u);
}

TEST(RunLength, SamplerStepsAndUsesTheLastPixelAtTheEdge)
{
    CImage image(12, 12);
    {
        CImNav nav(&image, nullptr);
        for (int32_t y = 0; y < 12; ++y)
            for (int32_t x = 0; x < 12; ++x)
                nav.Row(y)[x] = 0xFF000000 | uint32_t(x * 16) << 8 | uint32_t(y * 8);
    }
    CRLE rle;
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    CRLESampler sampler(rle);
    sampler.Setup(0, 2, 3);
    CImNav nav(&image, nullptr);
    for (int32_t x = 0; x < 12; ++x) {
        CPixel sampled = sampler.Sample(x, 128, 64);
        CPixel right = nav.Row(2)[x < 11 ? x + 1 : 11];
        CPixel top = CRLESampler::Lerp(nav.Row(2)[x], right, 128);
        CPixel bottom = CRLESampler::Lerp(nav.Row(3)[x], nav.Row(3)[x < 11 ? x + 1 : 11], 128);
        EXPECT_EQ(sampled, CRLESampler::Lerp(top, bottom, 64)) << x;
    }
    EXPECT_EQ(sampler.Sample(11, 200, 0), nav.Row(2)[11]);
}

TEST(RunLength, LerpMatchesThePerChannelFormula)
{
    std::mt19937 random(9);
    for (int i = 0; i < 20000; ++i) {
        CPixel a = random(), b = random();
        uint32_t t = random() % 257;
        CPixel expected = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            int32_t p = int32_t((a >> shift) & 0xFF), q = int32_t((b >> shift) & 0xFF);
            int32_t v = p + ((q - p) * int32_t(t) >> 8);
            expected |= uint32_t(v & 0xFF) << shift;
        }
        ASSERT_EQ(CRLESampler::Lerp(a, b, t), expected) << std::hex << a << " " << b << " " << t;
    }
}

TEST(RunLength8, LongRunsAndLiteralsSplitAt126)
{
    CImage8 image(300, 10);
    {
        CImNav8 nav(&image, nullptr);
        nav.Fill(9);
        for (int32_t x = 0; x < 200; ++x)
            nav.Row(1)[x] = uint8_t(x & 1);
        nav.Row(2)[0] = 1;
    }
    CRLE8 rle;
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    ASSERT_TRUE(rle.IsEncoded());
    using T = std::vector<std::pair<bool, uint32_t>>;
    EXPECT_EQ(Tokens8(rle, 0), (T{{false, 126}, {false, 126}, {false, 48}}));
    EXPECT_EQ(Tokens8(rle, 1), (T{{true, 126}, {true, 75}, {false, 99}}));
    EXPECT_EQ(Tokens8(rle, 2), (T{{true, 2}, {false, 126}, {false, 126}, {false, 46}}));
}

TEST(RunLength8, MeasureRules)
{
    CImage8 grey(100, 100);
    {
        CImNav8 nav(&grey, nullptr);
        nav.Fill(0x80);
    }
    CRLE8 rle;
    EXPECT_EQ(rle.MeasureImage(&grey), 601);

    CImage8 distinct(9, 9);
    {
        CImNav8 nav(&distinct, nullptr);
        for (int32_t y = 0; y < 9; ++y)
            for (int32_t x = 0; x < 9; ++x)
                nav.Row(y)[x] = uint8_t(x);
    }
    EXPECT_EQ(rle.MeasureImage(&distinct), 81);
    ASSERT_EQ(rle.EncodeImage(&distinct), eSuccess);
    EXPECT_FALSE(rle.IsEncoded());
    rle.Seek(4, 3);
    EXPECT_EQ(rle.ReadNext(), 4);
    EXPECT_EQ(rle.ReadNext(), 5);
}

TEST(RunLength8, ChannelFormsTakeAlphaOrGreen)
{
    CImage image(20, 20);
    FillImage(image, 0xFF12AB34);
    CRLE8 alpha;
    ASSERT_EQ(alpha.EncodeImageChannel(&image, 1), eSuccess);
    ASSERT_TRUE(alpha.IsEncoded());
    alpha.Seek(0, 7);
    EXPECT_EQ(alpha.ReadNext(), 0xFF);
    EXPECT_EQ(Tokens8(alpha, 7), (std::vector<std::pair<bool, uint32_t>>{{false, 20}}));
    CRLE8 green;
    ASSERT_EQ(green.EncodeImageChannel(&image, 0), eSuccess);
    green.Seek(13, 19);
    EXPECT_EQ(green.ReadNext(), 0xAB);
}

TEST(RunLength8, SamplerRoundsTowardMinusInfinity)
{
    CImage8 image(10, 10);
    {
        CImNav8 nav(&image, nullptr);
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 10; ++x)
                nav.Row(y)[x] = uint8_t(x < 5 ? 200 : 10);
    }
    CRLE8 rle;
    ASSERT_EQ(rle.EncodeImage(&image), eSuccess);
    CRLE8Sampler sampler(rle);
    sampler.Setup(4, 0, 1);
    // 200 + floor((10 - 200) * 3 / 256) = 200 - 3
    EXPECT_EQ(sampler.Sample(4, 3, 0), 197);
    EXPECT_EQ(sampler.Sample(5, 100, 0), 10);
    EXPECT_EQ(sampler.Sample(9, 100, 100), 10);
}
