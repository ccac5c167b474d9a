// The one-line text editor: a text-and-image widget whose label shows the whole text, with a
// caret and a selection drawn inverted over it, editing in UTF-16 units, an optional numeric
// filter and length limit, horizontal scrolling of a text wider than the field, keyboard and
// mouse input with double and triple clicks, and cut, copy and paste through the clipboard.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: the caret
// blink time's setter and getter, SetCaret, SetNumeric and SetMaxLength.
#pragma once

#include "app/CTimeTrack.h"
#include "app/CTimer.h"
#include "core/FourCharCode.h"
#include "widgets/BackdropMessages.h"
#include "widgets/CTxImWidget.h"
#include "widgets/CreateLoadedWidget.h"

class CTxEdWidget : public CLoadedWidgetT<CTxEdWidget, CTxImWidget>, public CBackdropMessageReceiver {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("tewg");

    CTxEdWidget();
    ~CTxEdWidget() override;

    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag) override;
    eResultCode OnKeyDown(CWidget** taker, int32_t key) override;
    eResultCode OnHeartbeat() override;
    eResultCode OnLButtonDown(CWidget** taker, const gCPoint& point) override;
    uint32_t DispatchMessageEvent(uint32_t message, uintptr_t p1, uintptr_t p2) override;
    // Losing the focus collapses the selection and hides the caret; the tablet learns whether a
    // numeric field keeps it.
    eResultCode OnFocusLost(CWidget* losing) override;
    uint32_t GetTypeCode() const override { return kTypeCode; }
    void SetFocus(bool notify) override;
    eResultCode RenderWidget(const gCRect& clip, CImage* target, int32_t alpha, gCRect& out) override;
    eResultCode DrawWidget(const gCRect& clip, CImage* target, int32_t alpha) override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;
    eResultCode SetText(const gCString& text, bool relayout, bool update) override;
    // The editor shows what is typed, never a list entry: a list handed over is let go at once.
    eResultCode SetTextList(CTextList* list) override;
    int32_t GetJustification() const override { return mJustification; }
    eResultCode SetJustification(int32_t justification, bool relayout, bool update) override;

    virtual void SetCaretBlinkTime(int32_t milliseconds) { mBlink.duration = float(milliseconds); }
    virtual int32_t GetCaretBlinkTime() const { return int32_t(mBlink.duration); }
    virtual eResultCode SelectAll(bool update);
    virtual eResultCode CollapseSelection(bool update);
    virtual eResultCode Cut();
    virtual eResultCode Copy();
    virtual eResultCode Paste();
    virtual eResultCode SetCaret(int32_t index, bool extend, bool update);
    virtual void SetNumeric(bool numericOnly, bool allowDecimal);
    virtual void BuildTextWithChar(char16_t unit, gCString& result, bool commit);
    virtual eResultCode InsertChar(char16_t unit);
    virtual eResultCode DeleteChar(bool backward);
    virtual eResultCode UpdateCaretPositions();
    virtual eResultCode DrawCaretAndSelection(const gCRect& clip, CImage* target);
    virtual eResultCode InvalidateCaret(bool restartBlink);
    virtual eResultCode ScrollToCaret(int32_t index);
    virtual eResultCode MoveCaret(int32_t key);

    void GetSelectedText(gCString& text, bool wholeWhenEmpty) const;
    // Null units remove the selection only.
    eResultCode InsertText(const char16_t* units, bool update);
    eResultCode DeleteSelection(bool clearWhenNone, bool update);
    void PlaceLabel(int32_t justification);

    int32_t GetCaret() const { return mCaret; }
    int32_t GetAnchor() const { return mAnchor; }
    const gCArray<int32_t>& GetCaretPositions() const { return mPositions; }
    int32_t GetBlinkPhase() const { return mBlinkPhase; }
    // Negative: no limit. Counted in UTF-16 units.
    void SetMaxLength(int32_t units) { mMaxLength = units; }

protected:
    eResultCode ParseDataChunk(uint32_t tag, gCStream* stream, CTxImWidgetDataHolder& holder) override;
    // Whether the editor is the focus widget of the backdrop it is shown in.
    bool IsFocusWidget();
    // The text the label shows (empty without a text object).
    const gCString& LabelText() const;
    bool HasSelection() const { return mCaret != mAnchor && mPositions.GetSize() > 0; }
    int32_t TextLength() const { return LabelText().GetLength(); }
    // The x of a caret index within the label, 0 without positions; indexes are clamped.
    int32_t PositionOf(int32_t index) const;
    int32_t IndexAtX(int32_t x) const;
    gCRect CaretRect();
    gCRect SelectionRect();
    void BandOf(int32_t& top, int32_t& bottom);
    bool PassesNumericFilter(const gCString& text) const;
    // Sets the label's text through the base class, so the editor's own filters do not apply.
    eResultCode SetLabelText(const gCString& text, bool update);
    eResultCode MoveLabelTo(float x);
    eResultCode InsertTypedUnit(char16_t unit);
    // Puts the selected text on the clipboard (`put` says whether it did); a failure is reported.
    eResultCode PutSelection(const char* failure, bool& put);
    eResultCode DragSelection(const gCPoint& press);
    void SelectWordAtCaret();
    void WordJumpLeft();
    void WordJumpRight();

    int32_t mCaret = 0;
    int32_t mAnchor = 0;
    gCArray<int32_t> mPositions;
    CTimeTrack mBlink;
    int32_t mBlinkPhase = 0;
    bool mHideSelectionUnfocused = true;
    int32_t mJustification = 0;
    bool mNumericOnly = false;
    bool mAllowDecimal = true;
    int32_t mMaxLength = -1;
    uint32_t mDoubleClickTime = 200;
    CTimer mClickTimer;
    int32_t mClickCount = 0;
    // The text colour a data block gives, applied once its image is in place.
    uint32_t mLoadedTextColour = 0xFF000000u;
};
