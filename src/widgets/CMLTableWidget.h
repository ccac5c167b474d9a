// The table with rows of their own heights: every text cell wraps at its column's width, a row is
// as tall as its tallest cell (at least the table's row height) plus the cell margins, and each
// row keeps its own background and text colour. The updater's status lines live in one.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetRowHeightAt and the row background's getter and setter.
#pragma once

#include "core/FourCharCode.h"
#include "widgets/CTableWidget.h"

class CMLTableWidget : public CTableWidget {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("mltb");

    CMLTableWidget();
    ~CMLTableWidget() override = default;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode OnRectChanged() override;

    eResultCode SetTextRenderer(const CTextRenderer& renderer, bool update) override;
    eResultCode SetRowColour(int32_t row, const CPixel* colour, bool update) override;
    eResultCode SetRowHeight(int32_t height, bool update) override;
    eResultCode AddRow(bool update) override;
    eResultCode InsertRow(int32_t index, bool update) override;
    eResultCode EnsureRowVisible(int32_t row, bool update) override;
    int32_t GetRowTop(int32_t row) override;
    int32_t GetRowAtY(int32_t y) override;
    eResultCode SetCellText(int32_t row, int32_t column, const gCString& text, bool update) override;
    eResultCode SetColumnWidth(int32_t column, int32_t width, bool update) override;
    eResultCode SetColumnHoldsImages(int32_t column, bool holdsImages, bool update) override;
    eResultCode ScrollToThumb(int32_t trackLength, int32_t thumbLength, const gCPoint& position,
                              bool update) override;
    eResultCode DrawTableCell(int32_t row, int32_t column, const gCRect* area) override;

    virtual eResultCode SetRowContentHeight(int32_t row, int32_t height, bool update);
    virtual eResultCode SetRowHeightAt(int32_t row, int32_t totalHeight, bool flag);
    virtual int32_t GetRowContentHeight(int32_t row);
    virtual int32_t GetRowHeightAt(int32_t row);
    virtual CPixel GetRowBackground(int32_t row);
    virtual eResultCode SetRowBackground(int32_t row, const CPixel* colour, bool update);
    // Rows first..last (only first when last is -1).
    virtual void MeasureRowHeights(int32_t first, int32_t last);
    // The first n rows' heights; n outside 0..count means all rows.
    virtual int32_t GetContentHeight(int32_t n);
    virtual eResultCode ScrollToFraction(float fraction, bool update);
    using CTableWidget::DrawShadowedCell;
    virtual eResultCode DrawShadowedCell(int32_t column, const gCRect& area, int32_t x, int32_t y, CImage* text);

    // Unlike the plain table's, the position is not held within the track.
    int32_t GetThumbPosition(int32_t trackLength, int32_t thumbLength);

protected:
    void PaintRows(CImNav& out, CImNav& cells, const gCRect& rect, int32_t alpha) override;
    int32_t RowHeightOf(int32_t row) override { return GetRowHeightAt(row); }
    int32_t TotalContentHeight() override { return GetContentHeight(-1); }
    void RowLayoutChanged(int32_t from) override;
    // The row record for a new row at index, or null when memory runs out.
    sRow* NewMultiLineRow(int32_t index);

private:
    // Running sums of the row heights: mRowTops[i] is the content y of row i, valid for the
    // first mValidTops entries. Appending a status line extends it instead of summing every row.
    gCArray<int32_t> mRowTops;
    int32_t mValidTops = 0;
};
