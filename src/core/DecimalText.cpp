#include "core/DecimalText.h"

#include "core/CMemBlock.h"

#include <cstdlib>

double ReadDecimal(const char16_t* text)
{
    if (!text)
        return 0.0;
    int32_t length = 0;
    while (text[length] != 0)
        ++length;
    // A number fits the stack; only a text of many units (leading zeros, padding) needs a block.
    char local[64];
    CMemBlock heap;
    char* bytes = local;
    if (length >= int32_t(sizeof local)) {
        if (!heap.SetSize(uint32_t(length) + 1))
            return 0.0;
        bytes = reinterpret_cast<char*>(heap.GetData());
    }
    // A unit beyond ASCII cannot belong to a number, so it only has to stop the reading.
    for (int32_t i = 0; i < length; ++i)
        bytes[i] = text[i] < 0x80 ? char(text[i]) : '?';
    bytes[length] = 0;
    return std::strtod(bytes, nullptr);
}
