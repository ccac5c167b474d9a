// Unit-by-unit comparison of UTF-16 texts. The texts compared across the toolkit differ only in
// what a text without a buffer (null) and the empty text match, so those are the parameters.
#pragma once

#include "core/gCString.h"

#include <cstdint>

// What the null text matches: the empty text (and itself), as a length-only view sees it, or
// nothing at all, not even another null text.
enum class eNullText : uint8_t { kAsEmpty, kMatchesNothing };
// What the empty text matches: the empty text, or nothing (a name that must be given).
enum class eEmptyText : uint8_t { kMatchesEmpty, kMatchesNothing };

// Whether the first count units of a and b are the same; count 0 (or less) is true.
bool SameUnits(const char16_t* a, const char16_t* b, int32_t count);
// As SameUnits, with the ASCII letters a-z taken as A-Z; every other unit must be the same.
bool SameUnitsIgnoringASCIICase(const char16_t* a, const char16_t* b, int32_t count);

// Whether the two texts hold the same units under the two rules.
bool TextsEqual(const gCString& a, const gCString& b, eNullText nullText = eNullText::kAsEmpty,
    eEmptyText emptyText = eEmptyText::kMatchesEmpty);
// The same for a text held as units and a length (never null).
bool TextsEqual(const char16_t* a, int32_t aLength, const gCString& b);

// Whether text begins with the units of prefix (the empty prefix begins every text).
bool StartsWithUnits(const gCString& text, const gCString& prefix);
// As StartsWithUnits, with the ASCII letters a-z taken as A-Z.
bool StartsWithIgnoringASCIICase(const gCString& text, const gCString& prefix);
