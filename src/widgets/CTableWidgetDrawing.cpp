// How the table turns cells into pixels: the geometry of rows and columns, the per-column scratch
// images, rendering cells (text or fitted image, fades, shadow) into the cell cache, and Paint,
// which lays the row backgrounds and the cache into the window.
#include "widgets/CTableWidget.h"

#include "imaging/CImNav.h"
#include "imaging/Blur.h"
#include "imaging/ImageCopy.h"
#include "imaging/PixelCompositing.h"
#include "imaging/Resample.h"
#include "widgets/CRegion.h"
#include "widgets/EffectPixels.h"

#include <algorithm>
#include <cstdlib>

// ---- geometry -----------------------------------------------------------------------------------

int32_t CTableWidget::RowHeightOf(int32_t) { return mRowHeight; }

int32_t CTableWidget::TotalContentHeight()
{
    int64_t height = int64_t(mRows.GetSize()) * mRowHeight;
    return height > INT32_MAX ? INT32_MAX : int32_t(height);
}

int32_t CTableWidget::GetRowTop(int32_t row) { return row * mRowHeight - mScrollOffset; }

int32_t CTableWidget::GetRowBottom(int32_t row) { return (row + 1) * mRowHeight - mScrollOffset - 1; }

int32_t CTableWidget::GetRowAtY(int32_t y) { return (mScrollOffset + y) / mRowHeight; }

bool CTableWidget::IsRowVisible(int32_t row)
{
    int32_t top = GetRowTop(row);
    if (top >= GetHeight())
        return false;
    return top > 1 - RowHeightOf(row);
}

int32_t CTableWidget::GetColumnX(int32_t column)
{
    return IsColumnIndex(column) ? mColumns[column].x - mHorizontalScrollOffset : 0;
}

int32_t CTableWidget::GetColumnAtX(int32_t x)
{
    int32_t count = mColumns.GetSize();
    if (count == 0 || x <= -1 - mHorizontalScrollOffset)
        return -1;
    if (count == 1 && mColumns[0].width == 0)
        return x <= GetWidth() - 1 - mHorizontalScrollOffset ? 0 : -1;
    for (int32_t i = 0; i < count; ++i)
        if (x <= mColumns[i].x + mColumns[i].width - 1 - mHorizontalScrollOffset)
            return i;
    return -1;
}

eResultCode CTableWidget::InvalidateRowBand(int32_t row, bool update)
{
    int32_t top = GetRowTop(row);
    gCRect band{0, top, GetWidth(), top + RowHeightOf(row)};
    if (!ClipRect(band, OwnArea()) || band.IsEmpty())
        return UpdateIf(update);
    return InvalidateArea(band, update);
}

// ---- column images ------------------------------------------------------------------------------

void CTableWidget::FreeColumnImages()
{
    for (CImage* image : mColumnTextImages)
        delete image;
    for (CImage* image : mColumnShadowImages)
        delete image;
    mColumnTextImages.RemoveAll();
    mColumnShadowImages.RemoveAll();
}

eResultCode CTableWidget::RebuildColumnImages()
{
    FreeColumnImages();
    for (int32_t i = 0; i < mColumns.GetSize(); ++i) {
        int32_t width = GetColumnWidth(i);
        // Column widths and the row height come from data blocks.
        if (!WorkImageFits(std::max(width, 1), mRowHeight))
            return eNoMemory;
        auto* text = new CImage();
        if (!text)
            return eNoMemory;
        if (text->SetSize(std::max(width - mTextMargin, 1), mRowHeight) != eSuccess ||
            mColumnTextImages.Add(text) != eSuccess) {
            delete text;
            return eNoMemory;
        }
        auto* shadow = new CImage();
        if (!shadow)
            return eNoMemory;
        if (shadow->SetSize(std::max(width, 1), mRowHeight) != eSuccess ||
            mColumnShadowImages.Add(shadow) != eSuccess) {
            delete shadow;
            return eNoMemory;
        }
    }
    return eSuccess;
}

