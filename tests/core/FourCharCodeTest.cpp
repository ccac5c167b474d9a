#include "core/FourCharCode.h"

#include <gtest/gtest.h>

// The first character is the most significant byte, and characters past 0x7F stay unsigned.
TEST(FourCharCode, FirstCharacterIsTheHighByte)
{
    static_assert(FourCharCode("wdgt") == 0x77646774);
    static_assert(FourCharCode("????") == 0x3F3F3F3F);
    static_assert(FourCharCode("cut ") == 0x63757420);
    EXPECT_EQ(FourCharCode("\xA5\xFF\x80\x01"), 0xA5FF8001u);
}
