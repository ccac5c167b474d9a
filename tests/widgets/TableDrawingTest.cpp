#include "TableTestSupport.h"

#include "imaging/PixelCompositing.h"

#include <memory>

namespace {

using TableDrawing = TableTest;

// Exposes the hover row and counts the cells drawn.
class CTestTable : public CTableWidget {
public:
    using CTableWidget::mHoverRow;
    eResultCode DrawTableCell(int32_t row, int32_t column, const gCRect* area) override
    {
        drawnRows.push_back(row);
        return CTableWidget::DrawTableCell(row, column, area);
    }
    std::vector<int32_t> drawnRows;
};

// A table of the given size on the block font, rows of `rowHeight`, no shadows unless asked.
void Prepare(CTableWidget& table, int32_t width, int32_t height, int32_t rowHeight)
{
    ASSERT_EQ(table.SetSize(width, height, false), eSuccess);
    UseBlockFont(table);
    ASSERT_EQ(table.SetRowHeight(rowHeight, false), eSuccess);
    ASSERT_EQ(table.SetTextShadow(false), eSuccess);
    ASSERT_EQ(table.SetImageShadow(false), eSuccess);
}

void AddRows(CTableWidget& table, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        ASSERT_EQ(table.AddRow(false), eSuccess);
        // Row i shows i % 3 + 1 blocks, so a line tells which row it came from.
        ASSERT_EQ(table.SetCellText(i, 0, gCString(std::u16string(size_t(i % 3 + 1), u'#').c_str()), false), eSuccess);
    }
}

int32_t InkCount(const CImage& image, int32_t y)
{
    int32_t count = 0;
    for (int32_t x = 0; x < image.GetWidth(); ++x)
        count += PixelAlpha(PixelAt(image, x, y)) != 0 ? 1 : 0;
    return count;
}

std::unique_ptr<CImage> Painted(CTableWidget& table, int32_t alpha = 255)
{
    std::unique_ptr<CImage> target(new CImage(table.GetWidth(), table.GetHeight()));
    EXPECT_EQ(table.Paint(gCRect{0, 0, table.GetWidth(), table.GetHeight()}, target.get(), alpha), eSuccess);
    return target;
}

constexpr CPixel kEven = 0xFF2040C0u, kOdd = 0xFF102030u, kGrid = 0xFF808080u, kSelection = 0xFF00A000u,
                 kHover = 0xFFC0C000u;

void SetColours(CTableWidget& table)
{
    ASSERT_EQ(table.SetEvenRowColour(&kEven, false), eSuccess);
    table.SetColour(kOdd, false);
    ASSERT_EQ(table.SetGridLineColour(&kGrid, false), eSuccess);
    ASSERT_EQ(table.SetSelectionColour(&kSelection, false), eSuccess);
    ASSERT_EQ(table.SetHoverColour(&kHover, false), eSuccess);
}

TEST_F(TableDrawing, RowBackgroundsStripeSelectHoverAndEndInAGridLine)
{
    CTestTable table;
    Prepare(table, 60, 60, 10);
    SetColours(table);
    {
        // Without rows the stripes and grid lines go on as if rows continued.
        std::unique_ptr<CImage> empty = Painted(table);
        const std::vector<std::pair<int32_t, CPixel>> lines = {{0, kEven}, {8, kEven}, {9, kGrid}, {10, kOdd},
                                                               {19, kGrid}, {20, kEven}, {59, kGrid}};
        for (const auto& [y, colour] : lines)
            EXPECT_EQ(PixelAt(*empty, 50, y), colour) << y;
    }
    AddRows(table, 4);
    ASSERT_EQ(table.SelectRow(1, false), eSuccess);
    ASSERT_EQ(table.SetHoverHighlight(true, false), eSuccess);
    table.mHoverRow = 2;
    std::unique_ptr<CImage> painted = Painted(table);
    const std::vector<std::pair<int32_t, CPixel>> rows = {{0, kEven}, {10, kSelection}, {20, kHover}, {30, kOdd}, {29, kGrid}};
    for (const auto& [y, colour] : rows)
        EXPECT_EQ(PixelAt(*painted, 50, y), colour) << y;
    EXPECT_EQ(PixelAt(*painted, 8, 0), 0xFF000000u) << "the text over its row";
    EXPECT_EQ(PixelAt(*painted, 15, 7), 0xFF000000u);
    EXPECT_EQ(PixelAt(*painted, 8, 9), kGrid);

    // Half opacity: translucent colours blend onto what is there; the opaque-blit flag makes the
    // backgrounds opaque but keeps the grid line's alpha.
    auto paintOverWhite = [&](int32_t alpha) {
        std::unique_ptr<CImage> target(new CImage(60, 60));
        CPixel white = 0xFFFFFFFFu;
        CImNav(target.get(), nullptr).Fill(&white);
        EXPECT_EQ(table.Paint(gCRect{0, 0, 60, 60}, target.get(), alpha), eSuccess);
        return target;
    };
    // Half opacity: the backgrounds blend onto what is there; the opaque-blit flag makes them
    // opaque but the grid line keeps its scaled alpha.
    std::unique_ptr<CImage> half = paintOverWhite(127);
    EXPECT_EQ(PixelAt(*half, 50, 0), BlendNormalWeighted(0xFFFFFFFFu, kEven, 127));
    table.SetOpaqueBlit(true);
    std::unique_ptr<CImage> opaque = paintOverWhite(127);
    EXPECT_EQ(PixelAt(*opaque, 50, 0), kEven);
    EXPECT_EQ(PixelAt(*opaque, 50, 9), BlendNormalWeighted(0xFFFFFFFFu, kGrid, 127));
}