// ---- cells --------------------------------------------------------------------------------------

eResultCode CTableWidget::ClearCellArea(const gCRect& area)
{
    gCRect inside = area;
    if (!mCellImage.HasPixelBuffer() || !ClipRect(inside, gCRect{0, 0, mCellImage.GetWidth(), mCellImage.GetHeight()}) ||
        inside.IsEmpty())
        return eSuccess;
    CImNav navigator(&mCellImage, &inside);
    if (!navigator.IsLocked())
        return eNoMemory;
    CPixel clear = 0;
    navigator.Fill(&clear);
    return eSuccess;
}

eResultCode CTableWidget::DrawCells(const gCRect& area)
{
    if (area.top == area.bottom || area.right <= area.left || area.top > area.bottom)
        return eSuccess;
    if (!mCellImage.HasPixelBuffer())
        return eSuccess;
    PNU_TRY(ClearCellArea(area));
    int32_t rows = mRows.GetSize();
    int32_t firstColumn = GetColumnAtX(area.left);
    if (firstColumn < 0)
        return eSuccess;
    for (int32_t row = GetRowAtY(area.top); row >= 0 && row < rows && GetRowTop(row) < area.bottom; ++row)
        for (int32_t column = firstColumn; column < mColumns.GetSize() && GetColumnX(column) < area.right; ++column)
            PNU_TRY(DrawTableCell(row, column, &area));
    return eSuccess;
}

int32_t CTableWidget::JustifiedMargin(int32_t justification) const
{
    return justification == eLeft ? mTextMargin : justification == eCentre ? mTextMargin / 2 : 0;
}

CTextRenderer& CTableWidget::PrepareRenderer(const sRow& row, int32_t column, CPixel colour)
{
    CTextRenderer& renderer = row.selected ? mSelectedTextRenderer : mTextRenderer;
    renderer.mJustification = mColumns[column].justification;
    renderer.mColour = colour;
    // Light text takes the other gamma table.
    renderer.mInverseGamma = (PixelRed(colour) + PixelGreen(colour) + PixelBlue(colour)) / 3 > 126 ? 1 : 0;
    return renderer;
}

eResultCode CTableWidget::FitImageInto(CImage* image, CImage* target, int32_t justification)
{
    int32_t tw = target->GetWidth(), th = target->GetHeight();
    int32_t iw = image->GetWidth(), ih = image->GetHeight();
    if (iw <= 0 || ih <= 0 || tw <= 0 || th <= 0)
        return eSuccess;
    int32_t fw = iw, fh = ih;
    if (iw > tw || ih > th) {
        float scale = std::min(float(tw) / float(iw), float(th) / float(ih));
        fw = RoundHalfAwayFromZero(scale * float(iw));
        fh = RoundHalfAwayFromZero(scale * float(ih));
    }
    int32_t left = justification == eLeft ? 0 : justification == eRight ? tw - fw : (tw - fw) / 2;
    int32_t top = (th - fh) / 2;
    target->Clear();
    gCRect place{left, top, left + fw, top + fh};
    CImNav destination(target, &place);
    if (!destination.IsLocked())
        return eNoMemory;
    if (fw <= 0 || fh <= 0)
        return eSuccess;
    bool same = fw == iw && fh == ih;
    if (image->IsCompressed())
        return same ? CopyFromRunLength(destination, image) : StretchFromRunLength(destination, image, 1);
    CImNav source(image, nullptr);
    if (!source.IsLocked())
        return eNoMemory;
    return same ? CopyImagePixels(destination, source) : StretchImagePixels(destination, source, 1);
}

