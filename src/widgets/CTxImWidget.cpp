#include "widgets/CTxImWidget.h"

#include "FileIO/gCFile.h"
#include "app/ReportError.h"
#include "resources/CTextList.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/TextWidgetChunks.h"

namespace {

const CImWidget::sImageStepMessages kTxImImageMessages = {
    "TxImWidget image load failed!", "TxImWidget assign image failed.", "TxImWidget image list load failed!",
    "TxImWidget assign image list failed.", "TxImWidget change image idx failed.", "ImWidget image load."};

} // namespace

CTxImWidget::CTxImWidget()
{
    (void)CWidget::AddChild(&mLabel, true);
    sLayoutValues* layout = mLabel.GetLayoutValues();
    layout->xCentre = 1;
    layout->yCentre = 1;
    mLabel.SetSizeToText(true);
    mLabel.SetVisible(true, false);
}

CTxImWidget::~CTxImWidget()
{
    // The label is a member: the base destructor must find no child to delete.
    mChildren.RemoveAll();
    mFocusChild = nullptr;
    mLabel.SetParent(nullptr);
}

eResultCode CTxImWidget::RemoveChildAt(int32_t index, bool update)
{
    if (index >= 0 && index < GetChildCount() && GetChild(index) == &mLabel)
        return eBadParameter;
    return CImWidget::RemoveChildAt(index, update);
}

eResultCode CTxImWidget::DetachChildAt(int32_t index, bool update)
{
    if (index >= 0 && index < GetChildCount() && GetChild(index) == &mLabel)
        return eBadParameter;
    return CImWidget::DetachChildAt(index, update);
}

eResultCode CTxImWidget::OuterStep(bool relayout, bool update)
{
    if (relayout)
        return UpdateLayout(update);
    return UpdateIf(update);
}

eResultCode CTxImWidget::SetText(const gCString& text, bool relayout, bool update)
{
    PNU_TRY(mLabel.SetText(text, relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetTextObject(CText* text, bool relayout, bool update)
{
    PNU_TRY(mLabel.SetTextObject(text, relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetTextListIndex(int32_t index, bool relayout, bool update)
{
    PNU_TRY(mLabel.SetTextListIndex(index, relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::NextTextListEntry(bool relayout, bool update)
{
    if (!mLabel.GetImage())
        PNU_TRY(mLabel.SetSize(4, 4, false));
    PNU_TRY(mLabel.NextTextListEntry(relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetTextColour(uint32_t colour, bool update)
{
    mLabel.SetColour(colour, update);
    return eSuccess;
}

eResultCode CTxImWidget::SetFontName(const gCString& name, bool relayout, bool update)
{
    PNU_TRY(mLabel.SetFontName(name, relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetFontPixelSize(int32_t size, bool relayout, bool update)
{
    PNU_TRY(mLabel.SetFontPixelSize(size, relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetFontPointSize(float size, bool relayout, bool update)
{
    PNU_TRY(mLabel.SetFontPointSize(size, relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetJustification(int32_t justification, bool relayout, bool update)
{
    PNU_TRY(mLabel.SetJustification(justification, relayout, false));
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetFontStyle(bool bold, bool italic, bool underline, bool relayout, bool update)
{
    (void)mLabel.SetBold(bold, true, true);
    (void)mLabel.SetItalic(italic, true, true);
    (void)mLabel.SetUnderline(underline, true, true);
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetBold(bool bold, bool relayout, bool update)
{
    (void)mLabel.SetBold(bold, true, true);
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetItalic(bool italic, bool relayout, bool update)
{
    (void)mLabel.SetItalic(italic, true, true);
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetUnderline(bool underline, bool relayout, bool update)
{
    (void)mLabel.SetUnderline(underline, true, true);
    return OuterStep(relayout, update);
}

eResultCode CTxImWidget::SetLetterSpacing(float factor, bool relayout, bool update)
{
    return mLabel.SetLetterSpacing(factor, relayout, update);
}

eResultCode CTxImWidget::SetLineSpacing(float factor, bool relayout, bool update)
{
    return mLabel.SetLineSpacing(factor, relayout, update);
}

eResultCode CTxImWidget::SetHorizontalScale(float scale, bool relayout, bool update)
{
    return mLabel.SetHorizontalScale(scale, relayout, update);
}

eResultCode CTxImWidget::LoadWidgetDataBlock(gCStream* stream)
{
    CTxImWidgetDataHolder holder;
    // A text-and-image widget makes no children: the 'hier' entries go to a holder that is
    // dropped, and the shared frame finds none in its own.
    CTxImWidgetDataHolder dropped;
    PNU_TRY(LoadBlock(stream, holder, kWidgetBlockMessages, [this, &dropped](uint32_t tag, gCStream* block, CWidgetDataHolder& h) {
        if (tag == FourCharCode("hier"))
            return CWidget::ParseWidgetChunk(tag, block, dropped);
        return ParseDataChunk(tag, block, static_cast<CTxImWidgetDataHolder&>(h));
    }));
    gCFile* file = dynamic_cast<gCFile*>(stream);
    PNU_TRY(AssignNamedImage(holder, file, kTxImImageMessages));
    if (holder.textListName.GetLength() == 0)
        return eSuccess;
    CTextList* list = CTextList::CreateFromName(holder.textListName, file, nullptr);
    if (!list) {
        ReportError(eCreateFailed, "TxImWidget text list failed.");
        return eCreateFailed;
    }
    if (SetTextList(list) != eSuccess)
        delete list;
    (void)SetTextListIndex(holder.textListIndex, false, false);
    return eSuccess;
}

eResultCode CTxImWidget::ParseDataChunk(uint32_t tag, gCStream* stream, CTxImWidgetDataHolder& holder)
{
    const sChunkReader read{stream};
    if (std::optional<eResultCode> result = ReadTextWidgetChunk(*this, tag, read, holder))
        return *result;
    if (tag != FourCharCode("fjst"))
        return CImWidget::ParseWidgetChunk(tag, stream, holder);
    gCString text;
    PNU_TRY(read.Line(text, "TxWidget fjst."));
    // The tag places the label, as the editor's justification does; other texts only
    // bring it back to the left edge of its centred place.
    sLayoutValues* layout = mLabel.GetLayoutValues();
    layout->x = 0.0f;
    if (text == "left") {
        layout->xCentre = layout->xFarSide = layout->xFarAnchor = 0;
    } else if (text == "right") {
        layout->xCentre = 0;
        layout->xFarSide = layout->xFarAnchor = 1;
    } else if (text == "centre") {
        layout->xCentre = 1;
        layout->xFarSide = layout->xFarAnchor = 0;
    }
    return eSuccess;
}
