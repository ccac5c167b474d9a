// The one-direction and colour blur members: small lines worked out by hand, and the properties
// that tie the members together (a vertical pass is the horizontal one turned a quarter, and a
// colour member on a grey image is the grey value blurred alone).
#include "imaging/Blur.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

using Words = std::vector<uint32_t>;
using Member = std::function<int32_t(CImage*)>;

std::unique_ptr<CImage> Make(int32_t width, int32_t height, const Words& words)
{
    auto image = std::make_unique<CImage>(width, height);
    CImNav nav(image.get(), nullptr);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            nav.Row(y)[x] = words[size_t(y * width + x)];
    return image;
}

Words Read(CImage* image)
{
    CImNav nav(image, nullptr);
    Words words;
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            words.push_back(nav.Row(y)[x]);
    return words;
}

Words Transposed(const Words& words, int32_t width, int32_t height)
{
    Words out(words.size());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            out[size_t(x * height + y)] = words[size_t(y * width + x)];
    return out;
}

Words Blurred(const Member& member, int32_t width, int32_t height, const Words& words)
{
    std::unique_ptr<CImage> image = Make(width, height, words);
    EXPECT_EQ(member(image.get()), 1);
    return Read(image.get());
}

Words Random(size_t count, uint32_t seed, uint32_t mask)
{
    std::mt19937 random(seed);
    Words words(count);
    for (uint32_t& w : words)
        w = random() & mask;
    return words;
}

} // namespace

// Radius 1 is one three-tap level at stride 1. A horizontal pass adds 2 before the shift (the
// two-lane pass not next to the left edge), a vertical pass adds nothing, so a line of 65535
// at one end gives 49151, 16384 across and 49151, 16383 down; a colour channel is the high byte
// of its lane (255 -> 191, 64 / 63; 128 -> 96, 32; 64 -> 48, 16).
TEST(BlurDirections, WorkedLinesAcrossAndDown)
{
    const Member vertical0 = [](CImage* i) { return BlurImageVertical(i, 1.0f, 0); };
    const Member vertical1 = [](CImage* i) { return BlurImageVertical(i, 1.0f, 1); };
    const Member wordsDown = [](CImage* i) { return BlurImageWordsVertical(i, 1.0f); };
    const Member wordsAcross = [](CImage* i) { return BlurImageWordsHorizontal(i, 1.0f); };
    auto colour = [](int32_t (*member)(CImage*, float, const gCRect*)) {
        return Member([member](CImage* i) { return member(i, 1.0f, nullptr); });
    };
    const Words spot = {0xFFFF8040, 0, 0};
    struct sCase {
        const char* name;
        Member member;
        bool across; // the line is a row (else a column)
        Words in, out;
    };
    const sCase cases[] = {
        {"one lane down", vertical0, false, {0xABCD0000, 0xABCD0000, 0xABCDFFFF, 0xABCD0000, 0xABCD0000},
         {0xABCD0000, 0xABCD3FFF, 0xABCD7FFF, 0xABCD3FFF, 0xABCD0000}},
        {"one lane down, high", vertical1, false, {0x00001234, 0xFFFF1234, 0x00001234},
         {0x3FFF1234, 0x7FFF1234, 0x3FFF1234}},
        {"one lane down leaves a row", vertical0, true, {0, 0, 0xFFFF, 0, 0}, {0, 0, 0xFFFF, 0, 0}},
        {"words down", wordsDown, false, {0x30003, 0, 0}, {0x24002, 0xC000, 0}},
        {"words across", wordsAcross, true, {0x30003, 0, 0}, {0x24002, 0xC001, 0}},
        {"words down leave a row", wordsDown, true, {0x30003, 0, 0}, {0x30003, 0, 0}},
        {"colour across", colour(BlurImageColourHorizontal), true, spot, {0xFFBF6030, 0x00402010, 0}},
        {"colour across leaves a column", colour(BlurImageColourHorizontal), false, spot, spot},
        {"colour+alpha across", colour(BlurImageColourAlphaHorizontal), true, spot, {0xBFBF6030, 0x40402010, 0}},
        {"colour+alpha across leaves a column", colour(BlurImageColourAlphaHorizontal), false, spot, spot},
        {"colour down", colour(BlurImageColourVertical), false, spot, {0xFFBF6030, 0x003F2010, 0}},
        {"colour down leaves a row", colour(BlurImageColourVertical), true, spot, spot},
        {"colour+alpha down", colour(BlurImageColourAlphaVertical), false, spot, {0xBFBF6030, 0x3F3F2010, 0}},
        {"colour+alpha down leaves a row", colour(BlurImageColourAlphaVertical), true, spot, spot},
        {"colour both, row", colour(BlurImageColour), true, spot, {0xFFBF6030, 0x00402010, 0}},
        {"colour both, column", colour(BlurImageColour), false, spot, {0xFFBF6030, 0x003F2010, 0}},
        {"colour+alpha both, column", colour(BlurImageColourAlpha), false, spot, {0xBFBF6030, 0x3F3F2010, 0}},
    };
    for (const sCase& c : cases) {
        int32_t n = int32_t(c.in.size());
        EXPECT_EQ(c.across ? Blurred(c.member, n, 1, c.in) : Blurred(c.member, 1, n, c.in), c.out) << c.name;
    }
}

