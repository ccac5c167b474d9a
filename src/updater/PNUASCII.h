// ASCII-only case folding for protocol words (header names, reply keys).
#pragma once

#include "core/gCString.h"

// Upper-cases a-z in place and keeps every other unit.
inline void MakeUpperASCIIOnly(gCString& text)
{
    for (int32_t i = 0; i < text.GetLength(); ++i)
        if (text[i] >= u'a' && text[i] <= u'z')
            text[i] = char16_t(text[i] - u'a' + u'A');
}
