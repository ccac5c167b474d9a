// The editor's interactive side: keys, caret movement, clicks and drag selection, focus, the
// blinking caret and the inverted selection, and the clipboard.
#include "widgets/CTxEdWidget.h"

#include "TabletIO/TabletState.h"
#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CWindowBase.h"
#include "app/ReportError.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "resources/CText.h"
#include "widgets/CBackdrop.h"
#include "widgets/EditMessages.h"

#include <algorithm>

namespace {

constexpr char16_t kSpace = 32;

bool CommandHeld() { return gApplication && gApplication->IsCommandDown(); }
bool ShiftHeld() { return gApplication && gApplication->IsShiftDown(); }

int32_t RoundHalfAway(float value) { return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f); }

// Inverts red, green and blue in place, keeping alpha.
eResultCode InvertArea(CImage* target, const gCRect& area)
{
    CImNav navigator(target, &area);
    if (!navigator.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < navigator.GetHeight(); ++y) {
        CPixel* row = navigator.Row(y);
        for (int32_t x = 0; x < navigator.GetWidth(); ++x)
            row[x] ^= 0x00FFFFFFu;
    }
    return eSuccess;
}

} // namespace

bool CTxEdWidget::IsFocusWidget()
{
    auto* backdrop = dynamic_cast<CBackdrop*>(GetRootWidget());
    return backdrop && backdrop->GetFocusWidget() == this;
}

// ---- caret and selection geometry -----------------------------------------------------------

void CTxEdWidget::BandOf(int32_t& top, int32_t& bottom)
{
    const float fieldHeight = GetImage() ? float(GetImage()->GetHeight()) : float(GetHeight());
    const float lineHeight = mLabel.GetTextRenderer()->mLineHeight;
    top = RoundHalfAway((fieldHeight - lineHeight) / 2.0f);
    bottom = RoundHalfAway((fieldHeight + lineHeight) / 2.0f);
}

gCRect CTxEdWidget::CaretRect()
{
    int32_t top = 0, bottom = 0;
    BandOf(top, bottom);
    const int32_t p = mCaret > 0 && mPositions.GetSize() > 0 ? PositionOf(mCaret) - 1 : 0;
    const int32_t left = mLabel.GetRect().left + p;
    return gCRect{left, top, left + 2, bottom};
}

gCRect CTxEdWidget::SelectionRect()
{
    int32_t top = 0, bottom = 0;
    BandOf(top, bottom);
    const int32_t left = mLabel.GetRect().left;
    return gCRect{left + PositionOf(std::min(mCaret, mAnchor)), top, left + PositionOf(std::max(mCaret, mAnchor)),
                  bottom};
}

eResultCode CTxEdWidget::InvalidateCaret(bool restartBlink)
{
    if (restartBlink) {
        mBlink.timer.Reset();
        mBlink.running = 1;
    }
    if (HasSelection())
        (void)InvalidateRect(SelectionRect(), false);
    (void)InvalidateRect(CaretRect(), restartBlink);
    return eSuccess;
}

eResultCode CTxEdWidget::DrawCaretAndSelection(const gCRect& clip, CImage* target)
{
    if (!target || !IsFocusWidget())
        return eSuccess;
    if (!HasSelection() && mBlinkPhase != 0)
        return eSuccess;
    // The clip and the target are the parent's: the band moves there instead.
    gCRect area = HasSelection() ? SelectionRect() : CaretRect();
    LocalToParent(area);
    if (!ClipRect(area, clip))
        return eSuccess;
    return InvertArea(target, area);
}

eResultCode CTxEdWidget::RenderWidget(const gCRect& clip, CImage* target, int32_t alpha, gCRect& out)
{
    PNU_TRY(CTxImWidget::RenderWidget(clip, target, alpha, out));
    // Only when this pass drew the editor; otherwise DrawWidget draws it and inverts.
    if (!mOpaqueBlit || out.IsEmpty())
        return eSuccess;
    return DrawCaretAndSelection(clip, target);
}

