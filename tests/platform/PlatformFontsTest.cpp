#include "platform/PlatformFonts.h"

#include <gtest/gtest.h>

TEST(PlatformFonts, FindsFamiliesAndStylesByName)
{
    struct sCase { const char* name; const char* file; };
    const sCase cases[] = {
        {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
        {"dejavu sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
        {"DejaVu Sans Bold", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"},
        {"DejaVu Sans Italic", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf"},
        {"DejaVu Sans Bold Italic", "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf"},
        {"DejaVu Serif Bold", "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"},
    };
    for (const sCase& c : cases) {
        plat::sSystemFontFile file;
        ASSERT_TRUE(plat::FindSystemFontFile(c.name, file)) << c.name;
        EXPECT_EQ(file.path, c.file) << c.name;
        EXPECT_EQ(file.index, 0);
    }
}

TEST(PlatformFonts, MissingFamiliesAreNotFoundButHaveANearestFont)
{
    plat::sSystemFontFile file;
    EXPECT_FALSE(plat::FindSystemFontFile("No Such Family Anywhere", file));
    EXPECT_FALSE(plat::FindSystemFontFile("No Such Family Anywhere Bold", file));
    EXPECT_FALSE(plat::FindSystemFontFile("", file));
    EXPECT_TRUE(plat::FindNearestFontFile("No Such Family Anywhere", file));
    EXPECT_FALSE(file.path.empty());
}
