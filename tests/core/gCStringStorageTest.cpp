#include "StringTestSupport.h"

#include "core/gCString.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace {

// Grows the length to capacity - 1, so the next added unit must reallocate.
void FillToCapacity(gCString& string)
{
    while (string.GetLength() < string.GetCapacity() - 1)
        (void)string.InsertChar(u'.', string.GetLength());
}

void ExpectTerminated(const gCString& string)
{
    if (string.IsNull()) {
        EXPECT_EQ(string.GetLength(), 0);
        EXPECT_EQ(string.GetCapacity(), 0);
        return;
    }
    EXPECT_GE(string.GetCapacity(), string.GetLength() + 1);
    EXPECT_EQ(string.GetCapacity() % 16, 0);
    EXPECT_EQ(string.GetText()[string.GetLength()], 0);
}

} // namespace

TEST(StringStorage, NullStringAndEmptyStringWithBufferAreDifferent)
{
    gCString null;
    EXPECT_TRUE(null.IsNull());
    EXPECT_EQ(null.Find(u"a"), -1);
    EXPECT_EQ(null == "", 0);
    EXPECT_EQ(null != "", 0);
    EXPECT_EQ(null != "abc", 0);

    gCString copy(null);
    EXPECT_FALSE(copy.IsNull());
    EXPECT_EQ(copy.GetLength(), 0);
    EXPECT_EQ(copy.GetCapacity(), 16);
    EXPECT_EQ(copy == "", 1);
    EXPECT_EQ(copy != "", 0);
    EXPECT_EQ(copy == nullptr, 0);

    gCString assigned;
    ASSERT_EQ(assigned.Assign(nullptr), eSuccess);
    EXPECT_FALSE(assigned.IsNull());
    EXPECT_EQ(assigned.GetCapacity(), 16);
    EXPECT_EQ(assigned.GetLength(), 0);

    gCString freed(u"text");
    freed.FreeBuffer();
    EXPECT_TRUE(freed.IsNull());
    ExpectTerminated(freed);
}

TEST(StringStorage, CapacityIsTheNextMultipleOfSixteenAboveTheUnitsNeeded)
{
    struct sCase {
        int32_t units;
        int32_t capacity;
    };
    const sCase cases[] = {{0, 16}, {1, 16}, {14, 16}, {15, 32}, {16, 32}, {30, 32}, {31, 48}, {100, 112}};
    for (const sCase& c : cases) {
        std::u16string text(size_t(c.units), u'x');
        gCString assigned(text.c_str());
        EXPECT_EQ(assigned.GetCapacity(), c.capacity) << c.units << " assigned units";
        EXPECT_EQ(assigned.GetLength(), c.units);
        ExpectTerminated(assigned);

        gCString repeated(u'y', c.units);
        EXPECT_EQ(repeated.GetCapacity(), c.capacity) << c.units << " repeated units";
        EXPECT_EQ(repeated.GetLength(), c.units);
        ExpectTerminated(repeated);
    }
}

TEST(StringStorage, CapacityNeverShrinksAndTheBufferIsReused)
{
    gCString string(std::u16string(40, u'a').c_str());
    const char16_t* buffer = string.GetText();
    ASSERT_EQ(string.Assign(u"ab"), eSuccess);
    EXPECT_EQ(string.GetCapacity(), 48);
    EXPECT_EQ(string.GetText(), buffer);
    EXPECT_EQ(string == "ab", 1);
}

TEST(StringStorage, SetBufferLengthLetsTheCallerFillTheUnits)
{
    gCString string;
    ASSERT_EQ(string.SetBufferLength(4), eSuccess);
    EXPECT_EQ(string.GetLength(), 3);
    EXPECT_EQ(string.GetCapacity(), 16);
    char16_t* units = string.GetBuffer();
    units[0] = u'a';
    units[1] = u'b';
    units[2] = u'c';
    units[3] = 0;
    EXPECT_EQ(string == "abc", 1);
    // A negative length would break every later operation.
    EXPECT_EQ(string.SetBufferLength(0), eBadParameter);
    EXPECT_EQ(string.GetLength(), 3);
}