TEST_F(TableDrawing, JustificationPlacesTextByTheMargin)
{
    CTableWidget table;
    Prepare(table, 120, 20, 10);
    ASSERT_EQ(table.SetColumnWidth(0, 40, false), eSuccess);
    ASSERT_EQ(table.AddColumn(40, true, false), eSuccess);
    ASSERT_EQ(table.AddColumn(40, true, false), eSuccess);
    ASSERT_EQ(table.SetColumnJustification(1, CTableWidget::eRight, false), eSuccess);
    ASSERT_EQ(table.SetColumnJustification(2, CTableWidget::eCentre, false), eSuccess);
    ASSERT_EQ(table.AddRow(false), eSuccess);
    for (int32_t c = 0; c < 3; ++c)
        ASSERT_EQ(table.SetCellText(0, c, gCString(u"#"), false), eSuccess);
    const CImage& cells = table.GetCellImageCache();
    std::vector<int32_t> starts;
    for (int32_t x = 1; x < 120; ++x)
        if (PixelAlpha(PixelAt(cells, x, 0)) && !PixelAlpha(PixelAt(cells, x - 1, 0)))
            starts.push_back(x);
    // Left: at the margin. Right: flush with the column's right edge. Centre: half the margin,
    // then centred in the 32 pixels left.
    CTextRenderer renderer;
    table.GetTextRenderer(renderer);
    int32_t w = renderer.GetTextWidth(gCString(u"#"));
    EXPECT_EQ(starts, (std::vector<int32_t>{8, 40 + 32 - w, 80 + 4 + (32 - w) / 2}));
    ASSERT_EQ(table.SetTextMargin(-3, false), eSuccess);
    EXPECT_EQ(table.GetTextMargin(), 0);
    EXPECT_EQ(FirstInkX(cells, 0), 0);
}

TEST_F(TableDrawing, ATextCellCastsItsShadowByTheOffsetAndOpacity)
{
    CTableWidget table;
    Prepare(table, 40, 24, 12);
    ASSERT_EQ(table.SetTextShadow(true), eSuccess);
    ASSERT_EQ(table.SetShadowRadius(0.0f, false), eSuccess);
    AddRows(table, 1);
    const CImage& cells = table.GetCellImageCache();
    EXPECT_EQ(PixelAt(cells, 8, 0), 0xFF000000u) << "the text itself";
    EXPECT_EQ(PixelAt(cells, 16, 1), 0x80000000u) << "shadow only, right of the glyph and one line down";
    EXPECT_EQ(PixelAlpha(PixelAt(cells, 16, 0)), 0u);
    EXPECT_EQ(PixelAt(cells, 9, 8), 0x80000000u) << "under the glyph";
    EXPECT_EQ(PixelAlpha(PixelAt(cells, 8, 8)), 0u);

    ASSERT_EQ(table.SetShadowOpacity(127, false), eSuccess);
    EXPECT_EQ(PixelAt(cells, 16, 1), 0x40000000u);
    ASSERT_EQ(table.SetShadowRadius(2.0f, false), eSuccess);
    EXPECT_GT(PixelAlpha(PixelAt(cells, 18, 1)), 0u) << "blurred beyond the offset";

    // Too short a row or too narrow a column for the offset: the shadowed cell stays empty.
    ASSERT_EQ(table.SetRowHeight(1, false), eSuccess);
    EXPECT_EQ(InkCount(cells, 0), 0);
    ASSERT_EQ(table.SetRowHeight(12, false), eSuccess);
    ASSERT_EQ(table.SetColumnWidth(0, 9, false), eSuccess);
    ASSERT_EQ(table.AddColumn(31, true, false), eSuccess);
    EXPECT_EQ(InkCount(cells, 0), 0);
}