// With a radius below 1 only the top level runs, which has no rounding term, so a vertical
// member on the transposed image must give exactly the horizontal member's result transposed.
TEST(BlurDirections, DownIsAcrossTurnedAQuarter)
{
    auto plain = [](int32_t (*member)(CImage*, float), float radius) {
        return Member([=](CImage* i) { return member(i, radius); });
    };
    auto lane = [](int32_t (*member)(CImage*, float, int32_t), float radius, int32_t which) {
        return Member([=](CImage* i) { return member(i, radius, which); });
    };
    auto colour = [](int32_t (*member)(CImage*, float, const gCRect*), float radius) {
        return Member([=](CImage* i) { return member(i, radius, nullptr); });
    };
    const int32_t width = 7, height = 5; // turned: 5 columns, one sweep of four and one single
    for (float radius : {0.5f, 0.9f}) {
        struct sPair {
            const char* name;
            Member across, down;
            uint32_t mask;
        };
        const sPair pairs[] = {
            {"low lane", lane(BlurImageHorizontal, radius, 0), lane(BlurImageVertical, radius, 0), 0xFFFFFFFF},
            {"high lane", lane(BlurImageHorizontal, radius, 1), lane(BlurImageVertical, radius, 1), 0xFFFFFFFF},
            {"two lanes", plain(BlurImageLanesHorizontal, radius), plain(BlurImageLanesVertical, radius), 0xFFFFFFFF},
            {"words", plain(BlurImageWordsHorizontal, radius), plain(BlurImageWordsVertical, radius), 0x00FFFFFF},
            {"colour", colour(BlurImageColourHorizontal, radius), colour(BlurImageColourVertical, radius), 0xFFFFFFFF},
            {"colour+alpha", colour(BlurImageColourAlphaHorizontal, radius),
             colour(BlurImageColourAlphaVertical, radius), 0xFFFFFFFF},
        };
        uint32_t seed = 1;
        for (const sPair& p : pairs) {
            Words words = Random(size_t(width * height), seed++, p.mask);
            Words across = Blurred(p.across, width, height, words);
            ASSERT_NE(across, words) << p.name;
            EXPECT_EQ(Blurred(p.down, height, width, Transposed(words, width, height)),
                      Transposed(across, width, height))
                << p.name << " radius " << radius;
        }
    }
}

// Vertical passes round alike in every form, so the one-lane member must agree with the
// matching half of the two-lane member at any radius and leave the other half alone.
TEST(BlurDirections, OneLaneDownMatchesItsHalfOfTwoLanesDown)
{
    const int32_t width = 9, height = 23;
    Words words = Random(size_t(width * height), 7, 0xFFFFFFFF);
    for (float radius : {1.0f, 5.5f, 40.0f}) {
        Words both = Blurred([=](CImage* i) { return BlurImageLanesVertical(i, radius); }, width, height, words);
        Words low = Blurred([=](CImage* i) { return BlurImageVertical(i, radius, 0); }, width, height, words);
        Words high = Blurred([=](CImage* i) { return BlurImageVertical(i, radius, 7); }, width, height, words);
        for (size_t i = 0; i < words.size(); ++i) {
            ASSERT_EQ(low[i], (words[i] & 0xFFFF0000) | (both[i] & 0xFFFF)) << radius << " at " << i;
            ASSERT_EQ(high[i], (both[i] & 0xFFFF0000) | (words[i] & 0xFFFF)) << radius << " at " << i;
        }
    }
}

