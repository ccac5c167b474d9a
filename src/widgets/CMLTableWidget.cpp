// The multi-line table's rows: their measured heights and running sums, adding and inserting
// rows, texts that change a row's height, and scrolling over rows of different heights.
#include "widgets/CMLTableWidget.h"

#include "core/ReadiedOrNull.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

CMLTableWidget::CMLTableWidget()
{
    mHoverHighlight = 1;
    mGridLineColour = 0x80808080u;
    mGridLines = 1;
    mTextRenderer.mWrap = 1;
    mSelectedTextRenderer.mWrap = 1;
    mCellTopMargin = 4;
    mCellBottomMargin = 4;
}

// ---- heights ------------------------------------------------------------------------------------

void CMLTableWidget::RowLayoutChanged(int32_t from)
{
    // Entry `from` (the content y of that row) depends only on the rows above it.
    int32_t keep = std::max(from, 0) + 1;
    if (keep < mValidTops)
        mValidTops = keep;
}

int32_t CMLTableWidget::GetRowContentHeight(int32_t row)
{
    return IsRowIndex(row) ? mRows[row]->contentHeight : 0;
}

int32_t CMLTableWidget::GetRowHeightAt(int32_t row)
{
    return GetRowContentHeight(row) + mCellTopMargin + mCellBottomMargin;
}

int32_t CMLTableWidget::GetContentHeight(int32_t n)
{
    int32_t count = mRows.GetSize();
    if (n < 0 || n > count)
        n = count;
    if (n < mValidTops)
        return mRowTops[n];
    if (mRowTops.GetSize() < count + 1 && mRowTops.SetSize(count + 1) != eSuccess) {
        // Without room for the sums, add them up each time.
        int64_t sum = 0;
        for (int32_t i = 0; i < n; ++i)
            sum += GetRowHeightAt(i);
        return int32_t(std::min<int64_t>(sum, INT32_MAX));
    }
    if (mValidTops == 0) {
        mRowTops[0] = 0;
        mValidTops = 1;
    }
    for (int32_t i = mValidTops; i <= n; ++i)
        mRowTops[i] = int32_t(std::min<int64_t>(int64_t(mRowTops[i - 1]) + GetRowHeightAt(i - 1), INT32_MAX));
    mValidTops = n + 1;
    return mRowTops[n];
}

int32_t CMLTableWidget::GetRowTop(int32_t row)
{
    return (row > 0 ? GetContentHeight(row) : 0) - mScrollOffset;
}

int32_t CMLTableWidget::GetRowAtY(int32_t y)
{
    if (y < -mScrollOffset)
        return -1;
    int32_t count = mRows.GetSize();
    int64_t target = int64_t(y) + mScrollOffset;
    if (target >= GetContentHeight(-1))
        return count;
    if (mValidTops < count + 1) {
        int32_t row = 0;
        for (int64_t bottom = GetRowHeightAt(0); row < count && bottom <= target; bottom += GetRowHeightAt(row))
            ++row;
        return row;
    }
    // The first row whose bottom lies below the target.
    const int32_t* tops = mRowTops.GetData();
    return int32_t(std::upper_bound(tops + 1, tops + count + 1, target) - (tops + 1));
}

void CMLTableWidget::MeasureRowHeights(int32_t first, int32_t last)
{
    if (last == -1)
        last = first;
    first = std::max(first, 0);
    last = std::min(last, mRows.GetSize() - 1);
    if (last < first)
        return;
    for (int32_t r = first; r <= last; ++r) {
        sRow* row = mRows[r];
        int32_t height = mRowHeight;
        for (int32_t c = 0; c < mColumns.GetSize() && c < row->cells.GetSize(); ++c) {
            if (mColumns[c].holdsImages || !row->cells[c])
                continue;
            // Before layout a column can be narrower than the margin; the wrap needs a width.
            int32_t wrap = std::max(GetColumnWidth(c) - mTextMargin, 1);
            height = std::max(height, mTextRenderer.GetTextHeight(gCString(static_cast<const char16_t*>(row->cells[c])), wrap));
        }
        row->contentHeight = height;
    }
    RowLayoutChanged(first);
}

