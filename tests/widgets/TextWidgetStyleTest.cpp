// The text widgets' style and spacing setters, on bitmap faces whose glyphs tell the styles apart:
// every setter must reach the renderer and render the text again.
#include "widgets/CTxImWidget.h"
#include "widgets/CTxWidget.h"

#include "TinyFont.h"
#include "WidgetTestSupport.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// The tiny font with another 'A': the styled faces are found by the " Bold" and " Italic"
// suffixes of the font name.
std::string TinyWithA(const char* rows)
{
    std::string font = TinyFont();
    const std::string box = "FF\n81\n81\n81\n81\n81\n81\nFF\n";
    font.replace(font.find(box), box.size(), rows);
    return font;
}

class TextWidgetStyle : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeAlertDetails();
        AddTinyFont(context);
        CResourcePool& pool = context.context.pools[eFontPool];
        AddBitmapFont(pool, TinyWithA("FF\nFF\nFF\nFF\nFF\nFF\nFF\nFF\n"), u"Tiny Bold");
        AddBitmapFont(pool, TinyWithA("0F\n0F\n0F\n0F\n0F\n0F\n0F\n0F\n"), u"Tiny Italic");
        AddBitmapFont(pool, TinyWithA("FF\nFF\nFF\nFF\n00\n00\n00\n00\n"), u"Tiny Bold Italic");
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

    static bool Ink(CTxWidget& widget, int32_t x, int32_t y)
    {
        gCRect area{x, y, x + 1, y + 1};
        CImNav8 nav(widget.GetImage(), &area);
        return nav.IsLocked() && nav.GetWidth() == 1 && nav.Row(0)[0] > 0;
    }

    // Which 'A' was drawn, by three pixels: inside the box's left half, its right half, and low in
    // the middle.
    static std::string Face(CTxWidget& widget)
    {
        std::string bits;
        for (auto [x, y] : {std::pair{1, 3}, {5, 3}, {3, 6}})
            bits += Ink(widget, x, y) ? '1' : '0';
        return bits == "000" ? "regular" : bits == "111" ? "bold" : bits == "010" ? "italic"
             : bits == "110" ? "bold italic" : bits;
    }

    ScopedResourceContext context;
};

} // namespace

TEST_F(TextWidgetStyle, StyleSettersChooseTheFace)
{
    using Change = std::function<eResultCode(CTxWidget&, CTxImWidget&)>;
    struct sCase {
        const char* name;
        Change change;
        const char* face;
    };
    const sCase cases[] = {
        {"plain", [](CTxWidget&, CTxImWidget&) { return eSuccess; }, "regular"},
        {"bold", [](CTxWidget& t, CTxImWidget& i) { PNU_TRY(t.SetBold(true, true, false)); return i.SetBold(true, true, false); },
         "bold"},
        {"italic",
         [](CTxWidget& t, CTxImWidget& i) {
             PNU_TRY(t.SetItalic(true, true, false));
             return i.SetItalic(true, true, false);
         },
         "italic"},
        {"bold and italic at once",
         [](CTxWidget& t, CTxImWidget& i) {
             PNU_TRY(t.SetFontStyle(true, true, false, true, false));
             return i.SetFontStyle(true, true, false, true, false);
         },
         "bold italic"},
        {"italic only at once",
         [](CTxWidget& t, CTxImWidget& i) {
             PNU_TRY(t.SetFontStyle(false, true, true, true, false));
             return i.SetFontStyle(false, true, true, true, false);
         },
         "italic"},
        {"bold, then off again",
         [](CTxWidget& t, CTxImWidget& i) {
             PNU_TRY(t.SetFontStyle(true, false, false, true, false));
             PNU_TRY(t.SetBold(false, true, false));
             PNU_TRY(i.SetFontStyle(true, false, false, true, false));
             return i.SetFontStyle(false, false, false, true, false);
         },
         "regular"},
    };
    for (const sCase& c : cases) {
        CTxWidget text;
        UseTiny(text);
        ASSERT_EQ(text.SetText(gCString(u"A"), true, false), eSuccess);
        CTxImWidget labelled;
        UseTiny(*labelled.GetLabel());
        ASSERT_EQ(labelled.SetText(gCString(u"A"), true, false), eSuccess);
        ASSERT_EQ(c.change(text, labelled), eSuccess) << c.name;
        EXPECT_EQ(Face(text), c.face) << c.name;
        EXPECT_EQ(Face(*labelled.GetLabel()), c.face) << c.name << " (label)";
    }
}

// "AB" is two advances of 8 pixels: 1024 in 26.6, scaled, + 96 and shifted down by 6: 17 at 1.0,
// (1536 + 96) >> 6 = 25 at 1.5. Without wrapping a second line starts one line height times the
// spacing below the first: the column of 'I' (x = 3) is inked down to row 15 at spacing 1; at
// spacing 2 rows 8-15 stay clear and the second line starts at row 16 of the 19 rows.
TEST_F(TextWidgetStyle, SpacingSettersMoveTheGlyphs)
{
    auto inkedRows = [](CTxWidget& widget) {
        std::string rows;
        for (int32_t y = 0; y < widget.GetImage()->GetHeight(); ++y)
            rows += Ink(widget, 3, y) ? '#' : '.';
        return rows;
    };
    for (bool labelled : {false, true}) {
        CTxWidget plain;
        CTxImWidget outer;
        CTxWidget& label = labelled ? *outer.GetLabel() : plain;
        UseTiny(label);
        auto letters = [&](float factor, bool resize) {
            return labelled ? outer.SetLetterSpacing(factor, resize, false) : plain.SetLetterSpacing(factor, resize, false);
        };
        auto lines = [&](float factor) {
            return labelled ? outer.SetLineSpacing(factor, true, false) : plain.SetLineSpacing(factor, true, false);
        };
        ASSERT_EQ(label.SetText(gCString(u"AB"), true, false), eSuccess);
        EXPECT_EQ(label.GetWidth(), 17);
        ASSERT_EQ(letters(1.5f, true), eSuccess);
        EXPECT_EQ(label.GetWidth(), 25) << labelled;
        EXPECT_FLOAT_EQ(labelled ? outer.GetLetterSpacing() : plain.GetLetterSpacing(), 1.5f);
        ASSERT_EQ(letters(1.0f, false), eSuccess);
        if (!labelled) {
            EXPECT_EQ(label.GetWidth(), 25) << "the size stays when not asked to follow";
        }

        ASSERT_EQ(letters(1.0f, true), eSuccess);
        ASSERT_EQ(label.SetText(gCString(u"I\nI"), true, false), eSuccess);
        EXPECT_EQ(inkedRows(label), "################...") << labelled;
        ASSERT_EQ(lines(2.0f), eSuccess);
        EXPECT_EQ(inkedRows(label), "########........###") << labelled;
        EXPECT_FLOAT_EQ(labelled ? outer.GetLineSpacing() : plain.GetLineSpacing(), 2.0f);
    }
}
