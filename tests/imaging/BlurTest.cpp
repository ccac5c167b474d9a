#include "imaging/Blur.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"

#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

CImage* MakeImage(int32_t width, int32_t height, const std::vector<uint32_t>& words)
{
    auto* image = new CImage(width, height);
    CImNav nav(image, nullptr);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            nav.Row(y)[x] = words[size_t(y * width + x)];
    return image;
}

std::vector<uint32_t> Words(CImage* image)
{
    CImNav nav(image, nullptr);
    std::vector<uint32_t> words;
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            words.push_back(nav.Row(y)[x]);
    return words;
}

std::vector<uint32_t> Low(const std::vector<uint32_t>& words)
{
    std::vector<uint32_t> low;
    for (uint32_t w : words)
        low.push_back(w & 0xFFFF);
    return low;
}

// Straightforward per-line filter on a copy, independent of the in-place residue walk.
std::vector<uint32_t> ReferenceLine(std::vector<uint32_t> v, float radius, uint32_t rounding, bool twoLaneEdge)
{
    sBlurPlan plan = PlanBlur(radius);
    int32_t n = int32_t(v.size());
    uint32_t s = 1u << plan.exponent, w = plan.weight;
    if (s > uint32_t(n)) {
        while (s > uint32_t(n))
            s >>= 1;
        w = 0x4000;
    }
    uint32_t e0 = v[0], e1 = v[size_t(n - 1)];
    auto at = [&](const std::vector<uint32_t>& line, int32_t k) { return k < 0 ? e0 : k > n - 1 ? e1 : line[size_t(k)]; };
    std::vector<uint32_t> old = v;
    for (int32_t k = 0; k < n; ++k)
        v[size_t(k)] = ((at(old, k - int32_t(s)) + at(old, k + int32_t(s))) * w + old[size_t(k)] * (0x10000 - 2 * w)) >> 16;
    for (uint32_t t = s / 2; t >= 1; t /= 2) {
        old = v;
        for (int32_t k = 0; k < n; ++k) {
            uint32_t r = (twoLaneEdge && k < int32_t(t)) ? 0 : rounding;
            v[size_t(k)] = (at(old, k - int32_t(t)) + 2 * old[size_t(k)] + at(old, k + int32_t(t)) + r) >> 2;
        }
    }
    return v;
}

} // namespace

TEST(Blur, RadiusTableGivesTheStatedLevels)
{
    struct sCase { float radius; int32_t n; uint32_t f; uint32_t w; };
    const sCase cases[] = {
        {0.5f, 0, 38336, 9584}, {1.0f, 1, 0, 0}, {2.0f, 2, 0, 0}, {3.0f, 2, 38336, 9584},
        {5.0f, 3, 21097, 5274}, {7.0f, 3, 52910, 13227}, {10.0f, 4, 21097, 5274},
    };
    for (const sCase& c : cases) {
        sBlurPlan plan = PlanBlur(c.radius);
        EXPECT_TRUE(plan.valid) << c.radius;
        EXPECT_EQ(plan.exponent, c.n) << c.radius;
        EXPECT_EQ(plan.fraction, c.f) << c.radius;
        EXPECT_EQ(plan.weight, c.w) << c.radius;
    }
    EXPECT_FALSE(PlanBlur(0.0f).valid);
    EXPECT_FALSE(PlanBlur(-3.0f).valid);
    EXPECT_FALSE(PlanBlur(std::numeric_limits<float>::quiet_NaN()).valid);
    EXPECT_EQ(PlanBlur(std::numeric_limits<float>::infinity()).exponent, 30);
    EXPECT_EQ(PlanBlur(3e9f).exponent, 30);
}

