// A whole table rendered into a window and compared with a picture checked by eye once:
// tests/data/tables/table.png, written by this test with PNU_WRITE_GOLDEN=1 (see the README
// beside it). Any change in text placement, shadows, stripes, selection, hover or grid lines
// shows up as a pixel difference.
#include "TableTestSupport.h"

#include "imaging/ImageFiles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

using TableGolden = TableTest;

class CHoverTable : public CTableWidget {
public:
    using CTableWidget::mHoverRow;
};

const std::string kGoldenPath = std::string(PNU_SOURCE_DIR) + "/tests/data/tables/table.png";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A 12 x 12 icon: a blue-to-green ramp with a transparent corner.
CImage* MakeIcon()
{
    auto* icon = new CImage(12, 12);
    CImNav nav(icon, nullptr);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x)
            nav.Row(y)[x] = x + y < 4 ? 0 : MakePixel(255, 0, uint32_t(x * 20), uint32_t(255 - y * 20));
    return icon;
}

TEST_F(TableGolden, RenderedTableMatchesThePictureCheckedByEye)
{
    std::string dejavu = ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ASSERT_FALSE(dejavu.empty()) << "fonts-dejavu-core is needed";
    AddFont(dejavu, u"Helvetica");

    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 220, 96);
    backdrop.SetBackgroundColour(0xFF303848u);
    auto* table = AddAt(backdrop, new CHoverTable(), gCRect{10, 8, 210, 88});
    CTextRenderer renderer;
    table->GetTextRenderer(renderer);
    renderer.mPointSize = 11.0f;
    ASSERT_EQ(table->SetTextRenderer(renderer, false), eSuccess);
    renderer.mBold = 1;
    ASSERT_EQ(table->SetSelectedTextRenderer(renderer, false), eSuccess);
    const CPixel even = 0xFFF4F4F8u, selection = 0xFF3060C0u, hover = 0xC0FFE080u;
    table->SetColour(0xFFE0E4ECu, false);
    ASSERT_EQ(table->SetEvenRowColour(&even, false), eSuccess);
    ASSERT_EQ(table->SetSelectionColour(&selection, false), eSuccess);
    ASSERT_EQ(table->SetHoverColour(&hover, false), eSuccess);
    ASSERT_EQ(table->SetRowHeight(18, false), eSuccess);
    ASSERT_EQ(table->SetColumnWidth(0, 110, false), eSuccess);
    ASSERT_EQ(table->AddColumn(30, false, false), eSuccess);
    ASSERT_EQ(table->AddColumn(60, true, false), eSuccess);
    ASSERT_EQ(table->SetColumnJustification(1, CTableWidget::eCentre, false), eSuccess);
    ASSERT_EQ(table->SetColumnJustification(2, CTableWidget::eRight, false), eSuccess);
    ASSERT_EQ(table->SetColumnFadeRight(0, 12, false), eSuccess);
    const char16_t* names[] = {u"Checking for updates", u"Pintrel 2.1 found", u"Downloading package", u"Installing"};
    const char16_t* sizes[] = {u"12", u"3 456", u"78 901", u"-"};
    for (int32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(table->AddRow(false), eSuccess);
        ASSERT_EQ(table->SetCellText(i, 0, gCString(names[i]), false), eSuccess);
        ASSERT_EQ(table->SetCellText(i, 2, gCString(sizes[i]), false), eSuccess);
        if (i != 3) {
            ASSERT_EQ(table->SetCellImage(i, 1, MakeIcon(), false), eSuccess);
        }
    }
    CPixel white = 0xFFFFFFFFu, red = 0xFFB00000u;
    ASSERT_EQ(table->SetRowColour(1, &white, false), eSuccess);
    ASSERT_EQ(table->SetRowColour(3, &red, false), eSuccess);
    ASSERT_EQ(table->SelectRow(1, false), eSuccess);
    ASSERT_EQ(table->SetHoverHighlight(true, false), eSuccess);
    table->mHoverRow = 2;
    ASSERT_EQ(table->ScrollDownPixel(false), eSuccess);
    ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 220, 96}, true), eSuccess);
    CImage* window = backdrop.GetOffscreenImage();
    ASSERT_NE(window, nullptr);

    if (std::getenv("PNU_WRITE_GOLDEN")) {
        ASSERT_EQ(SaveImage(gCString(kGoldenPath.c_str()), window, eImageFormatPng), eSuccess);
        GTEST_SKIP() << "wrote " << kGoldenPath;
    }
    std::string bytes = ReadFile(kGoldenPath);
    ASSERT_FALSE(bytes.empty()) << kGoldenPath;
    CMemBlock block(uint32_t(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), block.GetData());
    CImage golden;
    ASSERT_EQ(LoadImage(block, &golden), eSuccess);
    ASSERT_EQ(golden.GetWidth(), 220);
    ASSERT_EQ(golden.GetHeight(), 96);
    int32_t differences = 0;
    for (int32_t y = 0; y < 96; ++y)
        for (int32_t x = 0; x < 220; ++x)
            if ((PixelAt(*window, x, y) | kPixelAlphaMask) != (PixelAt(golden, x, y) | kPixelAlphaMask) &&
                differences++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " is " << PixelAt(*window, x, y)
                              << ", the picture has " << PixelAt(golden, x, y);
    EXPECT_EQ(differences, 0);
}

} // namespace
