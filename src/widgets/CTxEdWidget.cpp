// The editor's model: the text is the label's, indexes count UTF-16 units, and every change of
// the text refreshes the caret positions and scrolls the caret into view.
#include "widgets/CTxEdWidget.h"

#include "FileIO/gCFile.h"
#include "app/ReportError.h"
#include "core/FourCharCode.h"
#include "resources/CText.h"
#include "resources/CTextList.h"

#include <algorithm>

namespace {

constexpr uint32_t kTextColourTag = FourCharCode("txcl");
// The label's text margin inside the field, in pixels.
constexpr int32_t kMargin = 2;

} // namespace

CTxEdWidget::CTxEdWidget() : mBlink(0.0f, 100.0f, 500.0f, 2.0f, CTimeTrack::ePingPong, true)
{
    EnableEvents(0xFFFFFFFFu, false);
    SetCanGetFocus(true);
    sLayoutValues* label = mLabel.GetLayoutValues();
    label->xCentre = 0;
    label->x = float(kMargin);
}

CTxEdWidget::~CTxEdWidget() = default;

// ---- text and selection ---------------------------------------------------------------------

const gCString& CTxEdWidget::LabelText() const
{
    static const gCString kNoText;
    const CText* text = GetTextObject();
    return text ? text->GetText() : kNoText;
}

eResultCode CTxEdWidget::SetLabelText(const gCString& text, bool update)
{
    return CTxImWidget::SetText(text, true, update);
}

bool CTxEdWidget::PassesNumericFilter(const gCString& text) const
{
    return text.IsInteger() || (mAllowDecimal && text.IsNumber());
}

eResultCode CTxEdWidget::SetText(const gCString& text, bool relayout, bool update)
{
    PNU_TRY(InvalidateCaret(false));
    if (mNumericOnly && !PassesNumericFilter(text))
        return eHandled;
    if (mMaxLength >= 0 && text.GetLength() > mMaxLength)
        return eHandled;
    PNU_TRY(CTxImWidget::SetText(text, relayout, false));
    mCaret = mAnchor = 0;
    PNU_TRY(SelectAll(update));
    return ScrollToCaret(0);
}

eResultCode CTxEdWidget::SetTextList(CTextList* list)
{
    if (list && !list->IsInPool())
        delete list;
    return eSuccess;
}

void CTxEdWidget::SetNumeric(bool numericOnly, bool allowDecimal)
{
    mNumericOnly = numericOnly;
    mAllowDecimal = allowDecimal;
}

eResultCode CTxEdWidget::SelectAll(bool update)
{
    PNU_TRY(UpdateCaretPositions());
    PNU_TRY(InvalidateCaret(false));
    mAnchor = 0;
    mCaret = mPositions.GetSize() > 0 ? mPositions.GetSize() - 1 : 0;
    (void)OnHeartbeat();
    return InvalidateCaret(update);
}

eResultCode CTxEdWidget::CollapseSelection(bool update)
{
    PNU_TRY(InvalidateCaret(false));
    mAnchor = mCaret;
    (void)OnHeartbeat();
    return InvalidateCaret(update);
}

eResultCode CTxEdWidget::SetCaret(int32_t index, bool extend, bool update)
{
    if (!GetTextObject() || mPositions.GetSize() == 0)
        return eSuccess;
    if (index < 0 || index >= mPositions.GetSize())
        return eHandled;
    mCaret = index;
    if (!extend)
        mAnchor = index;
    PNU_TRY(ScrollToCaret(index));
    return InvalidateContent(update);
}

void CTxEdWidget::GetSelectedText(gCString& text, bool wholeWhenEmpty) const
{
    const gCString& whole = LabelText();
    if (!GetTextObject() || (mCaret == mAnchor && !wholeWhenEmpty)) {
        text = gCString(u"");
        return;
    }
    if (mCaret == mAnchor) {
        text = whole;
        return;
    }
    text = whole.Mid(std::min(mCaret, mAnchor), std::abs(mCaret - mAnchor));
}

void CTxEdWidget::BuildTextWithChar(char16_t unit, gCString& result, bool commit)
{
    if (!GetTextObject()) {
        result = gCString(unit, 1);
        if (commit)
            mCaret = mAnchor = 1;
        return;
    }
    const int32_t start = std::clamp(std::min(mCaret, mAnchor), 0, TextLength());
    result = LabelText();
    result.Delete(start, std::abs(mCaret - mAnchor));
    // A failed insertion leaves the text without the unit, which the caller then shows unchanged.
    (void)result.InsertChar(unit, start);
    if (commit)
        mCaret = mAnchor = start + 1;
}

eResultCode CTxEdWidget::InsertChar(char16_t unit)
{
    gCString result;
    BuildTextWithChar(unit, result, true);
    PNU_TRY(SetLabelText(result, false));
    PNU_TRY(UpdateCaretPositions());
    return ScrollToCaret(mCaret);
}

eResultCode CTxEdWidget::InsertText(const char16_t* units, bool update)
{
    if (!units)
        return DeleteSelection(false, update);
    gCString inserted(units);
    if (!GetTextObject()) {
        PNU_TRY(SetLabelText(inserted, update));
        mCaret = inserted.GetLength();
    } else {
        const int32_t start = std::clamp(std::min(mCaret, mAnchor), 0, TextLength());
        gCString text = LabelText();
        text.Delete(start, std::abs(mCaret - mAnchor));
        PNU_TRY(text.Insert(inserted, start));
        PNU_TRY(SetLabelText(text, update));
        mCaret = start + inserted.GetLength();
    }
    mAnchor = mCaret;
    PNU_TRY(UpdateCaretPositions());
    return ScrollToCaret(mCaret);
}