TEST(StringStorage, AssignmentFromItsOwnBufferIsSafe)
{
    gCString string(u"hello world");
    string = string.GetText() + 6;
    EXPECT_EQ(Text(string), "world");
    string = string;
    EXPECT_EQ(Text(string), "world");
    ASSERT_EQ(string.CopyStringFromBuffer(string.GetText() + 1, 3), eSuccess);
    EXPECT_EQ(Text(string), "orl");
}

TEST(StringStorage, MovingHandsOverTheBuffer)
{
    gCString source(u"moved");
    const char16_t* buffer = source.GetText();
    gCString target(std::move(source));
    EXPECT_EQ(target.GetText(), buffer);
    EXPECT_TRUE(source.IsNull());
    gCString other(u"x");
    other = std::move(target);
    EXPECT_EQ(Text(other), "moved");
    EXPECT_TRUE(target.IsNull());
}

TEST(StringStorage, CopyFromBufferStopsAtTheCountOrTheFirstZero)
{
    const char16_t twoUnits[] = {u'a', u'b', 0, u'c'};
    struct sCase {
        const char16_t* buffer;
        int32_t count;
        const char* text;
    };
    const sCase cases[] = {
        {twoUnits, 10, "ab"}, {twoUnits, 2, "ab"}, {twoUnits, 1, "a"}, {twoUnits, 0, ""},
        {twoUnits, -3, ""},   {nullptr, 5, ""},    {twoUnits + 2, 5, ""},
    };
    for (const sCase& c : cases) {
        gCString string;
        ASSERT_EQ(string.CopyStringFromBuffer(c.buffer, c.count), eSuccess);
        EXPECT_EQ(Text(string), c.text) << "count " << c.count;
        EXPECT_EQ(string.GetLength(), int32_t(std::string(c.text).size()));
        ExpectTerminated(string);
    }
    gCString large;
    const std::u16string thirty(30, u'z');
    ASSERT_EQ(large.CopyStringFromBuffer(thirty.c_str(), 30), eSuccess);
    EXPECT_EQ(large.GetCapacity(), (30 + 17) & ~15);
}

