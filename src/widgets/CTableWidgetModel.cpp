// The table's data: rows, columns, cells, selection, settings and the messages to the listener.
#include "widgets/CTableWidget.h"

#include <cmath>
#include <cstring>

namespace {

constexpr CPixel kNewCellColour = 0xFF000000u;

void ReleaseImage(CImage* image)
{
    // An image an image pool holds is the pool's to free.
    if (image && !image->IsInPool())
        delete image;
}

} // namespace

CTableWidget::CTableWidget()
{
    mColour = 0xFFFFFFFFu;
    EnableEvents(kEventWheel, false);
    for (CTextRenderer* renderer : {&mTextRenderer, &mSelectedTextRenderer}) {
        renderer->mFontName = gCString(u"Helvetica");
        renderer->mPointSize = 12.0f;
        renderer->mColour = 0xFF000000u;
        renderer->mJustification = CTextRenderer::eLeft;
    }
    (void)mColumns.Add(sColumn{});
}

CTableWidget::~CTableWidget()
{
    for (sRow* row : mRows)
        FreeRow(row);
    mRows.RemoveAll();
    FreeColumnImages();
    mListener = nullptr;
}

uint32_t CTableWidget::SendTableMessage(uint32_t message, uintptr_t parameter)
{
    if (!mListener)
        return 0;
    return DeliverTableMessage(*mListener, mCommandMode != 0, *this, message, parameter);
}

eResultCode CTableWidget::RedrawAndRefresh(bool update)
{
    PNU_TRY(RedrawAllCells());
    return Refresh(update);
}

// ---- rows ---------------------------------------------------------------------------------------

CTableWidget::sRow* CTableWidget::NewRow()
{
    auto* row = new sRow();
    if (!row)
        return nullptr;
    for (int32_t i = 0; i < mColumns.GetSize(); ++i) {
        if (AppendCell(row, mColumns[i].holdsImages != 0) != eSuccess) {
            FreeRow(row);
            return nullptr;
        }
    }
    return row;
}

eResultCode CTableWidget::AppendCell(sRow* row, bool)
{
    PNU_TRY(row->cells.Add(nullptr));
    if (eResultCode result = row->colours.Add(kNewCellColour); result != eSuccess) {
        row->cells.RemoveAt(row->cells.GetSize() - 1);
        return result;
    }
    if (eResultCode result = row->values.Add(0); result != eSuccess) {
        row->cells.RemoveAt(row->cells.GetSize() - 1);
        row->colours.RemoveAt(row->colours.GetSize() - 1);
        return result;
    }
    return eSuccess;
}

void CTableWidget::ClearCell(sRow* row, int32_t column)
{
    if (column < 0 || column >= row->cells.GetSize() || !row->cells[column])
        return;
    if (column < mColumns.GetSize() && mColumns[column].holdsImages)
        ReleaseImage(static_cast<CImage*>(row->cells[column]));
    else
        MemFree(row->cells[column]);
    row->cells[column] = nullptr;
}

void CTableWidget::RemoveCell(sRow* row, int32_t column)
{
    if (column < 0 || column >= row->cells.GetSize())
        return;
    ClearCell(row, column);
    row->cells.RemoveAt(column);
    if (column < row->colours.GetSize())
        row->colours.RemoveAt(column);
    if (column < row->values.GetSize())
        row->values.RemoveAt(column);
}

void CTableWidget::FreeRow(sRow* row)
{
    if (!row)
        return;
    for (int32_t i = 0; i < row->cells.GetSize(); ++i)
        ClearCell(row, i);
    delete row;
}

CTableWidget::sRow* CTableWidget::GetRow(int32_t row) const
{
    return IsRowIndex(row) ? mRows[row] : nullptr;
}

eResultCode CTableWidget::AddRow(bool update)
{
    sRow* row = NewRow();
    if (!row)
        return eNoMemory;
    if (eResultCode result = mRows.Add(row); result != eSuccess) {
        FreeRow(row);
        return result;
    }
    return NotifyRowsChanged(*this, update);
}

