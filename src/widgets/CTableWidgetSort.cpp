// Sorting the rows by a column: by image, by number or by text, either direction. The selection
// and every other per-row field travel with their rows.
#include "widgets/CTableWidget.h"

#include "core/ASCIICase.h"
#include "core/DecimalText.h"
#include "core/gCString.h"

namespace {

struct sCallerSort {
    tSortCompare compare;
    intptr_t context;
    bool ascending;
};

const CTableWidget::sRow* RowOf(intptr_t value) { return reinterpret_cast<const CTableWidget::sRow*>(value); }
const CTableWidget* TableOf(intptr_t value) { return reinterpret_cast<const CTableWidget*>(value); }

const void* CellOf(intptr_t row, intptr_t table)
{
    int32_t column = TableOf(table)->GetSortColumn();
    const CTableWidget::sRow* record = RowOf(row);
    return column >= 0 && column < record->cells.GetSize() ? record->cells[column] : nullptr;
}

int32_t Directed(int32_t result, intptr_t table)
{
    return TableOf(table)->GetSortAscending() ? result : -result;
}

int32_t CallerCompare(intptr_t a, intptr_t b, intptr_t context)
{
    const auto* sort = reinterpret_cast<const sCallerSort*>(context);
    int32_t result = sort->compare(a, b, sort->context);
    return sort->ascending ? result : -result;
}

} // namespace

int32_t CTableWidget::CompareRowsByImage(intptr_t a, intptr_t b, intptr_t table)
{
    auto first = reinterpret_cast<uintptr_t>(CellOf(a, table));
    auto second = reinterpret_cast<uintptr_t>(CellOf(b, table));
    return Directed(first > second ? 1 : first < second ? -1 : 0, table);
}

int32_t CTableWidget::CompareRowsByNumber(intptr_t a, intptr_t b, intptr_t table)
{
    double first = ReadDecimal(static_cast<const char16_t*>(CellOf(a, table)));
    double second = ReadDecimal(static_cast<const char16_t*>(CellOf(b, table)));
    return Directed(first > second ? 1 : first < second ? -1 : 0, table);
}

int32_t CTableWidget::CompareRowsByString(intptr_t a, intptr_t b, intptr_t table)
{
    const auto* first = static_cast<const char16_t*>(CellOf(a, table));
    const auto* second = static_cast<const char16_t*>(CellOf(b, table));
    if (!first && !second)
        return 0;
    // Rows without text end up last in ascending order, first in descending order.
    if (!first || !second)
        return Directed(first ? -1 : 1, table);
    for (int32_t i = 0;; ++i) {
        // Units are compared as signed 16-bit numbers, so those from 0x8000 sort first.
        int32_t x = int16_t(LowerASCII(first[i]));
        int32_t y = int16_t(LowerASCII(second[i]));
        if (x != y)
            return Directed(x - y, table);
        if (x == 0)
            return 0;
    }
}

eResultCode CTableWidget::SortWith(tSortCompare compare, intptr_t context)
{
    if (mRows.GetSize() == 0)
        return eSuccess;
    QuickSortElements(mRows.GetData(), uint32_t(mRows.GetSize()), int32_t(sizeof(sRow*)), compare, context);
    RowLayoutChanged(0);
    return RedrawAndRefresh(false);
}

eResultCode CTableWidget::SortRows(int32_t column, bool numeric, bool ascending, bool update)
{
    mSortColumn = column;
    mSortAscending = ascending ? 1 : 0;
    if (mRows.GetSize() == 0)
        return eSuccess;
    tSortCompare compare = ColumnHoldsImages(column) ? CompareRowsByImage
                           : numeric                 ? CompareRowsByNumber
                                                     : CompareRowsByString;
    PNU_TRY(SortWith(compare, intptr_t(this)));
    return UpdateIf(update);
}

eResultCode CTableWidget::SortRowsWith(int32_t column, tSortCompare compare, intptr_t context, bool ascending,
                                       bool update)
{
    mSortColumn = column;
    mSortAscending = ascending ? 1 : 0;
    if (mRows.GetSize() == 0 || !compare)
        return eSuccess;
    sCallerSort sort{compare, context, ascending};
    PNU_TRY(SortWith(CallerCompare, reinterpret_cast<intptr_t>(&sort)));
    return UpdateIf(update);
}
