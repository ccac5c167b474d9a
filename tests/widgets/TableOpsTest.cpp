// The table's scroll steps and fractions, sorting by an image column, grid lines, and a column
// that cannot be added leaving the rows as they were.
#include "TableTestSupport.h"

#include "support/AllocationFailure.h"

#include <functional>

namespace {

using TableOps = TableTest;

// Ten rows of 16 in a table 50 high: content 160, offsets 0..110, a page is (50 / 16 - 1) x 16.
void Prepare(CTableWidget& table)
{
    ASSERT_EQ(table.SetSize(60, 50, false), eSuccess);
    UseBlockFont(table);
    ASSERT_EQ(table.SetRowHeight(16, false), eSuccess);
    for (int32_t i = 0; i < 10; ++i)
        ASSERT_EQ(table.AddRow(false), eSuccess);
}

} // namespace

TEST_F(TableOps, ScrollStepsMoveByAPixelARowOrAPageWithinTheContent)
{
    using Step = std::function<eResultCode(CTableWidget&)>;
    struct sCase {
        const char* name;
        int32_t from;
        Step step;
        int32_t to;
    };
    const sCase cases[] = {
        {"pixel up", 40, [](CTableWidget& t) { return t.ScrollUpPixel(false); }, 39},
        {"pixel down", 40, [](CTableWidget& t) { return t.ScrollDownPixel(false); }, 41},
        {"row up", 40, [](CTableWidget& t) { return t.ScrollUpRow(false); }, 24},
        {"row down", 40, [](CTableWidget& t) { return t.ScrollDownRow(false); }, 56},
        {"page up", 40, [](CTableWidget& t) { return t.ScrollUpPage(false); }, 8},
        {"page down", 40, [](CTableWidget& t) { return t.ScrollDownPage(false); }, 72},
        {"page up at the top", 20, [](CTableWidget& t) { return t.ScrollUpPage(false); }, 0},
        {"page down at the bottom", 100, [](CTableWidget& t) { return t.ScrollDownPage(false); }, 110},
        {"pixel up from the top", 0, [](CTableWidget& t) { return t.ScrollUpPixel(false); }, 0},
    };
    for (const sCase& c : cases) {
        CTableWidget table;
        Prepare(table);
        ASSERT_EQ(table.SetScrollOffset(c.from, false), eSuccess);
        ASSERT_EQ(c.step(table), eSuccess) << c.name;
        EXPECT_EQ(table.GetScrollOffset(), c.to) << c.name;
    }
}

// With b the bottom of the last row counted (16 x rows - offset - 1): the scroll fraction is 0
// while b < 50, else offset / 50; the visible fraction is min(50 / b, 1). Rows -1 counts them all,
// the same as passing the row count.
TEST_F(TableOps, FractionsCountTheRowsAsked)
{
    struct sCase {
        int32_t offset, rows;
        float scroll, visible;
    };
    const sCase cases[] = {
        {0, -1, 0.0f, 50.0f / 159.0f},  {0, 10, 0.0f, 50.0f / 159.0f}, {32, -1, 0.64f, 50.0f / 127.0f},
        {32, 10, 0.64f, 50.0f / 127.0f}, {0, 2, 0.0f, 1.0f},            {32, 4, 0.0f, 1.0f},
        {32, 2, 0.0f, 1.0f},
    };
    for (const sCase& c : cases) {
        CTableWidget table;
        Prepare(table);
        ASSERT_EQ(table.SetScrollOffset(c.offset, false), eSuccess);
        EXPECT_FLOAT_EQ(table.GetScrollFraction(c.rows), c.scroll) << c.offset << " " << c.rows;
        EXPECT_FLOAT_EQ(table.GetVisibleFraction(c.rows), c.visible) << c.offset << " " << c.rows;
    }
}