eResultCode CTableWidget::PlaceNewRow(int32_t index, sRow* row)
{
    if (!row)
        return eNoMemory;
    if (eResultCode result = mRows.InsertAt(index, row); result != eSuccess) {
        FreeRow(row);
        return result;
    }
    RowLayoutChanged(index);
    return eSuccess;
}

eResultCode CTableWidget::InsertRow(int32_t index, bool update)
{
    if (index < 0 || index > mRows.GetSize())
        return eBadParameter;
    PNU_TRY(PlaceNewRow(index, NewRow()));
    if (IsRowVisible(index))
        PNU_TRY(RedrawAndRefresh(update));
    return NotifyRowsChanged(*this, update);
}

eResultCode CTableWidget::RemoveRow(int32_t index, bool update)
{
    if (!IsRowIndex(index))
        return eBadParameter;
    bool visible = IsRowVisible(index);
    FreeRow(mRows[index]);
    mRows.RemoveAt(index);
    RowLayoutChanged(index);
    // Clamped whatever the rows' height: content shorter than the widget must not stay scrolled
    // away with no way back.
    int32_t limit = TotalContentHeight() - GetHeight();
    int32_t clamped = mScrollOffset > limit ? (limit > 0 ? limit : 0) : mScrollOffset;
    bool moved = clamped != mScrollOffset;
    mScrollOffset = clamped;
    if (visible || moved)
        PNU_TRY(RedrawAndRefresh(update));
    return NotifyRowsChanged(*this, update);
}

eResultCode CTableWidget::RemoveAllRows(bool update)
{
    for (sRow* row : mRows)
        FreeRow(row);
    mRows.RemoveAll();
    RowLayoutChanged(0);
    mScrollOffset = 0;
    mHorizontalScrollOffset = 0;
    PNU_TRY(RedrawAndRefresh(update));
    if (eResultCode answer = NotifyRowsChanged(*this, update); answer != eSuccess)
        return answer;
    return NotifyScrolled(*this, update);
}

eResultCode CTableWidget::SetRowColour(int32_t row, const CPixel* colour, bool update)
{
    if (!IsRowIndex(row) || !colour)
        return eGenericFailure;
    for (CPixel& cell : mRows[row]->colours)
        cell = *colour;
    return RedrawAndRefresh(update);
}

void CTableWidget::SetCellTopMargin(int32_t pixels)
{
    mCellTopMargin = pixels;
    (void)SetRowHeight(mRowHeight, false);
}

void CTableWidget::SetCellBottomMargin(int32_t pixels)
{
    mCellBottomMargin = pixels;
    (void)SetRowHeight(mRowHeight, false);
}

eResultCode CTableWidget::SetRowId(int32_t row, uintptr_t id)
{
    if (!IsRowIndex(row))
        return eBadParameter;
    mRows[row]->id = id;
    return eSuccess;
}

uintptr_t CTableWidget::GetRowId(int32_t row) const
{
    return IsRowIndex(row) ? mRows[row]->id : 0;
}

int32_t CTableWidget::FindRowById(uintptr_t id) const
{
    for (int32_t i = 0; i < mRows.GetSize(); ++i)
        if (mRows[i]->id == id)
            return i;
    return -1;
}

// ---- cells --------------------------------------------------------------------------------------

eResultCode CTableWidget::StoreCellText(int32_t row, int32_t column, const gCString& text)
{
    if (!IsRowIndex(row) || !IsColumnIndex(column) || column >= mRows[row]->cells.GetSize())
        return eBadParameter;
    if (mColumns[column].holdsImages)
        return eBadParameter;
    int32_t length = text.GetLength();
    auto* copy = static_cast<char16_t*>(MemAllocate((size_t(length) + 1) * sizeof(char16_t)));
    if (!copy)
        return eNoMemory;
    if (length > 0)
        std::memcpy(copy, text.GetText(), size_t(length) * sizeof(char16_t));
    copy[length] = 0;
    ClearCell(mRows[row], column);
    mRows[row]->cells[column] = copy;
    return eSuccess;
}

eResultCode CTableWidget::SetCellText(int32_t row, int32_t column, const gCString& text, bool update)
{
    PNU_TRY(StoreCellText(row, column, text));
    return RedrawCell(row, column, update);
}

