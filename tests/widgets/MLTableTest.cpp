#include "TableTestSupport.h"

#include "widgets/CMLTableWidget.h"

#include <numeric>

namespace {

using MLTable = TableTest;

// Counts the cells drawn, to tell rows that moved from rows that were rendered again.
class CCountingMLTable : public CMLTableWidget {
public:
    eResultCode DrawTableCell(int32_t row, int32_t column, const gCRect* area) override
    {
        drawnRows.push_back(row);
        return CMLTableWidget::DrawTableCell(row, column, area);
    }
    std::vector<int32_t> drawnRows;
};

// A shown table of the given size in a backdrop, on the block font, without text shadows.
template <typename T>
T* AddTable(CBackdrop& backdrop, int32_t width, int32_t height)
{
    auto* table = AddAt(backdrop, new T(), gCRect{0, 0, width, height});
    UseBlockFont(*table);
    EXPECT_EQ(table->SetTextShadow(false), eSuccess);
    return table;
}

// Block-font words of four '#', 32 pixels each, separated by spaces.
gCString Words(int32_t count)
{
    std::u16string text;
    for (int32_t i = 0; i < count; ++i)
        text += i ? u" ####" : u"####";
    return gCString(text.c_str());
}

TEST_F(MLTable, ALongStatusLineWrapsAndPushesTheRowsBelowWithoutRenderingThem)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 100, 100);
    auto* table = AddTable<CCountingMLTable>(backdrop, 100, 100);
    EXPECT_EQ(table->GetTypeCode(), FourCC("mltb"));
    for (int32_t i = 0; i < 2; ++i) {
        ASSERT_EQ(table->AddRow(false), eSuccess);
        ASSERT_EQ(table->SetCellText(i, 0, gCString(u"#"), false), eSuccess);
    }
    EXPECT_EQ(table->GetRowHeightAt(0), 16 + 8);
    EXPECT_EQ(table->GetRowTop(1), 24);
    const CImage& cells = table->GetCellImageCache();
    EXPECT_EQ(FirstInkX(cells, 24 + 4), 8) << "row 1's text under its top margin";

    // 92 pixels to wrap in: two words a line, three lines of 8 pixels (+1.5, rounded).
    table->drawnRows.clear();
    ASSERT_EQ(table->SetCellText(0, 0, Words(5), false), eSuccess);
    EXPECT_EQ(table->GetRowContentHeight(0), 3 * 8 + 2);
    EXPECT_EQ(table->GetRowTop(1), 34);
    EXPECT_EQ(table->drawnRows, (std::vector<int32_t>{0})) << "the row below only moved";
    EXPECT_EQ(FirstInkX(cells, 34 + 4), 8) << "row 1's pixels moved down with it";
    for (int32_t line : {4, 12, 20})
        EXPECT_EQ(FirstInkX(cells, line), 8) << line;
    EXPECT_EQ(FirstInkX(cells, 4 + 26), -1) << "row 0's bottom margin";

    // The last row grows, then shrinks by its content height: none of its old lines stay.
    ASSERT_EQ(table->SetCellText(1, 0, Words(5), false), eSuccess);
    EXPECT_EQ(FirstInkX(cells, 34 + 4 + 16), 8);
    ASSERT_EQ(table->SetRowContentHeight(1, 8, false), eSuccess);
    for (int32_t line : {34 + 4 + 8, 34 + 4 + 16})
        EXPECT_EQ(FirstInkX(cells, line), -1) << line;

    // Narrower: the line wraps again and the row grows.
    ASSERT_EQ(table->SetSize(60, 100, false), eSuccess);
    CTextRenderer renderer;
    table->GetTextRenderer(renderer);
    int32_t wrapped = renderer.GetTextHeight(Words(5), 60 - 8);
    EXPECT_GT(wrapped, 3 * 8 + 2);
    EXPECT_EQ(table->GetRowContentHeight(0), wrapped);
    EXPECT_EQ(table->GetRowTop(1), wrapped + 8);
}

TEST_F(MLTable, RowsStartAtTheMinimumHeightWithTheirOwnBackgrounds)
{
    CMLTableWidget table;
    ASSERT_EQ(table.SetSize(80, 40, false), eSuccess);
    UseBlockFont(table);
    const CPixel even = 0xFF102030u, odd = 0xFF405060u;
    ASSERT_EQ(table.SetEvenRowColour(&even, false), eSuccess);
    table.SetColour(odd, false);
    for (int32_t i = 0; i < 3; ++i)
        ASSERT_EQ(table.AddRow(false), eSuccess);
    ASSERT_EQ(table.SetCellText(2, 0, gCString(u""), false), eSuccess);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(table.GetRowHeightAt(i), 16 + 8) << i;
    ASSERT_EQ(table.InsertRow(1, false), eSuccess);
    std::vector<CPixel> backgrounds;
    for (int32_t i = 0; i < 4; ++i)
        backgrounds.push_back(table.GetRowBackground(i));
    EXPECT_EQ(backgrounds, (std::vector<CPixel>{even, odd, odd, even})) << "rows after an insert keep theirs";
    EXPECT_EQ(table.GetRowAtY(-1), -1);
    EXPECT_EQ(table.GetRowAtY(0), 0);
    EXPECT_EQ(table.GetRowAtY(24), 1);
    EXPECT_EQ(table.GetRowAtY(4 * 24), 4);
    EXPECT_EQ(table.GetThumbLength(30), 30 * 40 / 96);
    ASSERT_EQ(table.RemoveAllRows(false), eSuccess);
    EXPECT_EQ(table.GetThumbLength(30), 30) << "the whole track while the rows fit";
    EXPECT_EQ(table.GetThumbPosition(30, 30), 0);
}

