#include "widgets/CRoRectWidget.h"

#include "WidgetTestSupport.h"
#include "imaging/CImNav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Alerts = std::vector<std::string>;

class RoRectWidgetTest : public ::testing::Test {
protected:
    void SetUp() override { TakeAlertDetails(); }
    void TearDown() override { TakeAlertDetails(); }

    static CPixel At(CRoRectWidget& widget, int32_t x, int32_t y)
    {
        EXPECT_EQ(widget.DecompressImage(), eSuccess);
        gCRect area{x, y, x + 1, y + 1};
        CImNav nav(widget.GetImage(), &area);
        return nav.IsLocked() && nav.GetWidth() == 1 ? nav.Row(0)[0] : 0xDEADBEEFu;
    }

    ScopedResourceContext context;
};

// White fill, radius 20. Pixel (3, 8) lies sqrt(17^2 + 12^2) = 20.81 from the corner centre
// (20, 20): round(255 x (21 - 20.81)) = 49 and (0xFFFFFF x 50) >> 24 = 49 gives its alpha.
TEST_F(RoRectWidgetTest, CornersAreClearedBeyondRadiusPlusOneAndFadeBetween)
{
    CRoRectWidget widget;
    ASSERT_EQ(widget.SetSize(60, 50, false), eSuccess);
    ASSERT_NE(widget.GetImage(), nullptr);
    EXPECT_TRUE(widget.IsImageCompressed()) << "a rounded picture takes its run-length form";
    struct sCase {
        int32_t x, y;
        CPixel expected;
    };
    for (sCase c : {sCase{0, 0, 0u}, sCase{2, 8, 0u}, sCase{3, 8, 0x31FFFFFFu}, sCase{4, 8, 0xFFFFFFFFu},
                    sCase{56, 8, 0x31FFFFFFu}, sCase{3, 41, 0x31FFFFFFu}, sCase{56, 41, 0x31FFFFFFu},
                    sCase{59, 49, 0u}, sCase{0, 25, 0xFFFFFFFFu}, sCase{30, 0, 0xFFFFFFFFu}})
        EXPECT_EQ(At(widget, c.x, c.y), c.expected) << c.x << "," << c.y;

    ASSERT_EQ(widget.SetCorners(CRoRectWidget::kTopRight, true, false), eSuccess);
    EXPECT_EQ(At(widget, 0, 0), 0xFFFFFFFFu) << "top-left stays square";
    EXPECT_EQ(At(widget, 59, 0), 0u);
    EXPECT_EQ(At(widget, 59, 49), 0xFFFFFFFFu);
}

// Border 2.5 on 40 x 20: the half-covered rows and columns mix white and black at 128, which
// by the alpha-weighted mix gives 0x7E per channel.
TEST_F(RoRectWidgetTest, FractionalBorderAndTitleBandAreMixedIntoTheirLastRow)
{
    CRoRectWidget widget;
    ASSERT_EQ(widget.SetRadius(0.0f, false, false), eSuccess);
    ASSERT_EQ(widget.SetBorderWidth(2.5f, false, false), eSuccess);
    ASSERT_EQ(widget.SetSize(40, 20, false), eSuccess);
    EXPECT_FALSE(widget.IsImageCompressed()) << "square pictures stay plain";
    const CPixel half = 0xFF7E7E7Eu;
    for (int32_t y : {0, 1, 18, 19})
        EXPECT_EQ(At(widget, 20, y), 0xFF000000u) << "row " << y;
    EXPECT_EQ(At(widget, 20, 2), half);
    EXPECT_EQ(At(widget, 20, 17), half);
    for (int32_t x : {0, 1, 38, 39})
        EXPECT_EQ(At(widget, x, 10), 0xFF000000u) << "column " << x;
    EXPECT_EQ(At(widget, 2, 10), half);
    EXPECT_EQ(At(widget, 37, 10), half);
    EXPECT_EQ(At(widget, 20, 10), 0xFFFFFFFFu);
    const CPixel corner = At(widget, 2, 2);
    EXPECT_LT(corner & 0xFF, 0x7Eu) << "the band's mix is mixed again by the side";
    EXPECT_EQ(At(widget, 37, 2), corner);

    ASSERT_EQ(widget.SetTitleBarHeight(5.5f, true, false), eSuccess);
    EXPECT_EQ(At(widget, 20, 4), 0xFF000000u);
    EXPECT_EQ(At(widget, 20, 5), half);
    EXPECT_EQ(At(widget, 20, 6), 0xFFFFFFFFu);
}

