// The frame every widget class's data block loader shares: the block is read whole into memory,
// each chunk goes to the class's parser, then the children named in 'hier' entries are created.
// Included only by the loaders' sources.
#pragma once

#include "FileIO/gCMemFile.h"
#include "app/ReportError.h"
#include "core/DecimalText.h"
#include "core/FourCharCode.h"
#include "widgets/CWidget.h"

// Reads one chunk's value from the block. A failed read, or a value its setter refused, is
// reported with the tag's alert and its result returned.
struct sChunkReader {
    gCStream* stream;

    static eResultCode Reported(eResultCode result, const char* message)
    {
        if (result != eSuccess)
            ReportError(eResourceReadError, message);
        return result;
    }
    eResultCode Int(int32_t& value, const char* message) const { return Reported(stream->ReadLong(value), message); }
    eResultCode Float(float& value, const char* message) const { return Reported(stream->ReadFloat(value), message); }
    // The block's texts carry a line end as their last unit; it is dropped.
    eResultCode Line(gCString& text, const char* message) const
    {
        PNU_TRY(Reported(stream->ReadUnicodeLine(text), message));
        if (text.GetLength() > 0)
            text.Delete(text.GetLength() - 1, 1);
        return eSuccess;
    }
};

// atof's reading, independent of the process locale.
inline double ParseDecimal(const gCString& text)
{
    return ReadDecimal(text.GetText());
}

// The alerts of every widget class's block frame but the backdrop's.
inline constexpr CWidget::sLoaderMessages kWidgetBlockMessages = {
    "Error reading widget data block size.", "Error setting widget memfile size",
    "Error reading widget data block.",      "Error rewinding widget data block.",
    "Error reading widget data chunk type.", "Error parsing widget data chunk type.",
    "Error constructing widget hierarchy.",  false};

template <typename Parse>
eResultCode CWidget::LoadBlock(gCStream* stream, CWidgetDataHolder& holder,
                               const sLoaderMessages& messages, Parse parse)
{
    gCMemFile block;
    PNU_TRY(ReadBlock(stream, block, messages));
    const int64_t size = block.GetSize();
    auto readTag = [&](uint32_t& tag) -> eResultCode {
        int32_t value = 0;
        eResultCode result = block.ReadLong(value);
        if (result != eSuccess) {
            ReportError(eResourceReadError, messages.tag);
            return result;
        }
        tag = uint32_t(value);
        return eSuccess;
    };
    uint32_t tag = 0;
    if (!messages.tagAtTop)
        PNU_TRY(readTag(tag));
    while (block.GetPos() < size) {
        if (messages.tagAtTop)
            PNU_TRY(readTag(tag));
        if (eResultCode result = parse(tag, &block, holder); result != eSuccess) {
            ReportError(eResourceReadError, messages.parse);
            return result;
        }
        // A tag that ends exactly at the end of the block is not parsed.
        if (!messages.tagAtTop && block.GetPos() < size)
            PNU_TRY(readTag(tag));
    }
    if (eResultCode result = CreateChildren(holder, stream); result != eSuccess) {
        ReportError(eCreateFailed, messages.hierarchy);
        return result;
    }
    return eSuccess;
}

template <typename Widget>
eResultCode CWidget::LoadPlainBlock(gCStream* stream, eResultCode (Widget::*parse)(uint32_t tag, gCStream* block,
                                                                                   CWidgetDataHolder& holder))
{
    CWidgetDataHolder holder;
    return LoadBlock(stream, holder, kWidgetBlockMessages,
                     [this, parse](uint32_t tag, gCStream* block, CWidgetDataHolder& h) {
                         return (static_cast<Widget*>(this)->*parse)(tag, block, h);
                     });
}
