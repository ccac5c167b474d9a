// The multi-line table's row and column setters: each must measure the rows again (or set them)
// so that row heights follow the column widths, the renderer and the given totals.
#include "TableTestSupport.h"

#include "widgets/CMLTableWidget.h"

#include <functional>

namespace {

using MLTableSetters = TableTest;

// Block-font words of four '#', 32 pixels each, separated by spaces.
gCString Words(int32_t count)
{
    std::u16string text;
    for (int32_t i = 0; i < count; ++i)
        text += i ? u" ####" : u"####";
    return gCString(text.c_str());
}

} // namespace

// Row 0 holds five words: in 100 - 8 pixels two fit a line, three lines of 8 (+1.5, rounded) are
// 26. Row 1 holds one word, below the minimum 16. With 42 pixels to wrap in (or letters twice
// as wide) one word fits a line: five lines, 41.5 -> 42. Margins are 4 above and 4 below.
TEST_F(MLTableSetters, RowHeightsFollowTheColumnsTheRendererAndTheTotals)
{
    struct sCase {
        const char* name;
        std::function<eResultCode(CMLTableWidget&)> change;
        int32_t first, second; // content heights of rows 0 and 1 afterwards
    };
    const sCase cases[] = {
        {"unchanged", [](CMLTableWidget&) { return eSuccess; }, 26, 16},
        {"narrower column",
         [](CMLTableWidget& t) {
             // The last column takes what is left of the width, so a second one makes the first's count.
             PNU_TRY(t.AddColumn(40, true, false));
             return t.SetColumnWidth(0, 50, false);
         },
         42, 16},
        {"image column", [](CMLTableWidget& t) { return t.SetColumnHoldsImages(0, true, false); }, 16, 16},
        {"wider letters",
         [](CMLTableWidget& t) {
             CTextRenderer renderer;
             t.GetTextRenderer(renderer);
             renderer.mAdvanceScale = 2.0f;
             return t.SetTextRenderer(renderer, false);
         },
         42, 16},
        {"total height", [](CMLTableWidget& t) { return t.SetRowHeightAt(0, 40, false); }, 32, 16},
        {"measured again",
         [](CMLTableWidget& t) {
             PNU_TRY(t.SetRowContentHeight(0, 50, false));
             PNU_TRY(t.SetRowContentHeight(1, 50, false));
             t.MeasureRowHeights(0, 1);
             return eSuccess;
         },
         26, 16},
        {"first row only",
         [](CMLTableWidget& t) {
             PNU_TRY(t.SetRowContentHeight(0, 50, false));
             PNU_TRY(t.SetRowContentHeight(1, 50, false));
             t.MeasureRowHeights(0, -1);
             return eSuccess;
         },
         26, 50},
        {"an empty range",
         [](CMLTableWidget& t) {
             PNU_TRY(t.SetRowContentHeight(0, 50, false));
             t.MeasureRowHeights(1, 0);
             return eSuccess;
         },
         50, 16},
    };
    for (const sCase& c : cases) {
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 100, 100);
        auto* table = AddAt(backdrop, new CMLTableWidget(), gCRect{0, 0, 100, 100});
        UseBlockFont(*table);
        for (int32_t words : {5, 1}) {
            ASSERT_EQ(table->AddRow(false), eSuccess);
            ASSERT_EQ(table->SetCellText(table->GetRowCount() - 1, 0, Words(words), false), eSuccess);
        }
        ASSERT_EQ(c.change(*table), eSuccess) << c.name;
        EXPECT_EQ(table->GetRowContentHeight(0), c.first) << c.name;
        EXPECT_EQ(table->GetRowContentHeight(1), c.second) << c.name;
        EXPECT_EQ(table->GetRowTop(1), c.first + 8) << c.name << ": the row below follows";
        EXPECT_EQ(table->GetContentHeight(-1), c.first + c.second + 16) << c.name;
    }
}

TEST_F(MLTableSetters, ARowBackgroundBelongsToThatRowAlone)
{
    CMLTableWidget table;
    ASSERT_EQ(table.SetSize(80, 60, false), eSuccess);
    UseBlockFont(table);
    for (int32_t i = 0; i < 3; ++i)
        ASSERT_EQ(table.AddRow(false), eSuccess);
    const CPixel before[] = {table.GetRowBackground(0), table.GetRowBackground(1), table.GetRowBackground(2)};
    const CPixel marked = 0xFF13579Bu;
    ASSERT_EQ(table.SetRowBackground(1, &marked, false), eSuccess);
    EXPECT_EQ(table.GetRowBackground(0), before[0]);
    EXPECT_EQ(table.GetRowBackground(1), marked);
    EXPECT_EQ(table.GetRowBackground(2), before[2]);
    EXPECT_NE(table.SetRowBackground(3, &marked, false), eSuccess) << "a row beyond the table";
}

// Each row is its content plus the top margin (4) and the bottom margin: 26 + 4 + 10.
TEST_F(MLTableSetters, TheBottomMarginAddsToEveryRow)
{
    CMLTableWidget table;
    ASSERT_EQ(table.SetSize(100, 100, false), eSuccess);
    UseBlockFont(table);
    for (int32_t i = 0; i < 2; ++i) {
        ASSERT_EQ(table.AddRow(false), eSuccess);
        ASSERT_EQ(table.SetCellText(i, 0, Words(5), false), eSuccess);
    }
    table.SetCellBottomMargin(10);
    EXPECT_EQ(table.GetRowContentHeight(0), 26);
    EXPECT_EQ(table.GetRowHeightAt(0), 40);
    EXPECT_EQ(table.GetRowTop(1), 40);
    EXPECT_EQ(table.GetContentHeight(-1), 80);
}