TEST(StringStorage, NumbersAreWrittenInDecimal)
{
    struct sCase {
        gCString string;
        const char* text;
    };
    gCString large;
    ASSERT_EQ(large.SetNumber(UINT64_MAX), eSuccess);
    gCString zero;
    ASSERT_EQ(zero.SetNumber(int32_t(0)), eSuccess);
    const sCase cases[] = {
        {gCString(int32_t(-42)), "-42"},
        {gCString(INT32_MIN), "-2147483648"},
        {gCString(INT32_MAX), "2147483647"},
        {large, "18446744073709551615"},
        {zero, "0"},
        {gCString(u"n=") + int32_t(-7), "n=-7"},
        {gCString(u"n=") + uint64_t(12345678901234ULL), "n=12345678901234"},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(Text(c.string), c.text);
}

TEST(StringStorage, AppendingFollowsTheNullAndEmptyRules)
{
    gCString threeUnits(u"abc");
    ASSERT_EQ(threeUnits.Append(gCString(u"def")), eSuccess);
    EXPECT_EQ(Text(threeUnits), "abcdef");
    EXPECT_EQ(threeUnits.GetLength(), 6);
    EXPECT_EQ(threeUnits.GetCapacity(), 16);

    gCString nullTarget;
    ASSERT_EQ(nullTarget.Append(gCString()), eSuccess);
    EXPECT_FALSE(nullTarget.IsNull());
    EXPECT_EQ(nullTarget.GetLength(), 0);

    gCString nullPointer;
    ASSERT_EQ(nullPointer.Append(static_cast<const char16_t*>(nullptr)), eSuccess);
    EXPECT_TRUE(nullPointer.IsNull());
    ASSERT_EQ(nullPointer.Append(u""), eSuccess);
    EXPECT_FALSE(nullPointer.IsNull());

    gCString units;
    units += u'a';
    units += u'b';
    units += int32_t(12);
    units += gCString(u"!");
    EXPECT_EQ(Text(units), "ab12!");

    EXPECT_EQ(Text(gCString(u"ab") + gCString(u"cd")), "abcd");
    EXPECT_EQ(Text("\xA5 " + gCString(u"x")), "\u2022 x");
    EXPECT_EQ(Text(gCString() + gCString()), "");
}

TEST(StringStorage, AppendingItselfOrPartOfItselfCopiesTheOldUnits)
{
    gCString string(u"0123456789abcd");
    ASSERT_EQ(string.Append(string), eSuccess);
    EXPECT_EQ(Text(string), "0123456789abcd0123456789abcd");
    ASSERT_EQ(string.Append(string.GetText() + 24), eSuccess);
    EXPECT_EQ(Text(string), "0123456789abcd0123456789abcdabcd");

    gCString repeated(u"x");
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(repeated.Append(repeated), eSuccess);
    EXPECT_EQ(repeated.GetLength(), 4096);
    ExpectTerminated(repeated);
}

TEST(StringStorage, ComparisonWithEightBitText)
{
    struct sCase {
        const char16_t* mine;
        const char* theirs;
        int32_t equal;
        int32_t different;
    };
    const sCase cases[] = {
        {u"abc", "abc", 1, 0},       {u"abc", "abd", 0, 1},     {u"abc", "ab", 0, 1},
        {u"ab", "abc", 0, 1},        {u"", "", 1, 0},           {u"", "a", 0, 1},
        {u"\u2022", "\xA5", 1, 0},   {u"\u00C4", "\x80", 1, 0}, {u"abc", nullptr, 0, 0},
    };
    for (const sCase& c : cases) {
        gCString string(c.mine);
        EXPECT_EQ(string == c.theirs, c.equal) << Text(string);
        EXPECT_EQ(string != c.theirs, c.different) << Text(string);
    }
}

TEST(StringStorage, Searching)
{
    gCString text(u"ababab");
    struct sCase {
        int32_t start;
        const char16_t* pattern;
        int32_t found;
    };
    const sCase fromStart[] = {
        {0, u"ab", 0}, {2, u"ab", 2}, {3, u"ab", 4}, {6, u"ab", -1}, {5, u"ab", -1},
        {-1, u"ab", -1}, {0, u"", -1}, {0, u"abababab", -1}, {1, u"ba", 1}, {0, u"x", -1},
    };
    for (const sCase& c : fromStart)
        EXPECT_EQ(text.Find(c.start, c.pattern), c.found) << c.start;

    EXPECT_EQ(text.Find(u"ba"), 1);
    EXPECT_EQ(text.Find(gCString()), -1);
    EXPECT_EQ(text.ReverseFind(u"ab"), 4);
    EXPECT_EQ(text.ReverseFind(u"aba"), 2);
    EXPECT_EQ(text.ReverseFind(u"c"), -1);
    EXPECT_EQ(text.FindOneOf(u"xb"), 1);
    EXPECT_EQ(text.ReverseFindOneOf(u"xa"), 4);
    EXPECT_EQ(text.FindOneOf(u""), -1);
    EXPECT_EQ(text.FindOneOf(u"xyz"), -1);
    gCString empty(u"");
    EXPECT_EQ(empty.Find(u"a"), -1);
    EXPECT_EQ(empty.ReverseFind(u"a"), -1);
    EXPECT_EQ(gCString().FindOneOf(u"a"), -1);
    EXPECT_EQ(gCString().ReverseFindOneOf(u"a"), -1);
}

TEST(StringStorage, SubStringsAreClipped)
{
    gCString three(u"abc");
    gCString five(u"abcde");
    gCString null;
    struct sCase {
        gCString result;
        const char* text;
    };
    const sCase cases[] = {
        {three.Left(10), "abc"},         {three.Left(0), ""},          {three.Left(-1), "abc"},
        {three.Left(2), "ab"},           {three.Mid(1, 10), "bc"},     {three.Mid(5, 1), ""},
        {three.Mid(0, 2), "ab"},         {three.Right(2), "bc"},       {three.Right(0), ""},
        {three.Right(7), "abc"},         {three.DropLeft(1), "bc"},    {three.DropLeft(9), ""},
        {five.SubString(-3, 1), "ab"},   {five.SubString(3, 1), ""},   {five.SubString(2, 99), "cde"},
        {five.SubString(5, 9), ""},      {five.SubString(1, 1), "b"},  {five.GetDeleted(1, 2), "ade"},
        {five.GetReversed(), "edcba"},   {null.Left(2), ""},           {null.SubString(0, 3), ""},
        {null.Mid(0, 1), ""},            {null.GetReversed(), ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Text(cases[i].result), cases[i].text) << "case " << i;
        ExpectTerminated(cases[i].result);
    }
    EXPECT_EQ(Text(five), "abcde");
}

TEST(StringStorage, InPlaceEditing)
{
    struct sCase {
        const char16_t* start;
        std::function<void(gCString&)> edit;
        const char* text;
    };
    const sCase cases[] = {
        {u"abcde", [](gCString& s) { s.Delete(1, 100); }, "a"},
        {u"abcde", [](gCString& s) { s.Delete(6, 1); }, "abcde"},
        {u"abcde", [](gCString& s) { s.Delete(5, 1); }, "abcde"},
        {u"abcde", [](gCString& s) { s.Delete(1, 2); }, "ade"},
        {u"abcde", [](gCString& s) { s.Delete(-1, 2); }, "abcde"},
        {u"abcde", [](gCString& s) { s.DeleteLeft(2); }, "cde"},
        {u"abcde", [](gCString& s) { s.DeleteLeft(6); }, ""},
        {u"abcde", [](gCString& s) { s.CropRight(2); }, "de"},
        {u"abcde", [](gCString& s) { s.CropRight(0); }, ""},
        {u"abcde", [](gCString& s) { s.CropRight(5); }, "abcde"},
        {u"abcde", [](gCString& s) { s.CropMid(1, 3); }, "bcd"},
        {u"abcde", [](gCString& s) { s.CropMid(3, 9); }, "de"},
        {u"abcde", [](gCString& s) { s.CropMid(5, 1); }, ""},
        {u"abcde", [](gCString& s) { (void)s.Insert(gCString(u"XY"), 2); }, "abXYcde"},
        {u"abcde", [](gCString& s) { (void)s.Insert(gCString(u"XY"), 99); }, "abcdeXY"},
        {u"abcde", [](gCString& s) { (void)s.Insert(gCString(u""), 1); }, "abcde"},
        {u"abc", [](gCString& s) { (void)s.Insert(s, 1); }, "aabcbc"},
        {u"abcde", [](gCString& s) { (void)s.InsertChar(u'-', 0); }, "-abcde"},
        {u"abcde", [](gCString& s) { (void)s.InsertChar(u'-', -4); }, "-abcde"},
        {u"abcde", [](gCString& s) { (void)s.InsertChar(u'-', 50); }, "abcde-"},
        {u"banana", [](gCString& s) { EXPECT_EQ(s.ReplaceChar(u'a', u'o'), 3); }, "bonono"},
        {u"banana", [](gCString& s) { EXPECT_EQ(s.Replace(u"a", u"aa"), 3); }, "baanaanaa"},
        {u"banana", [](gCString& s) { EXPECT_EQ(s.Replace(u"an", u""), 2); }, "ba"},
        {u"aaaa", [](gCString& s) { EXPECT_EQ(s.Replace(u"aa", u"b"), 2); }, "bb"},
        {u"abc", [](gCString& s) { EXPECT_EQ(s.Replace(u"abc", u""), 1); }, ""},
        {u"abc", [](gCString& s) { EXPECT_EQ(s.Replace(u"x", u"y"), 0); }, "abc"},
        {u"abc", [](gCString& s) { EXPECT_EQ(s.Replace(u"", u"y"), 0); }, "abc"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        gCString string(cases[i].start);
        cases[i].edit(string);
        EXPECT_EQ(Text(string), cases[i].text) << "case " << i;
        ExpectTerminated(string);
    }
}

TEST(StringStorage, EditingTheNullString)
{
    gCString null;
    null.Delete(0, 1);
    null.DeleteLeft(1);
    null.CropRight(0);
    null.CropMid(0, 1);
    EXPECT_EQ(null.ReplaceChar(u'a', u'b'), 0);
    EXPECT_EQ(null.Replace(u"a", u"b"), 0);
    EXPECT_TRUE(null.IsNull());

    ASSERT_EQ(null.InsertChar(u'q', 7), eSuccess);
    EXPECT_EQ(Text(null), "q");
    EXPECT_EQ(null.GetCapacity(), 16);

    gCString other;
    ASSERT_EQ(other.Insert(gCString(u"xyz"), 5), eSuccess);
    EXPECT_EQ(Text(other), "xyz");
}

TEST(StringStorage, InsertingOneUnitGrowsOnlyWhenTheBufferIsFull)
{
    gCString string(std::u16string(14, u'a').c_str());
    ASSERT_EQ(string.InsertChar(u'b', 0), eSuccess);
    EXPECT_EQ(string.GetCapacity(), 16);
    ASSERT_EQ(string.InsertChar(u'c', 0), eSuccess);
    EXPECT_EQ(string.GetCapacity(), 32);
    EXPECT_EQ(string.GetLength(), 16);
}

// Every growth that fails must report 5 and leave text, capacity and length as they were.
TEST(StringStorage, FailedGrowthLeavesTheStringUnchanged)
{
    struct sCase {
        const char* name;
        const char16_t* start;
        std::function<eResultCode(gCString&)> operation;
    };
    const std::u16string longText(100, u'L');
    const gCString tenUnits(u"abcdefghij");
    const sCase cases[] = {
        {"assign to null", nullptr, [&](gCString& s) { return s.Assign(longText.c_str()); }},
        {"assign longer", u"short", [&](gCString& s) { return s.Assign(longText.c_str()); }},
        {"copy from buffer", u"short", [&](gCString& s) { return s.CopyStringFromBuffer(longText.c_str(), 50); }},
        {"set buffer length", u"short", [](gCString& s) { return s.SetBufferLength(40); }},
        {"append string", u"0123456789", [&](gCString& s) { return s.Append(tenUnits); }},
        {"append itself", u"0123456789", [](gCString& s) { return s.Append(s); }},
        {"append pointer", u"0123456789", [](gCString& s) { return s.Append(u"0123456789"); }},
        {"append to null", nullptr, [](gCString& s) { return s.Append(u"abc"); }},
        {"insert", u"0123456789", [&](gCString& s) { return s.Insert(tenUnits, 3); }},
        {"insert itself", u"0123456789", [](gCString& s) { return s.Insert(s, 3); }},
        {"insert unit", u"0123456789", [](gCString& s) { return s.InsertChar(u'x', 3); }},
        {"insert unit into null", nullptr, [](gCString& s) { return s.InsertChar(u'x', 0); }},
        {"number", nullptr, [](gCString& s) { return s.SetNumber(int32_t(-42)); }},
        {"large number", u"", [](gCString& s) { return s.SetNumber(UINT64_MAX); }},
    };
    for (const sCase& c : cases) {
        int64_t runs = 0;
        bool sawFailure = false;
        for (int64_t k = 1; k < 100; ++k) {
            gCString string;
            if (c.start)
                string = c.start;
            if (std::string(c.name) == "insert unit")
                FillToCapacity(string);
            const sStringState before(string);
            eResultCode result;
            bool failed;
            {
                AllocationFailure failure(k);
                result = c.operation(string);
                failed = failure.Count() >= k;
            }
            runs = k;
            if (!failed) {
                EXPECT_EQ(result, eSuccess) << c.name;
                break;
            }
            sawFailure = true;
            EXPECT_EQ(result, eNoMemory) << c.name << " failing allocation " << k;
            EXPECT_EQ(sStringState(string), before) << c.name << " failing allocation " << k;
        }
        EXPECT_TRUE(sawFailure) << c.name << " never allocated";
        EXPECT_LT(runs, 99) << c.name;
    }
}

TEST(StringStorage, FailedGrowthInOperationsWithoutAResult)
{
    gCString string(u"banana");
    FillToCapacity(string);
    const sStringState before(string);
    {
        AllocationFailure failure(1, true);
        EXPECT_EQ(string.Replace(u"a", u"aaaaaaaaaaaaaaaa"), 0);
        string += u'x';
        string += int32_t(5);
        string.SetRepeated(u'z', 40);
        gCString repeated(u'r', 3);
        EXPECT_TRUE(repeated.IsNull());
        gCString copy(string);
        EXPECT_TRUE(copy.IsNull());
    }
    EXPECT_EQ(sStringState(string), before);
}
