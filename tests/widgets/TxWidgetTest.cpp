#include "widgets/CTxWidget.h"
#include "widgets/WidgetFactory.h"

#include "TinyFont.h"
#include "WidgetTestSupport.h"
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"
#include "resources/CText.h"
#include "resources/CTextList.h"
#include "support/TempFolder.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Alerts = std::vector<std::string>;

class TxWidgetTest : public ::testing::Test {
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

    static void UseTiny(CTxWidget& widget)
    {
        ASSERT_EQ(widget.SetFontName(gCString(u"Tiny"), false, false), eSuccess);
        ASSERT_EQ(widget.SetFontPixelSize(8, false, false), eSuccess);
    }

    static uint8_t MaskAt(CTxWidget& widget, int32_t x, int32_t y)
    {
        gCRect area{x, y, x + 1, y + 1};
        CImNav8 nav(widget.GetImage(), &area);
        return nav.IsLocked() && nav.GetWidth() == 1 ? nav.Row(0)[0] : 0;
    }

    ScopedResourceContext context;
};

TEST_F(TxWidgetTest, SizesItselfToItsTextAndGrowsWithIt)
{
    CTxWidget widget;
    UseTiny(widget);
    ASSERT_EQ(widget.SetText(gCString(u"AB"), true, false), eSuccess);
    const int32_t twoWide = widget.GetWidth();
    EXPECT_EQ(twoWide, widget.GetTextRenderer()->GetTextWidth(gCString(u"AB")));
    EXPECT_GE(widget.GetHeight(), 8);
    EXPECT_EQ(widget.GetImage()->GetWidth(), twoWide);
    EXPECT_GT(MaskAt(widget, 0, 0), 0) << "the box of 'A' starts at the top left";
    EXPECT_EQ(MaskAt(widget, 3, 3), 0) << "inside the box";
    ASSERT_EQ(widget.SetText(gCString(u"ABAB"), true, false), eSuccess);
    EXPECT_EQ(widget.GetWidth(), widget.GetTextRenderer()->GetTextWidth(gCString(u"ABAB")));
    EXPECT_GT(widget.GetWidth(), twoWide);

    CTxWidget fixed;
    UseTiny(fixed);
    fixed.SetSizeToText(false);
    ASSERT_EQ(fixed.SetSize(40, 10, false), eSuccess);
    ASSERT_EQ(fixed.SetText(gCString(u"ABABABAB"), true, false), eSuccess);
    EXPECT_EQ(fixed.GetRect(), (gCRect{0, 0, 40, 10})) << "the widget keeps its size";
    EXPECT_EQ(fixed.GetImage()->GetWidth(), 40);
}

TEST_F(TxWidgetTest, JustificationPlacesTheLineAcrossAFixedMask)
{
    CTxWidget measure;
    UseTiny(measure);
    const int32_t spare = 32 - measure.GetTextRenderer()->GetTextWidth(gCString(u"A"));
    struct sCase {
        int32_t justification;
        int32_t firstInk;
    };
    for (sCase c : {sCase{0, 0}, sCase{1, spare}, sCase{2, spare / 2}}) {
        CTxWidget widget;
        UseTiny(widget);
        widget.SetSizeToText(false);
        ASSERT_EQ(widget.SetSize(32, 8, false), eSuccess);
        ASSERT_EQ(widget.SetJustification(c.justification, false, false), eSuccess);
        ASSERT_EQ(widget.SetText(gCString(u"A"), true, false), eSuccess);
        int32_t first = -1;
        for (int32_t x = 0; x < 32 && first < 0; ++x)
            if (MaskAt(widget, x, 0))
                first = x;
        EXPECT_EQ(first, c.firstInk) << "justification " << c.justification;
    }
}

