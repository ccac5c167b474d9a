// The debugging panel's developer texts: 8-bit Mac Roman, numbers formatted printf-style into
// bounded buffers.
#pragma once

#include "core/eResultCode.h"
#include "core/gCRect.h"

#include <cstdint>
#include <string>

class CWidget;
class gCString;

// A four-character code as the panel's widget ids use it.
constexpr uint32_t FourCC(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 | uint32_t(uint8_t(code[2])) << 8 |
           uint8_t(code[3]);
}

// " %d,  (0x0%X)": an id in decimal and again in upper-case hexadecimal.
std::string IdText(uint32_t id);
// A double quote, the widget's name, a double quote, two spaces, "- ID = " and its id.
std::string WidgetRowText(const CWidget* widget);
// " ( %d, %d ),  ( %d, %d)": left, top, right, bottom.
std::string RectText(const gCRect& rect);
// The 8-bit text as a string of the toolkit.
eResultCode MacRomanString(const std::string& text, gCString& out);
