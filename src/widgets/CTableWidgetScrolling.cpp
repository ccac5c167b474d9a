// Scrolling the table: the offset and its steps, moving the cached cells instead of rendering
// them again, keeping a row in view, the row height, and the widget's rectangle changing.
#include "widgets/CTableWidget.h"

#include "imaging/CImNav.h"
#include "imaging/ImageCopy.h"
#include "widgets/CRegion.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

eResultCode CTableWidget::SetScrollOffset(int32_t offset, bool update)
{
    int32_t content = TotalContentHeight();
    int32_t limit = std::max(content - GetHeight(), 0);
    int32_t clamped = std::clamp(offset, 0, limit);
    int32_t old = mScrollOffset;
    mScrollOffset = clamped;
    PNU_TRY(ScrollCellImage(0, content, old - clamped, true, update));
    return NotifyScrolled(*this, update);
}

eResultCode CTableWidget::ScrollCellImage(int32_t top, int32_t height, int32_t delta, bool redraw, bool update)
{
    int32_t h = GetHeight();
    if (delta == 0 || height <= 0)
        return eSuccess;
    int64_t newTop = int64_t(top) + delta, newBottom = int64_t(top) + height + delta;
    // A band that jumps past the widget still uncovers its old place, so only a band outside
    // before and after the move leaves the cache alone.
    bool outsideAfter = newBottom <= 0 || newTop >= h;
    bool outsideBefore = int64_t(top) + height <= 0 || top >= h;
    if (outsideAfter && outsideBefore)
        return eSuccess;
    int32_t w = GetWidth();
    auto clampLine = [h](int64_t y) { return int32_t(std::clamp<int64_t>(y, 0, h)); };
    // Lines whose pixels stay inside the cache move; the rest of the band's new place has no
    // cached pixels and is rendered.
    int32_t fromTop = clampLine(std::max<int64_t>({top, -int64_t(delta), 0}));
    int32_t fromBottom = clampLine(std::min<int64_t>({int64_t(top) + height, int64_t(h) - delta, h}));
    int32_t movedTop = 0, movedBottom = 0;
    if (fromBottom > fromTop && mCellImage.HasPixelBuffer()) {
        gCRect from{0, fromTop, w, fromBottom};
        gCRect to{0, fromTop + delta, w, fromBottom + delta};
        CImNav source(&mCellImage, &from);
        CImNav destination(&mCellImage, &to);
        if (!source.IsLocked() || !destination.IsLocked())
            return eNoMemory;
        PNU_TRY(CopyImagePixels(destination, source));
        movedTop = to.top;
        movedBottom = to.bottom;
    }
    int32_t oldTop = clampLine(top), oldBottom = clampLine(int64_t(top) + height);
    int32_t placeTop = clampLine(newTop), placeBottom = clampLine(newBottom);
    auto fill = [&](int32_t from, int32_t to, bool render) -> eResultCode {
        if (to <= from)
            return eSuccess;
        gCRect strip{0, from, w, to};
        return render ? DrawCells(strip) : ClearCellArea(strip);
    };
    if (movedBottom <= movedTop)
        movedTop = movedBottom = placeTop;
    // The band's new place outside what moved comes from beyond the cache: always rendered.
    PNU_TRY(fill(placeTop, std::min(movedTop, placeBottom), true));
    PNU_TRY(fill(std::max(movedBottom, placeTop), placeBottom, true));
    // The strip the move uncovers at the top is the changed row the caller may draw itself; what
    // comes into view at the bottom when the band moves up is drawn here in any case.
    if (delta > 0)
        PNU_TRY(fill(oldTop, std::min(placeTop, oldBottom), redraw));
    else
        PNU_TRY(fill(std::max(placeBottom, oldTop), oldBottom, true));
    gCRect changed{0, std::min(oldTop, placeTop), w, std::max(oldBottom, placeBottom)};
    if (changed.IsEmpty())
        return UpdateIf(update);
    return InvalidateArea(changed, update);
}

eResultCode CTableWidget::ScrollUpPixel(bool update) { return SetScrollOffset(mScrollOffset - 1, update); }
eResultCode CTableWidget::ScrollDownPixel(bool update) { return SetScrollOffset(mScrollOffset + 1, update); }
eResultCode CTableWidget::ScrollUpRow(bool update) { return SetScrollOffset(mScrollOffset - mRowHeight, update); }
eResultCode CTableWidget::ScrollDownRow(bool update) { return SetScrollOffset(mScrollOffset + mRowHeight, update); }

eResultCode CTableWidget::ScrollUpPage(bool update)
{
    return SetScrollOffset(mScrollOffset - (GetHeight() / mRowHeight - 1) * mRowHeight, update);
}

eResultCode CTableWidget::ScrollDownPage(bool update)
{
    return SetScrollOffset(mScrollOffset + (GetHeight() / mRowHeight - 1) * mRowHeight, update);
}