// Radius 10, border 3 and a title band of 6.5 on 40 x 30 (white fill, black border). A corner
// pixel at distance d from its centre (10, 10) takes: below 7 the band colour of its row (black
// above row 6, half on it, white below; the bottom corners have no band), from 7 to 8 the border
// mixed into that colour by d - 7, up to 10 the border, up to 11 the border faded, then nothing.
// The top-right corner is not selected and stays square. Sides 2.5 wide on a 5-wide picture
// meet: the middle column keeps the fill.
TEST_F(RoRectWidgetTest, ABorderRingsTheCornersAndTheTitleBandFillsTheirInside)
{
    CRoRectWidget widget;
    EXPECT_EQ(widget.FillImage(), eSuccess) << "no picture, nothing to fill";
    ASSERT_EQ(widget.SetRadius(10.0f, false, false), eSuccess);
    ASSERT_EQ(widget.SetBorderWidth(3.0f, false, false), eSuccess);
    ASSERT_EQ(widget.SetTitleBarHeight(6.5f, false, false), eSuccess);
    ASSERT_EQ(widget.RemoveCorners(CRoRectWidget::kTopRight, false, false), eSuccess);
    ASSERT_EQ(widget.SetSize(40, 30, false), eSuccess);
    const CPixel white = 0xFFFFFFFFu, black = 0xFF000000u, half = 0xFF7E7E7Eu;
    struct sCase {
        int32_t x, y;
        CPixel expected;
    };
    for (sCase c : {sCase{3, 10, white}, sCase{2, 10, black}, sCase{8, 5, black}, sCase{8, 6, half},
                    sCase{8, 8, white}, sCase{8, 23, white},
                    // d = 7.21: 255 - round(255 x 0.21) = 201 of the half row, or of white below.
                    sCase{4, 6, 0xFF636363u}, sCase{35, 6, half}, sCase{4, 23, 0xFFC9C9C9u},
                    // d = 10.63: alpha round(255 x 0.37) = 94, and (0xFFFFFF x 95) >> 24 = 0x5E.
                    sCase{2, 3, 0x5E000000u}, sCase{37, 26, 0x5E000000u}, sCase{0, 0, 0u}})
        EXPECT_EQ(At(widget, c.x, c.y), c.expected) << c.x << "," << c.y;
    ASSERT_EQ(widget.SetCorners(0, true, false), eSuccess);
    EXPECT_EQ(At(widget, 0, 0), black) << "no corner selected: all square";

    CRoRectWidget narrow;
    ASSERT_EQ(narrow.SetRadius(0.0f, false, false), eSuccess);
    ASSERT_EQ(narrow.SetBorderWidth(2.5f, false, false), eSuccess);
    ASSERT_EQ(narrow.SetSize(5, 20, false), eSuccess);
    for (sCase c : {sCase{1, 10, black}, sCase{3, 10, black}, sCase{2, 10, white}, sCase{2, 2, half},
                    sCase{2, 17, half}, sCase{2, 18, black}})
        EXPECT_EQ(At(narrow, c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(RoRectWidgetTest, PropertiesWithoutRebuildWaitForTheNextSizeChange)
{
    CRoRectWidget widget;
    ASSERT_EQ(widget.SetSize(50, 50, false), eSuccess);
    ASSERT_EQ(widget.SetRadius(0.0f, false, false), eSuccess);
    EXPECT_EQ(At(widget, 0, 0), 0u);
    ASSERT_EQ(widget.SetSize(50, 40, false), eSuccess);
    EXPECT_EQ(At(widget, 0, 0), 0xFFFFFFFFu);
    ASSERT_EQ(widget.SetFillColour(0xFF102030u, true, false), eSuccess);
    EXPECT_EQ(At(widget, 0, 0), 0xFF102030u) << "a rebuild repaints at once";
    // The image setters never replace the generated picture.
    CImage other(4, 4, 0);
    EXPECT_EQ(widget.SetImage(&other, true, false), eSuccess);
    EXPECT_NE(widget.GetImage(), &other);
}

TEST_F(RoRectWidgetTest, BlockTagsSetTheCornersAndRefuseValuesWithoutAPicture)
{
    CRoRectWidget widget;
    CBytesStream stream(Block(Tag("rctl") + I32(0) + Tag("rcbr") + I32(2) + Tag("rctr") + I32(1) +
                              Tag("rbcl") + I32(int32_t(0xFF00FF00u)) + Tag("rrad") + F32(8.0f)));
    ASSERT_EQ(widget.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(widget.GetCorners(), uint32_t(CRoRectWidget::kTopRight | CRoRectWidget::kBottomLeft));
    EXPECT_EQ(widget.GetBorderColour(), 0xFF00FF00u);
    EXPECT_EQ(widget.GetRadius(), 8.0f);
    EXPECT_EQ(widget.GetImage(), nullptr) << "the picture waits for the first size";

    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const char* tag : {"rrad", "rbwd", "rtbh"}) {
        CRoRectWidget refused;
        const char code[5] = {tag[0], tag[1], tag[2], tag[3], 0};
        CBytesStream bad(Block(I32(int32_t(FourCC(reinterpret_cast<const char(&)[5]>(code)))) + F32(nan)));
        EXPECT_NE(refused.LoadWidgetDataBlock(&bad), eSuccess) << tag;
        Alerts alerts = TakeAlertDetails();
        ASSERT_FALSE(alerts.empty());
        EXPECT_EQ(alerts[0], std::string("RoRectWidget ") + tag + ".");
    }
}

TEST_F(RoRectWidgetTest, OutOfRangeSizesPaintInsideTheImageOrAreRefused)
{
    // A border wider than the image leaves nothing but border; huge and negative radii and
    // an endless title band stay finite.
    struct sCase {
        float radius, border, title;
        CPixel centre, corner;
    };
    const float inf = std::numeric_limits<float>::infinity();
    for (sCase c : {sCase{20.0f, 1.0e30f, 0.0f, 0xFF000000u, 0u}, sCase{-5.0f, 0.0f, 0.0f, 0xFFFFFFFFu, 0xFFFFFFFFu},
                    sCase{1.0e30f, 0.0f, 0.0f, 0xFFFFFFFFu, 0u}, sCase{inf, -inf, inf, 0xFF000000u, 0u},
                    sCase{3.0f, 20.0f, 0.0f, 0xFF000000u, 0u}}) {
        CRoRectWidget widget;
        ASSERT_EQ(widget.SetRadius(c.radius, false, false), eSuccess);
        ASSERT_EQ(widget.SetBorderWidth(c.border, false, false), eSuccess);
        ASSERT_EQ(widget.SetTitleBarHeight(c.title, false, false), eSuccess);
        ASSERT_EQ(widget.SetSize(7, 5, false), eSuccess);
        EXPECT_EQ(At(widget, 3, 2), c.centre) << c.radius << " " << c.border << " " << c.title;
        EXPECT_EQ(At(widget, 0, 0), c.corner) << c.radius << " " << c.border << " " << c.title;
    }

    CBackdrop root;
    auto* huge = new CRoRectWidget;
    CBytesStream stream(Block(Tag("xsiz") + F32(1.0e9f) + Tag("ysiz") + F32(1.0e9f)));
    ASSERT_EQ(huge->LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(root.AddChild(huge, false), eNoMemory) << "a picture beyond the checked size is refused";
    EXPECT_EQ(root.GetChildCount(), 0);
    delete huge;
}

} // namespace
