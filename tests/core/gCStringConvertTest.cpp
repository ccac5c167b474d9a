#include "StringTestSupport.h"

#include "core/CMemBlock.h"
#include "core/MacRoman.h"
#include "core/gCString.h"
#include "support/AllocationFailure.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

TEST(StringConversion, EightBitConversionOfLongTextStopsAtTheSharedBufferSize)
{
    gCString text(u'a', 5000);
    const char* bytes = text.ToChars();
    EXPECT_EQ(std::strlen(bytes), 4095u);
    EXPECT_EQ(bytes[4094], 'a');

    // Callers with long text use the conversion without that limit.
    EXPECT_EQ(MacRoman(text), std::string(5000, 'a'));
}

TEST(StringConversion, NullAndEmptyTexts)
{
    EXPECT_STREQ(gCString().ToChars(), "");
    EXPECT_STREQ(gCString(u"").ToChars(), "");
    EXPECT_EQ(MacRoman(gCString()), "");
    EXPECT_EQ(Utf8(gCString()), "");

    gCString fromNull(static_cast<const char*>(nullptr));
    EXPECT_FALSE(fromNull.IsNull());
    EXPECT_EQ(fromNull.GetLength(), 0);
    EXPECT_EQ(fromNull.GetCapacity(), 16);

    gCString string(u"previous");
    ASSERT_EQ(string.ConvertFromChars("abc", 0), eSuccess);
    EXPECT_EQ(string.GetLength(), 0);
    ASSERT_EQ(string.ConvertFromChars("\0bc", 3), eSuccess);
    EXPECT_EQ(string.GetLength(), 0);
    ASSERT_EQ(string.SetFromUTF8(""), eSuccess);
    EXPECT_FALSE(string.IsNull());
    EXPECT_EQ(string.GetLength(), 0);
}

TEST(StringConversion, MacRomanBytesMapToThePublishedCharacters)
{
    struct sCase {
        uint8_t byte;
        char16_t unit;
    };
    const sCase cases[] = {
        {0x41, u'A'},     {0x80, 0x00C4}, {0xA5, 0x2022}, {0xC6, 0x2206}, {0xCA, 0x00A0},
        {0xDB, 0x20AC},   {0xF0, 0xF8FF}, {0xBD, 0x03A9}, {0xDE, 0xFB01}, {0xFF, 0x02C7},
    };
    for (const sCase& c : cases) {
        const char bytes[2] = {char(c.byte), 0};
        gCString string(bytes);
        ASSERT_EQ(string.GetLength(), 1);
        EXPECT_EQ(string[0], c.unit) << std::hex << int(c.byte);
        EXPECT_EQ(uint8_t(string.ToChars()[0]), c.byte) << std::hex << int(c.byte);
    }
}

TEST(StringConversion, EveryMacRomanByteSurvivesARoundTrip)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all.push_back(char(byte));
    gCString string(all.c_str());
    ASSERT_EQ(string.GetLength(), 255);
    EXPECT_EQ(std::string(string.ToChars()), all);
    EXPECT_EQ(MacRoman(string), all);

    // The mapping is one to one.
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(UnicodeToMacRoman(MacRomanToUnicode(uint8_t(byte))), byte);
}

TEST(StringConversion, UnitsMacRomanCannotShowBecomeQuestionMarks)
{
    struct sCase {
        const char16_t* text;
        const char* bytes;
    };
    const sCase cases[] = {
        {u"a\u0416b", "a?b"},                       // Cyrillic
        {u"\u65E5\u672C\u8A9E.txt", "???.txt"},     // Japanese
        {u"x\U0001F600y", "x?y"},                   // one character in a surrogate pair
        {u"x\xD800y", "x?y"},                        // unpaired surrogate
        {u"\xDC00", "?"},
        {u"caf\u00E9 \u2022", "caf\x8E \xA5"},
    };
    for (const sCase& c : cases) {
        gCString string(c.text);
        EXPECT_STREQ(string.ToChars(), c.bytes) << Text(string);
        EXPECT_EQ(MacRoman(string), c.bytes) << Text(string);
    }
}

TEST(StringConversion, EightBitTextWithZeroBytesInsideTheCount)
{
    gCString string;
    ASSERT_EQ(string.ConvertFromChars("a\0b", 3), eSuccess);
    EXPECT_EQ(string.GetLength(), 3);
    EXPECT_EQ(string[1], 0);
    EXPECT_EQ(string[2], u'b');
}