eResultCode CTableWidget::ScrollToTop(bool) { return SetScrollFraction(0.0f, -1, true); }
eResultCode CTableWidget::ScrollToBottom(bool) { return SetScrollFraction(1.0f, -1, true); }

eResultCode CTableWidget::SetScrollFraction(float fraction, int32_t rows, bool update)
{
    if (rows == -1)
        rows = mRows.GetSize();
    return SetScrollOffset(OffsetAtFraction(fraction, int64_t(rows) * mRowHeight), update);
}

int32_t CTableWidget::OffsetAtFraction(float fraction, int64_t content)
{
    float f = std::clamp(fraction, 0.0f, 1.0f);
    if (content <= GetHeight() || f == 0.0f)
        return 0;
    return RoundHalfAwayFromZero(f * float(content - GetHeight()));
}

eResultCode CTableWidget::ScrollToThumb(int32_t trackLength, int32_t thumbLength, const gCPoint& position,
                                        bool update)
{
    float fraction = 0.0f;
    if (ThumbFraction(trackLength, thumbLength, position, fraction))
        return SetScrollFraction(fraction, -1, update);
    return SetScrollOffset(0, update);
}

bool CTableWidget::ThumbFraction(int32_t trackLength, int32_t thumbLength, const gCPoint& position, float& fraction)
{
    if (TotalContentHeight() <= GetHeight() || position.y <= 0)
        return false;
    float span = float(trackLength - thumbLength);
    fraction = span > 0.0f ? std::min(float(position.y) / span, 1.0f) : 1.0f;
    return true;
}

// Rows -1 stands for the row count: the bottom is that of the last row, as when the count is given.
int32_t CTableWidget::LastCountedRowBottom(int32_t rows)
{
    return GetRowBottom((rows == -1 ? mRows.GetSize() : rows) - 1);
}

float CTableWidget::GetScrollFraction(int32_t rows)
{
    int32_t bottom = LastCountedRowBottom(rows);
    if (bottom < GetHeight() || GetHeight() == 0)
        return 0.0f;
    return float(mScrollOffset) / float(GetHeight());
}

float CTableWidget::GetVisibleFraction(int32_t rows)
{
    int32_t bottom = LastCountedRowBottom(rows);
    if (bottom <= 0)
        return 1.0f;
    return std::min(float(GetHeight()) / float(bottom), 1.0f);
}

eResultCode CTableWidget::EnsureRowVisible(int32_t row, bool update)
{
    int32_t content = TotalContentHeight();
    int32_t h = GetHeight();
    if (content <= h)
        return SetScrollOffset(0, update);
    int32_t top = GetRowTop(row);
    if (top < 0)
        return SetScrollOffset(row * mRowHeight, update);
    if (top + mRowHeight >= h)
        return SetScrollOffset(row * mRowHeight - h + mRowHeight, update);
    if (GetRowTop(mRows.GetSize()) < h)
        return SetScrollOffset(content - h, update);
    return eSuccess;
}

eResultCode CTableWidget::SetRowHeight(int32_t height, bool update)
{
    // Every row position divides by it.
    if (height < 1)
        return eBadParameter;
    int32_t first = mScrollOffset / mRowHeight;
    mRowHeight = height;
    int32_t limit = std::max(TotalContentHeight() - GetHeight(), 0);
    mScrollOffset = int32_t(std::clamp<int64_t>(int64_t(first) * height, 0, limit));
    PNU_TRY(RebuildColumnImages());
    PNU_TRY(RedrawAndRefresh(update));
    return NotifyRowsChanged(*this, update);
}

eResultCode CTableWidget::OnRectChanged()
{
    int32_t limit = std::max(TotalContentHeight() - GetHeight(), 0);
    mScrollOffset = std::clamp(mScrollOffset / mRowHeight * mRowHeight, 0, limit);
    // The cell cache is the widget's size, which comes from a data block.
    if (GetWidth() > 0 && GetHeight() > 0 && !WorkImageFits(GetWidth(), GetHeight()))
        return eNoMemory;
    PNU_TRY(mCellImage.SetSize(std::max(GetWidth(), 0), std::max(GetHeight(), 0)));
    if (mColumns.GetSize() == 1)
        PNU_TRY(RebuildColumnImages());
    PNU_TRY(RedrawAllCells());
    if (eResultCode answer = NotifyRowsChanged(*this, 0); answer != eSuccess)
        return answer;
    return NotifyColumnsChanged(*this);
}

int32_t CTableWidget::GetThumbLength(int32_t trackLength)
{
    int32_t content = TotalContentHeight();
    if (content <= GetHeight())
        return trackLength;
    return int32_t(int64_t(GetHeight()) * trackLength / content);
}

int32_t CTableWidget::GetThumbPosition(int32_t trackLength, int32_t thumbLength)
{
    int32_t content = TotalContentHeight();
    if (content <= GetHeight())
        return 0;
    int64_t span = int64_t(trackLength) - thumbLength;
    return int32_t(std::min<int64_t>(span, int64_t(mScrollOffset) * span / (content - GetHeight())));
}