TEST_F(TableOps, SortingByAnImageColumnKeepsEqualImagesTogether)
{
    // Pooled images, as shared icons are: the table only refers to them, and they outlive it.
    CImage first(2, 2), second(2, 2);
    first.SetInPool(1);
    second.SetInPool(1);
    CTableWidget table;
    Prepare(table);
    ASSERT_EQ(table.AddColumn(20, false, false), eSuccess);
    for (int32_t i = 0; i < 10; ++i) {
        ASSERT_EQ(table.SetCellImage(i, 1, i % 3 == 1 ? &first : &second, false), eSuccess);
        ASSERT_EQ(table.SetRowId(i, uintptr_t(i)), eSuccess);
    }
    for (bool ascending : {true, false}) {
        ASSERT_EQ(table.SortRows(1, false, ascending, false), eSuccess);
        int32_t changes = 0;
        for (int32_t i = 1; i < 10; ++i)
            changes += table.GetCellImage(i, 1) != table.GetCellImage(i - 1, 1) ? 1 : 0;
        EXPECT_EQ(changes, 1) << ascending;
        int32_t firsts = 0;
        for (int32_t i = 0; i < 10; ++i)
            firsts += table.GetCellImage(i, 1) == &first ? 1 : 0;
        EXPECT_EQ(firsts, 3) << ascending;
    }
}

TEST_F(TableOps, GridLinesEndEachRowOnlyWhileOn)
{
    CTableWidget table;
    Prepare(table);
    const CPixel even = 0xFF2040C0u, odd = 0xFF102030u, grid = 0xFF808080u;
    ASSERT_EQ(table.SetEvenRowColour(&even, false), eSuccess);
    table.SetColour(odd, false);
    ASSERT_EQ(table.SetGridLineColour(&grid, false), eSuccess);
    for (bool on : {false, true, false}) {
        ASSERT_EQ(table.SetGridLines(on, false), eSuccess);
        CImage target(60, 50);
        ASSERT_EQ(table.Paint(gCRect{0, 0, 60, 50}, &target, 255), eSuccess);
        EXPECT_EQ(PixelAt(target, 50, 14), even) << on;
        EXPECT_EQ(PixelAt(target, 50, 15), on ? grid : even) << on;
        EXPECT_EQ(PixelAt(target, 50, 16), odd) << on;
        EXPECT_EQ(PixelAt(target, 50, 31), on ? grid : odd) << on;
    }
}

// Every row gains a cell for a new column; when memory runs out while the cells are made or
// drawn, the column goes and the rows that gained a cell lose it again and keep their texts.
TEST_F(TableOps, AColumnThatCannotBeAddedLeavesEveryRowAsItWas)
{
    int32_t refused = 0;
    for (int64_t k = 1;; ++k) {
        CTableWidget table;
        ASSERT_EQ(table.SetSize(60, 50, false), eSuccess);
        for (int32_t i = 0; i < 4; ++i) {
            ASSERT_EQ(table.AddRow(false), eSuccess);
            ASSERT_EQ(table.SetCellText(i, 0, gCString(u"#"), false), eSuccess);
        }
        eResultCode result;
        bool failed;
        {
            AllocationFailure failure(k);
            result = table.AddColumn(20, true, false);
            failed = failure.Count() >= k;
        }
        if (!failed) {
            ASSERT_EQ(result, eSuccess);
            break;
        }
        if (result == eSuccess)
            continue;
        ++refused;
        const int32_t columns = table.GetColumnCount();
        ASSERT_EQ(columns, 1) << k;
        EXPECT_EQ(table.GetColumnWidth(0), 60) << k << ": the only column spans the table again";
        for (int32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(table.GetRow(i)->cells.GetSize(), columns) << k << " row " << i;
            EXPECT_EQ(table.GetRow(i)->colours.GetSize(), columns) << k << " row " << i;
            EXPECT_EQ(table.GetRow(i)->values.GetSize(), columns) << k << " row " << i;
            ASSERT_EQ(std::u16string(table.GetCellText(i, 0)), u"#") << k << " row " << i;
        }
    }
    EXPECT_GT(refused, 0);
}

