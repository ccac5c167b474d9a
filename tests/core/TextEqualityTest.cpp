#include "core/TextEquality.h"

#include "core/ASCIICase.h"

#include <gtest/gtest.h>

// The rules are what the callers differ by: a widget's name never matches a null name, a
// resource or string-table name never matches when empty, a path compares null as empty.
TEST(TextEquality, NullAndEmptyFollowTheRules)
{
    const gCString null;
    const gCString empty(u"");
    const gCString abc(u"abc");
    const gCString abC(u"abC");
    const gCString ab(u"ab");
    struct Case {
        const gCString& a;
        const gCString& b;
        eNullText nullText;
        eEmptyText emptyText;
        bool equal;
    };
    const Case cases[] = {
        {abc, abc, eNullText::kAsEmpty, eEmptyText::kMatchesEmpty, true},
        {abc, abC, eNullText::kAsEmpty, eEmptyText::kMatchesEmpty, false},
        {abc, ab, eNullText::kAsEmpty, eEmptyText::kMatchesEmpty, false},
        {ab, abc, eNullText::kAsEmpty, eEmptyText::kMatchesEmpty, false},
        {null, empty, eNullText::kAsEmpty, eEmptyText::kMatchesEmpty, true},
        {null, null, eNullText::kAsEmpty, eEmptyText::kMatchesEmpty, true},
        {null, null, eNullText::kMatchesNothing, eEmptyText::kMatchesEmpty, false},
        {empty, null, eNullText::kMatchesNothing, eEmptyText::kMatchesEmpty, false},
        {empty, empty, eNullText::kMatchesNothing, eEmptyText::kMatchesEmpty, true},
        {abc, abc, eNullText::kMatchesNothing, eEmptyText::kMatchesEmpty, true},
        {empty, empty, eNullText::kAsEmpty, eEmptyText::kMatchesNothing, false},
        {null, empty, eNullText::kAsEmpty, eEmptyText::kMatchesNothing, false},
        {empty, abc, eNullText::kAsEmpty, eEmptyText::kMatchesNothing, false},
        {abc, empty, eNullText::kAsEmpty, eEmptyText::kMatchesNothing, false},
        {abc, abc, eNullText::kAsEmpty, eEmptyText::kMatchesNothing, true},
    };
    int row = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(TextsEqual(c.a, c.b, c.nullText, c.emptyText), c.equal) << "row " << row;
        ++row;
    }
}

TEST(TextEquality, PrefixesAndCaseFoldingStayWithinASCII)
{
    const gCString path(u"/Apps/Pintrel/");
    EXPECT_TRUE(StartsWithUnits(path, gCString(u"/Apps/")));
    EXPECT_TRUE(StartsWithUnits(path, gCString(u"")));
    EXPECT_TRUE(StartsWithUnits(path, gCString()));
    EXPECT_FALSE(StartsWithUnits(path, gCString(u"/apps/")));
    EXPECT_FALSE(StartsWithUnits(gCString(u"/Ap"), gCString(u"/Apps/")));
    EXPECT_TRUE(SameUnitsIgnoringASCIICase(u"pintrel:A", u"PINTREL:a", 9));
    // Only a-z fold: the letters beyond ASCII and the characters next to the ASCII letters stay.
    EXPECT_FALSE(SameUnitsIgnoringASCIICase(u"\u00e9", u"\u00c9", 1));
    EXPECT_FALSE(SameUnitsIgnoringASCIICase(u"@", u"`", 1));
    EXPECT_FALSE(SameUnitsIgnoringASCIICase(u"{", u"[", 1));
    EXPECT_TRUE(TextsEqual(u"TIF,JPG" + 4, 3, gCString(u"JPG")));
    EXPECT_FALSE(TextsEqual(u"TIF,JPG", 3, gCString(u"TI")));
}

// The letters next to the ASCII ones ("@[`{") and those beyond ASCII keep their case.
TEST(TextEquality, ASCIICaseChangesOnlyTheASCIILetters)
{
    EXPECT_TRUE(TextsEqual(WithUpperASCII(gCString(u"@az[`AZ{\u00e9")), gCString(u"@AZ[`AZ{\u00e9")));
    EXPECT_EQ(LowerASCII(u'@'), u'@');
    EXPECT_EQ(LowerASCII(u'['), u'[');
    EXPECT_EQ(LowerASCII(u'Q'), u'q');
    EXPECT_EQ(LowerASCII(u'\u00c9'), u'\u00c9');
    struct Case {
        const char16_t* text;
        const char16_t* prefix;
        bool starts;
    };
    const Case cases[] = {
        {u"HTTPS://host", u"https://", true},
        {u"hTtP://host", u"http://", true},
        {u"http:/", u"http://", false},
        {u"http;//", u"http://", false},
        {u"anything", u"", true},
    };
    int row = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(StartsWithIgnoringASCIICase(gCString(c.text), gCString(c.prefix)), c.starts) << "row " << row;
        ++row;
    }
}
