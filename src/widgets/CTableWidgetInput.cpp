// The table and the mouse: clicks select rows, the wheel scrolls, and the row under the pointer
// is highlighted on each heartbeat.
#include "widgets/CTableWidget.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "widgets/CBackdrop.h"

CWidget* CTableWidget::RolloverWidget()
{
    CWidget* root = GetRootWidget();
    if (!root || root->GetTypeCode() != CBackdrop::kTypeCode)
        return nullptr;
    return static_cast<CBackdrop*>(root)->GetRolloverWidget();
}

eResultCode CTableWidget::OnLButtonDown(CWidget** taker, const gCPoint& point)
{
    if (taker)
        *taker = this;
    int32_t column = GetColumnAtX(point.x);
    int32_t row = GetRowAtY(point.y);
    if (column < 0 || row < 0 || row >= mRows.GetSize()) {
        PNU_TRY(SelectAll(false, true));
        return NotifySelectionClicked(*this);
    }
    // Valid only during the calls below.
    sCellAddress address{column, row};
    if (!mSelectable)
        return NotifyCellClicked(*this, address);
    bool command = gApplication && gApplication->IsCommandDown();
    if (command && mMultiSelect) {
        mRows[row]->selected = mRows[row]->selected ? 0 : 1;
        PNU_TRY(RedrawRow(row, true));
    } else if (command) {
        PNU_TRY(SelectRow(row, true));
    } else {
        PNU_TRY(SelectOnlyRow(row, true));
    }
    if (eResultCode answer = NotifySelectionClicked(*this); answer != eSuccess)
        return answer;
    return NotifyCellClicked(*this, address);
}

eResultCode CTableWidget::OnMouseWheel(CWidget** taker, const gCPoint& delta, const gCPoint&)
{
    return OnWheelScroll(taker, delta.y);
}

eResultCode CTableWidget::OnWheelScroll(CWidget** handler, int32_t delta)
{
    // A widget under the pointer that takes the focus has the wheel to itself.
    CWidget* rollover = RolloverWidget();
    if (rollover && rollover != this && rollover->CanGetFocus())
        return eSuccess;
    int32_t step = mWheelRows * mRowHeight;
    PNU_TRY(SetScrollOffset(delta < 1 ? mScrollOffset + step : mScrollOffset - step, true));
    if (handler)
        *handler = this;
    return eSuccess;
}

eResultCode CTableWidget::SetHoverHighlight(bool on, bool update)
{
    mHoverHighlight = on ? 1 : 0;
    if (on) {
        mHoverRow = kNoHoverRow;
        return eSuccess;
    }
    int32_t old = mHoverRow;
    mHoverRow = kNoHoverRow;
    if (old == kNoHoverRow)
        return UpdateIf(update);
    return InvalidateRowBand(old, update);
}

eResultCode CTableWidget::OnHeartbeat()
{
    if (!mHoverHighlight)
        return eSuccess;
    int32_t hovered = kNoHoverRow;
    if (gApplication && RolloverWidget() == this)
        hovered = GetRowAtY(RootToLocal(gApplication->GetMousePosition()).y);
    if (hovered == mHoverRow)
        return eSuccess;
    if (mHoverRow != kNoHoverRow)
        (void)InvalidateRowBand(mHoverRow, false);
    mHoverRow = hovered;
    if (hovered != kNoHoverRow)
        return InvalidateRowBand(hovered, true);
    return Update();
}
