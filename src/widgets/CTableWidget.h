// A scrolling table of rows and columns that draws itself: each cell holds a text or an image,
// rows are selected with the mouse, sorted by a column, highlighted under the pointer and given
// drop shadows. Cells are rendered once into a widget-sized cache (the cell image); Paint only
// lays row backgrounds and that cache into the window, and scrolling moves the cached pixels.
// The owner learns of changes through the table messages (TableMessages.h) sent to its listener.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: InsertRow,
// RemoveRow, FindRowById, AddColumn, GetColumnCount, the cell images and values, the scroll steps
// and fractions, GetScrollOffset, SortRows, SortRowsWith, and the getters and setters of the
// colours, wheel rows, shadows, row height, cell margins, grid lines, column widths, image columns,
// fades, justification, text margin and origin, selection and hover highlight.
#pragma once

#include "core/FourCharCode.h"
#include "core/QuickSort.h"
#include "core/gCArray.h"
#include "imaging/CImage.h"
#include "text/CTextRenderer.h"
#include "widgets/CCoWidget.h"
#include "widgets/CreateLoadedWidget.h"
#include "widgets/TableMessages.h"

#include <cstdint>

class CImNav;

// The hover row when no row is highlighted.
inline constexpr int32_t kNoHoverRow = -1000000;

