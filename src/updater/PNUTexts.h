// The updater's texts from the application's string table: translated texts are offset by the
// chosen language block, untranslated ones are not.
#pragma once

#include "core/gCString.h"

#include <cstdint>
#include <initializer_list>

class gCStringTable;

inline constexpr uint32_t kUpdaterStringBase = 3000000000u;
inline constexpr uint32_t kFirstLanguageBlock = 3000000004u;
inline constexpr uint32_t kLanguageBlockSize = 71;
// Only the first eight blocks are ever chosen.
inline constexpr uint32_t kLanguageBlocksTried = 8;
// The update session's failure texts have a range of their own, offset by the chosen block like
// the other translated texts: block k's text i is 3000001000 + 71 k + i, clear of the language
// blocks, which end at 3000000713 even with the two blocks never tried.
inline constexpr int32_t kFailureTextFirst = 1000;

// The table the texts come from (not owned); null makes every text "%%String Table Error".
void SetUpdaterStringTable(gCStringTable* table);
gCStringTable* GetUpdaterStringTable();

// Field `field` of text 3000000000 + n + the language offset.
gCString GetTranslatedText(int32_t n, int32_t field = 0);
// Field `field` of text 3000000000 + n.
gCString GetUntranslatedText(int32_t n, int32_t field = 0);

// The pattern with each "%s" replaced by the next value (by nothing once the values run out);
// values are not searched again, so a "%s" inside one stays as it is.
gCString FillTextValues(const gCString& pattern, std::initializer_list<gCString> values);

// The language block whose first text equals the product's language, unit for unit; without a
// match the offset is 0 and the base id is left at the last block tried.
void ChooseLanguageBlock(const gCStringTable& table, const gCString& productLanguage, uint32_t& baseId,
                         uint32_t& offset);