TEST(Blur, WorkedLinesComeOutExactly)
{
    std::unique_ptr<CImage> row(MakeImage(5, 1, {0xABCD0000, 0xABCD0000, 0xABCDFFFF, 0xABCD0000, 0xABCD0000}));
    ASSERT_EQ(BlurImage(row.get(), 1.0f, 0), 1);
    EXPECT_EQ(Words(row.get()), (std::vector<uint32_t>{0xABCD0000, 0xABCD4000, 0xABCD8000, 0xABCD4000, 0xABCD0000}));

    std::vector<uint32_t> line(17, 0);
    line[8] = 65535;
    std::unique_ptr<CImage> wide(MakeImage(17, 1, line));
    ASSERT_EQ(BlurImage(wide.get(), 7.0f, 0), 1);
    EXPECT_EQ(Low(Words(wide.get())), (std::vector<uint32_t>{1654, 2058, 2462, 2866, 3270, 3674, 4078, 4482, 4886,
                                                             4482, 4078, 3674, 3270, 2866, 2462, 2058, 1654}));
    std::unique_ptr<CImage> tall(MakeImage(1, 17, line));
    ASSERT_EQ(BlurImage(tall.get(), 7.0f, 0), 1);
    EXPECT_EQ(Low(Words(tall.get())), (std::vector<uint32_t>{1653, 2057, 2461, 2865, 3269, 3673, 4077, 4481, 4885,
                                                             4481, 4077, 3673, 3269, 2865, 2461, 2057, 1653}));

    std::unique_ptr<CImage> pair(MakeImage(2, 1, {1, 0}));
    ASSERT_EQ(BlurImage(pair.get(), 1.0f, 0), 1);
    EXPECT_EQ(Words(pair.get()), (std::vector<uint32_t>{1, 0}));
    std::unique_ptr<CImage> lanes(MakeImage(2, 1, {1, 0}));
    ASSERT_EQ(BlurImageLanes(lanes.get(), 1.0f), 1);
    EXPECT_EQ(Words(lanes.get()), (std::vector<uint32_t>{0, 0})) << "no rounding next to the left edge";
}

TEST(Blur, SmallAndFractionalRadii)
{
    std::mt19937 random(5);
    std::vector<uint32_t> line(40);
    for (uint32_t& v : line)
        v = random() & 0xFFFF;
    std::unique_ptr<CImage> a(MakeImage(40, 1, line)), zero(MakeImage(40, 1, line));
    ASSERT_EQ(BlurImageHorizontal(a.get(), 0.5f, 0), 1);
    EXPECT_EQ(Low(Words(a.get())), ReferenceLine(line, 0.5f, 2, false));
    EXPECT_EQ(PlanBlur(0.5f).weight, 9584u) << "radius 0.5 is taken as 0.75: one top level at stride 1";
    ASSERT_EQ(BlurImage(zero.get(), 0.0f, 0), 1);
    ASSERT_EQ(BlurImage(zero.get(), -1.0f, 0), 1);
    ASSERT_EQ(BlurImage(zero.get(), std::numeric_limits<float>::quiet_NaN(), 0), 1);
    EXPECT_EQ(Words(zero.get()), line);
    for (float radius : {1.3f, 2.5f, 3.0f, 6.2f, 17.0f})
        for (int32_t width : {1, 2, 3, 7, 40}) {
            std::vector<uint32_t> part(line.begin(), line.begin() + width);
            std::unique_ptr<CImage> image(MakeImage(width, 1, part));
            ASSERT_EQ(BlurImageHorizontal(image.get(), radius, 0), 1);
            std::vector<uint32_t> expected = width < 2 ? part : ReferenceLine(part, radius, 2, false);
            EXPECT_EQ(Low(Words(image.get())), expected) << radius << " " << width;
        }
}

TEST(Blur, LargeRadiiStopChangingOnceTheStrideExceedsTheLine)
{
    std::mt19937 random(9);
    std::vector<uint32_t> line(100);
    for (uint32_t& v : line)
        v = random() & 0xFFFF;
    std::unique_ptr<CImage> at64(MakeImage(100, 1, line));
    ASSERT_EQ(BlurImageHorizontal(at64.get(), 64.0f, 0), 1);
    for (float radius : {100.0f, 1000.0f, 1e9f, 3e9f, std::numeric_limits<float>::infinity()}) {
        std::unique_ptr<CImage> image(MakeImage(100, 1, line));
        ASSERT_EQ(BlurImageHorizontal(image.get(), radius, 0), 1);
        EXPECT_EQ(Words(image.get()), Words(at64.get())) << radius;
    }
}

