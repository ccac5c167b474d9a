// Drawing the multi-line table: each cell is rendered wrapped into an image of its row's content
// height, and Paint follows every row's own height and background.
#include "widgets/CMLTableWidget.h"

#include "imaging/CImNav.h"
#include "widgets/CRegion.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

eResultCode CMLTableWidget::DrawTableCell(int32_t row, int32_t column, const gCRect* area)
{
    if (!IsRowIndex(row) || !IsColumnIndex(column) || column >= mRows[row]->cells.GetSize())
        return eSuccess;
    const sRow& record = *mRows[row];
    const sColumn& settings = mColumns[column];
    gCRect within = area ? *area : OwnArea();
    int32_t width = GetColumnWidth(column);
    CImage text;
    // The column width and the row's measured height follow data blocks and texts.
    if (!WorkImageFits(std::max(width, 1), std::max(record.contentHeight, 1)) ||
        text.SetSize(std::max(width - mTextMargin, 1), std::max(record.contentHeight, 1)) != eSuccess)
        return eNoMemory;
    int32_t x = GetColumnX(column);
    int32_t y = GetRowTop(row) + mCellTopMargin;
    gCRect cell{x, y, x + width, y + record.contentHeight + mCellBottomMargin};
    if (!ClipRect(cell, within) || cell.IsEmpty())
        return eSuccess;
    bool shadow = false;
    if (settings.holdsImages) {
        if (auto* image = static_cast<CImage*>(record.cells[column])) {
            PNU_TRY(FitImageInto(image, &text, settings.justification));
            shadow = mImageShadow != 0;
        }
    } else {
        CTextRenderer& renderer = PrepareRenderer(record, column, record.textColour);
        const auto* units = static_cast<const char16_t*>(record.cells[column]);
        PNU_TRY(renderer.RenderText(gCString(units ? units : u""), &text, 0));
        shadow = mTextShadow != 0;
    }
    ApplyFades(&text, settings.fadeLeft, settings.fadeRight);
    if (shadow)
        return DrawShadowedCell(column, within, x, y, &text);
    return CopyTextImage(&text, settings.justification, within, x, y);
}

eResultCode CMLTableWidget::DrawShadowedCell(int32_t column, const gCRect& area, int32_t x, int32_t y, CImage* text)
{
    if (!IsColumnIndex(column) || !text)
        return eSuccess;
    CImage shadow;
    if (shadow.SetSize(std::max(GetColumnWidth(column), 1), text->GetHeight()) != eSuccess)
        return eNoMemory;
    return ComposeShadowedCell(text, &shadow, mColumns[column].justification, text->GetHeight(), area, x, y);
}

void CMLTableWidget::PaintRows(CImNav& out, CImNav& cells, const gCRect& rect, int32_t alpha)
{
    sPaintColours colours = ScaledPaintColours(alpha);
    int32_t width = std::min(out.GetWidth(), cells.GetWidth());
    int32_t height = std::min(out.GetHeight(), cells.GetHeight());
    int32_t count = mRows.GetSize();
    uint32_t k = uint32_t(alpha + 1);
    // The running line counter: the row at the current line and the widget y where it ends.
    int32_t row = GetRowAtY(rect.top);
    int32_t rowEnd = row >= 0 && row < count ? GetRowTop(row + 1) : 0;
    for (int32_t i = 0; i < height; ++i) {
        int32_t y = rect.top + i;
        while (row >= 0 && row < count && y >= rowEnd) {
            ++row;
            rowEnd += GetRowHeightAt(row);
        }
        bool exists = row >= 0 && row < count;
        int32_t n = exists ? rowEnd - y : rect.bottom - rect.top + 1;
        CPixel background = colours.odd;
        if (exists) {
            const sRow& record = *mRows[row];
            if (record.selected) {
                background = colours.selection;
            } else {
                uint32_t a = mOpaqueBlit ? 255u : (PixelAlpha(record.background) * k) >> 8;
                background = (record.background & 0x00FFFFFFu) | (a << 24);
            }
        }
        if (mHoverHighlight && row == mHoverRow && row < count)
            background = colours.hover;
        if (mGridLines && n == 1)
            background = colours.grid;
        PaintLine(out.Row(i), cells.Row(i), width, background, alpha + 1);
    }
}
