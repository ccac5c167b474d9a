// Shared set-up of the text tests: the font library, the gamma tables, and fonts registered
// under fixed names from the DejaVu files every machine of the project has.
#pragma once

#include "FileIO/gCMemFile.h"
#include "resources/CResourceContext.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

inline std::vector<uint8_t> ReadWholeFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A font resource's payload: u32 count, then the bytes.
inline void LoadPayload(gCMemFile& file, const std::vector<uint8_t>& bytes, uint32_t count)
{
    ASSERT_EQ(file.WriteULong(count), eSuccess);
    if (!bytes.empty()) {
        ASSERT_EQ(file.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
    }
    ASSERT_EQ(file.Rewind(), eSuccess);
}

// A monochrome bitmap font of 8 x 8 cells written by hand: 'A' is a box outline, 'B' a filled
// left half, 'I' one column. Bitmap-only, so it has no units per em.
inline std::string TinyBitmapFont()
{
    std::string font =
        "STARTFONT 2.1\n"
        "FONT -pnu-tiny-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
        "SIZE 8 75 75\n"
        "FONTBOUNDINGBOX 8 8 0 -1\n"
        "STARTPROPERTIES 3\n"
        "FONT_ASCENT 7\n"
        "FONT_DESCENT 1\n"
        "DEFAULT_CHAR 32\n"
        "ENDPROPERTIES\n"
        "CHARS 4\n";
    auto glyph = [&](const char* name, int code, const char* rows[8]) {
        font += std::string("STARTCHAR ") + name + "\nENCODING " + std::to_string(code)
                + "\nSWIDTH 1000 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n";
        for (int i = 0; i < 8; ++i)
            font += std::string(rows[i]) + "\n";
        font += "ENDCHAR\n";
    };
    const char* space[8] = {"00", "00", "00", "00", "00", "00", "00", "00"};
    const char* a[8] = {"FF", "81", "81", "81", "81", "81", "81", "FF"};
    const char* b[8] = {"F0", "F0", "F0", "F0", "F0", "F0", "F0", "F0"};
    const char* i[8] = {"10", "10", "10", "10", "10", "10", "10", "10"};
    glyph("space", 32, space);
    glyph("A", 65, a);
    glyph("B", 66, b);
    glyph("I", 73, i);
    font += "ENDFONT\n";
    return font;
}

// The alerts the font code raised, as code and detail.
inline std::vector<std::pair<int32_t, std::string>>& TextReports()
{
    static std::vector<std::pair<int32_t, std::string>> reports;
    return reports;
}

// Stands in for the application: its font pool and error alert; no resource file.
inline CResourceContext& TextContext()
{
    static CResourceContext context;
    return context;
}

class TextEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        TextContext().reportError = [](eResultCode code, const char* detail) {
            TextReports().emplace_back(code, detail);
        };
        SetResourceContext(&TextContext());
        ASSERT_EQ(InitFontLibrary(), eSuccess);
        BuildTextGammaTables(1.3f);
        ASSERT_EQ(gCFont::AddFontFromPath(gCString(kDejaVuSans), gCString("Test Sans"), 1), eSuccess);
    }
    void TearDown() override
    {
        for (CResourcePool& pool : TextContext().pools)
            pool.RemoveAll();
        SetResourceContext(nullptr);
        ReleaseFontLibrary();
    }
};