// A column's text origin moves its texts from the next drawing on; setting it draws nothing.
// The block font's '#' starts at the text margin, 8.
TEST_F(TableOps, AColumnTextOriginMovesTheTextAtTheNextDrawing)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 100, 50);
    auto* table = AddAt(backdrop, new CTableWidget, gCRect{0, 0, 60, 50});
    UseBlockFont(*table);
    ASSERT_EQ(table->SetTextShadow(false), eSuccess);
    ASSERT_EQ(table->SetRowHeight(16, false), eSuccess);
    ASSERT_EQ(table->AddRow(false), eSuccess);
    ASSERT_EQ(table->SetCellText(0, 0, gCString(u"#"), false), eSuccess);
    auto firstInk = [&] {
        int32_t first = -1;
        for (int32_t y = 0; y < 16; ++y)
            if (int32_t x = FirstInkX(table->GetCellImageCache(), y); x >= 0 && (first < 0 || x < first))
                first = x;
        return first;
    };
    ASSERT_EQ(firstInk(), 8);
    const CTableWidget::sTextOrigin origin{5.0f, 0.0f};
    ASSERT_EQ(table->SetColumnTextOrigin(0, &origin), eSuccess);
    EXPECT_EQ(firstInk(), 8) << "nothing drawn yet";
    ASSERT_EQ(table->DrawTableCell(0, 0, nullptr), eSuccess);
    EXPECT_EQ(firstInk(), 13);
    EXPECT_EQ(table->SetColumnTextOrigin(1, &origin), eBadParameter);
}

// A notch towards the user (delta below 1) scrolls down by the wheel rows, one away scrolls up.
TEST_F(TableOps, AWheelNotchScrollsByTheWheelRows)
{
    struct sCase {
        int32_t wheelRows, from, delta, to;
    };
    for (sCase c : {sCase{3, 0, -1, 48}, sCase{3, 60, 1, 12}, sCase{1, 60, 0, 76}, sCase{5, 40, 2, 0}}) {
        CTableWidget table;
        Prepare(table);
        table.SetWheelRows(c.wheelRows);
        ASSERT_EQ(table.SetScrollOffset(c.from, false), eSuccess);
        CWidget* handler = nullptr;
        ASSERT_EQ(table.OnWheelScroll(&handler, c.delta), eSuccess);
        EXPECT_EQ(table.GetScrollOffset(), c.to) << c.wheelRows << " rows, delta " << c.delta;
        EXPECT_EQ(handler, &table);
    }
}

// The block glyph covers x 8..15 and rows 0..7 of a 12-high row; its shadow without blur lies at
// the offset, right of and below the glyph, with alpha (255 + 1) x A' >> 8 where A' is the
// colour's alpha scaled by the opacity (255): 128 for the default 0x80000000 and for
// 0x80FF0000. A new colour or offset draws the cells again with it.
TEST_F(TableOps, ShadowColourAndOffsetRedrawTheCastShadow)
{
    CTableWidget table;
    ASSERT_EQ(table.SetSize(40, 24, false), eSuccess);
    UseBlockFont(table);
    ASSERT_EQ(table.SetRowHeight(12, false), eSuccess);
    ASSERT_EQ(table.SetImageShadow(false), eSuccess);
    ASSERT_EQ(table.SetTextShadow(true), eSuccess);
    ASSERT_EQ(table.SetShadowRadius(0.0f, false), eSuccess);
    ASSERT_EQ(table.AddRow(false), eSuccess);
    ASSERT_EQ(table.SetCellText(0, 0, gCString(u"#"), false), eSuccess);
    const CImage& cells = table.GetCellImageCache();
    ASSERT_EQ(PixelAt(cells, 16, 1), 0x80000000u);
    const CPixel red = 0x80FF0000u;
    ASSERT_EQ(table.SetShadowColour(&red, false), eSuccess);
    EXPECT_EQ(PixelAt(cells, 16, 1), 0x80FF0000u);
    EXPECT_EQ(PixelAt(cells, 8, 0), 0xFF000000u) << "the text itself";
    const gCPoint offset{3, 2};
    ASSERT_EQ(table.SetShadowOffset(&offset, false), eSuccess);
    EXPECT_EQ(PixelAt(cells, 18, 2), 0x80FF0000u);
    EXPECT_EQ(PixelAlpha(PixelAt(cells, 16, 1)), 0u) << "above the moved shadow";
}
