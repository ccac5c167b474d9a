#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/PartStretch.h"

#include <gtest/gtest.h>

namespace {

// Each source pixel names its own position, so every destination pixel tells where it came from.
void FillPositions(CImage& image)
{
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            nav.Row(y)[x] = 0xFF000000u | uint32_t(y << 8) | uint32_t(x);
}

CPixel At(CImage& image, int32_t x, int32_t y)
{
    CImNav nav(&image, nullptr);
    return nav.Row(y)[x];
}

} // namespace

TEST(PartStretch, NinePartKeepsCornersAndFillsEdgesAndCentre)
{
    CImage source(30, 30), destination(100, 50);
    FillPositions(source);
    ASSERT_EQ(StretchImageNinePart(&destination, &source, 0), eSuccess);
    EXPECT_EQ(At(destination, 0, 0), 0xFF000000u);
    EXPECT_EQ(At(destination, 9, 9), 0xFF000909u);
    EXPECT_EQ(At(destination, 99, 0), 0xFF00001Du) << "top-right corner copied from the source's corner";
    EXPECT_EQ(At(destination, 90, 49), 0xFF001D14u);
    EXPECT_EQ(At(destination, 0, 49), 0xFF001D00u);
    CPixel centre = At(destination, 50, 25);
    EXPECT_GE(centre & 0xFF, 10u);
    EXPECT_LT(centre & 0xFF, 20u);

    CImage smaller(12, 12);
    FillPositions(smaller);
    CImage before(12, 12);
    FillPositions(before);
    ASSERT_EQ(StretchImageNinePart(&smaller, &source, 0), eSuccess);
    EXPECT_EQ(At(smaller, 11, 11), 0xFF001D1Du);
    EXPECT_EQ(At(smaller, 5, 5), 0xFF000505u);
    EXPECT_EQ(At(smaller, 6, 6), 0xFF001818u) << "bottom-right corner starts at 24";
}

TEST(PartStretch, ThreePartTilesTheMiddleRows)
{
    CImage source(20, 9), destination(20, 100);
    FillPositions(source);
    ASSERT_EQ(StretchImageThreePart(&destination, &source, 0, 1), eSuccess);
    for (int32_t y = 0; y < 3; ++y)
        EXPECT_EQ(At(destination, 4, y), 0xFF000004u | uint32_t(y << 8));
    for (int32_t y = 3; y < 97; ++y)
        EXPECT_EQ(At(destination, 4, y), 0xFF000004u | uint32_t((3 + (y - 3) % 3) << 8)) << y;
    for (int32_t y = 97; y < 100; ++y)
        EXPECT_EQ(At(destination, 4, y), 0xFF000004u | uint32_t((y - 91) << 8));
}

TEST(PartStretch, HorizontalThreePartIntoATallerDestinationStretchesVertically)
{
    CImage source(9, 4), destination(30, 8);
    FillPositions(source);
    ASSERT_EQ(StretchImageThreePart(&destination, &source, 1, 0), eSuccess);
    EXPECT_EQ(At(destination, 0, 0) & 0xFF, 0u);
    EXPECT_EQ(At(destination, 29, 7), 0xFF000308u);
}

TEST(PartStretch, ReportsMissingAndUnlockableImages)
{
    CImage source(9, 9), destination(20, 20), never;
    EXPECT_EQ(StretchImageNinePart(nullptr, &source, 0), eBadParameter);
    EXPECT_EQ(StretchImageThreePart(&destination, nullptr, 0, 0), eBadParameter);
    EXPECT_EQ(StretchImageThreePart(&destination, &never, 0, 0), eCreateFailed);
    EXPECT_EQ(StretchImageNinePart(&destination, &never, 0), eBadParameter);
}