TEST_F(MLTable, RowPositionsStayRightThroughInsertsRemovalsAndSorting)
{
    CMLTableWidget table;
    ASSERT_EQ(table.SetSize(60, 40, false), eSuccess);
    UseBlockFont(table);
    auto expectSums = [&](const char* step) {
        int32_t sum = 0;
        for (int32_t i = 0; i < table.GetRowCount(); ++i) {
            EXPECT_EQ(table.GetRowTop(i), sum - table.GetScrollOffset()) << step << " row " << i;
            sum += table.GetRowHeightAt(i);
        }
        EXPECT_EQ(table.GetContentHeight(-1), sum) << step;
    };
    for (int32_t words : {1, 3, 0, 2, 5}) {
        ASSERT_EQ(table.AddRow(false), eSuccess);
        ASSERT_EQ(table.SetCellText(table.GetRowCount() - 1, 0, Words(words), false), eSuccess);
    }
    expectSums("added");
    ASSERT_EQ(table.InsertRow(2, false), eSuccess);
    ASSERT_EQ(table.SetCellText(2, 0, Words(4), false), eSuccess);
    expectSums("inserted");
    ASSERT_EQ(table.RemoveRow(1, false), eSuccess);
    expectSums("removed");
    ASSERT_EQ(table.SortRows(0, false, false, false), eSuccess);
    expectSums("sorted");
    table.SetCellTopMargin(10);
    EXPECT_EQ(table.GetRowHeightAt(0), table.GetRowContentHeight(0) + 14);
    expectSums("margin");
    ASSERT_EQ(table.SetRowContentHeight(0, 50, false), eSuccess);
    expectSums("content height");
    ASSERT_EQ(table.SetRowHeight(30, false), eSuccess);
    EXPECT_EQ(table.GetRowContentHeight(3), 30) << "a short row takes the new minimum";
    expectSums("minimum");
}

TEST_F(MLTable, EnsureRowVisibleBringsTheLastStatusLineIntoViewAndTheThumbFollows)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 100, 60);
    auto* table = AddTable<CMLTableWidget>(backdrop, 100, 60);
    CMessageRecorder listener;
    table->mListener = &listener;
    table->mCommandMode = 1;
    const CPixel red = 0xFFFF0000u;
    for (int32_t i = 0; i < 10; ++i) {
        ASSERT_EQ(table->AddRow(false), eSuccess);
        int32_t last = table->GetRowCount() - 1;
        ASSERT_EQ(table->SetRowColour(last, &red, false), eSuccess);
        ASSERT_EQ(table->SetCellText(last, 0, gCString(u"#"), true), eSuccess);
        ASSERT_EQ(table->EnsureRowVisible(last, false), eSuccess);
        EXPECT_EQ(table->GetRowTop(last) + table->GetRowHeightAt(last), std::min(60, (last + 1) * 24)) << i;
    }
    EXPECT_EQ(table->GetScrollOffset(), 240 - 60);
    EXPECT_EQ(table->GetThumbLength(50), 50 * 60 / 240);
    EXPECT_EQ(table->GetThumbPosition(50, 12), 50 - 12);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    // The last line's text, red, 4 pixels above the bottom margin's end.
    CImage* window = backdrop.GetOffscreenImage();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(PixelAt(*window, 8, 60 - 24 + 4) & 0x00FFFFFFu, 0xFF0000u);
    EXPECT_EQ(PixelAt(*window, 8, 60 - 24 + 4 + 8) & 0x00FFFFFFu, 0xFFFFFFu) << "below the text, the row's white";

    // Row 0 is above the widget: it comes to the top.
    ASSERT_EQ(table->EnsureRowVisible(0, false), eSuccess);
    EXPECT_EQ(table->GetScrollOffset(), 0);
    EXPECT_EQ(table->GetThumbPosition(50, 12), 0);
    ASSERT_EQ(table->ScrollToFraction(0.5f, false), eSuccess);
    EXPECT_EQ(table->GetScrollOffset(), 90);
    ASSERT_EQ(table->ScrollToThumb(50, 12, gCPoint{0, 38}, false), eSuccess);
    EXPECT_EQ(table->GetScrollOffset(), 180);
    bool scrolled = false;
    for (const auto& m : listener.messages)
        scrolled |= m.message == kTableScrolled && m.flag == 1;
    EXPECT_TRUE(scrolled) << "scrolling is reported through the command handler";
}

} // namespace