TEST_F(TableDrawing, ImageCellsFitTheirColumnAndFadesRampTheAlpha)
{
    CTableWidget table;
    Prepare(table, 40, 16, 16);
    ASSERT_EQ(table.SetColumnHoldsImages(0, true, false), eSuccess);
    ASSERT_EQ(table.AddRow(false), eSuccess);
    auto* small = new CImage(20, 10);
    CPixel red = 0xFFFF0000u;
    {
        CImNav nav(small, nullptr);
        nav.Fill(&red);
    }
    ASSERT_EQ(table.SetCellImage(0, 0, small, false), eSuccess);
    const CImage& cells = table.GetCellImageCache();
    // Unscaled, at the margin, centred vertically in the 16 lines.
    EXPECT_EQ(PixelAt(cells, 8, 3), red);
    EXPECT_EQ(PixelAlpha(PixelAt(cells, 8, 2)), 0u);
    EXPECT_EQ(PixelAt(cells, 27, 12), red);
    EXPECT_EQ(PixelAlpha(PixelAt(cells, 28, 12)), 0u);

    // Twice too wide: halved to 32 x 4, from line 6.
    auto* wide = new CImage(64, 8);
    {
        CImNav nav(wide, nullptr);
        nav.Fill(&red);
    }
    ASSERT_EQ(table.SetCellImage(0, 0, wide, false), eSuccess);
    EXPECT_EQ(PixelAt(cells, 8, 6), red);
    EXPECT_EQ(PixelAt(cells, 39, 9), red);
    EXPECT_EQ(PixelAlpha(PixelAt(cells, 8, 5)), 0u);
    EXPECT_EQ(PixelAlpha(PixelAt(cells, 8, 10)), 0u);

    ASSERT_EQ(table.SetColumnFadeLeft(0, 4, false), eSuccess);
    ASSERT_EQ(table.SetColumnFadeRight(0, 4, false), eSuccess);
    const std::vector<std::pair<int32_t, uint32_t>> alphas = {
        {8, 255 * 64 / 256}, {9, 255 * 128 / 256}, {11, 255}, {35, 255}, {36, 255 * 192 / 256},
        {37, 255 * 128 / 256}, {39, 255 * 1 / 256}};
    for (const auto& [x, alpha] : alphas)
        EXPECT_EQ(PixelAlpha(PixelAt(cells, x, 8)), alpha) << x;
}

TEST_F(TableDrawing, ScrollingMovesTheCacheAndRendersOnlyTheRowComingIntoView)
{
    CTestTable table;
    Prepare(table, 40, 40, 10);
    AddRows(table, 10);
    const CImage& cells = table.GetCellImageCache();
    EXPECT_EQ(InkCount(cells, 0), 8);
    table.drawnRows.clear();
    ASSERT_EQ(table.ScrollDownRow(false), eSuccess);
    EXPECT_EQ(table.drawnRows, (std::vector<int32_t>{4}));
    const std::vector<int32_t> expected = {16, 24, 8, 16};
    for (int32_t line = 0; line < 4; ++line)
        EXPECT_EQ(InkCount(cells, line * 10), expected[size_t(line)]) << line;

    // The wheel: rows per notch, down for deltas below 1, clamped to the content.
    CWidget* taker = nullptr;
    ASSERT_EQ(table.OnMouseWheel(&taker, gCPoint{0, -1}, gCPoint{5, 5}), eSuccess);
    EXPECT_EQ(taker, &table);
    EXPECT_EQ(table.GetScrollOffset(), 50);
    ASSERT_EQ(table.OnMouseWheel(&taker, gCPoint{0, 0}, gCPoint{5, 5}), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 60);
    ASSERT_EQ(table.OnMouseWheel(&taker, gCPoint{0, 2}, gCPoint{5, 5}), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 20);
    EXPECT_EQ(InkCount(cells, 0), 24) << "row 2 at the top after the jumps";

    ASSERT_EQ(table.EnsureRowVisible(9, false), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 60);
    ASSERT_EQ(table.EnsureRowVisible(0, false), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 0);
    ASSERT_EQ(table.ScrollDownPage(false), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 30);
    EXPECT_EQ(table.GetThumbLength(100), 40);
    EXPECT_EQ(table.GetThumbPosition(100, 40), 30);
    while (table.GetRowCount() > 4)
        ASSERT_EQ(table.RemoveRow(table.GetRowCount() - 1, false), eSuccess);
    ASSERT_EQ(table.EnsureRowVisible(3, false), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 0) << "the content fits";
}

} // namespace
