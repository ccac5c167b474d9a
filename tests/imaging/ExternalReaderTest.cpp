// Files this toolkit writes open in other programs with the same pixels. Runs only where
// Pillow and ImageMagick are installed (they are not needed to build or test otherwise).
#include "ImageTestSupport.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/ImageFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

bool ToolsPresent()
{
    return std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0 &&
           std::filesystem::exists("/usr/bin/convert");
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The pixels another program should decode: RGBA, with alpha dropped where the format does.
void WriteExpectation(const std::filesystem::path& path, CImageBase* image, bool keepAlpha, uint32_t tolerance)
{
    std::vector<uint8_t> bytes(12);
    uint32_t header[3] = {uint32_t(image->GetWidth()), uint32_t(image->GetHeight()), tolerance};
    memcpy(bytes.data(), header, 12);
    CImNavBase nav(image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x) {
            const uint8_t* row = static_cast<const uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
            CPixel p = image->GetBitsPerPixel() == 32 ? reinterpret_cast<const CPixel*>(row)[x] : GreyToPixel(row[x]);
            bytes.insert(bytes.end(), {uint8_t(PixelRed(p)), uint8_t(PixelGreen(p)), uint8_t(PixelBlue(p)),
                                       uint8_t(keepAlpha ? PixelAlpha(p) : 255)});
        }
    WriteFile(path, bytes);
}

template <typename Image>
void SaveForCheck(const std::filesystem::path& folder, const char* name, Image* image, int32_t format,
                  bool keepAlpha, uint32_t tolerance)
{
    gCMemFile stream;
    ASSERT_EQ(SaveImage(stream, image, format), eSuccess) << name;
    WriteFile(folder / name, StreamBytes(stream));
    WriteExpectation(folder / (std::string(name) + ".expect"), image, keepAlpha, tolerance);
}

} // namespace

TEST(ExternalReaders, OpenTheToolkitsFilesWithTheSamePixels)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "Pillow or ImageMagick is not installed";
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("pnu_external_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);

    CImage colour(37, 21);
    CImage translucent(19, 11);
    CImage8 grey(23, 13);
    {
        CImNav a(&colour, nullptr), b(&translucent, nullptr);
        CImNav8 c(&grey, nullptr);
        for (int32_t y = 0; y < 21; ++y)
            for (int32_t x = 0; x < 37; ++x)
                a.Row(y)[x] = MakePixel(255, uint32_t(x * 7), uint32_t(y * 12), uint32_t((x + y) * 3));
        for (int32_t y = 0; y < 11; ++y)
            for (int32_t x = 0; x < 19; ++x)
                b.Row(y)[x] = MakePixel(uint32_t(x * 13 + 10), uint32_t(x * 13), 200, uint32_t(y * 20));
        for (int32_t y = 0; y < 13; ++y)
            for (int32_t x = 0; x < 23; ++x)
                c.Row(y)[x] = uint8_t(x * 11 + y);
    }
    SaveForCheck(folder, "colour.bmp", &colour, eImageFormatBmp, false, 0);
    SaveForCheck(folder, "grey.bmp", &grey, eImageFormatBmp, false, 0);
    SaveForCheck(folder, "colour.png", &translucent, eImageFormatPng, true, 0);
    SaveForCheck(folder, "grey.png", &grey, eImageFormatPng, false, 0);
    SaveForCheck(folder, "colour.jpg", &colour, eImageFormatJpeg, false, 24);
    SaveForCheck(folder, "grey.jpg", &grey, eImageFormatJpeg, false, 12);
    SaveForCheck(folder, "colour.psd", &colour, eImageFormatPsd, false, 0);
    SaveForCheck(folder, "grey.psd", &grey, eImageFormatPsd, false, 0);
    // Packed, with every other row packing larger than raw (0, 1, 1, 2, 2 ...).
    CImage pairs(64, 40), translucentPairs(64, 40);
    CImage8 greyPairs(64, 40);
    {
        CImNav a(&pairs, nullptr), b(&translucentPairs, nullptr);
        CImNav8 c(&greyPairs, nullptr);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 64; ++x) {
                const uint32_t s = y % 2 ? uint32_t((x + 1) / 2 * 3) : uint32_t(y);
                a.Row(y)[x] = MakePixel(255, s, s + 1, s + 2);
                b.Row(y)[x] = MakePixel(s | 1, s, s + 1, s + 2);
                c.Row(y)[x] = uint8_t(s);
            }
    }
    SaveForCheck(folder, "pairs.psd", &pairs, eImageFormatPsd, false, 0);
    // ImageMagick takes a merged image with transparency as matted against white: its layer is read.
    SaveForCheck(folder, "translucent-pairs-layer.psd", &translucentPairs, eImageFormatPsd, true, 0);
    SaveForCheck(folder, "grey-pairs.psd", &greyPairs, eImageFormatPsd, false, 0);

    std::string command = "/usr/bin/python3 " + FixturePath("check_external.py") + " " + folder.string();
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::filesystem::remove_all(folder);
}
