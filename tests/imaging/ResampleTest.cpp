#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/Resample.h"

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

std::vector<CPixel> GetRow(CImage& image, int32_t y)
{
    CImNav nav(&image, nullptr);
    return std::vector<CPixel>(nav.Row(y), nav.Row(y) + nav.GetWidth());
}

std::vector<CPixel> All(CImage& image)
{
    std::vector<CPixel> all;
    for (int32_t y = 0; y < image.GetHeight(); ++y) {
        std::vector<CPixel> row = GetRow(image, y);
        all.insert(all.end(), row.begin(), row.end());
    }
    return all;
}

// Long runs with some noise, so the run-length form pays and the image really compresses.
void FillCompressible(CImage& image, uint32_t seed)
{
    std::mt19937 random(seed);
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            nav.Row(y)[x] = (x / 7 + y / 5) % 3 == 0 ? CPixel(random()) | 0xFF000000u : 0xFF336699u + uint32_t(y / 4);
}

} // namespace

TEST(Resample, EnlargingTwoPixelsUsesTheEdgeRule)
{
    CImage source(2, 1), destination(4, 1);
    SetRow(source, 0, {0xFF000000, 0xFFFFFFFF});
    ASSERT_EQ(StretchImage(&destination, &source, 0), eSuccess);
    EXPECT_EQ(GetRow(destination, 0), (std::vector<CPixel>{0xFF000000, 0xFF000000, 0xFF7F7F7F, 0xFFFFFFFF}));
}

TEST(Resample, HalvingAveragesBoxesOrSamplesWithTheNegativePhase)
{
    CImage source(4, 4);
    std::mt19937 random(1);
    for (int32_t y = 0; y < 4; ++y)
        SetRow(source, y, {CPixel(random()), CPixel(random()), CPixel(random()), CPixel(random())});
    std::vector<CPixel> s = All(source);
    CImage reduced(2, 2), sampled(2, 2);
    ASSERT_EQ(StretchImage(&reduced, &source, 1), eSuccess);
    auto average = [&](int x, int y) {
        uint32_t result = 0;
        for (int shift : {0, 8, 16, 24}) {
            uint32_t sum = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    sum += (s[size_t((2 * y + dy) * 4 + 2 * x + dx)] >> shift) & 0xFF;
            result |= (sum / 4) << shift;
        }
        return result;
    };
    EXPECT_EQ(All(reduced), (std::vector<CPixel>{average(0, 0), average(1, 0), average(0, 1), average(1, 1)}));
    ASSERT_EQ(StretchImage(&sampled, &source, 0), eSuccess);
    EXPECT_EQ(All(sampled), (std::vector<CPixel>{s[5], s[7], s[13], s[15]}));
}

TEST(Resample, EightBitEdgeRuleAddsOneAndConversionsFollowTheSizeRules)
{
    CImage8 column(1, 2), tall(1, 4);
    {
        CImNav8 nav(&column, nullptr);
        nav.Row(0)[0] = 0;
        nav.Row(1)[0] = 255;
    }
    ASSERT_EQ(StretchImage(&tall, &column, 0), eSuccess);
    CImNav8 nav(&tall, nullptr);
    EXPECT_EQ((std::vector<int>{nav.Row(0)[0], nav.Row(1)[0], nav.Row(2)[0], nav.Row(3)[0]}),
              (std::vector<int>{0, 0, 128, 255}));
    nav.Unlock();

    CImage wide(1, 4);
    ASSERT_EQ(StretchImage(&wide, &column, 0), eSuccess);
    EXPECT_EQ(GetRow(wide, 2)[0], 0xFF808080u) << "8-bit into 32-bit is opaque grey";

    CImage colour(2, 2);
    SetRow(colour, 0, {0x00102030, 0xFF0000FF});
    SetRow(colour, 1, {0xFFFFFFFF, 0xFF010203});
    CImage8 grey(2, 2);
    ASSERT_EQ(ResizeImageNearest(&grey, &colour), eSuccess);
    CImNav8 g(&grey, nullptr);
    EXPECT_EQ((std::vector<int>{g.Row(0)[0], g.Row(0)[1], g.Row(1)[0], g.Row(1)[1]}),
              (std::vector<int>{(0x10 + 0x20 + 0x30) / 3, 0xFF / 3, 255, 2}));
}

TEST(Resample, AlphaStretchesOverATransparentSource)
{
    CImage source(3, 3), replaced(7, 5), blended(7, 5), reduced(1, 1);
    SetRow(source, 0, {0x00FF0000, 0x0000FF00, 0x000000FF});
    SetRow(source, 1, {0x00123456, 0x00FFFFFF, 0x00000000});
    SetRow(source, 2, {0x00ABCDEF, 0x00777777, 0x00FF00FF});
    {
        CImNav nav(&replaced, nullptr);
        CPixel seed = 0xFF445566;
        nav.Fill(&seed);
        CImNav other(&blended, nullptr);
        other.Fill(&seed);
        CImNav last(&reduced, nullptr);
        last.Fill(&seed);
    }
    ASSERT_EQ(StretchImageAlpha(&replaced, &source), eSuccess);
    for (CPixel p : All(replaced))
        EXPECT_EQ(p, 0u);
    ASSERT_EQ(StretchBlendImage(&blended, &source), eSuccess);
    for (CPixel p : All(blended))
        EXPECT_EQ(p, 0xFF445566u);
    ASSERT_EQ(StretchImageAlpha(&reduced, &source), eSuccess);
    EXPECT_EQ(All(reduced)[0], 0u) << "a box without alpha is transparent black";
}