eResultCode CTxEdWidget::DrawWidget(const gCRect& clip, CImage* target, int32_t alpha)
{
    PNU_TRY(CTxImWidget::DrawWidget(clip, target, alpha));
    if (mOpaqueBlit || !IsVisible())
        return eSuccess;
    return DrawCaretAndSelection(clip, target);
}

eResultCode CTxEdWidget::OnHeartbeat()
{
    if (!IsFocusWidget())
        return eSuccess;
    const float value = mBlink.running ? mBlink.GetValue() : mBlink.endValue;
    const int32_t phase = int32_t(value);
    if (phase == mBlinkPhase)
        return eSuccess;
    mBlinkPhase = phase;
    (void)InvalidateRect(CaretRect(), true);
    return eSuccess;
}

// ---- focus ----------------------------------------------------------------------------------

void CTxEdWidget::SetFocus(bool notify)
{
    CTxImWidget::SetFocus(notify);
    (void)SelectAll(true);
}

uint32_t CTxEdWidget::DispatchMessageEvent(uint32_t message, uintptr_t p1, uintptr_t p2)
{
    if (uint32_t answer = DecodeBackdropMessage(message, p1, p2, *this); answer != 0)
        return answer;
    return CTxImWidget::DispatchMessageEvent(message, p1, p2);
}

eResultCode CTxEdWidget::OnFocusLost(CWidget* losing)
{
    sTabletState* tablet = gApplication ? gApplication->GetTabletState() : nullptr;
    if (losing == this) {
        PNU_TRY(CollapseSelection(false));
        mBlinkPhase = 1;
        (void)InvalidateContent(true);
        if (mNumericOnly && tablet)
            SetTabletStateFlag(tablet, 0);
    } else if (mNumericOnly && tablet && IsFocusWidget()) {
        SetTabletStateFlag(tablet, 1);
    }
    return eSuccess;
}

// ---- keys -----------------------------------------------------------------------------------

eResultCode CTxEdWidget::OnKeyDown(CWidget** taker, int32_t key)
{
    if (*taker || !mParent || mParent->GetFocusChild() != this || !IsFocusWidget())
        return eSuccess;
    PNU_TRY(InvalidateCaret(false));
    eResultCode result = eSuccess;
    if (CommandHeld()) {
        switch (key) {
        case 'A': case 'a': result = SelectAll(true); break;
        case 'C': case 'c': result = Copy(); break;
        case 'V': case 'v': result = Paste(); break;
        case 'X': case 'x': result = Cut(); break;
        default: return eSuccess;
        }
        *taker = this;
        (void)InvalidateCaret(true);
        return result;
    }
    if (key == 8 || key == 127) {
        *taker = this;
        PNU_TRY(DeleteChar(key == 8));
    } else if (key >= kKeyLeft && key <= kKeyPageDown) {
        *taker = this;
        PNU_TRY(MoveCaret(key));
    } else if (key == 13 || key == 11 || key == 27) {
        *taker = this;
        // No receiver's answer is an error of the editor's: a handled message is no failure.
        (void)RouteFieldKey(this, key == 27 ? eFieldKey::kEscape : eFieldKey::kReturn);
        return eSuccess;
    } else if (key == 9) {
        return eSuccess;
    } else if (key < 32 && key >= -65536) {
        // Other control keys and the Mac Roman characters above 127 type nothing here.
    } else {
        *taker = this;
        PNU_TRY(InsertTypedUnit(char16_t(key & 0xFFFF)));
    }
    return InvalidateCaret(true);
}

eResultCode CTxEdWidget::InsertTypedUnit(char16_t unit)
{
    if (mNumericOnly) {
        // The would-be text with a digit after it, so "-" and "12." can be typed on the way.
        gCString test;
        BuildTextWithChar(unit, test, false);
        test += u'0';
        if (!PassesNumericFilter(test))
            return eSuccess;
    }
    if (mMaxLength >= 0 && TextLength() - std::abs(mCaret - mAnchor) + 1 > mMaxLength)
        return eSuccess;
    return InsertChar(unit);
}

