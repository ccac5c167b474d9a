#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImLocker.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"

#include <gtest/gtest.h>

struct sClipCase {
    const char* name;
    gCPoint origin;
    gCRect area;
    gCRect clipped;
};

TEST(Navigator, ClipsAreasToTheImage)
{
    const sClipCase cases[] = {
        {"inside", {0, 0}, {1, 2, 5, 6}, {1, 2, 5, 6}},
        {"partly outside", {0, 0}, {-3, -2, 4, 30}, {0, 0, 4, 10}},
        {"wholly left", {0, 0}, {-10, 0, -5, 4}, {0, 0, 0, 0}},
        {"wholly below", {0, 0}, {0, 12, 5, 15}, {0, 0, 0, 0}},
        {"zero width", {0, 0}, {2, 2, 2, 5}, {2, 2, 2, 5}},
        {"origin shifts", {10, 5}, {0, 0, 4, 4}, {10, 5, 14, 9}},
        {"origin pushes out", {30, 0}, {0, 0, 4, 4}, {0, 0, 0, 0}},
        {"far off area does not wrap", {0, 0}, {INT32_MAX - 1, 0, INT32_MAX, 4}, {0, 0, 0, 0}},
    };
    for (const sClipCase& c : cases) {
        CImage image(20, 10);
        image.SetOrigin(c.origin);
        CImNav nav(&image, &c.area);
        ASSERT_TRUE(nav.IsLocked()) << c.name;
        EXPECT_EQ(nav.GetArea(), c.clipped) << c.name;
        EXPECT_EQ(nav.GetWidth(), c.clipped.right - c.clipped.left) << c.name;
        EXPECT_EQ(nav.GetHeight(), c.clipped.bottom - c.clipped.top) << c.name;
    }
}

TEST(Navigator, AddressesTheShiftedAreaAndTheWholeBufferWithoutArea)
{
    CImage image(20, 10);
    image.SetOrigin({10, 5});
    gCRect area{0, 0, 4, 4};
    {
        CImNav nav(&image, &area);
        CPixel colour = 0xFF00FF00;
        nav.Fill(&colour);
    }
    CImNav whole(&image, nullptr);
    ASSERT_EQ(whole.GetWidth(), 20);
    ASSERT_EQ(whole.GetHeight(), 10);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            bool inside = x >= 10 && x < 14 && y >= 5 && y < 9;
            EXPECT_EQ(whole.Row(y)[x], inside ? 0xFF00FF00u : 0u) << x << "," << y;
        }
}

TEST(Navigator, DoesNotLockMissingOrEmptyImages)
{
    CImNav none(nullptr, nullptr);
    EXPECT_FALSE(none.IsLocked());
    CImage empty;
    CImNav uncreated(&empty, nullptr);
    EXPECT_FALSE(uncreated.IsLocked());
    EXPECT_EQ(uncreated.GetImage(), nullptr);
}

TEST(Navigator, UnlockReleasesEarlyAndTwoNavigatorsCoexist)
{
    CImage image(4, 4);
    CImNav first(&image, nullptr);
    CImNav second(&image, nullptr);
    EXPECT_TRUE(first.IsLocked());
    EXPECT_TRUE(second.IsLocked());
    first.Unlock();
    EXPECT_FALSE(first.IsLocked());
    EXPECT_EQ(first.GetFirstPixel(), nullptr);
    EXPECT_TRUE(second.IsLocked());
}

TEST(Navigator, HasTransparencyLooksOnlyInsideTheArea)
{
    CImage image(4, 4);
    {
        CImNav nav(&image, nullptr);
        CPixel opaque = 0xFF102030;
        nav.Fill(&opaque);
        nav.Row(3)[3] = 0xFE102030;
    }
    gCRect empty{1, 1, 1, 3};
    EXPECT_EQ(CImNav(&image, &empty).HasTransparency(), 0);
    gCRect top{0, 0, 4, 3};
    EXPECT_EQ(CImNav(&image, &top).HasTransparency(), 0);
    gCRect corner{3, 3, 4, 4};
    EXPECT_EQ(CImNav(&image, &corner).HasTransparency(), 1);
}

TEST(Navigator, EightBitFillStaysInsideAlignedRows)
{
    CImage8 image;
    ASSERT_EQ(image.CreateAligned(5, 3), eSuccess);
    gCRect area{1, 1, 4, 3};
    {
        CImNav8 nav(&image, &area);
        ASSERT_TRUE(nav.IsLocked());
        EXPECT_EQ(nav.GetRowStride(), 8);
        nav.Fill(7);
    }
    CImLocker locker(&image);
    ASSERT_TRUE(locker.IsLocked());
    const uint8_t* bytes = static_cast<const uint8_t*>(locker.GetPixels());
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            bool inside = x >= 1 && x < 4 && y >= 1;
            EXPECT_EQ(bytes[y * 8 + x], inside ? 7 : 0) << x << "," << y;
        }
}