TEST(Resample, TransparentNeighboursBorrowColour)
{
    CImage source(2, 1), destination(4, 1);
    SetRow(source, 0, {0xFFFF0000, 0x0000FF00});
    ASSERT_EQ(StretchImageAlpha(&destination, &source), eSuccess);
    EXPECT_EQ(GetRow(destination, 0)[2], 0x7FFF0000u) << "the transparent green must not bleed in";

    CImage square(2, 2), big(4, 4);
    SetRow(square, 0, {0x00000000, 0x00000000});
    SetRow(square, 1, {0xFF0000FF, 0xFF00FF00});
    ASSERT_EQ(StretchImageAlpha(&big, &square), eSuccess);
    CPixel middle = GetRow(big, 2)[2];
    EXPECT_EQ(middle & 0x00FF0000u, 0u) << "no red anywhere: the top row took the bottom row's colours";

    CImage alphaBox(4, 4), small(2, 2);
    for (int32_t y = 0; y < 4; ++y)
        SetRow(alphaBox, y, {0xFF0000FF, 0x00FF0000, 0x80FF0000, 0x80FF0000});
    ASSERT_EQ(StretchImageAlpha(&small, &alphaBox), eSuccess);
    EXPECT_EQ(GetRow(small, 0)[0], 0x7F0000FFu) << "colour weighted by alpha, alpha averaged";
    EXPECT_EQ(GetRow(small, 0)[1], 0x80FF0000u);
}

TEST(Resample, RunLengthSourcesGiveTheRawResults)
{
    for (auto [W, H] : {std::pair{13, 9}, {60, 40}, {300, 200}, {20, 250}}) {
        CImage raw(120, 90), packed(120, 90);
        FillCompressible(raw, 4);
        FillCompressible(packed, 4);
        ASSERT_EQ(packed.Compress(), eSuccess);
        ASSERT_TRUE(packed.IsCompressed());
        for (int32_t reduce : {0, 1}) {
            CImage a(W, H), b(W, H);
            ASSERT_EQ(StretchImage(&a, &raw, reduce), eSuccess);
            ASSERT_EQ(StretchImage(&b, &packed, reduce), eSuccess);
            EXPECT_EQ(All(a), All(b)) << W << "x" << H << " reduce " << reduce;
            ASSERT_EQ(ResizeImageNearest(&a, &raw), eSuccess);
            ASSERT_EQ(ResizeImageNearest(&b, &packed), eSuccess);
            EXPECT_EQ(All(a), All(b)) << W << "x" << H << " nearest";
        }
        CImage blended(W, H);
        EXPECT_EQ(StretchBlendImage(&blended, &packed), eBadParameter);
    }
}

TEST(Resample, RefusesOversizedAndEmptySourcesAndIgnoresEmptyDestinations)
{
    CImage huge(40000, 1), small(10, 1);
    EXPECT_EQ(StretchImage(&small, &huge, 1), eBadParameter);
    EXPECT_EQ(ResizeImageNearest(&small, &huge), eBadParameter);
    CImage empty(0, 3), target(5, 5);
    EXPECT_EQ(StretchImage(&target, &empty, 0), eBadParameter);
    CImage none(0, 0), source(4, 4);
    EXPECT_EQ(StretchImage(&none, &source, 0), eSuccess);
    CImage never;
    EXPECT_EQ(StretchImage(&target, &never, 0), eNoMemory);
}

TEST(Resample, TheLargestSidesStepWithoutOverflow)
{
    CImage wide(kMaxResampleSide, 2), one(1, 1), two(2, 1);
    SetRow(wide, 0, {0xFF102030});
    for (CImage* target : {&one, &two}) {
        EXPECT_EQ(StretchImage(target, &wide, 0), eSuccess);
        EXPECT_EQ(StretchImageAlpha(target, &wide), eSuccess);
        EXPECT_EQ(StretchBlendImage(target, &wide), eSuccess);
    }
    ASSERT_EQ(wide.Compress(), eSuccess);
    EXPECT_EQ(StretchImage(&one, &wide, 0), eSuccess);
}

TEST(Resample, BoxFilterNeverDividesByZeroBelowRatioTwo)
{
    CImage source(2, 2), destination(5, 3);
    SetRow(source, 0, {0xFF0000FF, 0xFF00FF00});
    SetRow(source, 1, {0xFFFF0000, 0xFFFFFFFF});
    CImNavBase out(&destination, nullptr), in(&source, nullptr);
    ASSERT_EQ(ReduceImagePixels(out, in), eSuccess);
    out.Unlock();
    EXPECT_EQ(GetRow(destination, 0)[0], 0xFF0000FFu);
    EXPECT_EQ(GetRow(destination, 2)[4], 0xFFFFFFFFu);
}