void CTableWidget::ApplyFades(CImage* image, int32_t fadeLeft, int32_t fadeRight)
{
    if (fadeLeft <= 0 && fadeRight <= 0)
        return;
    CImNav navigator(image, nullptr);
    if (!navigator.IsLocked())
        return;
    int32_t width = navigator.GetWidth();
    auto scale = [](CPixel& pixel, int32_t factor) {
        pixel = (pixel & 0x00FFFFFFu) | ((PixelAlpha(pixel) * uint32_t(factor + 1) / 256) << 24);
    };
    for (int32_t y = 0; y < navigator.GetHeight(); ++y) {
        CPixel* row = navigator.Row(y);
        if (fadeLeft > 0)
            for (int32_t i = 0; i < std::min(fadeLeft, width); ++i)
                scale(row[i], 255 * (i + 1) / fadeLeft);
        if (fadeRight > 0)
            for (int32_t i = std::max(width - 1 - fadeRight, 0); i < width; ++i)
                scale(row[i], 255 * (width - 1 - i) / fadeRight);
    }
}

eResultCode CTableWidget::CopyTextImage(CImage* text, int32_t justification, const gCRect& area, int32_t x, int32_t y)
{
    int32_t left = x + JustifiedMargin(justification);
    gCRect place{left, y, left + text->GetWidth(), y + text->GetHeight()};
    gCRect clipped = place;
    if (!ClipRect(clipped, area) || !ClipRect(clipped, OwnArea()) || clipped.IsEmpty())
        return eSuccess;
    gCRect from{clipped.left - left, clipped.top - y, clipped.right - left, clipped.bottom - y};
    CImNav destination(&mCellImage, &clipped);
    CImNav source(text, &from);
    if (!destination.IsLocked() || !source.IsLocked())
        return eNoMemory;
    int32_t width = std::min(destination.GetWidth(), source.GetWidth());
    int32_t height = std::min(destination.GetHeight(), source.GetHeight());
    for (int32_t row = 0; row < height; ++row)
        std::copy_n(source.Row(row), width, destination.Row(row));
    return eSuccess;
}

eResultCode CTableWidget::DrawTableCell(int32_t row, int32_t column, const gCRect* area)
{
    if (!IsRowIndex(row) || !IsColumnIndex(column) || column >= mColumnTextImages.GetSize() ||
        column >= mColumnShadowImages.GetSize() || column >= mRows[row]->cells.GetSize())
        return eSuccess;
    gCRect within = area ? *area : OwnArea();
    int32_t x = GetColumnX(column);
    int32_t y = GetRowTop(row);
    CImage* text = mColumnTextImages[column];
    gCRect cell{x, y, x + mColumnShadowImages[column]->GetWidth(), y + mRowHeight};
    if (!ClipRect(cell, within) || cell.IsEmpty())
        return eSuccess;
    const sRow& record = *mRows[row];
    const sColumn& settings = mColumns[column];
    bool shadow = false;
    if (!settings.holdsImages) {
        CTextRenderer& renderer = PrepareRenderer(record, column, record.colours[column]);
        renderer.mOriginX = settings.origin.x;
        renderer.mOriginY = settings.origin.y;
        const auto* units = static_cast<const char16_t*>(record.cells[column]);
        PNU_TRY(renderer.RenderText(gCString(units ? units : u""), text, 0));
        shadow = mTextShadow != 0;
    } else {
        text->Clear();
        if (auto* image = static_cast<CImage*>(record.cells[column])) {
            PNU_TRY(FitImageInto(image, text, settings.justification));
            shadow = mImageShadow != 0;
        }
    }
    ApplyFades(text, settings.fadeLeft, settings.fadeRight);
    if (shadow)
        return DrawShadowedCell(column, within, x, y);
    return CopyTextImage(text, settings.justification, within, x, y);
}

eResultCode CTableWidget::DrawShadowedCell(int32_t column, const gCRect& area, int32_t x, int32_t y)
{
    if (!IsColumnIndex(column) || column >= mColumnTextImages.GetSize() || column >= mColumnShadowImages.GetSize())
        return eSuccess;
    return ComposeShadowedCell(mColumnTextImages[column], mColumnShadowImages[column],
                               mColumns[column].justification, mRowHeight, area, x, y);
}

