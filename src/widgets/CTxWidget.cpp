#include "widgets/CTxWidget.h"

#include "FileIO/gCFile.h"
#include "app/ReportError.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"
#include "resources/CText.h"
#include "resources/CTextList.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/TextWidgetChunks.h"

CTxWidget::CTxWidget() { mColour = 0xFF000000u; }

CTxWidget::~CTxWidget()
{
    ReleaseTextObject();
    if (mTextList && !mTextList->IsInPool())
        delete mTextList;
}

eResultCode CTxWidget::SetTextList(CTextList* list)
{
    if (!list)
        return eBadParameter;
    if (mTextList && mTextList != list && !mTextList->IsInPool())
        delete mTextList;
    mTextList = list;
    return eSuccess;
}

eResultCode CTxWidget::SetTextListIndex(int32_t index, bool resize, bool update)
{
    if (!mTextList || index < 0 || index >= mTextList->GetCount())
        return eBadParameter;
    return SetText(mTextList->GetStringAt(index), resize, update);
}

eResultCode CTxWidget::NextTextListEntry(bool resize, bool update)
{
    if (!mTextList || mTextList->GetCount() < 2)
        return eBadParameter;
    int32_t next = mTextList->GetCurrentIndex() + 1;
    if (next >= mTextList->GetCount())
        next = 0;
    return SetTextListIndex(next, resize, update);
}

int32_t CTxWidget::GetTextListIndex() const { return mTextList ? mTextList->GetCurrentIndex() : -1; }

void CTxWidget::GetText(gCString& text) const
{
    if (mTextObject)
        text = mTextObject->GetText();
    else
        text = gCString();
}

void CTxWidget::ReleaseTextObject()
{
    if (mTextObject && !mTextObject->IsInPool())
        delete mTextObject;
    mTextObject = nullptr;
}