eResultCode CMLTableWidget::SetRowContentHeight(int32_t row, int32_t height, bool update)
{
    if (!IsRowIndex(row) || height < 0)
        return eBadParameter;
    int32_t old = GetRowHeightAt(row);
    mRows[row]->contentHeight = height;
    RowLayoutChanged(row);
    // The last row moves the empty space below it too, so a shrinking row leaves no old pixels.
    int32_t top = GetRowTop(row) + old;
    PNU_TRY(ScrollCellImage(top, GetHeight() - top, GetRowHeightAt(row) - old, false, false));
    if (row < mRows.GetSize() - 1)
        PNU_TRY(RedrawRow(row + 1, false));
    PNU_TRY(RedrawRow(row, false));
    return NotifyRowsChanged(*this, update);
}

eResultCode CMLTableWidget::SetRowHeightAt(int32_t row, int32_t totalHeight, bool)
{
    return SetRowContentHeight(row, totalHeight - mCellTopMargin - mCellBottomMargin, true);
}

eResultCode CMLTableWidget::SetRowHeight(int32_t height, bool update)
{
    if (height < 1)
        return eBadParameter;
    int32_t topRow = GetRowAtY(0);
    mRowHeight = height;
    int32_t count = mRows.GetSize();
    if (count == 0)
        return NotifyRowsChanged(*this, update);
    MeasureRowHeights(0, count - 1);
    // The row that was at the top stays there as far as the content allows.
    int32_t limit = std::max(GetContentHeight(-1) - GetHeight(), 0);
    mScrollOffset = std::clamp(GetContentHeight(std::clamp(topRow, 0, count)), 0, limit);
    PNU_TRY(RedrawAndRefresh(false));
    return NotifyRowsChanged(*this, update);
}

// ---- rows ---------------------------------------------------------------------------------------

CTableWidget::sRow* CMLTableWidget::NewMultiLineRow(int32_t index)
{
    sRow* row = ReadiedOrNull(new sRow(), [this](sRow& made) { return made.cells.SetSize(mColumns.GetSize()); });
    if (!row)
        return nullptr;
    row->contentHeight = mRowHeight;
    row->background = (index & 1) ? mColour : mEvenRowColour;
    row->textColour = 0xFF000000u;
    return row;
}

eResultCode CMLTableWidget::AddRow(bool update)
{
    int32_t index = mRows.GetSize();
    sRow* row = NewMultiLineRow(index);
    if (!row)
        return eNoMemory;
    if (eResultCode result = mRows.Add(row); result != eSuccess) {
        FreeRow(row);
        return result;
    }
    RowLayoutChanged(index);
    MeasureRowHeights(index, -1);
    return NotifyRowsChanged(*this, update);
}

eResultCode CMLTableWidget::InsertRow(int32_t index, bool update)
{
    if (index < 0 || index > mRows.GetSize())
        return eBadParameter;
    PNU_TRY(PlaceNewRow(index, NewMultiLineRow(index)));
    MeasureRowHeights(index, -1);
    int32_t top = GetRowTop(index);
    PNU_TRY(ScrollCellImage(top, GetHeight() - top, GetRowHeightAt(index), true, false));
    return NotifyRowsChanged(*this, update);
}

eResultCode CMLTableWidget::SetCellText(int32_t row, int32_t column, const gCString& text, bool update)
{
    PNU_TRY(StoreCellText(row, column, text));
    int32_t old = GetRowHeightAt(row);
    MeasureRowHeights(row, -1);
    if (GetWidth() != 0 && GetHeight() != 0) {
        // Only the rows below move; the row itself is drawn again.
        int32_t top = GetRowTop(row) + old;
        PNU_TRY(ScrollCellImage(top, GetHeight() - top, GetRowHeightAt(row) - old, false, false));
        PNU_TRY(RedrawRow(row, false));
    }
    if (eResultCode answer = NotifyRowsChanged(*this, update); answer != eSuccess)
        return answer;
    return UpdateIf(update);
}