TEST(Blur, VerticalSweepEqualsColumnByColumnFiltering)
{
    std::mt19937 random(13);
    for (int32_t width : {1, 3, 4, 5, 9}) {
        int32_t height = 23;
        std::vector<uint32_t> words(size_t(width * height));
        for (uint32_t& w : words)
            w = random();
        std::unique_ptr<CImage> image(MakeImage(width, height, words));
        ASSERT_EQ(BlurImageLanesVertical(image.get(), 5.5f), 1);
        std::vector<uint32_t> result = Words(image.get());
        for (int32_t x = 0; x < width; ++x) {
            std::vector<uint32_t> low, high;
            for (int32_t y = 0; y < height; ++y) {
                low.push_back(words[size_t(y * width + x)] & 0xFFFF);
                high.push_back(words[size_t(y * width + x)] >> 16);
            }
            low = ReferenceLine(low, 5.5f, 0, false);
            high = ReferenceLine(high, 5.5f, 0, false);
            for (int32_t y = 0; y < height; ++y)
                ASSERT_EQ(result[size_t(y * width + x)], low[size_t(y)] | (high[size_t(y)] << 16)) << width << " " << x << "," << y;
        }
    }
}

TEST(Blur, TwoLanesFilterEachHalfAsItsOwnValue)
{
    std::mt19937 random(17);
    std::vector<uint32_t> words(37);
    for (uint32_t& w : words)
        w = random();
    std::unique_ptr<CImage> image(MakeImage(37, 1, words));
    ASSERT_EQ(BlurImageLanesHorizontal(image.get(), 4.7f), 1);
    std::vector<uint32_t> low, high;
    for (uint32_t w : words) {
        low.push_back(w & 0xFFFF);
        high.push_back(w >> 16);
    }
    low = ReferenceLine(low, 4.7f, 2, true);
    high = ReferenceLine(high, 4.7f, 2, true);
    std::vector<uint32_t> result = Words(image.get());
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(result[i], low[i] | (high[i] << 16)) << i;

    std::unique_ptr<CImage> high1(MakeImage(37, 1, words));
    ASSERT_EQ(BlurImageHorizontal(high1.get(), 4.7f, 1), 1);
    std::vector<uint32_t> highOnly;
    for (uint32_t w : words)
        highOnly.push_back(w >> 16);
    highOnly = ReferenceLine(highOnly, 4.7f, 2, false);
    result = Words(high1.get());
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(result[i], (words[i] & 0xFFFF) | (highOnly[i] << 16)) << i;
}

TEST(Blur, UniformAreasAndThinImagesStayUnchanged)
{
    for (auto [w, h] : {std::pair{1, 1}, {1, 50}, {50, 1}, {33, 17}}) {
        std::vector<uint32_t> words(size_t(w * h), 0x8123A456);
        std::unique_ptr<CImage> image(MakeImage(w, h, words));
        for (float radius : {0.3f, 1.0f, 3.7f, 40.0f}) {
            ASSERT_EQ(BlurImage(image.get(), radius, 0), 1);
            ASSERT_EQ(BlurImageLanes(image.get(), radius), 1);
            ASSERT_EQ(BlurImageColourAlpha(image.get(), radius, nullptr), 1);
        }
        EXPECT_EQ(Words(image.get()), words);
    }
    CImage empty(0, 0);
    EXPECT_EQ(BlurImage(&empty, 3.0f, 0), 1);
    CImage never;
    EXPECT_EQ(BlurImage(&never, 3.0f, 0), 0);
    EXPECT_EQ(BlurImageWords(&never, 2.0f), 0);
    EXPECT_EQ(BlurImageColour(&never, 2.0f, nullptr), 0);
}

