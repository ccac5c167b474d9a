// The debugging panel's developer texts: 8-bit Mac Roman shown as strings of the toolkit, numbers
// formatted printf-style into bounded buffers. Each appender adds to the text and gives eNoMemory
// when the text cannot grow.
#pragma once

#include "core/FourCharCode.h"
#include "core/eResultCode.h"
#include "core/gCRect.h"

#include <cstdint>

class CWidget;
class gCString;

// Makes the text the empty text with a buffer: what a label or cell is given when nothing is to say.
eResultCode StartText(gCString& text);
// 8-bit Mac Roman text.
eResultCode AppendChars(gCString& text, const char* macRoman);
// A name as the panel's 8-bit texts show it: a character Mac Roman lacks becomes one "?".
eResultCode AppendShownName(gCString& text, const gCString& name);
// " %d,  (0x0%X)": an id in decimal and again in upper-case hexadecimal.
eResultCode AppendIdText(gCString& text, uint32_t id);
// A double quote, the widget's name, a double quote, two spaces, "- ID = " and its id.
eResultCode AppendWidgetRowText(gCString& text, const CWidget* widget);
// " ( %d, %d ),  ( %d, %d)": left, top, right, bottom.
eResultCode AppendRectText(gCString& text, const gCRect& rect);
