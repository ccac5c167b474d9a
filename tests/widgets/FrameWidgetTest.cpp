#include "widgets/CFrameWidget.h"

#include "WidgetTestSupport.h"
#include "imaging/CImNav.h"
#include "imaging/PixelCompositing.h"

#include <gtest/gtest.h>

namespace {

int64_t Area(const CRegion& region)
{
    int64_t area = 0;
    for (int32_t i = 0; i < region.GetCount(); ++i) {
        const gCRect& r = region.GetRect(i);
        area += int64_t(r.right - r.left) * (r.bottom - r.top);
    }
    return area;
}

class FrameWidgetTest : public ::testing::Test {
protected:
    void SetUp() override { TakeAlertDetails(); }
    void TearDown() override { TakeAlertDetails(); }
    ScopedResourceContext context;
};

TEST_F(FrameWidgetTest, BorderRectsPaintTheFrameColourAroundTheFill)
{
    CFrameWidget widget;
    widget.SetColour(0xFFFFFFFFu, false);
    ASSERT_EQ(widget.SetFrameColour(0xFFFF0000u, false), eSuccess);
    ASSERT_EQ(widget.SetSize(12, 9, false), eSuccess);
    ASSERT_EQ(widget.OnRectChanged(), eSuccess);
    EXPECT_EQ(Area(widget.GetFillRegion()), 12 * 9);
    // A two-pixel border in four pieces, the top one reaching beyond the rect.
    for (gCRect r : {gCRect{-4, -4, 12, 2}, gCRect{0, 7, 12, 9}, gCRect{0, 2, 2, 7}, gCRect{10, 2, 12, 7}})
        ASSERT_EQ(widget.AddFrameRect(r, false), eSuccess);
    EXPECT_EQ(Area(widget.GetFillRegion()), 8 * 5);

    CImage target(14, 11, 0);
    ASSERT_EQ(widget.Paint(gCRect{-1, -1, 13, 10}, &target, 255), eSuccess);
    CImNav nav(&target, nullptr);
    // Corners, edges and centre of the frame; nothing outside the widget's own rect.
    struct sCase {
        int32_t x, y;
        CPixel expected;
    };
    for (sCase c : {sCase{0, 0, 0xFFFF0000u}, sCase{6, 0, 0xFFFF0000u}, sCase{11, 0, 0xFFFF0000u},
                    sCase{0, 4, 0xFFFF0000u}, sCase{6, 4, 0xFFFFFFFFu}, sCase{11, 4, 0xFFFF0000u},
                    sCase{0, 8, 0xFFFF0000u}, sCase{6, 8, 0xFFFF0000u}, sCase{11, 8, 0xFFFF0000u},
                    sCase{2, 2, 0xFFFFFFFFu}, sCase{12, 0, 0u}, sCase{0, 9, 0u}})
        EXPECT_EQ(nav.Row(c.y)[c.x], c.expected) << c.x << "," << c.y;

    ASSERT_EQ(widget.RemoveFrameRect(gCRect{10, 2, 12, 7}, false), eSuccess);
    ASSERT_EQ(widget.AddFrameRect(gCRect{10, 2, 12, 7}, false), eSuccess);
    EXPECT_EQ(Area(widget.GetFillRegion()), 8 * 5) << "add after remove leaves the fill's area";
}

TEST_F(FrameWidgetTest, ResizingForgetsOrKeepsTheFrameByTheFlag)
{
    for (bool clear : {true, false}) {
        CFrameWidget widget;
        widget.SetClearFrameOnResize(clear);
        ASSERT_EQ(widget.SetSize(10, 10, false), eSuccess);
        ASSERT_EQ(widget.OnRectChanged(), eSuccess);
        ASSERT_EQ(widget.AddFrameRect(gCRect{0, 0, 10, 3}, false), eSuccess);
        ASSERT_EQ(widget.SetSize(10, 20, false), eSuccess);
        ASSERT_EQ(widget.OnRectChanged(), eSuccess);
        EXPECT_EQ(Area(widget.GetFrameRegion()), clear ? 0 : 30);
        EXPECT_EQ(Area(widget.GetFillRegion()), clear ? 200 : 170);
    }

    CFrameWidget widget;
    ASSERT_EQ(widget.SetSize(4, 4, false), eSuccess);
    ASSERT_EQ(widget.AddFrameRect(gCRect{1, 1, 3, 3}, false), eSuccess);
    ASSERT_EQ(widget.ClearFrame(false), eSuccess);
    EXPECT_EQ(Area(widget.GetFillRegion()), 16);
    EXPECT_EQ(widget.GetFrameRegion().GetCount(), 0);
}

TEST_F(FrameWidgetTest, FrameColourComesFromTheBlockAndIsScaledByTheAlpha)
{
    CFrameWidget widget;
    CBytesStream stream(Block(Tag("frcl") + I32(int32_t(0xFF0000FFu)) + Tag("colr") + I32(0)));
    ASSERT_EQ(widget.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(widget.GetFrameColour(), 0xFF0000FFu);
    ASSERT_EQ(widget.SetSize(2, 1, false), eSuccess);
    ASSERT_EQ(widget.AddFrameRect(gCRect{0, 0, 1, 1}, false), eSuccess);
    CImage target(2, 1, 0);
    gBlendPixelHook = StoreBlendSource;
    const eResultCode painted = widget.Paint(gCRect{0, 0, 2, 1}, &target, 127);
    gBlendPixelHook = BlendPixelRoutine;
    ASSERT_EQ(painted, eSuccess);
    CImNav nav(&target, nullptr);
    EXPECT_EQ(nav.Row(0)[0] >> 24, 0x7Fu) << "(0xFF0000 x 128) >> 24";
    EXPECT_EQ(nav.Row(0)[1], 0u) << "the transparent fill";

    CFrameWidget cut;
    CBytesStream truncated(Block(Tag("frcl") + std::string(2, '\0')));
    EXPECT_NE(cut.LoadWidgetDataBlock(&truncated), eSuccess);
    EXPECT_EQ(TakeAlertDetails()[0], "FrameWidget frcl.");
}

} // namespace
