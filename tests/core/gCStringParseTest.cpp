#include "StringTestSupport.h"

#include "core/gCArray.h"
#include "core/gCString.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

TEST(StringParsing, SplitAtFirst)
{
    struct sCase {
        const char16_t* text;
        const char16_t* separator;
        int32_t drop;
        int32_t result;
        const char* left;
        const char* right;
    };
    const sCase cases[] = {
        {u"key=value", u"=", 0, 0, "key", "value"},
        {u"key=value\n", u"=", 1, 0, "key", "value"},
        {u"key=value", u"=", 1, 0, "key", "valu"},
        {u"a=b=c", u"=", 0, 0, "a", "b=c"},
        {u"=value", u"=", 0, 0, "", "value"},
        {u"key=", u"=", 0, 0, "key", ""},
        // Dropping the last unit when the separator is the last unit leaves the right part empty.
        {u"key=", u"=", 1, 0, "key", ""},
        // The whole separator is skipped, not only its first unit.
        {u"name::value", u"::", 0, 0, "name", "value"},
        {u"name::", u"::", 1, 0, "name", ""},
        {u"novalue", u"=", 0, 2, "novalue", ""},
        {u"novalue", u"", 0, 2, "novalue", ""},
        {u"", u"=", 0, 1, "untouched", "untouched"},
    };
    for (const sCase& c : cases) {
        gCString left(u"untouched");
        gCString right(u"untouched");
        EXPECT_EQ(gCString(c.text).SplitAtFirst(left, right, c.separator, c.drop), c.result) << Text(c.text);
        EXPECT_EQ(Text(left), c.left) << Text(c.text);
        EXPECT_EQ(Text(right), c.right) << Text(c.text);
    }

    gCString null;
    gCString left(u"untouched");
    gCString right(u"untouched");
    EXPECT_EQ(null.SplitAtFirst(left, right, u"=", 0), 1);
    EXPECT_EQ(Text(left), "untouched");

    // The out-strings may be the string itself.
    gCString line(u"key=value");
    EXPECT_EQ(line.SplitAtFirst(line, right, u"=", 0), 0);
    EXPECT_EQ(Text(line), "key");
    EXPECT_EQ(Text(right), "value");
}

