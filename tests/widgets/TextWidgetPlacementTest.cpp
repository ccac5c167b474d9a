// The text widgets' horizontal stretch on a scalable face, where the editor places its label for
// each justification, and the caret blinking at the blink time it is given.
#include "widgets/CTxEdWidget.h"
#include "widgets/CTxImWidget.h"
#include "widgets/CTxWidget.h"

#include "TinyFont.h"
#include "WidgetTestSupport.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"
#include "platform/ManualClock.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TextWidgetPlacement : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeAlertDetails();
        AddTinyFont(context);
        std::string sans = TempFolder::ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        ASSERT_FALSE(sans.empty()) << "fonts-dejavu-core is needed";
        AddBitmapFont(context.context.pools[eFontPool], sans, u"Sans");
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

} // namespace

// Twice as wide a size stretches every advance: the line is about twice as long (hinting moves
// each advance by at most a pixel), and its height stays.
TEST_F(TextWidgetPlacement, HorizontalScaleStretchesTheLine)
{
    for (bool labelled : {false, true}) {
        CTxWidget plain;
        CTxImWidget outer;
        CTxWidget& label = labelled ? *outer.GetLabel() : plain;
        ASSERT_EQ(label.SetFontName(gCString(u"Sans"), false, false), eSuccess);
        ASSERT_EQ(label.SetFontPixelSize(20, false, false), eSuccess);
        ASSERT_EQ(label.SetText(gCString(u"Hamburg"), true, false), eSuccess);
        const int32_t width = label.GetWidth(), height = label.GetHeight();
        ASSERT_GT(width, 40);
        ASSERT_EQ(labelled ? outer.SetHorizontalScale(2.0f, true, false) : plain.SetHorizontalScale(2.0f, true, false),
                  eSuccess);
        EXPECT_FLOAT_EQ(labelled ? outer.GetHorizontalScale() : plain.GetHorizontalScale(), 2.0f);
        EXPECT_NEAR(label.GetWidth(), 2 * width, 8) << labelled;
        EXPECT_EQ(label.GetHeight(), height) << labelled;
    }
}

// "AB" on the tiny face is 17 wide; in a 60-wide editor the label starts at the left, ends at the
// right edge (60 - 17), or is centred: round((60 - 17) x 0.5) = 22, half away from zero.
TEST_F(TextWidgetPlacement, TheEditorPlacesItsLabelByJustification)
{
    struct sCase {
        int32_t justification;
        int32_t left;
    };
    for (sCase c : {sCase{0, 0}, sCase{1, 43}, sCase{2, 22}}) {
        CWidget parent;
        parent.SetVisible(true, false);
        ASSERT_EQ(parent.SetSize(100, 20, false), eSuccess);
        auto* editor = AddAt(parent, new CTxEdWidget, gCRect{0, 0, 60, 12});
        ASSERT_EQ(editor->SetFontName(gCString(u"Tiny"), true, false), eSuccess);
        ASSERT_EQ(editor->SetFontPixelSize(8, true, false), eSuccess);
        ASSERT_EQ(editor->SetText(gCString(u"AB"), true, false), eSuccess);
        ASSERT_EQ(editor->SetJustification(c.justification, true, false), eSuccess);
        EXPECT_EQ(editor->GetJustification(), c.justification);
        // The justification sets the label's layout flags; its next layout applies them.
        ASSERT_EQ(editor->GetLabel()->UpdateLayout(false), eSuccess);
        const gCRect label = editor->GetLabel()->GetRect();
        EXPECT_EQ(label.right - label.left, 17);
        EXPECT_EQ(label.left, c.left) << c.justification;
    }
}

// The blink track runs 0 to 100 and back over the blink time in two steps: the caret of the
// focused editor shows for the first half of the way up and hides after it, so doubling the
// time doubles both.
TEST_F(TextWidgetPlacement, TheCaretBlinksAtTheBlinkTimeGiven)
{
    plat::ScopedManualClock clock;
    struct sCase {
        int32_t blinkTime, after, phase;
    };
    const sCase cases[] = {{500, 200, 0}, {500, 300, 50}, {1000, 400, 0}, {1000, 600, 50}, {1000, 1600, 0}};
    for (const sCase& c : cases) {
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 100, 40);
        auto* editor = AddAt(backdrop, new CTxEdWidget, gCRect{0, 0, 60, 12});
        editor->SetFocus(true);
        editor->SetCaretBlinkTime(c.blinkTime);
        EXPECT_EQ(editor->GetCaretBlinkTime(), c.blinkTime);
        ASSERT_EQ(editor->InvalidateCaret(true), eSuccess);
        clock->Advance(uint64_t(c.after) * 1000);
        (void)editor->OnHeartbeat();
        EXPECT_EQ(editor->GetBlinkPhase(), c.phase) << c.blinkTime << " ms, after " << c.after;
    }
}

// The text-and-image widget hands the justification to its label: in a 32-wide label "A" (9
// wide) starts at 0, at 32 - 9 = 23, or half-way at 11.
TEST_F(TextWidgetPlacement, TheLabelledWidgetJustifiesItsLabelsLine)
{
    auto firstInk = [](CTxWidget& label) {
        for (int32_t x = 0; x < 32; ++x) {
            gCRect area{x, 0, x + 1, 1};
            CImNav8 nav(label.GetImage(), &area);
            if (nav.IsLocked() && nav.GetWidth() == 1 && nav.Row(0)[0] > 0)
                return x;
        }
        return -1;
    };
    for (auto [justification, ink] : {std::pair{0, 0}, {1, 23}, {2, 11}}) {
        CTxImWidget outer;
        CTxWidget& label = *outer.GetLabel();
        ASSERT_EQ(label.SetFontName(gCString(u"Tiny"), false, false), eSuccess);
        ASSERT_EQ(label.SetFontPixelSize(8, false, false), eSuccess);
        label.SetSizeToText(false);
        ASSERT_EQ(label.SetSize(32, 8, false), eSuccess);
        ASSERT_EQ(outer.SetText(gCString(u"A"), false, false), eSuccess);
        ASSERT_EQ(outer.SetJustification(justification, false, false), eSuccess);
        EXPECT_EQ(outer.GetJustification(), justification);
        EXPECT_EQ(firstInk(label), ink) << justification;
    }
}
