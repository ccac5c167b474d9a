// An image widget that carries a text label: a complete text widget held by value as its only
// child, centred over the image. Every text property forwards to the label, followed by the
// outer widget's own re-layout or redraw. The base of the one-line text editor.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetTextObject, NextTextListEntry and the getters and setters of the size-to-text flag, colour,
// font, justification, style, letter and line spacing and horizontal scale.
#pragma once

#include "core/FourCharCode.h"
#include "widgets/CImWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CreateLoadedWidget.h"

class CTxImWidget : public CLoadedWidgetT<CTxImWidget, CImWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("tiwg");

    class CTxImWidgetDataHolder : public CImWidgetDataHolder, public sTextListChoice {};

    CTxImWidget();
    ~CTxImWidget() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    // The label is the only child: any other is refused (eBadParameter), so whoever made it still
    // owns it, and the label is never removed.
    eResultCode AddChild(CWidget*, bool) override { return eBadParameter; }
    eResultCode RemoveChildAt(int32_t index, bool update) override;
    eResultCode DetachChildAt(int32_t index, bool update) override;
    // The label is a member, never deleted with the children.
    void DeleteChildren() override {}
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;

    virtual CText* GetTextObject() const { return mLabel.GetTextObject(); }
    virtual void GetText(gCString& text) const { mLabel.GetText(text); }
    virtual eResultCode SetText(const gCString& text, bool relayout, bool update);
    virtual eResultCode SetTextObject(CText* text, bool relayout, bool update);
    virtual void SetSizeToText(bool size) { mLabel.SetSizeToText(size); }
    virtual bool GetSizeToText() const { return mLabel.GetSizeToText(); }
    virtual eResultCode SetTextList(CTextList* list) { return mLabel.SetTextList(list); }
    virtual eResultCode SetTextListIndex(int32_t index, bool relayout, bool update);
    virtual eResultCode NextTextListEntry(bool relayout, bool update);
    virtual void GetTextColour(uint32_t& colour) const { colour = mLabel.GetColour(); }
    virtual eResultCode SetTextColour(uint32_t colour, bool update);
    virtual const gCString& GetFontName() const { return mLabel.GetFontName(); }
    virtual eResultCode SetFontName(const gCString& name, bool relayout, bool update);
    virtual int32_t GetFontPixelSize() const { return mLabel.GetFontPixelSize(); }
    virtual eResultCode SetFontPixelSize(int32_t size, bool relayout, bool update);
    virtual eResultCode SetFontPointSize(float size, bool relayout, bool update);
    virtual int32_t GetJustification() const { return mLabel.GetJustification(); }
    virtual eResultCode SetJustification(int32_t justification, bool relayout, bool update);
    // The style setters re-render and redraw the label at once, whatever the outer flags say.
    virtual eResultCode SetFontStyle(bool bold, bool italic, bool underline, bool relayout, bool update);
    virtual eResultCode SetBold(bool bold, bool relayout, bool update);
    virtual eResultCode SetItalic(bool italic, bool relayout, bool update);
    virtual eResultCode SetUnderline(bool underline, bool relayout, bool update);
    virtual float GetLetterSpacing() const { return mLabel.GetLetterSpacing(); }
    virtual eResultCode SetLetterSpacing(float factor, bool relayout, bool update);
    virtual float GetLineSpacing() const { return mLabel.GetLineSpacing(); }
    virtual eResultCode SetLineSpacing(float factor, bool relayout, bool update);
    virtual float GetHorizontalScale() const { return mLabel.GetHorizontalScale(); }
    virtual eResultCode SetHorizontalScale(float scale, bool relayout, bool update);

    CTxWidget* GetLabel() { return &mLabel; }

protected:
    // After the label changed: the outer widget lays itself out again or redraws.
    eResultCode OuterStep(bool relayout, bool update);
    virtual eResultCode ParseDataChunk(uint32_t tag, gCStream* stream, CTxImWidgetDataHolder& holder);

    CTxWidget mLabel;
};