void CTxEdWidget::WordJumpLeft()
{
    const gCString& text = LabelText();
    const int32_t last = mPositions.GetSize() - 1;
    auto isSpace = [&](int32_t i) { return i >= 0 && i < text.GetLength() && text[i] == kSpace; };
    if (mCaret > 0 && isSpace(mCaret))
        while (mCaret > 0 && isSpace(mCaret))
            --mCaret;
    mCaret = std::max(mCaret - 1, 0);
    if (mCaret > 0 && !isSpace(mCaret)) {
        while (mCaret > 0 && !isSpace(mCaret - 1))
            --mCaret;
    } else if (isSpace(mCaret)) {
        mCaret = std::min(mCaret + 1, last);
    }
}

void CTxEdWidget::WordJumpRight()
{
    const gCString& text = LabelText();
    const int32_t last = mPositions.GetSize() - 1;
    auto isSpace = [&](int32_t i) { return i >= 0 && i < text.GetLength() && text[i] == kSpace; };
    if (mCaret < last && !isSpace(mCaret))
        while (mCaret < last && !isSpace(mCaret))
            ++mCaret;
    while (mCaret < last && isSpace(mCaret))
        ++mCaret;
}

eResultCode CTxEdWidget::MoveCaret(int32_t key)
{
    if (!GetTextObject() || mPositions.GetSize() == 0)
        return eSuccess;
    const int32_t last = mPositions.GetSize() - 1;
    const bool left = key == kKeyLeft || key == kKeyUp;
    const bool right = key == kKeyRight || key == kKeyDown;
    const bool home = key == kKeyHome || key == kKeyPageUp;
    const bool end = key == kKeyEnd || key == kKeyPageDown;
    const bool extend = ShiftHeld();
    if (!extend) {
        if (left)
            mCaret = mCaret > mAnchor ? mAnchor : mCaret == mAnchor ? std::max(mCaret - 1, 0) : mCaret;
        else if (right)
            mCaret = mCaret < mAnchor ? mAnchor : mCaret == mAnchor ? std::min(mCaret + 1, last) : mCaret;
    } else if (left) {
        mCaret = std::max(mCaret - 1, 0);
    } else if (right) {
        mCaret = std::min(mCaret + 1, last);
    }
    if (home)
        mCaret = 0;
    else if (end)
        mCaret = last;
    if (CommandHeld() && left)
        WordJumpLeft();
    else if (CommandHeld() && right)
        WordJumpRight();
    PNU_TRY(ScrollToCaret(mCaret));
    if (!extend)
        mAnchor = mCaret;
    return eSuccess;
}

// ---- mouse ----------------------------------------------------------------------------------

int32_t CTxEdWidget::IndexAtX(int32_t x) const
{
    const int32_t last = mPositions.GetSize() - 1;
    if (x >= mLabel.GetWidth())
        return last;
    if (x < 1)
        return 0;
    for (int32_t i = 0; i < last; ++i)
        if (float(x) < float(mPositions[i]) + 0.6f * float(mPositions[i + 1] - mPositions[i]))
            return i;
    return last;
}

void CTxEdWidget::SelectWordAtCaret()
{
    const gCString& text = LabelText();
    const int32_t length = text.GetLength();
    if (mCaret < length && text[mCaret] == kSpace) {
        mAnchor = mCaret + 1;
        return;
    }
    mAnchor = mCaret;
    while (mAnchor > 0 && text[mAnchor - 1] != kSpace)
        --mAnchor;
    while (mCaret < length && text[mCaret] != kSpace)
        ++mCaret;
}

