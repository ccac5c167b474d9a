#include "updater/PNUTexts.h"

#include "app/AppGlobals.h"
#include "core/TextEquality.h"
#include "resources/gCStringTable.h"

namespace {
gCStringTable* gUpdaterStrings = nullptr;
}

void SetUpdaterStringTable(gCStringTable* table) { gUpdaterStrings = table; }

gCStringTable* GetUpdaterStringTable() { return gUpdaterStrings; }

gCString GetTranslatedText(int32_t n, int32_t field)
{
    if (!gUpdaterStrings)
        return gCString(kStringTableError);
    return gUpdaterStrings->GetString(kUpdaterStringBase + uint32_t(n) + gLanguageOffset, field);
}

gCString GetUntranslatedText(int32_t n, int32_t field)
{
    if (!gUpdaterStrings)
        return gCString(kStringTableError);
    return gUpdaterStrings->GetString(kUpdaterStringBase + uint32_t(n), field);
}

gCString FillTextValues(const gCString& pattern, std::initializer_list<gCString> values)
{
    gCString filled("");
    const gCString* next = values.begin();
    for (int32_t i = 0; i < pattern.GetLength(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.GetLength() && pattern[i + 1] == u's') {
            if (next != values.end())
                filled += *next++;
            ++i;
        } else {
            filled += pattern[i];
        }
    }
    return filled;
}

void ChooseLanguageBlock(const gCStringTable& table, const gCString& productLanguage, uint32_t& baseId,
                         uint32_t& offset)
{
    offset = 0;
    for (uint32_t k = 0; k < kLanguageBlocksTried; ++k) {
        baseId = kFirstLanguageBlock + kLanguageBlockSize * k;
        gCString name = table.GetString(baseId, 0);
        if (TextsEqual(name, productLanguage, eNullText::kAsEmpty, eEmptyText::kMatchesNothing)) {
            offset = baseId - kFirstLanguageBlock;
            return;
        }
    }
}
