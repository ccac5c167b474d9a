#include "widgets/CShadWidget.h"

#include "WidgetTestSupport.h"
#include "imaging/CImNav.h"
#include "imaging/PixelCompositing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class ShadWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeAlertDetails();
        gBlendPixelHook = StoreBlendSource;
    }
    void TearDown() override
    {
        gBlendPixelHook = BlendPixelRoutine;
        TakeAlertDetails();
    }

    static float G(float x) { return std::exp(-0.5f * x * x); }

    ScopedResourceContext context;
};

TEST_F(ShadWidgetTest, DefaultShadowFadesDownToTheBottomRowAndIsEqualAcrossEachRow)
{
    CShadWidget widget;
    widget.SetColour(0xFF123456u, false);
    ASSERT_EQ(widget.SetSize(6, 12, false), eSuccess);
    CImage target(6, 12, 0);
    ASSERT_EQ(widget.Paint(gCRect{-5, -5, 50, 50}, &target, 255), eSuccess) << "the area is clamped to the rect";
    CImNav nav(&target, nullptr);
    EXPECT_EQ(nav.Row(0)[0], 0xFF123456u);
    // The last row's factor is g(3.5) = 0.0022, and 255 x 0.0022 rounds to 1.
    EXPECT_EQ(nav.Row(11)[3], 0x01123456u);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 1; x < 6; ++x)
            ASSERT_EQ(nav.Row(y)[x], nav.Row(y)[0]) << x << "," << y;
    EXPECT_GT(nav.Row(5)[0] >> 24, nav.Row(6)[0] >> 24);
}

TEST_F(ShadWidgetTest, RadiusGivesABandOfThreeAndAHalfRadiiAtEachChosenSide)
{
    // Radius 2 on 20 rows: n = 7, t = 0.5, a band of 7 rows at the bottom.
    CShadWidget bottom;
    ASSERT_EQ(bottom.SetRadius(2.0f, false), eSuccess);
    ASSERT_EQ(bottom.SetSize(3, 20, false), eSuccess);
    ASSERT_EQ(bottom.BuildProfiles(), eSuccess);
    const float* rows = bottom.GetVerticalProfile();
    EXPECT_EQ(rows[0], 1.0f);
    EXPECT_EQ(rows[13], 1.0f);
    EXPECT_FLOAT_EQ(rows[14], G(0.5f));
    EXPECT_FLOAT_EQ(rows[19], G(3.0f));
    EXPECT_EQ(bottom.GetHorizontalProfile()[0], 1.0f) << "no side across the width";

    // Left and right with radius 10 on 30 columns: the band is cut to 15 on each side.
    CShadWidget both;
    ASSERT_EQ(both.SetSides(CShadWidget::kLeft | CShadWidget::kRight, false), eSuccess);
    ASSERT_EQ(both.SetRadius(10.0f, false), eSuccess);
    ASSERT_EQ(both.SetSize(30, 2, false), eSuccess);
    ASSERT_EQ(both.BuildProfiles(), eSuccess);
    const float* columns = both.GetHorizontalProfile();
    for (int32_t i = 0; i < 15; ++i)
        EXPECT_EQ(columns[i], columns[29 - i]) << i;
    EXPECT_EQ(columns[14], 1.0f);
    EXPECT_LT(columns[13], 1.0f);
    EXPECT_FLOAT_EQ(columns[0], G(14.0f * 0.1f));

    // Radius 0 is a plain fill; setting a radius again marks the profiles stale.
    CShadWidget plain;
    ASSERT_EQ(plain.SetRadius(0.0f, false), eSuccess);
    ASSERT_EQ(plain.SetSize(4, 4, false), eSuccess);
    ASSERT_EQ(plain.BuildProfiles(), eSuccess);
    EXPECT_EQ(plain.GetVerticalProfile()[3], 1.0f);
    ASSERT_EQ(plain.SetRadius(0.0f, false), eSuccess);
    EXPECT_TRUE(plain.AreProfilesStale());
}

TEST_F(ShadWidgetTest, BlockSidesAndOutOfRangeRadiiGiveFiniteProfilesOrARefusal)
{
    CShadWidget widget;
    CBytesStream stream(Block(Tag("swsb") + I32(0) + Tag("swst") + I32(1) + Tag("swsr") + I32(7) + Tag("swrd") + F32(1.0e30f)));
    ASSERT_EQ(widget.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(widget.GetSides(), uint32_t(CShadWidget::kTop));
    ASSERT_EQ(widget.SetSize(5, 9, false), eSuccess);
    ASSERT_EQ(widget.BuildProfiles(), eSuccess);
    // A huge radius makes the band the whole height with a step near 0: every factor near 1.
    for (int32_t i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(widget.GetVerticalProfile()[i], 1.0f) << i;

    // A one-row widget fading over its whole extent keeps its full value.
    CShadWidget thin;
    ASSERT_EQ(thin.SetSize(4, 1, false), eSuccess);
    ASSERT_EQ(thin.BuildProfiles(), eSuccess);
    EXPECT_EQ(thin.GetVerticalProfile()[0], 1.0f);

    CShadWidget refused;
    CBytesStream bad(Block(Tag("swrd") + F32(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_EQ(refused.LoadWidgetDataBlock(&bad), eBadParameter);
    EXPECT_EQ(TakeAlertDetails()[0], "ShadWidget swrd.");

    // Profiles for a widget far beyond the checked size are refused, not allocated.
    CShadWidget huge;
    ASSERT_EQ(huge.SetSize(1 << 20, 1 << 20, false), eSuccess);
    CImage target(2, 2, 0);
    EXPECT_EQ(huge.Paint(gCRect{0, 0, 2, 2}, &target, 255), eNoMemory);
}

} // namespace