eResultCode CTableWidget::ComposeShadowedCell(CImage* text, CImage* shadow, int32_t justification,
                                              int32_t rowHeight, const gCRect& area, int32_t x, int32_t y)
{
    int32_t dx = mShadowOffset.x, dy = mShadowOffset.y;
    int32_t margin = mTextMargin;
    shadow->Clear();
    int64_t w = int64_t(shadow->GetWidth()) - std::abs(int64_t(dx)) - margin;
    int64_t h = int64_t(rowHeight) - std::abs(int64_t(dy));
    if (w < 1 || h < 1)
        return eSuccess;
    {
        // The text's coverage, moved by the offset, as 16-bit values in the shadow's low lane.
        gCRect from{dx < 0 ? -dx : 0, dy < 0 ? -dy : 0, 0, 0};
        from.right = from.left + int32_t(w);
        from.bottom = from.top + int32_t(h);
        if (!ClipRect(from, gCRect{0, 0, text->GetWidth(), text->GetHeight()}))
            from = gCRect();
        int32_t shiftX = std::max(dx, 0) + JustifiedMargin(justification);
        int32_t shiftY = std::max(dy, 0);
        gCRect to{from.left + shiftX, from.top + shiftY, from.right + shiftX, from.bottom + shiftY};
        if (ClipRect(to, gCRect{0, 0, shadow->GetWidth(), shadow->GetHeight()}) && !to.IsEmpty()) {
            CImNav source(text, nullptr);
            CImNav destination(shadow, nullptr);
            if (!source.IsLocked() || !destination.IsLocked())
                return eNoMemory;
            for (int32_t ty = to.top; ty < to.bottom; ++ty) {
                const CPixel* in = source.Row(ty - shiftY);
                CPixel* out = destination.Row(ty);
                for (int32_t tx = to.left; tx < to.right; ++tx)
                    out[tx] = PixelAlpha(in[tx - shiftX]) * 257u;
            }
        }
    }
    if (!BlurImage(shadow, mShadowRadius, 0))
        return eNoMemory;
    gCRect cell{x, y, x + shadow->GetWidth(), y + shadow->GetHeight()};
    if (!ClipRect(cell, area) || !ClipRect(cell, OwnArea()) || cell.IsEmpty())
        return eSuccess;
    CImNav target(&mCellImage, &cell);
    CImNav shadowPixels(shadow, nullptr);
    CImNav textPixels(text, nullptr);
    if (!target.IsLocked() || !shadowPixels.IsLocked() || !textPixels.IsLocked())
        return eNoMemory;
    uint32_t colourAlpha = (PixelAlpha(mShadowColour) * uint32_t(mShadowOpacity + 1)) >> 8;
    int32_t textLeft = JustifiedMargin(justification);
    int32_t textWidth = text->GetWidth(), textHeight = text->GetHeight();
    for (int32_t py = cell.top; py < cell.bottom; ++py) {
        int32_t sy = py - y;
        CPixel* out = target.Row(py - cell.top);
        const CPixel* shadowRow = shadowPixels.Row(sy);
        const CPixel* textRow = sy < textHeight ? textPixels.Row(sy) : nullptr;
        for (int32_t px = cell.left; px < cell.right; ++px) {
            int32_t sx = px - x;
            uint32_t coverage = shadowRow[sx] & 0xFFFFu;
            CPixel pixel = (mShadowColour & 0x00FFFFFFu) | ((((coverage >> 8) + 1) * colourAlpha >> 8) << 24);
            int32_t tx = sx - textLeft;
            if (textRow && tx >= 0 && tx < textWidth)
                BlendPixelAlpha(&pixel, &textRow[tx]);
            out[px - cell.left] = pixel;
        }
    }
    return eSuccess;
}

eResultCode CTableWidget::RedrawCell(int32_t row, int32_t column, bool update)
{
    if (!IsRowIndex(row) || !IsColumnIndex(column))
        return UpdateIf(update);
    int32_t x = GetColumnX(column);
    int32_t top = GetRowTop(row);
    gCRect cell{x, top, x + GetColumnWidth(column), top + RowHeightOf(row)};
    if (!ClipRect(cell, OwnArea()) || cell.IsEmpty() || !mCellImage.HasPixelBuffer())
        return UpdateIf(update);
    PNU_TRY(ClearCellArea(cell));
    PNU_TRY(DrawTableCell(row, column, &cell));
    PNU_TRY(InvalidateArea(cell, false));
    return UpdateIf(update);
}

