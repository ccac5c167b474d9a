// The chunks that a text widget and a text-and-image widget read alike: the font, its size and
// style, the text, sizing to the text, and the text list applied once the block is read. Each
// goes through the widget's own setter; the alerts name the text widget for both.
#pragma once

#include "widgets/CTxWidget.h"
#include "widgets/CWidgetLoadBlock.h"

#include <optional>

// The chunk's result, or nothing when the tag is none of these chunks.
template <class Widget>
std::optional<eResultCode> ReadTextWidgetChunk(Widget& widget, uint32_t tag, const sChunkReader& read,
                                               sTextListChoice& list)
{
    gCString text;
    int32_t value = 0;
    float number = 0.0f;
    switch (tag) {
    case FourCharCode("font"):
        PNU_TRY(read.Line(text, "TxWidget font."));
        return read.Reported(widget.SetFontName(text, false, false), "TxWidget font.");
    case FourCharCode("fsiz"): {
        PNU_TRY(read.Float(number, "TxWidget fsiz."));
        const int32_t pixels = FontPixelsFromTag(number);
        return read.Reported(widget.SetFontPixelSize(pixels, false, false), "TxWidget fsiz.");
    }
    case FourCharCode("fpsz"):
        PNU_TRY(read.Float(number, "TxWidget fpsz."));
        return read.Reported(widget.SetFontPointSize(number, false, false), "TxWidget fpsz.");
    case FourCharCode("fbld"):
        PNU_TRY(read.Int(value, "TxWidget fbld."));
        return read.Reported(widget.SetBold(value == 1, false, false), "TxWidget fbld.");
    case FourCharCode("fita"):
        PNU_TRY(read.Int(value, "TxWidget fita."));
        return read.Reported(widget.SetItalic(value == 1, false, false), "TxWidget fita.");
    case FourCharCode("fudl"):
        PNU_TRY(read.Int(value, "TxWidget fudl."));
        return read.Reported(widget.SetUnderline(value == 1, false, false), "TxWidget fudl.");
    case FourCharCode("text"):
        PNU_TRY(read.Line(text, "TxWidget text."));
        return read.Reported(widget.SetText(text, false, false), "TxWidget text.");
    case FourCharCode("txsz"):
        PNU_TRY(read.Int(value, "TxWidget txsz."));
        widget.SetSizeToText(value == 1);
        return eSuccess;
    case FourCharCode("txls"):
        return read.Line(list.textListName, "TxWidget txls.");
    case FourCharCode("txlx"):
        return read.Int(list.textListIndex, "TxWidget txlx.");
    default:
        return std::nullopt;
    }
}
