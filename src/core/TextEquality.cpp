#include "core/TextEquality.h"

#include "core/ASCIICase.h"

bool SameUnits(const char16_t* a, const char16_t* b, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

bool SameUnitsIgnoringASCIICase(const char16_t* a, const char16_t* b, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        if (UpperASCII(a[i]) != UpperASCII(b[i]))
            return false;
    }
    return true;
}

bool TextsEqual(const gCString& a, const gCString& b, eNullText nullText, eEmptyText emptyText)
{
    if (nullText == eNullText::kMatchesNothing && (a.IsNull() || b.IsNull()))
        return false;
    if (emptyText == eEmptyText::kMatchesNothing && a.GetLength() == 0)
        return false;
    return a.GetLength() == b.GetLength() && SameUnits(a.GetText(), b.GetText(), a.GetLength());
}

bool TextsEqual(const char16_t* a, int32_t aLength, const gCString& b)
{
    return aLength == b.GetLength() && SameUnits(a, b.GetText(), aLength);
}

bool StartsWithUnits(const gCString& text, const gCString& prefix)
{
    return text.GetLength() >= prefix.GetLength() && SameUnits(text.GetText(), prefix.GetText(), prefix.GetLength());
}

bool StartsWithIgnoringASCIICase(const gCString& text, const gCString& prefix)
{
    return text.GetLength() >= prefix.GetLength()
        && SameUnitsIgnoringASCIICase(text.GetText(), prefix.GetText(), prefix.GetLength());
}