const char16_t* CTableWidget::GetCellText(int32_t row, int32_t column) const
{
    if (!IsRowIndex(row) || !IsColumnIndex(column) || mColumns[column].holdsImages ||
        column >= mRows[row]->cells.GetSize())
        return nullptr;
    return static_cast<const char16_t*>(mRows[row]->cells[column]);
}

eResultCode CTableWidget::SetCellImage(int32_t row, int32_t column, CImage* image, bool update)
{
    if (!IsRowIndex(row) || !IsColumnIndex(column) || column >= mRows[row]->cells.GetSize())
        return eBadParameter;
    if (!mColumns[column].holdsImages)
        return eBadParameter;
    // Storing the image the cell already holds must not free it.
    if (mRows[row]->cells[column] != image)
        ClearCell(mRows[row], column);
    mRows[row]->cells[column] = image;
    return RedrawCell(row, column, update);
}

CImage* CTableWidget::GetCellImage(int32_t row, int32_t column) const
{
    if (!IsRowIndex(row) || !IsColumnIndex(column) || !mColumns[column].holdsImages ||
        column >= mRows[row]->cells.GetSize())
        return nullptr;
    return static_cast<CImage*>(mRows[row]->cells[column]);
}

eResultCode CTableWidget::SetCellValue(int32_t row, int32_t column, uint32_t value)
{
    // The multi-line table's rows have no value array: the size check guards them too.
    if (!IsRowIndex(row) || column < 0 || column >= mRows[row]->values.GetSize())
        return eBadParameter;
    mRows[row]->values[column] = value;
    return eSuccess;
}

uint32_t CTableWidget::GetCellValue(int32_t row, int32_t column) const
{
    if (!IsRowIndex(row) || column < 0 || column >= mRows[row]->values.GetSize())
        return 0;
    return mRows[row]->values[column];
}

// ---- columns ------------------------------------------------------------------------------------

void CTableWidget::RecomputeColumnX(int32_t from)
{
    for (int32_t i = from > 0 ? from : 1; i < mColumns.GetSize(); ++i)
        mColumns[i].x = mColumns[i - 1].x + mColumns[i - 1].width;
}

eResultCode CTableWidget::AddColumn(int32_t width, bool textColumn, bool update)
{
    if (width < 0)
        return eBadParameter;
    sColumn column;
    column.width = width;
    column.holdsImages = textColumn ? 0 : 1;
    if (int32_t count = mColumns.GetSize(); count > 0)
        column.x = mColumns[count - 1].x + mColumns[count - 1].width;
    PNU_TRY(mColumns.Add(column));
    // Back to the table as it was: no row keeps a cell of the column, and the column goes.
    auto dropColumn = [this](int32_t rowsWithCell) {
        for (int32_t j = 0; j < rowsWithCell; ++j)
            RemoveCell(mRows[j], mRows[j]->cells.GetSize() - 1);
        mColumns.RemoveAt(mColumns.GetSize() - 1);
    };
    for (int32_t i = 0; i < mRows.GetSize(); ++i) {
        if (eResultCode result = AppendCell(mRows[i], !textColumn); result != eSuccess) {
            dropColumn(i);
            return result;
        }
    }
    eResultCode result = RebuildColumnImages();
    if (result == eSuccess)
        result = RedrawAndRefresh(update);
    if (result != eSuccess) {
        // A failure means no column: the old columns' images and cells are made and drawn again
        // as far as memory allows (drawing skips a column without images).
        dropColumn(mRows.GetSize());
        (void)RebuildColumnImages();
        (void)RedrawAndRefresh(update);
        return result;
    }
    return NotifyColumnsChanged(*this);
}

eResultCode CTableWidget::SetColumnWidth(int32_t column, int32_t width, bool update)
{
    if (!IsColumnIndex(column) || width < 0)
        return eBadParameter;
    mColumns[column].width = width;
    RecomputeColumnX(column + 1);
    PNU_TRY(RebuildColumnImages());
    PNU_TRY(RedrawAndRefresh(update));
    return NotifyColumnsChanged(*this);
}

