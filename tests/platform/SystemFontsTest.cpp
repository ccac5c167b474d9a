#include "platform/SystemFonts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool Find(const char* name, plat::sSystemFontFile& file)
{
    return plat::FindSystemFontFile(name, std::strlen(name), file) == plat::eFileResult::kOk;
}

} // namespace

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
        ASSERT_TRUE(Find(c.name, file)) << c.name;
        EXPECT_STREQ(file.path, c.file) << c.name;
        EXPECT_EQ(file.index, 0);
    }
}

TEST(PlatformFonts, MissingFamiliesAreNotFoundButHaveANearestFont)
{
    plat::sSystemFontFile file;
    EXPECT_FALSE(Find("No Such Family Anywhere", file));
    EXPECT_FALSE(Find("No Such Family Anywhere Bold", file));
    EXPECT_FALSE(Find("", file));
    EXPECT_EQ(plat::FindNearestFontFile("No Such Family Anywhere", 23, file), plat::eFileResult::kOk);
    EXPECT_NE(file.path[0], '\0');
}