TEST_F(TxWidgetTest, QuarterTurnsSwapTheSizeAndTurnTheGlyphs)
{
    // 'B' fills the left half of its cell: columns 0-3 of rows 0-7.
    CTxWidget plain;
    UseTiny(plain);
    ASSERT_EQ(plain.SetText(gCString(u"B"), true, false), eSuccess);
    const gCPoint size = plain.GetRect().GetSize();
    for (int32_t rotation : {1, 2, 3}) {
        CTxWidget widget;
        UseTiny(widget);
        ASSERT_EQ(widget.SetRotation(rotation, false, false), eSuccess);
        ASSERT_EQ(widget.SetText(gCString(u"B"), true, false), eSuccess);
        const gCPoint turned = widget.GetRect().GetSize();
        if (rotation == 2)
            EXPECT_EQ(turned, size);
        else
            EXPECT_EQ(turned, (gCPoint{size.y, size.x})) << "rotation " << rotation;
        const int32_t w = widget.GetWidth();
        const int32_t h = widget.GetHeight();
        // Where the cell's top-left ink pixel (0, 0) of the upright text lands.
        gCPoint corner = rotation == 1 ? gCPoint{0, h - 1} : rotation == 2 ? gCPoint{w - 1, h - 1} : gCPoint{w - 1, 0};
        EXPECT_GT(MaskAt(widget, corner.x, corner.y), 0) << "rotation " << rotation;
    }
    CTxWidget odd;
    UseTiny(odd);
    ASSERT_EQ(odd.SetText(gCString(u"B"), true, false), eSuccess);
    const gCRect before = odd.GetRect();
    ASSERT_EQ(odd.SetRotation(7, true, false), eSuccess);
    EXPECT_EQ(odd.GetRect(), before) << "other rotations leave the mask as it was";
}

TEST_F(TxWidgetTest, LightColoursChooseTheSecondGammaTable)
{
    struct sCase {
        uint32_t colour;
        int32_t light;
    };
    for (sCase c : {sCase{0xFF808080u, 1}, sCase{0xFF7E7E7Eu, 0}, sCase{0xFF000000u, 0}, sCase{0x00FFFFFFu, 1}}) {
        CTxWidget widget;
        UseTiny(widget);
        ASSERT_EQ(widget.SetText(gCString(u"I"), true, false), eSuccess);
        widget.SetColour(c.colour, false);
        EXPECT_EQ(widget.GetTextRenderer()->mInverseGamma, c.light) << std::hex << c.colour;
        EXPECT_EQ(widget.GetTextRenderer()->mColour, c.colour);
    }
}

TEST_F(TxWidgetTest, ImageSettersLeaveTheTextMaskAlone)
{
    CTxWidget widget;
    UseTiny(widget);
    ASSERT_EQ(widget.SetText(gCString(u"A"), true, false), eSuccess);
    CImage8* mask = widget.GetImage();
    CImage8 other(3, 3);
    EXPECT_EQ(widget.SetImage(&other, true, true), eSuccess);
    EXPECT_EQ(widget.GetImage(), mask);
}

