#include "core/ASCIICase.h"

void MakeUpperASCII(gCString& text)
{
    for (int32_t i = 0; i < text.GetLength(); ++i)
        text[i] = UpperASCII(text[i]);
}

gCString WithUpperASCII(const gCString& text)
{
    gCString copy(text);
    MakeUpperASCII(copy);
    return copy;
}
