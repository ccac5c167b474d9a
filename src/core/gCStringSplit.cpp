// Splitting into an array of parts; empty parts between adjacent separators are kept.
#include "core/gCString.h"

#include "core/gCArray.h"

int32_t gCString::SplitAt(gCArray<gCString>& parts, const gCString* set, char16_t separator) const
{
    if (!mText || mLength == 0)
        return 0;
    auto isSeparator = [&](char16_t unit) {
        if (!set)
            return unit == separator;
        for (int32_t i = 0; i < set->mLength; ++i) {
            if (set->mText[i] == unit)
                return true;
        }
        return false;
    };
    // A part whose element cannot be added is dropped and the walk goes on.
    auto addPart = [&](int32_t first, int32_t last) {
        int32_t size = parts.GetSize();
        if (parts.SetSize(size + 1, -1) == eSuccess)
            parts[size] = SubString(first, last);
    };
    int32_t partStart = 0;
    for (int32_t i = 0; i < mLength; ++i) {
        if (isSeparator(mText[i])) {
            addPart(partStart, i - 1);
            partStart = i + 1;
        }
    }
    addPart(partStart, mLength - 1);
    return parts.GetSize();
}

int32_t gCString::Split(gCArray<gCString>& parts, char16_t separator) const
{
    return SplitAt(parts, nullptr, separator);
}

int32_t gCString::SplitAtAnyOf(gCArray<gCString>& parts, const gCString& set) const
{
    return SplitAt(parts, &set, 0);
}
