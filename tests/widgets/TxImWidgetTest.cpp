#include "widgets/CTxImWidget.h"

#include "TinyFont.h"
#include "WidgetTestSupport.h"
#include "imaging/CImNav.h"
#include "resources/CText.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

namespace {

using Alerts = std::vector<std::string>;

class TxImWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeAlertDetails();
        AddTinyFont(context);
    }
    void TearDown() override
    {
        TakeAlertDetails();
        for (CResourcePool& pool : context.context.pools)
            pool.RemoveAll();
        ReleaseFontLibrary();
    }

    ScopedResourceContext context;
};

TEST_F(TxImWidgetTest, LabelIsDrawnCentredOverTheImage)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 40, 20);
    auto* widget = new CTxImWidget;
    widget->SetColour(0xFFFF0000u, false);
    ASSERT_EQ(widget->SetFontName(gCString(u"Tiny"), false, false), eSuccess);
    ASSERT_EQ(widget->SetFontPixelSize(8, false, false), eSuccess);
    AddAt(backdrop, widget, gCRect{0, 0, 24, 12});
    ASSERT_EQ(widget->SetText(gCString(u"I"), true, false), eSuccess);
    ASSERT_NE(widget->GetTextObject(), nullptr);
    // The renderer's line for "I" is 9 x 10: centred in 24 x 12 it starts at (7.5 rounded, 1).
    EXPECT_EQ(widget->GetLabel()->GetRect(), (gCRect{8, 1, 17, 11}));
    ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 40, 20}, true), eSuccess);

    CImNav window(backdrop.GetOffscreenImage(), nullptr);
    ASSERT_TRUE(window.IsLocked());
    // The column of 'I' is its glyph's fourth pixel: 8 + 3.
    EXPECT_EQ(window.Row(5)[11] & 0x00FFFFFFu, 0u) << "black text";
    EXPECT_EQ(window.Row(5)[10] & 0x00FFFFFFu, 0xFF0000u) << "the image beside the glyph";
    EXPECT_EQ(window.Row(0)[11] & 0x00FFFFFFu, 0xFF0000u) << "above the label";
    EXPECT_EQ(window.Row(5)[30] & 0x00FFFFFFu, 0u) << "the backdrop beyond the widget";
}

TEST_F(TxImWidgetTest, TheLabelIsTheOnlyChildAndIsNeverRemoved)
{
    CTxImWidget widget;
    CWidget stranger;
    EXPECT_EQ(widget.AddChild(&stranger, false), eBadParameter) << "refused, so its maker still owns it";
    ASSERT_EQ(widget.GetChildCount(), 1);
    EXPECT_EQ(widget.GetChild(0), widget.GetLabel());
    EXPECT_EQ(widget.RemoveChildAt(0, false), eBadParameter) << "a member cannot be deleted";
    EXPECT_EQ(widget.DetachChildAt(0, false), eBadParameter);
    EXPECT_EQ(widget.RemoveAllChildren(false), eBadParameter);
    widget.DeleteChildren();
    EXPECT_EQ(widget.GetChildCount(), 1);

    CTxImWidget loaded;
    CBytesStream stream(Block(Tag("fsiz") + F32(12.5f) + Tag("hier") + I32(1) + Text("Kid") + Tag("cowg") +
                              Tag("text") + Text("AB") + Tag("fjst") + Text("right")));
    ASSERT_EQ(loaded.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(loaded.GetChildCount(), 1) << "'hier' children are not made";
    EXPECT_EQ(loaded.GetFontPixelSize(), 13);
    gCString text;
    loaded.GetText(text);
    EXPECT_EQ(Utf8(text), "AB");
    EXPECT_EQ(loaded.GetLabel()->GetLayoutValues()->xCentre, 0u) << "'right' places the label at the far edge";
    EXPECT_EQ(loaded.GetLabel()->GetLayoutValues()->xFarSide, 1u);

    CTxImWidget negative;
    CBytesStream down(Block(Tag("fsiz") + F32(-12.5f)));
    ASSERT_EQ(negative.LoadWidgetDataBlock(&down), eSuccess);
    EXPECT_EQ(negative.GetFontPixelSize(), -13);
}

TEST_F(TxImWidgetTest, ForwardedSettersReachTheLabelAndFailuresAreReported)
{
    CTxImWidget widget;
    EXPECT_EQ(widget.SetTextListIndex(0, true, false), eBadParameter) << "no list";
    EXPECT_EQ(widget.NextTextListEntry(true, false), eBadParameter);
    ASSERT_EQ(widget.SetTextColour(0xFF00FF00u, false), eSuccess);
    uint32_t colour = 0;
    widget.GetTextColour(colour);
    EXPECT_EQ(colour, 0xFF00FF00u);
    ASSERT_EQ(widget.SetBold(true, false, false), eSuccess);
    EXPECT_TRUE(widget.GetLabel()->GetBold());
    auto* owned = new CText;
    owned->SetText(gCString(u"A"));
    ASSERT_EQ(widget.SetTextObject(owned, true, false), eSuccess);
    EXPECT_EQ(widget.GetTextObject(), owned);

    CTxImWidget missing;
    CBytesStream stream(Block(Tag("text") + Text("Hi") + Tag("txls") + Text("Nowhere")));
    EXPECT_EQ(missing.LoadWidgetDataBlock(&stream), eCreateFailed);
    Alerts alerts = TakeAlertDetails();
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts.back(), "TxImWidget text list failed.");

    CTxImWidget cut;
    CBytesStream truncated(Block(Tag("fbld") + std::string(2, '\0')));
    EXPECT_NE(cut.LoadWidgetDataBlock(&truncated), eSuccess);
    alerts = TakeAlertDetails();
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts[0], "TxWidget fbld.");
}

TEST_F(TxImWidgetTest, TextAndTextImageWidgetsReadTheFontStyleAndSizingChunksAlike)
{
    const std::string block = Tag("font") + Text("Tiny") + Tag("fpsz") + F32(9.0f) + Tag("fbld") + I32(1) +
                              Tag("fita") + I32(1) + Tag("fudl") + I32(1) + Tag("txsz") + I32(0) + Tag("text") +
                              Text("Hi");
    CTxWidget text;
    CBytesStream first(Block(block));
    ASSERT_EQ(text.LoadWidgetDataBlock(&first), eSuccess);
    CTxImWidget image;
    CBytesStream second(Block(block));
    ASSERT_EQ(image.LoadWidgetDataBlock(&second), eSuccess);
    for (CTxWidget* label : {&text, image.GetLabel()}) {
        EXPECT_EQ(Utf8(label->GetFontName()), "Tiny");
        EXPECT_EQ(label->GetFontPointSize(), 9.0f);
        EXPECT_TRUE(label->GetBold() && label->GetItalic() && label->GetUnderline());
        gCString shown;
        label->GetText(shown);
        EXPECT_EQ(Utf8(shown), "Hi");
    }
    EXPECT_FALSE(text.GetSizeToText());
    EXPECT_FALSE(image.GetSizeToText());
}

} // namespace