TEST(StringConversion, UTF8RoundTripsWithSurrogatePairs)
{
    struct sCase {
        const char16_t* units;
        const char* utf8;
    };
    const sCase cases[] = {
        {u"plain", "plain"},
        {u"caf\u00E9", "caf\xC3\xA9"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"a/\u65E5\u672C/b.txt", "a/\xE6\x97\xA5\xE6\x9C\xAC/b.txt"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    };
    for (const sCase& c : cases) {
        EXPECT_EQ(Utf8(gCString(c.units)), c.utf8);
        gCString decoded;
        ASSERT_EQ(decoded.SetFromUTF8(c.utf8), eSuccess);
        EXPECT_EQ(std::u16string(decoded.GetText()), std::u16string(c.units)) << c.utf8;
        EXPECT_EQ(decoded.GetLength(), int32_t(std::u16string(c.units).size()));
    }
}

TEST(StringConversion, IllFormedTextBecomesReplacementCharacters)
{
    struct sCase {
        const char* utf8;
        const char16_t* units;
    };
    const sCase cases[] = {
        {"a\xFF" "b", u"a\uFFFDb"},               // not a lead byte
        {"a\xC3", u"a\uFFFD"},                  // cut short at the end
        {"\xC3(", u"\uFFFD("},                  // missing continuation
        {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong
        {"\xED\xA0\x80", u"\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},        // beyond U+10FFFF
        {"\xE2\x82", u"\uFFFD"},
    };
    for (const sCase& c : cases) {
        gCString decoded;
        ASSERT_EQ(decoded.SetFromUTF8(c.utf8), eSuccess);
        EXPECT_EQ(std::u16string(decoded.GetText()), std::u16string(c.units)) << c.utf8;
    }
    EXPECT_EQ(Utf8(gCString(u"x\xD800y")), "x\xEF\xBF\xBDy");
    EXPECT_EQ(Utf8(gCString(u"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(StringConversion, FormatUsesThePrintfConversions)
{
    struct sCase {
        std::function<void(gCString&)> format;
        const char* text;
    };
    const sCase cases[] = {
        {[](gCString& s) { s.Format(u"%d items", 42); }, "42 items"},
        {[](gCString& s) { s.Format(u"[%5d|%-5d]", -7, 7); }, "[   -7|7    ]"},
        {[](gCString& s) { s.Format(u"%ld %lld", 123456789012L, -5LL); }, "123456789012 -5"},
        {[](gCString& s) { s.Format(u"%u %x %X %o", 4000000000u, 255u, 255u, 8u); }, "4000000000 ff FF 10"},
        {[](gCString& s) { s.Format(u"%08.3f %g %e", 3.14159, 0.5, 1000.0); }, "0003.142 0.5 1.000000e+03"},
        {[](gCString& s) { s.Format(u"%s, %s", "Mac \xA5", "x"); }, "Mac \u2022, x"},
        {[](gCString& s) { s.Format(u"%S and %C", u"\u65E5\u672C", int(u'\u20AC')); }, "\u65E5\u672C and \u20AC"},
        {[](gCString& s) { s.Format(u"100%%"); }, "100%"},
        {[](gCString& s) { s.Format(u"%*d|%-*d|", 4, 1, 3, 2); }, "   1|2  |"},
        {[](gCString& s) { s.Format(u"%.*s|%.2S|%4S", 3, "abcdef", u"xyz", u"ab"); }, "abc|xy|  ab"},
        {[](gCString& s) { s.Format(u"%c%c", 'o', 'k'); }, "ok"},
        {[](gCString& s) { s.Format(u"%hd %hhu", 70000, 300); }, "4464 44"},
        {[](gCString& s) { s.Format(u"%zu", size_t(17)); }, "17"},
        {[](gCString& s) { s.Format(u"%y %d", 5); }, "%y 5"},
        {[](gCString& s) { s.Format(u"end %"); }, "end %"},
        {[](gCString& s) { s.Format(u"%s", static_cast<const char*>(nullptr)); }, "(null)"},
        {[](gCString& s) { s.Format(u"\u2022 %d \u2022", 1); }, "\u2022 1 \u2022"},
        {[](gCString& s) { s.Format(u""); }, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        gCString string(u"old");
        cases[i].format(string);
        EXPECT_EQ(Text(string), cases[i].text) << "case " << i;
    }
}

TEST(StringConversion, FormatWithLongResultsAndItsOwnText)
{
    gCString string;
    string.Format(u"%600d|", 1);
    EXPECT_EQ(string.GetLength(), 601);
    EXPECT_EQ(string[599], u'1');

    gCString self(u"<%d>");
    self.Format(self.GetText(), 9);
    EXPECT_EQ(Text(self), "<9>");
}

TEST(StringConversion, PascalStringsConvertInPlace)
{
    char text[16] = "abc";
    EXPECT_EQ(ToPascalString(text), text);
    EXPECT_EQ(text[0], 3);
    EXPECT_EQ(std::memcmp(text + 1, "abc", 3), 0);
    EXPECT_EQ(FromPascalString(text), text);
    EXPECT_STREQ(text, "abc");

    char empty[4] = "";
    EXPECT_EQ(ToPascalString(empty), empty);
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(FromPascalString(empty), empty);
    EXPECT_EQ(ToPascalString(nullptr), nullptr);
    EXPECT_EQ(FromPascalString(nullptr), nullptr);

    // The length byte counts modulo 256.
    std::string longText(300, 'p');
    std::string buffer = longText + '\0' + '\0';
    ToPascalString(buffer.data());
    EXPECT_EQ(uint8_t(buffer[0]), 300 % 256);
}

TEST(StringConversion, FailedConversionsLeaveTheStringUnchanged)
{
    const std::string longBytes(100, 'b');
    const std::string longUTF8 = std::string(40, 'u') + "\xF0\x9F\x98\x80";
    struct sCase {
        const char* name;
        std::function<eResultCode(gCString&)> operation;
    };
    const sCase cases[] = {
        {"from chars", [&](gCString& s) { return s.AssignFromChars(longBytes.c_str()); }},
        {"convert chars", [&](gCString& s) { return s.ConvertFromChars(longBytes.c_str(), 60); }},
        {"from UTF-8", [&](gCString& s) { return s.SetFromUTF8(longUTF8); }},
        {"format", [](gCString& s) {
             s.Format(u"%s and %300d", "text", 5);
             return s.GetLength() > 300 ? eSuccess : eNoMemory;
         }},
    };
    for (const sCase& c : cases) {
        bool sawFailure = false;
        for (int64_t k = 1; k < 50; ++k) {
            gCString string(u"before");
            const sStringState before(string);
            eResultCode result;
            bool failed;
            {
                AllocationFailure failure(k);
                result = c.operation(string);
                failed = failure.Count() >= k;
            }
            if (!failed) {
                EXPECT_EQ(result, eSuccess) << c.name;
                break;
            }
            sawFailure = true;
            EXPECT_EQ(result, eNoMemory) << c.name << " failing allocation " << k;
            EXPECT_EQ(sStringState(string), before) << c.name << " failing allocation " << k;
        }
        EXPECT_TRUE(sawFailure) << c.name;
    }
}

TEST(StringConversion, BlockFormsGiveTheSameBytesAndReportMemoryFailure)
{
    const std::u16string texts[] = {u"", u"plain", u"caf\u00e9 \u20ac", u"pair \U0001F600 lone \xD800!",
                                    std::u16string(u"in\0side", 7), std::u16string(6000, u'x')};
    for (const std::u16string& units : texts) {
        gCString text;
        ASSERT_EQ(text.CopyStringFromBuffer(units.data(), int32_t(units.size())), eSuccess);
        CMemBlock macRoman, utf8;
        ASSERT_EQ(text.ToMacRoman(macRoman), eSuccess);
        ASSERT_EQ(text.ToUTF8(utf8), eSuccess);
        // Against the shared-buffer form, which holds all but the longest text.
        const std::string shared = units.size() > 4095 ? std::string(units.size(), 'x') : text.ToChars();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(macRoman.GetData()), macRoman.GetSize()), shared);
        // Against the fixed-buffer form, which the helper reads.
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(utf8.GetData()), utf8.GetSize()), Utf8(text));
    }
    gCString inside;
    ASSERT_EQ(inside.CopyStringFromBuffer(u"in\0side", 7), eSuccess);
    CMemBlock cString;
    ASSERT_EQ(inside.ToMacRomanCString(cString), eSuccess);
    EXPECT_EQ(cString.GetSize(), 3u) << "cut at the first 0 unit, terminator kept";
    EXPECT_STREQ(reinterpret_cast<const char*>(cString.GetData()), "in");
    ASSERT_EQ(inside.ToUTF8CString(cString), eSuccess);
    EXPECT_EQ(cString.GetSize(), 3u);
    EXPECT_STREQ(reinterpret_cast<const char*>(cString.GetData()), "in");
    ASSERT_EQ(gCString().ToUTF8CString(cString), eSuccess);
    EXPECT_EQ(cString.GetSize(), 1u) << "the null text is the empty C string";
    gCString text(u"caf\u00e9");
    CMemBlock bytes;
    AllocationFailure failure(1, true);
    EXPECT_EQ(text.ToMacRoman(bytes), eNoMemory);
    EXPECT_EQ(text.ToUTF8(bytes), eNoMemory);
    EXPECT_EQ(text.ToUTF8CString(bytes), eNoMemory);
}

TEST(StringConversion, UTF8IntoAFixedBufferNeedsRoomForItsTerminator)
{
    gCString text;
    ASSERT_EQ(text.SetFromUTF8("caf\xC3\xA9"), eSuccess); // five bytes
    char buffer[8];
    for (const uint32_t capacity : {6u, 8u}) {
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_TRUE(text.ToUTF8(buffer, capacity)) << capacity;
        EXPECT_STREQ(buffer, "caf\xC3\xA9") << capacity;
    }
    // One byte short: nothing of it is left, so a path is never cut to another one.
    EXPECT_FALSE(text.ToUTF8(buffer, 5));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(text.ToUTF8(buffer, 0));
    EXPECT_TRUE(gCString().ToUTF8(buffer, 1));
    EXPECT_STREQ(buffer, "");
}