eResultCode CTxEdWidget::DeleteSelection(bool clearWhenNone, bool update)
{
    if (!GetTextObject())
        return UpdateIf(update);
    gCString text = LabelText();
    if (mCaret != mAnchor) {
        const int32_t start = std::clamp(std::min(mCaret, mAnchor), 0, text.GetLength());
        text.Delete(start, std::abs(mCaret - mAnchor));
        mCaret = mAnchor = start;
    } else {
        if (clearWhenNone)
            text = gCString(u"");
        mCaret = mAnchor = 0;
    }
    PNU_TRY(SetLabelText(text, update));
    return UpdateCaretPositions();
}

eResultCode CTxEdWidget::DeleteChar(bool backward)
{
    if (!GetTextObject())
        return eSuccess;
    gCString text = LabelText();
    if (mCaret == mAnchor) {
        if (text.GetLength() == 0) {
            mCaret = mAnchor = 0;
            return eSuccess;
        }
        mCaret = std::clamp(mCaret, 0, text.GetLength());
        if (backward) {
            if (mCaret == 0)
                return eSuccess;
            --mCaret;
        }
        text.Delete(mCaret, 1);
    } else {
        const int32_t start = std::clamp(std::min(mCaret, mAnchor), 0, text.GetLength());
        text.Delete(start, std::abs(mCaret - mAnchor));
        mCaret = start;
    }
    mAnchor = mCaret;
    PNU_TRY(SetLabelText(text, false));
    PNU_TRY(UpdateCaretPositions());
    return ScrollToCaret(mCaret);
}

eResultCode CTxEdWidget::UpdateCaretPositions()
{
    // A field without a background image is edited like any other: without positions every
    // typed unit would go in at the start and the text would come out reversed.
    const gCString& text = LabelText();
    if (!GetTextObject() || text.GetLength() == 0) {
        mCaret = mAnchor = 0;
        mPositions.RemoveAll();
        return eSuccess;
    }
    const int32_t count = text.GetLength() + 1;
    if (mPositions.SetSize(count) != eSuccess)
        return eNoMemory;
    PNU_TRY(mLabel.GetTextRenderer()->GetCharOffsets(text, mPositions.GetData(), 0));
    mCaret = std::min(mCaret, count - 1);
    mAnchor = std::min(mAnchor, count - 1);
    return eSuccess;
}

// ---- placing and scrolling the label --------------------------------------------------------

eResultCode CTxEdWidget::SetJustification(int32_t justification, bool relayout, bool update)
{
    mJustification = justification;
    mLabel.GetLayoutValues()->x = 0.0f;
    PlaceLabel(justification);
    if (relayout)
        PNU_TRY(UpdateLayout(false));
    if (update && GetImage())
        return InvalidateCaret(true);
    return eSuccess;
}

void CTxEdWidget::PlaceLabel(int32_t justification)
{
    sLayoutValues* layout = mLabel.GetLayoutValues();
    layout->xCentre = justification == 0 || justification == 1 ? 0 : 1;
    layout->xFarSide = justification == 1 ? 1 : 0;
    layout->xFarAnchor = justification == 1 ? 1 : 0;
}

eResultCode CTxEdWidget::MoveLabelTo(float x)
{
    mLabel.GetLayoutValues()->x = x;
    return mLabel.UpdateLayout(false);
}

int32_t CTxEdWidget::PositionOf(int32_t index) const
{
    const int32_t count = mPositions.GetSize();
    if (count == 0)
        return 0;
    return mPositions[std::clamp(index, 0, count - 1)];
}

eResultCode CTxEdWidget::ScrollToCaret(int32_t index)
{
    const int32_t count = mPositions.GetSize();
    // Callers pass the caret, which the positions always cover; a stray index is kept in range.
    index = count > 0 ? std::clamp(index, 0, count - 1) : 0;
    const int32_t width = GetWidth();
    const gCRect& label = mLabel.GetRect();
    const int32_t caret = PositionOf(index);
    const int32_t next = index + 1 < count ? mPositions[index + 1] : caret;
    if (caret + label.left < kMargin) {
        PlaceLabel(0);
        return MoveLabelTo(float(kMargin - caret));
    }
    if (next + label.left > width - kMargin) {
        PlaceLabel(0);
        return MoveLabelTo(float(width - next - kMargin));
    }
    const int32_t labelWidth = label.right - label.left;
    if (labelWidth < width) {
        // The whole text fits: it goes back to its justified place.
        mLabel.GetLayoutValues()->x = float(kMargin);
        PlaceLabel(mJustification);
        return mLabel.UpdateLayout(false);
    }
    if (labelWidth == width)
        return eSuccess;
    if (label.right < width) {
        PlaceLabel(0);
        return MoveLabelTo(float(width - labelWidth));
    }
    if (label.left > 0) {
        PlaceLabel(0);
        return MoveLabelTo(float(kMargin));
    }
    return eSuccess;
}

// ---- loading --------------------------------------------------------------------------------

eResultCode CTxEdWidget::LoadWidgetDataBlock(gCStream* stream)
{
    mLoadedTextColour = 0xFF000000u;
    PNU_TRY(CTxImWidget::LoadWidgetDataBlock(stream));
    return SetTextColour(mLoadedTextColour, true);
}

eResultCode CTxEdWidget::ParseDataChunk(uint32_t tag, gCStream* stream, CTxImWidgetDataHolder& holder)
{
    if (tag != kTextColourTag)
        return CTxImWidget::ParseDataChunk(tag, stream, holder);
    int32_t colour = 0;
    if (eResultCode result = stream->ReadLong(colour); result != eSuccess) {
        ReportError(eResourceReadError, "TxEdWidget txcl.");
        return result;
    }
    mLoadedTextColour = uint32_t(colour);
    return eSuccess;
}
