// A bitmap font small enough to check glyph pixels by hand, registered as "Tiny" in the font
// pool: 'A' a box outline, 'B' the left half filled, 'I' one column; 8 x 8, line height 8.
#pragma once

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "support/ResourceFixtures.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"

#include <gtest/gtest.h>

#include <string>

inline std::string TinyFont()
{
    std::string font = "STARTFONT 2.1\nFONT -pnu-tiny-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
                       "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 3\nFONT_ASCENT 7\n"
                       "FONT_DESCENT 1\nDEFAULT_CHAR 32\nENDPROPERTIES\nCHARS 4\n";
    auto glyph = [&](const char* name, int code, const char* rows) {
        font += std::string("STARTCHAR ") + name + "\nENCODING " + std::to_string(code) +
                "\nSWIDTH 1000 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n";
        for (int i = 0; i < 8; ++i)
            font += std::string(rows + 3 * i, 2) + "\n";
        font += "ENDCHAR\n";
    };
    glyph("space", 32, "00 00 00 00 00 00 00 00 ");
    glyph("A", 65, "FF 81 81 81 81 81 81 FF ");
    glyph("B", 66, "F0 F0 F0 F0 F0 F0 F0 F0 ");
    glyph("I", 73, "10 10 10 10 10 10 10 10 ");
    return font + "ENDFONT\n";
}


// Starts the font library (the caller releases it) and pools a bitmap font under a name.
inline void AddBitmapFont(CResourcePool& pool, const std::string& bdf, const char16_t* name)
{
    ASSERT_EQ(InitFontLibrary(), eSuccess);
    BuildTextGammaTables(1.3f);
    CMemBlock block(uint32_t(bdf.size() + 4));
    gCMemFile file(block);
    ASSERT_EQ(file.WriteULong(uint32_t(bdf.size())), eSuccess);
    ASSERT_EQ(file.Write(bdf.data(), int32_t(bdf.size())), eSuccess);
    ASSERT_EQ(file.Rewind(), eSuccess);
    auto* font = new gCFont;
    ASSERT_EQ(font->LoadFromStream(file), eSuccess);
    font->SetName(gCString(name));
    ASSERT_EQ(pool.Add(font), eSuccess);
}

inline void AddTinyFont(ScopedResourceContext& context)
{
    AddBitmapFont(context.context.pools[eFontPool], TinyFont(), u"Tiny");
}