class CTableWidget : public CLoadedWidgetT<CTableWidget, CCoWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("tbwg");

    enum eJustification : int32_t { eLeft = 0, eRight = 1, eCentre = 2 };

    struct sTextOrigin {
        float x = 0.0f;
        float y = 0.0f;
    };

    struct sColumn {
        int32_t width = 0;
        int32_t justification = eLeft;
        uint32_t holdsImages = 0;
        uint32_t flag = 1;
        int32_t x = 0;
        int32_t fadeLeft = 0;
        int32_t fadeRight = 0;
        sTextOrigin origin;
    };

    // One row, owned by the table. A text cell is an owned, zero-terminated UTF-16 buffer from the
    // memory hooks, an image cell a CImage (deleted with the cell unless an image pool holds it).
    // The last three fields serve the multi-line table only.
    struct sRow : public gCBaseObject {
        uintptr_t id = 0;
        uint32_t selected = 0;
        gCArray<void*> cells;
        gCArray<CPixel> colours;
        gCArray<uint32_t> values;
        int32_t contentHeight = 0;
        CPixel background = 0;
        CPixel textColour = 0xFF000000u;
    };

    using sCellAddress = sTableCellAddress;

    CTableWidget();
    ~CTableWidget() override;

    // Overrides of the widget.
    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode OnHeartbeat() override;
    eResultCode OnLButtonDown(CWidget** taker, const gCPoint& point) override;
    eResultCode OnMouseWheel(CWidget** taker, const gCPoint& delta, const gCPoint& point) override;
    eResultCode OnRectChanged() override;
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;

    // Colours and text.
    virtual eResultCode SetEvenRowColour(const CPixel* colour, bool update);
    virtual CPixel GetEvenRowColour() const { return mEvenRowColour; }
    virtual eResultCode SetSelectionColour(const CPixel* colour, bool update);
    virtual CPixel GetSelectionColour() const { return mSelectionColour; }
    virtual int32_t GetWheelRows() const { return mWheelRows; }
    virtual void SetWheelRows(int32_t rows) { mWheelRows = rows; }
    virtual int32_t GetScrollOffset() const { return mScrollOffset; }
    virtual eResultCode SetTextRenderer(const CTextRenderer& renderer, bool update);
    virtual void GetTextRenderer(CTextRenderer& out) const { out = mTextRenderer; }
    virtual eResultCode SetSelectedTextRenderer(const CTextRenderer& renderer, bool update);
    virtual void GetSelectedTextRenderer(CTextRenderer& out) const { out = mSelectedTextRenderer; }

    // Shadows.
    virtual eResultCode SetImageShadow(bool on);
    virtual bool GetImageShadow() const { return mImageShadow != 0; }
    virtual eResultCode SetTextShadow(bool on);
    virtual bool GetTextShadow() const { return mTextShadow != 0; }
    virtual eResultCode SetShadowOffset(const gCPoint* offset, bool update);
    virtual gCPoint GetShadowOffset() const { return mShadowOffset; }
    virtual eResultCode SetShadowColour(const CPixel* colour, bool update);
    virtual CPixel GetShadowColour() const { return mShadowColour; }
    virtual eResultCode SetShadowOpacity(int32_t opacity, bool update);
    virtual int32_t GetShadowOpacity() const { return mShadowOpacity; }
    virtual eResultCode SetShadowRadius(float radius, bool update);
    virtual float GetShadowRadius() const { return mShadowRadius; }

    // Rows.
    virtual eResultCode SetRowColour(int32_t row, const CPixel* colour, bool update);
    virtual eResultCode SetRowHeight(int32_t height, bool update);
    virtual int32_t GetRowHeight() const { return mRowHeight; }
    virtual int32_t GetRowCount() const { return mRows.GetSize(); }
    virtual eResultCode AddRow(bool update);
    virtual eResultCode InsertRow(int32_t index, bool update);
    virtual eResultCode RemoveRow(int32_t index, bool update);
    virtual eResultCode RemoveAllRows(bool update);
    virtual bool IsRowVisible(int32_t row);
    virtual eResultCode EnsureRowVisible(int32_t row, bool update);
    virtual int32_t GetRowTop(int32_t row);
    virtual int32_t GetRowBottom(int32_t row);
    virtual int32_t GetRowAtY(int32_t y);
    virtual void SetCellTopMargin(int32_t pixels);
    virtual void SetCellBottomMargin(int32_t pixels);
    virtual int32_t GetCellTopMargin() const { return mCellTopMargin; }
    virtual int32_t GetCellBottomMargin() const { return mCellBottomMargin; }
    virtual eResultCode SetRowId(int32_t row, uintptr_t id);
    virtual uintptr_t GetRowId(int32_t row) const;
    virtual int32_t FindRowById(uintptr_t id) const;

    // Cells.
    virtual eResultCode SetCellText(int32_t row, int32_t column, const gCString& text, bool update);
    virtual const char16_t* GetCellText(int32_t row, int32_t column) const;
    virtual eResultCode SetCellImage(int32_t row, int32_t column, CImage* image, bool update);
    virtual CImage* GetCellImage(int32_t row, int32_t column) const;
    // Null for an index outside the rows.
    virtual sRow* GetRow(int32_t row) const;
    virtual eResultCode RedrawRow(int32_t row, bool update);
    virtual eResultCode RedrawCell(int32_t row, int32_t column, bool update);
    virtual eResultCode SetCellValue(int32_t row, int32_t column, uint32_t value);
    virtual uint32_t GetCellValue(int32_t row, int32_t column) const;

    // Grid lines.
    virtual eResultCode SetGridLineColour(const CPixel* colour, bool update);
    virtual CPixel GetGridLineColour() const { return mGridLineColour; }
    virtual eResultCode SetGridLines(bool on, bool update);
    virtual bool GetGridLines() const { return mGridLines != 0; }

    // Columns.
    virtual int32_t GetColumnCount() const { return mColumns.GetSize(); }
    virtual eResultCode AddColumn(int32_t width, bool textColumn, bool update);
    virtual eResultCode SetColumnWidth(int32_t column, int32_t width, bool update);
    virtual int32_t GetColumnWidth(int32_t column) const;
    virtual eResultCode SetColumnHoldsImages(int32_t column, bool holdsImages, bool update);
    virtual bool ColumnHoldsImages(int32_t column) const;
    virtual eResultCode SetColumnFadeLeft(int32_t column, int32_t pixels, bool update);
    virtual eResultCode SetColumnFadeRight(int32_t column, int32_t pixels, bool update);
    virtual int32_t GetColumnFadeLeft(int32_t column) const;
    virtual int32_t GetColumnFadeRight(int32_t column) const;
    virtual int32_t GetColumnAtX(int32_t x);
    virtual int32_t GetColumnX(int32_t column);
    virtual eResultCode SetColumnJustification(int32_t column, int32_t justification, bool update);
    virtual int32_t GetColumnJustification(int32_t column) const;
    virtual eResultCode SetTextMargin(int32_t pixels, bool update);
    virtual int32_t GetTextMargin() const { return mTextMargin; }
    virtual sTextOrigin GetColumnTextOrigin(int32_t column) const;
    virtual eResultCode SetColumnTextOrigin(int32_t column, const sTextOrigin* origin);

    // Scrolling.
    virtual eResultCode ScrollToThumb(int32_t trackLength, int32_t thumbLength, const gCPoint& position,
                                      bool update);
    virtual eResultCode SetScrollFraction(float fraction, int32_t rows, bool update);
    virtual eResultCode SetScrollOffset(int32_t offset, bool update);
    virtual eResultCode ScrollUpPixel(bool update);
    virtual eResultCode ScrollDownPixel(bool update);
    virtual eResultCode ScrollUpRow(bool update);
    virtual eResultCode ScrollDownRow(bool update);
    virtual eResultCode ScrollUpPage(bool update);
    virtual eResultCode ScrollDownPage(bool update);
    virtual eResultCode ScrollToTop(bool update);
    virtual eResultCode ScrollToBottom(bool update);
    virtual float GetScrollFraction(int32_t rows);
    virtual float GetVisibleFraction(int32_t rows);

    // Selection.
    virtual eResultCode SelectRow(int32_t row, bool update);
    virtual eResultCode SelectOnlyRow(int32_t row, bool update);
    virtual eResultCode DeselectRow(int32_t row, bool update);
    virtual eResultCode SelectAll(bool select, bool update);
    virtual int32_t CountSelectedRows() const;
    virtual int32_t FindSelectedRow(int32_t from) const;
    virtual void SetSelectable(bool on) { mSelectable = on ? 1 : 0; }
    virtual bool IsSelectable() const { return mSelectable != 0; }
    virtual eResultCode SetMultiSelect(bool on, bool update);
    virtual bool IsMultiSelect() const { return mMultiSelect != 0; }

    // Hover and wheel.
    virtual bool GetHoverHighlight() const { return mHoverHighlight != 0; }
    virtual eResultCode SetHoverHighlight(bool on, bool update);
    virtual CPixel GetHoverColour() const { return mHoverColour; }
    virtual eResultCode SetHoverColour(const CPixel* colour, bool update);
    virtual eResultCode OnWheelScroll(CWidget** handler, int32_t delta);

    virtual uint32_t SendTableMessage(uint32_t message, uintptr_t parameter);
    virtual void FreeRow(sRow* row);
    // Puts a newly made row (null: out of memory) at index, or frees it when the list cannot
    // take it; the rows' layout changes from there.
    eResultCode PlaceNewRow(int32_t index, sRow* row);

    // The cell cache.
    virtual eResultCode DrawCells(const gCRect& area);
    virtual void FreeColumnImages();
    virtual eResultCode RebuildColumnImages();
    virtual eResultCode DrawTableCell(int32_t row, int32_t column, const gCRect* area);
    virtual eResultCode ScrollCellImage(int32_t top, int32_t height, int32_t delta, bool redraw, bool update);
    virtual eResultCode DrawShadowedCell(int32_t column, const gCRect& area, int32_t x, int32_t y);

    // Sorting: the comparators get two sRow pointers and the table.
    eResultCode SortRows(int32_t column, bool numeric, bool ascending, bool update);
    eResultCode SortRowsWith(int32_t column, tSortCompare compare, intptr_t context, bool ascending,
                             bool update);
    static int32_t CompareRowsByImage(intptr_t a, intptr_t b, intptr_t table);
    static int32_t CompareRowsByNumber(intptr_t a, intptr_t b, intptr_t table);
    static int32_t CompareRowsByString(intptr_t a, intptr_t b, intptr_t table);
    int32_t GetSortColumn() const { return mSortColumn; }
    bool GetSortAscending() const { return mSortAscending != 0; }

    // A scroll thumb for a track of that length.
    int32_t GetThumbLength(int32_t trackLength);
    int32_t GetThumbPosition(int32_t trackLength, int32_t thumbLength);

    // The cell cache, for drawing checks.
    const CImage& GetCellImageCache() const { return mCellImage; }

    // Assigned by the owner directly: 0 delivers messages through OnMessage, anything else
    // through OnCommand.
    uint32_t mCommandMode = 0;
    gCCmdTarget* mListener = nullptr;

