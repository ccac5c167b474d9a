// ASCII-only case changes for protocol words, file extensions and search keys: a-z and A-Z are
// the only units that change; letters beyond ASCII (and every other unit) stay as they are.
#pragma once

#include "core/gCString.h"

constexpr char16_t UpperASCII(char16_t unit) { return unit >= u'a' && unit <= u'z' ? char16_t(unit - 0x20) : unit; }
constexpr char16_t LowerASCII(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 0x20) : unit; }

// Upper-cases a-z of text in place.
void MakeUpperASCII(gCString& text);
// A copy of text with a-z upper-cased (a null text gives the empty text, as every copy does).
gCString WithUpperASCII(const gCString& text);