TEST(StringParsing, Trimming)
{
    struct sCase {
        const char16_t* text;
        std::function<void(gCString&)> trim;
        const char* result;
    };
    const sCase cases[] = {
        {u" \t\r\n", [](gCString& s) { s.Trim(kStringWhitespace); }, ""},
        {u"  a b  ", [](gCString& s) { s.Trim(kStringWhitespace); }, "a b"},
        {u"  a b  ", [](gCString& s) { s.TrimLeft(kStringWhitespace); }, "a b  "},
        {u"  a b  ", [](gCString& s) { EXPECT_EQ(s.TrimRight(kStringWhitespace), 5); }, "  a b"},
        {u"xxaxx", [](gCString& s) { s.TrimChar(u'x'); }, "a"},
        {u"xxxx", [](gCString& s) { s.TrimChar(u'x'); }, ""},
        {u"abc", [](gCString& s) { s.Trim(u""); }, "abc"},
        {u"abc", [](gCString& s) { s.Trim(gCString()); }, "abc"},
        {u"-+a+-", [](gCString& s) { s.Trim(u"+-"); }, "a"},
        {u"", [](gCString& s) { s.Trim(kStringWhitespace); }, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        gCString string(cases[i].text);
        cases[i].trim(string);
        EXPECT_EQ(Text(string), cases[i].result) << "case " << i;
        EXPECT_EQ(string.GetText()[string.GetLength()], 0);
    }

    gCString blank(u" \t ");
    blank.Trim(kStringWhitespace);
    EXPECT_FALSE(blank.IsNull());
    EXPECT_EQ(blank.GetCapacity(), 16);

    gCString leading(u"   abc");
    leading.TrimLeft(kStringWhitespace);
    EXPECT_EQ(leading.GetLength(), 3);

    gCString source(u"..a..");
    EXPECT_EQ(Text(source.GetTrimmed(u'.')), "a");
    EXPECT_EQ(Text(source.GetTrimmedLeft(u'.')), "a..");
    EXPECT_EQ(Text(source.GetTrimmedRight(u'.')), "..a");
    EXPECT_EQ(Text(source.GetTrimmed(gCString(u"."))), "a");
    EXPECT_EQ(Text(source.GetTrimmedLeft(gCString(u"."))), "a..");
    EXPECT_EQ(Text(source.GetTrimmedRight(gCString(u"."))), "..a");
    EXPECT_EQ(Text(source), "..a..");
    EXPECT_EQ(Text(gCString().GetTrimmed(u'.')), "");

    gCString null;
    null.Trim(kStringWhitespace);
    EXPECT_TRUE(null.IsNull());
}

TEST(StringParsing, CaseFiltersKeepAsciiOnly)
{
    gCString text(u"Ab-c 9z\u00E9!");
    EXPECT_EQ(Text(text.GetUpperLetters()), "ABCZ");
    EXPECT_EQ(Text(text.GetUpperAlphaNumeric()), "ABC9Z");
    EXPECT_EQ(Text(gCString().GetUpperLetters()), "");
    EXPECT_FALSE(gCString().GetUpperLetters().IsNull());
    text.MakeUpperAlphaNumeric();
    EXPECT_EQ(Text(text), "ABC9Z");
    text.MakeUpperLetters();
    EXPECT_EQ(Text(text), "ABCZ");
}

TEST(StringParsing, NumberTests)
{
    struct sCase {
        const char16_t* text;
        int32_t integer;
        int32_t number;
    };
    const sCase cases[] = {
        {u"-", 1, 1},      {u"-5", 1, 1},    {u"5-", 0, 0},     {u"", 0, 0},      {u"123", 1, 1},
        {u"1.5", 0, 1},    {u"-1.5", 0, 1},  {u".5", 0, 0},     {u"1.", 0, 0},    {u"1.2.3", 0, 0},
        {u"1.-5", 0, 1},   {u"a1", 0, 0},    {u" 1", 0, 0},     {u"1e5", 0, 0},
    };
    for (const sCase& c : cases) {
        gCString string(c.text);
        EXPECT_EQ(string.IsInteger(), c.integer) << Text(string);
        EXPECT_EQ(string.IsNumber(), c.number) << Text(string);
    }
    EXPECT_EQ(gCString().IsInteger(), 0);
    EXPECT_EQ(gCString().IsNumber(), 0);
}

TEST(StringParsing, ParseInteger)
{
    struct sCase {
        const char16_t* text;
        int32_t value;
    };
    const sCase cases[] = {
        {u"  42  ", 42},         {u"-42", -42},         {u"0x1F", 31},         {u"0x1f", 31},
        {u"12-5", -5},           {u"1A", 20},           {u"abc", 0},           {u"", 0},
        {u"\t7\r\n", 7},         {u"-0x10", -16},       {u"12 34", 12},        {u"2147483647", INT32_MAX},
        {u"4294967296", 0},      {u"-2147483648", INT32_MIN},                  {u"X10", 16},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(gCString(c.text).ParseInteger(), c.value) << Text(c.text);
    EXPECT_EQ(gCString().ParseInteger(), 0);

    EXPECT_EQ(gCString(u"9223372036854775807").ParseInteger64(), INT64_MAX);
    EXPECT_EQ(gCString(u"-4294967296").ParseInteger64(), -4294967296LL);
    EXPECT_EQ(gCString(u"0xFFFFFFFFFF").ParseInteger64(), 0xFFFFFFFFFFLL);
    EXPECT_EQ(gCString().ParseInteger64(), 0);
}

TEST(StringParsing, ListsOfNumbers)
{
    struct sRectCase {
        const char16_t* text;
        gCRect rect;
    };
    const sRectCase rects[] = {
        {u"1, 2, 3, 4", {1, 2, 3, 4}},
        {u" 1 ,2,\t3 ,4 ", {1, 2, 3, 4}},
        {u"1,2,3", {0, 0, 0, 0}},
        {u"1,2,3,4,5", {1, 2, 3, 4}},
        {u"-1,,0x10,x", {-1, 0, 16, 0}},
        {u"", {0, 0, 0, 0}},
    };
    for (const sRectCase& c : rects)
        EXPECT_EQ(gCString(c.text).ToRect(), c.rect) << Text(c.text);

    EXPECT_EQ(gCString(u"5 , -6").ToPoint(), (gCPoint{5, -6}));
    EXPECT_EQ(gCString(u"5").ToPoint(), (gCPoint{0, 0}));
    EXPECT_EQ(gCString().ToPoint(), (gCPoint{0, 0}));

    gCFloatPoint point = gCString(u" 0.5 , 2").ToFloatPoint();
    EXPECT_EQ(point.x, 0.5f);
    EXPECT_EQ(point.y, 2.0f);
    gCFloatRect rect = gCString(u"0.25,1.5,-2,1e2").ToFloatRect();
    EXPECT_EQ(rect.left, 0.25f);
    EXPECT_EQ(rect.top, 1.5f);
    EXPECT_EQ(rect.right, -2.0f);
    EXPECT_EQ(rect.bottom, 100.0f);
    gCFloatRect none = gCString(u"1,2").ToFloatRect();
    EXPECT_EQ(none.left, 0.0f);
    EXPECT_EQ(none.bottom, 0.0f);
}

TEST(StringParsing, SplittingAppendsThePartsToTheArray)
{
    struct sCase {
        const char16_t* text;
        const char16_t* set;
        std::vector<std::string> parts;
    };
    const sCase cases[] = {
        {u"a,,b,", nullptr, {"a", "", "b", ""}},
        {u"whole", nullptr, {"whole"}},
        {u",", nullptr, {"", ""}},
        {u"a;b,c", u",;", {"a", "b", "c"}},
        {u"a;b,c", u"", {"a;b,c"}},
        {u"a b", kStringWhitespace, {"a", "b"}},
    };
    for (const sCase& c : cases) {
        gCArray<gCString> parts;
        ASSERT_EQ(parts.Add(gCString(u"kept")), eSuccess);
        int32_t size = c.set ? gCString(c.text).SplitAtAnyOf(parts, c.set) : gCString(c.text).Split(parts, u',');
        EXPECT_EQ(size, int32_t(c.parts.size()) + 1) << Text(c.text);
        ASSERT_EQ(parts.GetSize(), size);
        EXPECT_EQ(Text(parts[0]), "kept");
        for (size_t i = 0; i < c.parts.size(); ++i) {
            EXPECT_EQ(Text(parts[int32_t(i) + 1]), c.parts[i]) << Text(c.text) << " part " << i;
            EXPECT_FALSE(parts[int32_t(i) + 1].IsNull());
        }
    }

    gCArray<gCString> untouched;
    EXPECT_EQ(gCString().Split(untouched, u','), 0);
    EXPECT_EQ(gCString(u"").Split(untouched, u','), 0);
    EXPECT_EQ(gCString(u"").SplitAtAnyOf(untouched, u","), 0);
    EXPECT_EQ(untouched.GetSize(), 0);
    EXPECT_EQ(gCString(u"a,b").SplitAtAnyOf(untouched, gCString()), 1);
}

TEST(StringParsing, SplittingDropsOnlyThePartsThatCannotBeAdded)
{
    const gCString text(u"alpha,beta,gamma,delta");
    for (int64_t k = 1; k < 40; ++k) {
        gCArray<gCString> parts;
        int32_t size;
        bool failed;
        {
            AllocationFailure failure(k);
            size = text.Split(parts, u',');
            failed = failure.Count() >= k;
        }
        EXPECT_EQ(size, parts.GetSize());
        if (!failed) {
            ASSERT_EQ(size, 4);
            EXPECT_EQ(Text(parts[3]), "delta");
            break;
        }
        EXPECT_LE(size, 4);
    }
}