protected:
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder);

    bool IsRowIndex(int32_t row) const { return row >= 0 && row < mRows.GetSize(); }
    bool IsColumnIndex(int32_t column) const { return column >= 0 && column < mColumns.GetSize(); }
    // A row record sized to the columns; null when memory runs out.
    sRow* NewRow();
    // An empty cell at the end of a row; the cell at a column index taken out.
    eResultCode AppendCell(sRow* row, bool image);
    void RemoveCell(sRow* row, int32_t column);
    // Frees a cell's text or lets go of its image, leaving it empty.
    void ClearCell(sRow* row, int32_t column);
    void RecomputeColumnX(int32_t from);
    // Deselects every selected row, redrawing each.
    eResultCode ClearSelection();
    // Replaces a text cell's buffer with a copy of the text, without drawing.
    eResultCode StoreCellText(int32_t row, int32_t column, const gCString& text);
    // Rows from `from` on changed place or height (the multi-line table keeps running sums).
    virtual void RowLayoutChanged(int32_t) {}
    // The whole widget's area.
    gCRect OwnArea() const { return {0, 0, GetWidth(), GetHeight()}; }
    eResultCode RedrawAllCells() { return DrawCells(OwnArea()); }
    // Makes an area of the cell cache transparent.
    eResultCode ClearCellArea(const gCRect& area);
    eResultCode Refresh(bool update) { return InvalidateContent(update); }
    eResultCode RedrawAndRefresh(bool update);
    // Invalidates the band of a row, full width and clipped to the widget.
    eResultCode InvalidateRowBand(int32_t row, bool update);
    // Height of row `row`: the uniform row height here, the row's own in the multi-line table.
    virtual int32_t RowHeightOf(int32_t row);
    // The scroll fraction a thumb dragged to position asks for; false when the rows fit or the
    // thumb is at the top of its track.
    bool ThumbFraction(int32_t trackLength, int32_t thumbLength, const gCPoint& position, float& fraction);
    // The scroll offset fraction (held within 0..1) of the way down rows of content height.
    int32_t OffsetAtFraction(float fraction, int64_t content);
    int32_t LastCountedRowBottom(int32_t rows);
    virtual int32_t TotalContentHeight();
    eResultCode StoreShadowSetting(bool update);
    eResultCode SortWith(tSortCompare compare, intptr_t context);
    // The backdrop's rollover widget, when the table is in a backdrop's tree.
    CWidget* RolloverWidget();
    // The text renderer prepared for one cell of the row.
    CTextRenderer& PrepareRenderer(const sRow& row, int32_t column, CPixel colour);
    // Copies an image cell, fitted, into a cleared text image.
    eResultCode FitImageInto(CImage* image, CImage* target, int32_t justification);
    static void ApplyFades(CImage* image, int32_t fadeLeft, int32_t fadeRight);
    // Lays the text image T and its blurred shadow S into the cell cache at (x, y), within area.
    eResultCode ComposeShadowedCell(CImage* text, CImage* shadow, int32_t justification, int32_t rowHeight,
                                    const gCRect& area, int32_t x, int32_t y);
    // Copies T into the cell cache at (x + the justification's margin, y), clipped to area.
    eResultCode CopyTextImage(CImage* text, int32_t justification, const gCRect& area, int32_t x, int32_t y);
    int32_t JustifiedMargin(int32_t justification) const;
    // The background colours at a painting alpha: scaled alphas, opaque with the opaque-blit flag.
    struct sPaintColours {
        CPixel odd, even, selection, hover, grid;
    };
    sPaintColours ScaledPaintColours(int32_t alpha) const;
    // Paint's lines, over the clipped rect; both navigators cover it.
    virtual void PaintRows(CImNav& out, CImNav& cells, const gCRect& rect, int32_t alpha);
    static void PaintLine(CPixel* target, const CPixel* cells, int32_t count, CPixel background, int32_t k);

    int32_t mRowHeight = 16;
    gCArray<sColumn> mColumns;
    gCArray<sRow*> mRows;
    int32_t mTextMargin = 8;
    CPixel mEvenRowColour = 0xFFFFFFFFu;
    CPixel mSelectionColour = 0xA0FFFFFFu;
    CTextRenderer mTextRenderer;
    CTextRenderer mSelectedTextRenderer;
    CImage mCellImage;
    gCArray<CImage*> mColumnTextImages;
    gCArray<CImage*> mColumnShadowImages;
    int32_t mScrollOffset = 0;
    int32_t mHorizontalScrollOffset = 0;
    uint32_t mImageShadow = 1;
    uint32_t mTextShadow = 1;
    int32_t mShadowOpacity = 255;
    gCPoint mShadowOffset{1, 1};
    CPixel mShadowColour = 0x80000000u;
    float mShadowRadius = 1.5f;
    uint32_t mSelectable = 1;
    uint32_t mMultiSelect = 1;
    int32_t mSortColumn = 0;
    uint32_t mSortAscending = 1;
    uint32_t mHoverHighlight = 0;
    int32_t mHoverRow = kNoHoverRow;
    CPixel mHoverColour = 0x83FFFFFFu;
    int32_t mCellTopMargin = 0;
    int32_t mCellBottomMargin = 0;
    int32_t mWheelRows = 4;
    CPixel mGridLineColour = 0x80808080u;
    uint32_t mGridLines = 1;
};
