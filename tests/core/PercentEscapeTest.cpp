#include "core/PercentEscape.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(PercentEscape, ReadsEscapesOnlyWhereTheDigitsAreThere)
{
    struct Case {
        const char* text;
        size_t at;
        eHexLetters letters;
        int32_t byte;
    };
    const Case cases[] = {
        {"%41", 0, eHexLetters::kEitherCase, 0x41},
        {"a%e9", 1, eHexLetters::kEitherCase, 0xE9},
        {"a%e9", 1, eHexLetters::kUpperCaseOnly, -1}, // the journal writes and takes upper case only
        {"a%E9", 1, eHexLetters::kUpperCaseOnly, 0xE9},
        {"%00", 0, eHexLetters::kEitherCase, 0},
        {"%4", 0, eHexLetters::kEitherCase, -1},  // cut at the end of the text
        {"%", 0, eHexLetters::kEitherCase, -1},
        {"%4G", 0, eHexLetters::kEitherCase, -1},
        {"%G4", 0, eHexLetters::kEitherCase, -1},
        {"x41", 0, eHexLetters::kEitherCase, -1},
        {"%41", 3, eHexLetters::kEitherCase, -1}, // past the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(PercentEscapedByte(c.text, std::strlen(c.text), c.at, c.letters), c.byte) << c.text << " at " << c.at;
    // The length bounds the escape, not the terminator: "%41" seen as two characters is cut.
    EXPECT_EQ(PercentEscapedByte("%41", 2, 0), -1);
    EXPECT_EQ(PercentEscapedByte(u"\u0100%2f", 4, 1), 0x2F);
    // A unit that only looks like a digit in its low byte is not one.
    EXPECT_EQ(PercentEscapedByte(u"%\u0134\u0131", 3, 0), -1);
}

TEST(PercentEscape, WritesUpperCaseAndKeepsOnlyUnreservedBytes)
{
    char escape[3];
    PercentEscapeByte(0xAF, escape);
    EXPECT_EQ(std::string(escape, 3), "%AF");
    PercentEscapeByte(0x0A, escape);
    EXPECT_EQ(std::string(escape, 3), "%0A");
    std::string kept;
    for (int byte = 0; byte < 256; ++byte)
        if (IsUnreservedByte(uint8_t(byte)))
            kept += char(byte);
    EXPECT_EQ(kept, "-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~");
}