int32_t CTableWidget::GetColumnWidth(int32_t column) const
{
    if (!IsColumnIndex(column))
        return 0;
    if (mColumns.GetSize() == 1)
        return GetWidth();
    return mColumns[column].width;
}

eResultCode CTableWidget::SetColumnHoldsImages(int32_t column, bool holdsImages, bool update)
{
    if (!IsColumnIndex(column))
        return eBadParameter;
    uint32_t flag = holdsImages ? 1 : 0;
    if (flag == mColumns[column].holdsImages)
        return UpdateIf(update);
    for (sRow* row : mRows)
        ClearCell(row, column);
    mColumns[column].holdsImages = flag;
    return RedrawAndRefresh(update);
}

bool CTableWidget::ColumnHoldsImages(int32_t column) const
{
    return IsColumnIndex(column) && mColumns[column].holdsImages != 0;
}

eResultCode CTableWidget::SetColumnFadeLeft(int32_t column, int32_t pixels, bool update)
{
    if (!IsColumnIndex(column) || pixels < 0)
        return eBadParameter;
    mColumns[column].fadeLeft = pixels;
    return RedrawAndRefresh(update);
}

eResultCode CTableWidget::SetColumnFadeRight(int32_t column, int32_t pixels, bool update)
{
    if (!IsColumnIndex(column) || pixels < 0)
        return eBadParameter;
    mColumns[column].fadeRight = pixels;
    return RedrawAndRefresh(update);
}

int32_t CTableWidget::GetColumnFadeLeft(int32_t column) const
{
    return IsColumnIndex(column) ? mColumns[column].fadeLeft : 0;
}

int32_t CTableWidget::GetColumnFadeRight(int32_t column) const
{
    return IsColumnIndex(column) ? mColumns[column].fadeRight : 0;
}

eResultCode CTableWidget::SetColumnJustification(int32_t column, int32_t justification, bool update)
{
    if (!IsColumnIndex(column) || justification < eLeft || justification > eCentre)
        return eBadParameter;
    mColumns[column].justification = justification;
    return RedrawAndRefresh(update);
}

int32_t CTableWidget::GetColumnJustification(int32_t column) const
{
    return IsColumnIndex(column) ? mColumns[column].justification : 0;
}

eResultCode CTableWidget::SetTextMargin(int32_t pixels, bool update)
{
    mTextMargin = pixels < 1 ? 0 : pixels;
    PNU_TRY(RebuildColumnImages());
    return RedrawAndRefresh(update);
}

CTableWidget::sTextOrigin CTableWidget::GetColumnTextOrigin(int32_t column) const
{
    return IsColumnIndex(column) ? mColumns[column].origin : sTextOrigin{};
}

eResultCode CTableWidget::SetColumnTextOrigin(int32_t column, const sTextOrigin* origin)
{
    if (!IsColumnIndex(column) || !origin)
        return eBadParameter;
    mColumns[column].origin = *origin;
    return eSuccess;
}

// ---- settings -----------------------------------------------------------------------------------

eResultCode CTableWidget::SetEvenRowColour(const CPixel* colour, bool update)
{
    if (colour)
        mEvenRowColour = *colour;
    return Refresh(update);
}

eResultCode CTableWidget::SetSelectionColour(const CPixel* colour, bool update)
{
    if (colour)
        mSelectionColour = *colour;
    return Refresh(update);
}

eResultCode CTableWidget::SetTextRenderer(const CTextRenderer& renderer, bool update)
{
    mTextRenderer = renderer;
    return RedrawAndRefresh(update);
}

eResultCode CTableWidget::SetSelectedTextRenderer(const CTextRenderer& renderer, bool update)
{
    mSelectedTextRenderer = renderer;
    return RedrawAndRefresh(update);
}

eResultCode CTableWidget::SetImageShadow(bool on)
{
    mImageShadow = on ? 1 : 0;
    return RedrawAndRefresh(false);
}

eResultCode CTableWidget::SetTextShadow(bool on)
{
    mTextShadow = on ? 1 : 0;
    return RedrawAndRefresh(false);
}