// Block tags, each read on its own: the value each setter stores.
TEST_F(TxWidgetTest, PropertyTagsFromABlock)
{
    struct sCase {
        std::string chunks;
        int32_t pixels;
        float points;
        int32_t justification;
    };
    const sCase cases[] = {
        {Tag("fsiz") + F32(12.5f), 13, 0.0f, 0},
        {Tag("fsiz") + F32(-2.5f), -3, 0.0f, 0},
        {Tag("fsiz") + F32(9.0f) + Tag("fpsz") + F32(11.0f), 0, 11.0f, 0},
        {Tag("fpsz") + F32(11.0f) + Tag("fsiz") + F32(9.0f), 9, 0.0f, 0},
        {Tag("fjst") + Text("right"), 0, 16.0f, 1},
        {Tag("fjst") + Text("centre"), 0, 16.0f, 2},
        {Tag("fjst") + Text("center"), 0, 16.0f, 2},
        {Tag("fjst") + Text("Center"), 0, 16.0f, 0},
        {Tag("fjst") + Text(""), 0, 16.0f, 0},
    };
    for (const sCase& c : cases) {
        CTxWidget widget;
        CBytesStream stream(Block(c.chunks));
        ASSERT_EQ(widget.LoadWidgetDataBlock(&stream), eSuccess);
        EXPECT_EQ(widget.GetFontPixelSize(), c.pixels);
        EXPECT_EQ(widget.GetFontPointSize(), c.points);
        EXPECT_EQ(widget.GetJustification(), c.justification);
    }
    CTxWidget flags;
    CBytesStream stream(Block(Tag("fbld") + I32(1) + Tag("fita") + I32(2) + Tag("fudl") + I32(1) +
                              Tag("txsz") + I32(0)));
    ASSERT_EQ(flags.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_TRUE(flags.GetBold());
    EXPECT_FALSE(flags.GetItalic()) << "only 1 counts as on";
    EXPECT_TRUE(flags.GetUnderline());
    EXPECT_FALSE(flags.GetSizeToText());
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

TEST_F(TxWidgetTest, ABlockRendersOnceAtTheEndAndThenMakesItsChildren)
{
    TempFolder folder;
    std::string path = CompileResources(folder.Path(), "resources", "tx.mrs", R"(version 2
widget 'txwg' 1 "Label" {
    vsbl 1
    text "AB"
    font "Tiny"
    fsiz 8.0
    colr 0xFFFFFFFF
    hier "Under" 'cowg'
}
widget 'cowg' 2 "Under" {
    vsbl 1
    xsiz 1.0
    xszr 1
    ysiz 2.0
}
)");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    CWidget* made = CreateWidgetByType(gCString(u"Label"), CTxWidget::kTypeCode, nullptr, nullptr);
    ASSERT_NE(made, nullptr);
    auto* label = dynamic_cast<CTxWidget*>(made);
    ASSERT_NE(label, nullptr);
    // The text was set before the font: it is rendered once, in the block's font.
    const int32_t textWidth = label->GetTextRenderer()->GetTextWidth(gCString(u"AB"));
    EXPECT_EQ(label->GetRect(), (gCRect{0, 0, textWidth, label->GetHeight()}));
    ASSERT_EQ(label->GetChildCount(), 1);
    EXPECT_EQ(label->GetChild(0)->GetWidth(), textWidth) << "the child is laid out in the text's size";

    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 30, 20);
    ASSERT_EQ(label->SetPosition(5, 4, false), eSuccess);
    ASSERT_EQ(backdrop.AddChild(label, false), eSuccess);
    label->GetChild(0)->SetVisible(false, false);
    backdrop.RedrawAll(false);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({5, 4}), 0xFFFFFFFFu) << "the box of 'A' at the widget's corner";
    EXPECT_EQ(backdrop.GetImagePixel({8, 7}), 0xFF000000u) << "inside the box";
    EXPECT_EQ(backdrop.GetImagePixel({4, 4}), 0xFF000000u);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

TEST_F(TxWidgetTest, TextListEntriesStepAndWrap)
{
    CTxWidget widget;
    UseTiny(widget);
    EXPECT_EQ(widget.GetTextListIndex(), -1);
    EXPECT_EQ(widget.SetTextList(nullptr), eBadParameter);
    auto* list = new CTextList;
    ASSERT_EQ(list->AddString(gCString(u"A"), 1), eSuccess);
    ASSERT_EQ(list->AddString(gCString(u"AB"), 2), eSuccess);
    ASSERT_EQ(widget.SetTextList(list), eSuccess);
    EXPECT_EQ(widget.SetTextListIndex(2, true, false), eBadParameter);
    ASSERT_EQ(widget.SetTextListIndex(1, true, false), eSuccess);
    EXPECT_EQ(widget.GetTextListIndex(), 1);
    ASSERT_EQ(widget.NextTextListEntry(true, false), eSuccess);
    EXPECT_EQ(widget.GetTextListIndex(), 0);
    gCString text;
    widget.GetText(text);
    EXPECT_EQ(Utf8(text), "A");
}

TEST_F(TxWidgetTest, TextObjectIsShownAndKept)
{
    CTxWidget widget;
    UseTiny(widget);
    auto* text = new CText;
    ASSERT_EQ(widget.SetTextObject(text, true, false), eSuccess);
    EXPECT_EQ(widget.GetTextObject(), text);
    EXPECT_NE(widget.GetImage(), nullptr) << "the first text object makes the mask";
    ASSERT_EQ(widget.SetTextObject(new CText, true, false), eSuccess) << "the old object is freed";
}

TEST_F(TxWidgetTest, SetTextReplacesTheTextObjectWithAnOwnedCopy)
{
    CTxWidget widget;
    UseTiny(widget);
    ASSERT_EQ(widget.SetText(gCString(u"AB"), true, false), eSuccess);
    ASSERT_NE(widget.GetTextObject(), nullptr);
    EXPECT_EQ(Utf8(widget.GetTextObject()->GetText()), "AB");
    // The widget's own string handed back in must survive the old object being freed.
    ASSERT_EQ(widget.SetText(widget.GetTextObject()->GetText(), true, false), eSuccess);
    EXPECT_EQ(Utf8(widget.GetTextObject()->GetText()), "AB");

    // A pooled object handed over is neither freed nor rewritten by a later SetText.
    CText pooled;
    pooled.SetText(gCString(u"A"));
    pooled.SetInPool(1);
    ASSERT_EQ(widget.SetTextObject(&pooled, true, false), eSuccess);
    EXPECT_GT(MaskAt(widget, 0, 0), 0) << "the box of 'A' is shown";
    ASSERT_EQ(widget.SetText(gCString(u"I"), true, false), eSuccess);
    EXPECT_NE(widget.GetTextObject(), &pooled);
    EXPECT_EQ(Utf8(pooled.GetText()), "A");
    gCString shown;
    widget.GetText(shown);
    EXPECT_EQ(Utf8(shown), "I");
    EXPECT_EQ(MaskAt(widget, 0, 0), 0) << "the mask shows 'I', not the old box";
    EXPECT_GT(MaskAt(widget, 3, 0), 0);

    // An owned object handed over is freed by the next SetText (the leak checker watches).
    auto* owned = new CText;
    owned->SetText(gCString(u"B"));
    ASSERT_EQ(widget.SetTextObject(owned, true, false), eSuccess);
    ASSERT_EQ(widget.SetText(gCString(u"A"), true, false), eSuccess);
    EXPECT_EQ(MaskAt(widget, 3, 3), 0) << "inside the box of 'A', where 'B' had ink";
    EXPECT_GT(MaskAt(widget, 7, 0), 0);
}

TEST_F(TxWidgetTest, TextListNameIsReportedAndTheBlockTextStays)
{
    CTxWidget widget;
    CBytesStream stream(Block(Tag("text") + Text("Hi") + Tag("txls") + Text("Names") + Tag("txlx") + I32(4)));
    EXPECT_EQ(widget.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(TakeAlertDetails(), (Alerts{"TxWidget text list failed."}));
    gCString text;
    widget.GetText(text);
    EXPECT_EQ(Utf8(text), "Hi");

    CTxWidget cut;
    CBytesStream truncated(Block(Tag("fbld") + std::string(2, '\0')));
    EXPECT_NE(cut.LoadWidgetDataBlock(&truncated), eSuccess);
    Alerts alerts = TakeAlertDetails();
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts[0], "TxWidget fbld.");
    const sWidgetFactoryEntry* entry = FindWidgetFactoryEntry(FourCC("txwg"));
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->failure, "Widget Constructor txwidget create failed.");
}

} // namespace