eResultCode CTxWidget::SetText(const gCString& text, bool resize, bool update)
{
    // The copy is taken before the old object goes: `text` may be that object's own string.
    auto* replacement = new CText;
    if (!replacement)
        return eNoMemory;
    replacement->SetText(text);
    ReleaseTextObject();
    mTextObject = replacement;
    if (!mImage) {
        auto* mask = new CImage8(4, 4);
        if (!mask || !mask->HasPixelBuffer()) {
            delete mask;
            return eNoMemory;
        }
        mImage = mask;
    }
    if (mRenderingSuspended)
        return eSuccess;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetTextObject(CText* text, bool resize, bool update)
{
    if (mTextObject != text)
        ReleaseTextObject();
    mTextObject = text;
    if (!mImage)
        PNU_TRY(SetSize(4, 4, false));
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetFontName(const gCString& name, bool resize, bool update)
{
    mRenderer.mFontName = name;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetFontPixelSize(int32_t size, bool resize, bool update)
{
    mRenderer.mPixelSize = size;
    mRenderer.mPointSize = 0.0f;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetFontPointSize(float size, bool resize, bool update)
{
    mRenderer.mPointSize = size;
    mRenderer.mPixelSize = 0;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetJustification(int32_t justification, bool resize, bool update)
{
    mRenderer.mJustification = justification;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetFontStyle(bool bold, bool italic, bool underline, bool resize, bool update)
{
    mRenderer.mBold = bold ? 1 : 0;
    mRenderer.mItalic = italic ? 1 : 0;
    mRenderer.mUnderline = underline ? 1 : 0;
    return RenderText(resize, update);
}

// Sets one of the renderer's on/off settings and renders the text again.
eResultCode CTxWidget::SetStyleFlag(int32_t& flag, bool on, bool resize, bool update)
{
    flag = on ? 1 : 0;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetBold(bool bold, bool resize, bool update)
{
    return SetStyleFlag(mRenderer.mBold, bold, resize, update);
}

eResultCode CTxWidget::SetItalic(bool italic, bool resize, bool update)
{
    return SetStyleFlag(mRenderer.mItalic, italic, resize, update);
}

eResultCode CTxWidget::SetUnderline(bool underline, bool resize, bool update)
{
    return SetStyleFlag(mRenderer.mUnderline, underline, resize, update);
}

eResultCode CTxWidget::SetWrap(bool wrap, bool resize, bool update)
{
    return SetStyleFlag(mRenderer.mWrap, wrap, resize, update);
}

eResultCode CTxWidget::SetRotation(int32_t rotation, bool resize, bool update)
{
    mRotation = rotation;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetLetterSpacing(float factor, bool resize, bool update)
{
    mRenderer.mAdvanceScale = factor;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetLineSpacing(float factor, bool resize, bool update)
{
    mRenderer.mLineSpacing = factor;
    return RenderText(resize, update);
}

eResultCode CTxWidget::SetHorizontalScale(float scale, bool resize, bool update)
{
    mRenderer.mXScale = scale;
    return RenderText(resize, update);
}

void CTxWidget::SetColour(uint32_t colour, bool update)
{
    CCoWidget::SetColour(colour, false);
    (void)RenderText(true, update);
}

eResultCode CTxWidget::OnRectChanged()
{
    PNU_TRY(CMaskWidget::OnRectChanged());
    return RenderText(true, false);
}

eResultCode CTxWidget::RenderText(bool resize, bool update)
{
    if (mRenderingSuspended || !mTextObject)
        return eSuccess;
    mRenderer.mColour = mColour;
    const uint32_t grey = (((mColour >> 16) & 255) + ((mColour >> 8) & 255) + (mColour & 255)) / 3;
    mRenderer.mInverseGamma = grey > 126 ? 1 : 0;
    if (mRotation == 0) {
        if (mImage)
            PNU_TRY(mRenderer.RenderText(mTextObject->GetText(), mImage, mSizeToText ? 1 : 0));
    } else if (mRotation >= 1 && mRotation <= 3) {
        PNU_TRY(RenderRotated());
    }
    if (resize && mSizeToText && mImage) {
        if (mImage->GetWidth() == GetWidth() && mImage->GetHeight() == GetHeight())
            PNU_TRY(RefreshImage(update));
        else
            PNU_TRY(SizeToImage(update));
    }
    if (IsVisible())
        (void)InvalidateContent(false);
    return UpdateIf(update);
}

eResultCode CTxWidget::RenderRotated()
{
    if (!mImage)
        return eSuccess;
    const bool quarter = mRotation != 2;
    CImage8 turned(quarter ? mImage->GetHeight() : mImage->GetWidth(),
                   quarter ? mImage->GetWidth() : mImage->GetHeight());
    if (!turned.HasPixelBuffer() && turned.GetWidth() > 0 && turned.GetHeight() > 0)
        return eNoMemory;
    PNU_TRY(mRenderer.RenderText(mTextObject->GetText(), &turned, mSizeToText ? 1 : 0));
    const int32_t tw = turned.GetWidth();
    const int32_t th = turned.GetHeight();
    PNU_TRY(mImage->SetSize(quarter ? th : tw, quarter ? tw : th));
    if (tw < 1 || th < 1)
        return eSuccess;
    CImNav8 source(&turned, nullptr);
    CImNav8 destination(mImage, nullptr);
    if (!source.IsLocked() || !destination.IsLocked())
        return eNoMemory;
    const int32_t mw = destination.GetWidth();
    const int32_t mh = destination.GetHeight();
    for (int32_t y = 0; y < th; ++y) {
        const uint8_t* row = source.Row(y);
        for (int32_t x = 0; x < tw; ++x) {
            switch (mRotation) {
            case 1: destination.Row(mh - 1 - x)[y] = row[x]; break;
            case 2: destination.Row(mh - 1 - y)[mw - 1 - x] = row[x]; break;
            default: destination.Row(x)[mw - 1 - y] = row[x]; break;
            }
        }
    }
    return eSuccess;
}

eResultCode CTxWidget::LoadWidgetDataBlock(gCStream* stream)
{
    CTxWidgetDataHolder holder;
    // Children wait until the text is laid out: the 'hier' entries are collected in a holder that
    // the shared frame does not see, and created at the end.
    CTxWidgetDataHolder frameHolder;
    mRenderingSuspended = true;
    eResultCode result = LoadBlock(stream, frameHolder, kWidgetBlockMessages,
                                   [this, &holder](uint32_t tag, gCStream* block, CWidgetDataHolder&) {
                                       return ParseWidgetChunk(tag, block, holder);
                                   });
    if (result == eSuccess && holder.textListName.GetLength() > 0) {
        CTextList* list = CTextList::CreateFromName(holder.textListName, dynamic_cast<gCFile*>(stream), nullptr);
        if (!list) {
            // The load goes on: the text of the block stays and is rendered below.
            ReportError(eCreateFailed, "TxWidget text list failed.");
        } else {
            (void)SetTextList(list);
            // Rendering is still suspended: the one render below shows the entry.
            (void)SetTextListIndex(holder.textListIndex, false, false);
        }
    }
    mRenderingSuspended = false;
    PNU_TRY(result);
    PNU_TRY(UpdateLayout(false));
    PNU_TRY(RenderText(true, false));
    if (eResultCode children = CreateChildren(holder, stream); children != eSuccess) {
        ReportError(eCreateFailed, "Error constructing widget hierarchy.");
        return children;
    }
    return eSuccess;
}

eResultCode CTxWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CTxWidgetDataHolder& holder)
{
    const sChunkReader read{stream};
    if (std::optional<eResultCode> result = ReadTextWidgetChunk(*this, tag, read, holder))
        return *result;
    gCString text;
    int32_t value = 0;
    if (tag == FourCharCode("fjst")) {
        PNU_TRY(read.Line(text, "TxWidget fjst."));
        int32_t justification = 0;
        if (text == "right")
            justification = 1;
        else if (text == "centre" || text == "center")
            justification = 2;
        return read.Reported(SetJustification(justification, false, false), "TxWidget fjst.");
    }
    if (tag == FourCharCode("txwr")) {
        PNU_TRY(read.Int(value, "TxWidget txwr."));
        return read.Reported(SetWrap(value != 0, true, true), "TxWidget txwr.");
    }
    return CMaskWidget::ParseWidgetChunk(tag, stream, holder);
}