eResultCode CTableWidget::StoreShadowSetting(bool update)
{
    if (!mImageShadow && !mTextShadow)
        return UpdateIf(update);
    return RedrawAndRefresh(update);
}

eResultCode CTableWidget::SetShadowOffset(const gCPoint* offset, bool update)
{
    if (offset)
        mShadowOffset = *offset;
    return StoreShadowSetting(update);
}

eResultCode CTableWidget::SetShadowColour(const CPixel* colour, bool update)
{
    if (colour)
        mShadowColour = *colour;
    return StoreShadowSetting(update);
}

eResultCode CTableWidget::SetShadowOpacity(int32_t opacity, bool update)
{
    // The opacity scales an 8-bit alpha; beyond 0..255 the product leaves its byte.
    mShadowOpacity = opacity < 0 ? 0 : opacity > 255 ? 255 : opacity;
    return StoreShadowSetting(update);
}

eResultCode CTableWidget::SetShadowRadius(float radius, bool update)
{
    if (!(radius >= 0.0f) || std::isinf(radius))
        return eBadParameter;
    mShadowRadius = radius;
    return StoreShadowSetting(update);
}

eResultCode CTableWidget::SetGridLineColour(const CPixel* colour, bool update)
{
    if (colour)
        mGridLineColour = *colour;
    if (mGridLines)
        PNU_TRY(Refresh(false));
    return UpdateIf(update);
}

eResultCode CTableWidget::SetGridLines(bool on, bool update)
{
    mGridLines = on ? 1 : 0;
    return Refresh(update);
}

eResultCode CTableWidget::SetHoverColour(const CPixel* colour, bool update)
{
    if (colour)
        mHoverColour = *colour;
    mHoverRow = kNoHoverRow;
    return UpdateIf(update);
}

// ---- selection ----------------------------------------------------------------------------------

eResultCode CTableWidget::ClearSelection()
{
    for (int32_t i = 0; i < mRows.GetSize(); ++i) {
        if (mRows[i]->selected) {
            mRows[i]->selected = 0;
            PNU_TRY(RedrawRow(i, false));
        }
    }
    return eSuccess;
}

eResultCode CTableWidget::SelectRow(int32_t row, bool update)
{
    if (!IsRowIndex(row))
        return eBadParameter;
    if (!mMultiSelect)
        PNU_TRY(ClearSelection());
    mRows[row]->selected = 1;
    return RedrawRow(row, update);
}

eResultCode CTableWidget::SelectOnlyRow(int32_t row, bool update)
{
    if (!IsRowIndex(row))
        return eBadParameter;
    PNU_TRY(ClearSelection());
    mRows[row]->selected = 1;
    return RedrawRow(row, update);
}

eResultCode CTableWidget::DeselectRow(int32_t row, bool update)
{
    if (!IsRowIndex(row))
        return eBadParameter;
    mRows[row]->selected = 0;
    return RedrawRow(row, update);
}

eResultCode CTableWidget::SelectAll(bool select, bool update)
{
    uint32_t wanted = select ? 1 : 0;
    for (int32_t i = 0; i < mRows.GetSize(); ++i) {
        if (mRows[i]->selected == wanted)
            continue;
        PNU_TRY(select ? SelectRow(i, false) : DeselectRow(i, false));
    }
    return UpdateIf(update);
}

int32_t CTableWidget::CountSelectedRows() const
{
    int32_t count = 0;
    for (const sRow* row : mRows)
        count += row->selected ? 1 : 0;
    return count;
}

int32_t CTableWidget::FindSelectedRow(int32_t from) const
{
    for (int32_t i = from > 0 ? from : 0; i < mRows.GetSize(); ++i)
        if (mRows[i]->selected)
            return i;
    return -1;
}

eResultCode CTableWidget::SetMultiSelect(bool on, bool update)
{
    bool turnedOff = mMultiSelect && !on;
    mMultiSelect = on ? 1 : 0;
    if (turnedOff && CountSelectedRows() > 0)
        return SelectOnlyRow(FindSelectedRow(0), update);
    return UpdateIf(update);
}