TEST(Blur, ColourMembersKeepAlphaAndStayWithinTheChannelRange)
{
    std::mt19937 random(19);
    std::vector<uint32_t> words(size_t(13 * 7));
    for (uint32_t& w : words)
        w = random();
    std::unique_ptr<CImage> image(MakeImage(13, 7, words));
    gCRect area{2, 1, 7, 6}; // 5 wide: not a multiple of four
    ASSERT_EQ(BlurImageColour(image.get(), 2.5f, &area), 1);
    std::vector<uint32_t> result = Words(image.get());
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 13; ++x) {
            size_t i = size_t(y * 13 + x);
            bool inside = x >= 2 && x < 7 && y >= 1 && y < 6;
            if (!inside)
                EXPECT_EQ(result[i], words[i]);
            else
                EXPECT_EQ(result[i] >> 24, words[i] >> 24);
        }

    // A colour member equals blurring each channel x 257 as its own lane.
    std::unique_ptr<CImage> colour(MakeImage(13, 7, words));
    ASSERT_EQ(BlurImageColourAlpha(colour.get(), 3.0f, nullptr), 1);
    for (int shift : {0, 8, 16, 24}) {
        std::vector<uint32_t> channel;
        for (uint32_t w : words)
            channel.push_back(((w >> shift) & 0xFF) * 257);
        bool lowLane = shift == 0 || shift == 8;
        std::unique_ptr<CImage> lane(MakeImage(13, 7, channel));
        CImNav nav(lane.get(), nullptr);
        // Blue and red ride the lanes of the first two-lane run, green and alpha the second;
        // as a one-lane job the rounding next to the edge would differ, so use the two-lane run.
        ASSERT_EQ(BlurNavLanes(nav, 3.0f), 1);
        (void)lowLane;
        std::vector<uint32_t> expected = Words(lane.get());
        std::vector<uint32_t> got = Words(colour.get());
        for (size_t i = 0; i < words.size(); ++i)
            ASSERT_EQ((got[i] >> shift) & 0xFF, (expected[i] & 0xFFFF) >> 8) << shift << " " << i;
    }
}

TEST(Blur, ColourMemberFailsWithoutItsTemporaryAndLeavesTheArea)
{
    std::vector<uint32_t> words(64);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = uint32_t(i * 0x01020304);
    std::unique_ptr<CImage> image(MakeImage(8, 8, words));
    {
        AllocationFailure failure(1);
        EXPECT_EQ(BlurImageColour(image.get(), 2.0f, nullptr), 0);
    }
    EXPECT_EQ(Words(image.get()), words);
}

TEST(Blur, WordFormRoundsItsTopLevelInSinglePrecision)
{
    std::unique_ptr<CImage> image(MakeImage(3, 1, {1000000, 0, 0}));
    ASSERT_EQ(BlurImageWordsHorizontal(image.get(), 0.5f), 1);
    // One top level at stride 1, weight (L - n) / 4.
    float w = PlanBlur(0.5f).wordWeight;
    auto round = [](float x) { return uint32_t(int64_t(x > 0 ? x + 0.5f : x - 0.5f)); };
    std::vector<uint32_t> expected = {round(float(1000000u + 0u) * w + float(1000000u) * (w * -2.0f + 1.0f)),
                                      round(float(1000000u + 0u) * w + 0.0f), 0};
    EXPECT_EQ(Words(image.get()), expected);
}

TEST(Blur, LaneCopies)
{
    std::unique_ptr<CImage> image(MakeImage(2, 1, {0x12345678, 0xABCD0001}));
    ASSERT_EQ(CopyHighLaneToLow(image.get()), eSuccess);
    EXPECT_EQ(Words(image.get()), (std::vector<uint32_t>{0x12341234, 0xABCDABCD}));
    std::unique_ptr<CImage> other(MakeImage(2, 1, {0x12345678, 0xABCD0001}));
    ASSERT_EQ(CopyLowLaneToHigh(other.get()), eSuccess);
    EXPECT_EQ(Words(other.get()), (std::vector<uint32_t>{0x56785678, 0x00010001}));
    EXPECT_EQ(CopyLowLaneToHigh(nullptr), eNoMemory);
    CImage never;
    EXPECT_EQ(CopyHighLaneToLow(&never), eNoMemory);
}