eResultCode CTableWidget::RedrawRow(int32_t row, bool update)
{
    if (!IsRowVisible(row))
        return UpdateIf(update);
    int32_t top = GetRowTop(row);
    gCRect band{0, top, GetWidth(), top + RowHeightOf(row)};
    if (!ClipRect(band, OwnArea()) || band.IsEmpty())
        return UpdateIf(update);
    PNU_TRY(DrawCells(band));
    return InvalidateArea(band, update);
}

// ---- painting -----------------------------------------------------------------------------------

CTableWidget::sPaintColours CTableWidget::ScaledPaintColours(int32_t alpha) const
{
    uint32_t k = uint32_t(alpha + 1);
    auto scaled = [&](CPixel colour, bool opaque) {
        uint32_t a = opaque ? 255u : (PixelAlpha(colour) * k) >> 8;
        return (colour & 0x00FFFFFFu) | (a << 24);
    };
    bool opaque = mOpaqueBlit != 0;
    return {scaled(mColour, opaque), scaled(mEvenRowColour, opaque), scaled(mSelectionColour, opaque),
            scaled(mHoverColour, opaque), scaled(mGridLineColour, false)};
}

void CTableWidget::PaintLine(CPixel* target, const CPixel* cells, int32_t count, CPixel background, int32_t k)
{
    if (PixelAlpha(background) == 255) {
        for (int32_t x = 0; x < count; ++x) {
            CPixel cell = cells[x];
            uint32_t a = (PixelAlpha(cell) * uint32_t(k)) >> 8;
            target[x] = a == 0 ? background : a == 255 ? (cell | kPixelAlphaMask) : BlendNormalWeighted(background, cell, a);
        }
        return;
    }
    for (int32_t x = 0; x < count; ++x) {
        CPixel cell = (cells[x] & 0x00FFFFFFu) | (((PixelAlpha(cells[x]) * uint32_t(k)) >> 8) << 24);
        gBlendPixelHook(&target[x], &background);
        gBlendPixelHook(&target[x], &cell);
    }
}

eResultCode CTableWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0 || mRowHeight < 1)
        return eSuccess;
    gCRect rect = area;
    if (!ClipRect(rect, OwnArea()) || rect.IsEmpty())
        return eSuccess;
    CImNav out(target, &rect);
    CImNav cells(&mCellImage, &rect);
    if (!out.IsLocked() || !cells.IsLocked())
        return eNoMemory;
    PaintRows(out, cells, rect, alpha);
    return eSuccess;
}

void CTableWidget::PaintRows(CImNav& out, CImNav& cells, const gCRect& rect, int32_t alpha)
{
    sPaintColours colours = ScaledPaintColours(alpha);
    int32_t width = std::min(out.GetWidth(), cells.GetWidth());
    int32_t height = std::min(out.GetHeight(), cells.GetHeight());
    int32_t count = mRows.GetSize();
    for (int32_t i = 0; i < height; ++i) {
        int32_t contentY = rect.top + mScrollOffset + i;
        int32_t row = contentY / mRowHeight;
        // Beyond the rows the stripes and grid lines go on as if rows continued.
        int32_t n = (row + 1) * mRowHeight - mScrollOffset - rect.top - i;
        bool exists = row >= 0 && row < count;
        CPixel background = exists && mRows[row]->selected ? colours.selection
                            : (row & 1)                   ? colours.odd
                                                          : colours.even;
        if (mHoverHighlight && row == mHoverRow && row < count)
            background = colours.hover;
        if (mGridLines && n == 1)
            background = colours.grid;
        PaintLine(out.Row(i), cells.Row(i), width, background, alpha + 1);
    }
}