eResultCode CTxEdWidget::DragSelection(const gCPoint& press)
{
    // The caret stands where the press happened; a pointer that moved on before the press was
    // handled moves it at the first look.
    gCPoint last = press;
    while (gApplication->IsLeftButtonDown()) {
        PNU_TRY(gApplication->RunHeartbeatOnce());
        // The window may have gone during the heartbeat; the drag ends with it.
        if (!GetMainWindow() || gApplication->IsQuitRequested())
            break;
        const gCPoint now = gApplication->GetMousePosition();
        if (now == last)
            continue;
        last = now;
        PNU_TRY(InvalidateCaret(false));
        mCaret = IndexAtX(mLabel.RootToLocal(now).x);
        PNU_TRY(ScrollToCaret(mCaret));
        PNU_TRY(InvalidateCaret(true));
    }
    return eSuccess;
}

eResultCode CTxEdWidget::OnLButtonDown(CWidget** taker, const gCPoint& point)
{
    *taker = this;
    PNU_TRY(UpdateCaretPositions());
    if (mPositions.GetSize() == 0) {
        mCaret = mAnchor = 0;
        return eSuccess;
    }
    mClickCount = mClickTimer.GetElapsedMilliseconds() < mDoubleClickTime ? mClickCount + 1 : 0;
    mClickTimer.Reset();
    PNU_TRY(InvalidateCaret(false));
    const gCRect& label = mLabel.GetRect();
    mCaret = mAnchor = IndexAtX(point.x - label.left);
    if (mClickCount == 1) {
        SelectWordAtCaret();
        PNU_TRY(InvalidateCaret(true));
    } else if (mClickCount == 2) {
        mAnchor = 0;
        mCaret = TextLength();
        PNU_TRY(InvalidateCaret(true));
    } else if (mClickCount == 0) {
        PNU_TRY(ScrollToCaret(mCaret));
        if (gApplication)
            PNU_TRY(DragSelection(LocalToRoot(point)));
    }
    return InvalidateCaret(true);
}

// ---- clipboard ------------------------------------------------------------------------------

uint32_t CTxEdWidget::OnCommand(uint32_t command, uintptr_t, intptr_t, uint32_t)
{
    switch (DecodeEditCommand(command)) {
    case eEditCommand::kCut: return uint32_t(Cut());
    case eEditCommand::kCopy: return uint32_t(Copy());
    case eEditCommand::kPaste: return uint32_t(Paste());
    case eEditCommand::kNone: break;
    }
    return 0;
}

eResultCode CTxEdWidget::PutSelection(const char* failure, bool& put)
{
    put = false;
    gCString text;
    GetSelectedText(text, false);
    if (text.GetLength() == 0 || !gApplication)
        return eSuccess;
    eResultCode result = gApplication->PutClipboardText(text);
    if (result != eSuccess) {
        ReportError(result, failure);
        return result;
    }
    put = true;
    return eSuccess;
}

eResultCode CTxEdWidget::Copy()
{
    bool put = false;
    return PutSelection("Failed to copy the requested text.", put);
}

eResultCode CTxEdWidget::Cut()
{
    bool put = false;
    PNU_TRY(PutSelection("Failed to cut the requested text.", put));
    if (put)
        (void)DeleteSelection(false, true);
    return eSuccess;
}

eResultCode CTxEdWidget::Paste()
{
    if (!gApplication)
        return eSuccess;
    gCString text;
    eResultCode result = gApplication->GetClipboardText(text);
    if (result == eHandled)
        return eSuccess;
    if (result != eSuccess) {
        ReportError(result, "Failed to paste clipboard text.");
        return result;
    }
    // A clipboard without text leaves the field as it is (the selection is not deleted).
    if (text.IsNull())
        return eSuccess;
    if (mNumericOnly && !PassesNumericFilter(text))
        return eSuccess;
    if (mMaxLength >= 0 && TextLength() + text.GetLength() - std::abs(mCaret - mAnchor) > mMaxLength)
        return eSuccess;
    (void)InsertText(text.GetText(), true);
    return eSuccess;
}
