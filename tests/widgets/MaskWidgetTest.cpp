#include "widgets/CMaskWidget.h"
#include "widgets/WidgetFactory.h"

#include "WidgetTestSupport.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"

#include <gtest/gtest.h>

namespace {

uint8_t ByteAt(CImage8* mask, int32_t x, int32_t y)
{
    gCRect area{x, y, x + 1, y + 1};
    CImNav8 nav(mask, &area);
    return nav.Row(0)[0];
}

CImage8* FilledMask(int32_t width, int32_t height, uint8_t value)
{
    auto* mask = new CImage8(width, height);
    CImNav8 nav(mask, nullptr);
    nav.Fill(value);
    return mask;
}

TEST(MaskWidget, NewMaskTakesTheColoursAlpha)
{
    CMaskWidget widget;
    widget.SetColour(0x40FFFFFFu, false);
    ASSERT_EQ(widget.SetSize(10, 10, false), eSuccess);
    ASSERT_NE(widget.GetImage(), nullptr);
    EXPECT_EQ(ByteAt(widget.GetImage(), 0, 0), 0x40);
    EXPECT_EQ(ByteAt(widget.GetImage(), 9, 9), 0x40);
}

// Painted over a black backdrop at full widget alpha: what the colour through each mask byte gives.
TEST(MaskWidget, PaintScalesTheColourByTheMask)
{
    struct sCase {
        uint32_t colour;
        uint8_t maskByte;
        bool opaqueBlit;
        CPixel want;
        int tolerance;
    };
    const sCase cases[] = {
        {0xFFFF0000u, 255, false, 0xFFFF0000u, 0},
        {0xFFFF0000u, 0, false, 0xFF000000u, 0},     // nothing painted
        {0x80FF0000u, 255, false, 0xFF800000u, 1},   // the colour's own half alpha
        {0xFF00FF00u, 0, true, 0xFF00FF00u, 0},      // opaque blit ignores the mask
    };
    for (const sCase& c : cases) {
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 10, 10);
        auto* widget = AddAt(backdrop, new CMaskWidget, gCRect{2, 2, 6, 6});
        widget->SetColour(c.colour, false);
        ASSERT_EQ(widget->SetImage(FilledMask(4, 4, c.maskByte), false, false), eSuccess);
        widget->SetOpaqueBlit(c.opaqueBlit);
        backdrop.RedrawAll(false);
        ASSERT_EQ(backdrop.Update(), eSuccess);
        CPixel got = backdrop.GetImagePixel({3, 3});
        for (int shift = 0; shift < 32; shift += 8)
            EXPECT_NEAR(int((got >> shift) & 255), int((c.want >> shift) & 255), c.tolerance)
                << std::hex << c.colour << " byte " << int(c.maskByte) << " got " << got;
        EXPECT_EQ(backdrop.GetImagePixel({7, 7}), 0xFF000000u);
    }
}

TEST(MaskWidget, HitTestFollowsTheMaskBytes)
{
    CMaskWidget widget;
    CImage8* mask = FilledMask(4, 4, 0);
    {
        gCRect area{1, 1, 2, 2};
        CImNav8 nav(mask, &area);
        nav.Row(0)[0] = 200;
    }
    ASSERT_EQ(widget.SetImage(mask, true, false), eSuccess);
    widget.SetOpacityThreshold(100);
    EXPECT_TRUE(widget.HitTest({1, 1}));
    EXPECT_FALSE(widget.HitTest({0, 0}));
    EXPECT_FALSE(widget.HitTest({4, 1}));
    ASSERT_EQ(widget.CompressImage(), eSuccess);
    EXPECT_TRUE(widget.HitTest({1, 1})) << "read from the run-length form";
    EXPECT_FALSE(widget.HitTest({2, 1}));
}

TEST(MaskWidget, BlockTagsAndFactoryRow)
{
    CMaskWidget widget;
    CBytesStream stream(Block(Tag("colr") + I32(0x20FFFFFF) + Tag("imcm") + I32(1)));
    ASSERT_EQ(widget.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(widget.GetColour(), 0x20FFFFFFu);
    const sWidgetFactoryEntry* entry = FindWidgetFactoryEntry(FourCC("mkwg"));
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->failure, "Widget Constructor maskwidget create failed.");
    TakeAlertDetails();
}

} // namespace
