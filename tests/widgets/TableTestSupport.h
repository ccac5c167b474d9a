// Helpers for the table tests: a bitmap font whose '#' fills its whole 8 x 8 cell (so a text's
// pixels are known exactly), a listener that records the table messages, and pixel access.
#pragma once

#include "WidgetTestSupport.h"
#include "core/CMemBlock.h"
#include "imaging/CImNav.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"
#include "widgets/CTableWidget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// 8 x 8 cells, line height 8: '#' a full block, 'i' one column, space empty; '-' breaks words.
inline std::string BlockFont()
{
    std::string font = "STARTFONT 2.1\nFONT -pnu-block-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
                       "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 3\nFONT_ASCENT 7\n"
                       "FONT_DESCENT 1\nDEFAULT_CHAR 32\nENDPROPERTIES\nCHARS 4\n";
    auto glyph = [&](const char* name, int code, const char* row) {
        font += std::string("STARTCHAR ") + name + "\nENCODING " + std::to_string(code) +
                "\nSWIDTH 1000 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n";
        for (int i = 0; i < 8; ++i)
            font += std::string(row) + "\n";
        font += "ENDCHAR\n";
    };
    glyph("space", 32, "00");
    glyph("numbersign", 35, "FF");
    glyph("hyphen", 45, "00");
    glyph("i", 105, "10");
    return font + "ENDFONT\n";
}

class CMessageRecorder : public gCCmdTarget {
public:
    struct sMessage {
        uint32_t message;
        uintptr_t p1;
        intptr_t p2;
        uint32_t flag; // 2 for OnMessage
        int32_t column = -1, row = -1;
    };
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2) override
    {
        return Record({message, p1, intptr_t(p2), 2});
    }
    uint32_t OnCommand(uint32_t message, uintptr_t p1, intptr_t p2, uint32_t flag) override
    {
        return Record({message, p1, p2, flag});
    }
    std::vector<uint32_t> Codes() const
    {
        std::vector<uint32_t> codes;
        for (const sMessage& m : messages)
            codes.push_back(m.message);
        return codes;
    }
    std::vector<sMessage> messages;
    uint32_t answer = 0;

private:
    uint32_t Record(sMessage m)
    {
        // The cell address lives only during the call.
        if (m.message == kTableCellClicked && m.p2) {
            const auto* cell = reinterpret_cast<const CTableWidget::sCellAddress*>(m.p2);
            m.column = cell->column;
            m.row = cell->row;
        }
        messages.push_back(m);
        return answer;
    }
};

// Both of the table's renderers on the block font at 8 pixels.
inline void UseBlockFont(CTableWidget& table)
{
    CTextRenderer renderer;
    table.GetTextRenderer(renderer);
    renderer.mFontName = gCString(u"Block");
    renderer.mPixelSize = 8;
    ASSERT_EQ(table.SetSelectedTextRenderer(renderer, false), eSuccess);
    ASSERT_EQ(table.SetTextRenderer(renderer, false), eSuccess);
}

// Installs the block font as "Block" with the font library and the gamma tables.
class TableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeAlertDetails();
        ASSERT_EQ(InitFontLibrary(), eSuccess);
        BuildTextGammaTables(1.3f);
        AddFont(BlockFont(), u"Block");
    }
    void TearDown() override
    {
        TakeAlertDetails();
        for (CResourcePool& pool : context.context.pools)
            pool.RemoveAll();
        ReleaseFontLibrary();
    }
    void AddFont(const std::string& bytes, const char16_t* name)
    {
        CMemBlock block(uint32_t(bytes.size() + 4));
        gCMemFile file(block);
        ASSERT_EQ(file.WriteULong(uint32_t(bytes.size())), eSuccess);
        ASSERT_EQ(file.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
        ASSERT_EQ(file.Rewind(), eSuccess);
        auto* font = new gCFont;
        ASSERT_EQ(font->LoadFromStream(file), eSuccess);
        font->SetName(gCString(name));
        ASSERT_EQ(context.context.pools[eFontPool].Add(font), eSuccess);
    }

    ScopedResourceContext context;
};

inline CPixel PixelAt(const CImage& image, int32_t x, int32_t y)
{
    gCRect area{x, y, x + 1, y + 1};
    CImNav nav(const_cast<CImage*>(&image), &area);
    return nav.IsLocked() && nav.GetWidth() == 1 && nav.GetHeight() == 1 ? nav.Row(0)[0] : 0xDEADBEEFu;
}

// The first x in row y of the image whose pixel is not transparent, or -1.
inline int32_t FirstInkX(const CImage& image, int32_t y)
{
    for (int32_t x = 0; x < image.GetWidth(); ++x)
        if (PixelAlpha(PixelAt(image, x, y)) != 0)
            return x;
    return -1;
}