// A grey image (red = green = blue = v) travels as v x 257 in the lanes; every channel must come
// back as that lane blurred alone by the worker the member uses for it: the two-lane worker for
// blue and red (and green and alpha when alpha is blurred), the one-lane worker for green when
// alpha is kept. The horizontal two-lane worker rounds differently next to the left edge, so the
// reference follows the member's own worker.
TEST(BlurDirections, ColourOnGreyIsTheGreyValueBlurredAlone)
{
    const int32_t width = 11, height = 6;
    const float radius = 3.0f;
    std::mt19937 random(23);
    Words grey(size_t(width * height)), lanes(grey.size());
    for (size_t i = 0; i < grey.size(); ++i) {
        uint32_t v = random() & 0xFF, a = random() & 0xFF;
        grey[i] = a << 24 | v * 0x010101u;
        lanes[i] = (a * 257) << 16 | v * 257;
    }
    using Colour = int32_t (*)(CImage*, float, const gCRect*);
    using Lanes = int32_t (*)(CImage*, float);
    using OneLane = int32_t (*)(CImage*, float, int32_t);
    struct sCase {
        Colour member;
        bool withAlpha;
        Lanes twoLanes;
        OneLane oneLane;
    };
    const sCase cases[] = {
        {BlurImageColour, false, BlurImageLanes, BlurImage},
        {BlurImageColourAlpha, true, BlurImageLanes, BlurImage},
        {BlurImageColourHorizontal, false, BlurImageLanesHorizontal, BlurImageHorizontal},
        {BlurImageColourAlphaHorizontal, true, BlurImageLanesHorizontal, BlurImageHorizontal},
        {BlurImageColourVertical, false, BlurImageLanesVertical, BlurImageVertical},
        {BlurImageColourAlphaVertical, true, BlurImageLanesVertical, BlurImageVertical},
    };
    for (size_t n = 0; n < std::size(cases); ++n) {
        const sCase& c = cases[n];
        Words got = Blurred([&](CImage* i) { return c.member(i, radius, nullptr); }, width, height, grey);
        Words two = Blurred([&](CImage* i) { return c.twoLanes(i, radius); }, width, height, lanes);
        Words one = Blurred([&](CImage* i) { return c.oneLane(i, radius, 0); }, width, height, lanes);
        for (size_t i = 0; i < grey.size(); ++i) {
            uint32_t blueRed = (two[i] & 0xFFFF) >> 8;
            uint32_t green = c.withAlpha ? blueRed : (one[i] & 0xFFFF) >> 8;
            uint32_t alpha = c.withAlpha ? two[i] >> 24 : grey[i] >> 24;
            ASSERT_EQ(got[i], alpha << 24 | blueRed << 16 | green << 8 | blueRed) << "member " << n << " at " << i;
        }
    }
}

TEST(BlurDirections, UnlockedAreasAreRefusedAndTinyRadiiChangeNothing)
{
    CImage never;
    CImNav none(&never, nullptr);
    for (auto member : {BlurNavColourHorizontal, BlurNavColourAlphaHorizontal, BlurNavColourVertical,
                        BlurNavColourAlphaVertical})
        EXPECT_EQ(member(none, 2.0f), 0);
    EXPECT_EQ(BlurNavVertical(none, 2.0f, 0), 0);
    EXPECT_EQ(BlurNavVertical(none, 0.0f, 0), 1) << "a radius below the threshold is checked first";
    EXPECT_EQ(BlurImageVertical(&never, 2.0f, 0), 0);
    EXPECT_EQ(BlurImageWordsVertical(&never, 2.0f), 0);
    EXPECT_EQ(BlurImageWordsVertical(&never, 0.0f), 1);
    EXPECT_EQ(BlurImageColourVertical(&never, 2.0f, nullptr), 0);

    Words words = Random(20, 3, 0xFFFFFFFF);
    for (auto member : {BlurImageColourHorizontal, BlurImageColourAlphaHorizontal, BlurImageColourVertical,
                        BlurImageColourAlphaVertical})
        EXPECT_EQ(Blurred([&](CImage* i) { return member(i, 1e-7f, nullptr); }, 5, 4, words), words);
}