eResultCode CMLTableWidget::SetRowColour(int32_t row, const CPixel* colour, bool update)
{
    if (!IsRowIndex(row) || !colour)
        return eGenericFailure;
    mRows[row]->textColour = *colour;
    return InvalidateRowBand(row, update);
}

CPixel CMLTableWidget::GetRowBackground(int32_t row)
{
    return IsRowIndex(row) ? mRows[row]->background : 0;
}

eResultCode CMLTableWidget::SetRowBackground(int32_t row, const CPixel* colour, bool update)
{
    if (!IsRowIndex(row) || !colour)
        return eBadParameter;
    mRows[row]->background = *colour;
    return InvalidateRowBand(row, update);
}

eResultCode CMLTableWidget::SetTextRenderer(const CTextRenderer& renderer, bool update)
{
    mTextRenderer = renderer;
    return SetRowHeight(mRowHeight, update);
}

eResultCode CMLTableWidget::SetColumnWidth(int32_t column, int32_t width, bool update)
{
    PNU_TRY(CTableWidget::SetColumnWidth(column, width, false));
    return SetRowHeight(mRowHeight, update);
}

eResultCode CMLTableWidget::SetColumnHoldsImages(int32_t column, bool holdsImages, bool update)
{
    PNU_TRY(CTableWidget::SetColumnHoldsImages(column, holdsImages, false));
    return SetRowHeight(mRowHeight, update);
}

// ---- scrolling ----------------------------------------------------------------------------------

eResultCode CMLTableWidget::EnsureRowVisible(int32_t row, bool update)
{
    int32_t count = mRows.GetSize();
    int32_t content = GetContentHeight(-1);
    int32_t h = GetHeight();
    if (content <= h || count == 0)
        return SetScrollOffset(0, update);
    row = std::clamp(row, 0, count - 1);
    int32_t top = GetRowTop(row);
    if (top < 0)
        return SetScrollOffset(GetContentHeight(row), update);
    if (top + GetRowHeightAt(row) <= h) {
        if (GetRowTop(count) >= h)
            return eSuccess;
        return SetScrollOffset(content - h, update);
    }
    return SetScrollOffset(GetContentHeight(row + 1) - h, update);
}

eResultCode CMLTableWidget::ScrollToFraction(float fraction, bool update)
{
    return SetScrollOffset(OffsetAtFraction(fraction, GetContentHeight(-1)), update);
}

eResultCode CMLTableWidget::ScrollToThumb(int32_t trackLength, int32_t thumbLength, const gCPoint& position,
                                          bool update)
{
    float fraction = 0.0f;
    if (ThumbFraction(trackLength, thumbLength, position, fraction))
        return ScrollToFraction(fraction, update);
    return SetScrollOffset(0, update);
}

int32_t CMLTableWidget::GetThumbPosition(int32_t trackLength, int32_t thumbLength)
{
    int32_t content = GetContentHeight(-1);
    if (content <= GetHeight())
        return 0;
    return int32_t((int64_t(trackLength) - thumbLength) * mScrollOffset / (content - GetHeight()));
}

eResultCode CMLTableWidget::OnRectChanged()
{
    // The cell cache is the widget's size, which comes from a data block.
    if (GetWidth() > 0 && GetHeight() > 0 && !WorkImageFits(GetWidth(), GetHeight()))
        return eNoMemory;
    PNU_TRY(mCellImage.SetSize(std::max(GetWidth(), 0), std::max(GetHeight(), 0)));
    PNU_TRY(EnsureRowVisible(GetRowAtY(0), false));
    if (mColumns.GetSize() == 1) {
        PNU_TRY(RebuildColumnImages());
        PNU_TRY(SetRowHeight(mRowHeight, false));
    }
    PNU_TRY(RedrawAllCells());
    if (eResultCode answer = NotifyRowsChanged(*this, 0); answer != eSuccess)
        return answer;
    return NotifyColumnsChanged(*this);
}
