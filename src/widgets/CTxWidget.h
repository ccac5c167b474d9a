// A mask widget that shows one text in one font: the text's coverage is rendered into the mask,
// so the colour, effects and hit testing follow the glyphs. By default the widget takes the
// size of its text; the text can be turned by quarter turns.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetTextObject, NextTextListEntry, GetTextListIndex, GetWrap, the rotation, and the getters and
// setters of the size-to-text flag, font, justification, style, letter and line spacing and
// horizontal scale.
#pragma once

#include "core/FourCharCode.h"
#include "text/CTextRenderer.h"
#include "widgets/CMaskWidget.h"
#include "widgets/CreateLoadedWidget.h"

#include <cstdint>

class CText;
class CTextList;

// A 'fsiz' value in whole pixels, rounded half away from zero; values beyond the 32-bit range
// (and a value that is not a number, as 0) are held inside it.
inline int32_t FontPixelsFromTag(float value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483520.0f)
        return INT32_MAX;
    if (value <= -2147483520.0f)
        return -INT32_MAX;
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

// The text list a widget block names and the entry to show, applied once the block is read.
struct sTextListChoice {
    int32_t textListIndex = 0;
    gCString textListName;
};

class CTxWidget : public CLoadedWidgetT<CTxWidget, CMaskWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("txwg");

    class CTxWidgetDataHolder : public CMaskWidgetDataHolder, public sTextListChoice {};

    CTxWidget();
    ~CTxWidget() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode OnRectChanged() override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;
    void SetColour(uint32_t colour, bool update) override;
    // The mask belongs to the text: the image setters leave it alone.
    eResultCode SetImage(CImage8*, bool, bool) override { return eSuccess; }
    eResultCode SetImageList(gCImageList8*) override { return eSuccess; }
    eResultCode SetImageListIndex(int32_t, bool, bool) override { return eSuccess; }
    eResultCode NextImage(bool, bool) override { return eSuccess; }

    virtual void GetText(gCString& text) const;
    virtual eResultCode SetText(const gCString& text, bool resize, bool update);
    // Shows the object's text and keeps the object (deleted with the widget unless pooled).
    virtual eResultCode SetTextObject(CText* text, bool resize, bool update);
    virtual CText* GetTextObject() const { return mTextObject; }
    virtual void SetSizeToText(bool size) { mSizeToText = size; }
    virtual bool GetSizeToText() const { return mSizeToText; }
    virtual eResultCode SetTextList(CTextList* list);
    virtual eResultCode SetTextListIndex(int32_t index, bool resize, bool update);
    virtual eResultCode NextTextListEntry(bool resize, bool update);
    virtual int32_t GetTextListIndex() const;
    virtual CTextList* GetTextList() const { return mTextList; }
    virtual CTextRenderer* GetTextRenderer() { return &mRenderer; }
    virtual const gCString& GetFontName() const { return mRenderer.mFontName; }
    virtual eResultCode SetFontName(const gCString& name, bool resize, bool update);
    virtual int32_t GetFontPixelSize() const { return mRenderer.mPixelSize; }
    virtual eResultCode SetFontPixelSize(int32_t size, bool resize, bool update);
    virtual float GetFontPointSize() const { return mRenderer.mPointSize; }
    virtual eResultCode SetFontPointSize(float size, bool resize, bool update);
    virtual int32_t GetJustification() const { return mRenderer.mJustification; }
    virtual eResultCode SetJustification(int32_t justification, bool resize, bool update);
    virtual eResultCode SetFontStyle(bool bold, bool italic, bool underline, bool resize, bool update);
    virtual eResultCode SetBold(bool bold, bool resize, bool update);
    virtual eResultCode SetItalic(bool italic, bool resize, bool update);
    virtual eResultCode SetUnderline(bool underline, bool resize, bool update);
    virtual bool GetBold() const { return mRenderer.mBold != 0; }
    virtual bool GetItalic() const { return mRenderer.mItalic != 0; }
    virtual bool GetUnderline() const { return mRenderer.mUnderline != 0; }
    virtual eResultCode SetWrap(bool wrap, bool resize, bool update);
    virtual bool GetWrap() const { return mRenderer.mWrap != 0; }
    virtual eResultCode SetRotation(int32_t rotation, bool resize, bool update);
    virtual int32_t GetRotation() const { return mRotation; }
    virtual float GetLetterSpacing() const { return mRenderer.mAdvanceScale; }
    virtual eResultCode SetLetterSpacing(float factor, bool resize, bool update);
    virtual float GetLineSpacing() const { return mRenderer.mLineSpacing; }
    virtual eResultCode SetLineSpacing(float factor, bool resize, bool update);
    virtual float GetHorizontalScale() const { return mRenderer.mXScale; }
    virtual eResultCode SetHorizontalScale(float scale, bool resize, bool update);
    virtual eResultCode RenderText(bool resize, bool update);

protected:
    eResultCode SetStyleFlag(int32_t& flag, bool on, bool resize, bool update);
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CTxWidgetDataHolder& holder);
    eResultCode RenderRotated();
    void ReleaseTextObject();

    CTextRenderer mRenderer;
    CTextList* mTextList = nullptr;
    CText* mTextObject = nullptr;
    bool mSizeToText = true;
    int32_t mRotation = 0;
    bool mRenderingSuspended = false;
};
