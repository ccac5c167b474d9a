// Files written by other programs load to the pixels those programs decode.
#include "ImageTestSupport.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/ImageFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct sFixtureCase {
    const char* name;
    int32_t format;
    int32_t tolerance;
};

int32_t ChannelDifference(CPixel a, CPixel b, bool ignoreColourWhenTransparent)
{
    int32_t worst = 0;
    bool transparent = ignoreColourWhenTransparent && (a >> 24) == 0 && (b >> 24) == 0;
    for (int shift = 0; shift < 32; shift += 8) {
        if (transparent && shift < 24)
            continue;
        worst = std::max(worst, std::abs(int32_t((a >> shift) & 0xFF) - int32_t((b >> shift) & 0xFF)));
    }
    return worst;
}

// Grey of a reference pixel as each reader forms it for an 8-bit image.
uint8_t ExpectedGrey(int32_t format, CPixel p)
{
    uint32_t r = PixelRed(p), g = PixelGreen(p), b = PixelBlue(p);
    if (format == eImageFormatPsd)
        return uint8_t((b + 2 * ((r + g) / 2)) / 3);
    if (format == eImageFormatPng)
        return uint8_t((6968 * r + 23434 * g + 2366 * b + 16384) >> 15);
    return uint8_t((r + g + b) / 3);
}

const sFixtureCase kFixtures[] = {
    {"bmp_1.bmp", eImageFormatBmp, 0},
    {"bmp_4.bmp", eImageFormatBmp, 0},
    {"bmp_8.bmp", eImageFormatBmp, 0},
    {"bmp_24.bmp", eImageFormatBmp, 0},
    {"bmp_rle4.bmp", eImageFormatBmp, 0},
    {"bmp_rle8.bmp", eImageFormatBmp, 0},
    {"bmp_os2.bmp", eImageFormatBmp, 0},
    {"bmp_v5_8.bmp", eImageFormatBmp, 0},
    {"bmp_v5_24.bmp", eImageFormatBmp, 0},
    {"bmp_pil_1.bmp", eImageFormatBmp, 0},
    {"bmp_pil_8.bmp", eImageFormatBmp, 0},
    {"bmp_pil_24.bmp", eImageFormatBmp, 0},
    {"jpeg_baseline.jpg", eImageFormatJpeg, 2},
    {"jpeg_progressive.jpg", eImageFormatJpeg, 2},
    {"jpeg_grey.jpg", eImageFormatJpeg, 2},
    {"jpeg_tall.jpg", eImageFormatJpeg, 2},
    {"png_rgba.png", eImageFormatPng, 0},
    {"png_palette_trns.png", eImageFormatPng, 0},
    {"png_16.png", eImageFormatPng, 1},
    {"png_interlaced.png", eImageFormatPng, 0},
    {"png_grey1.png", eImageFormatPng, 0},
    {"png_grey2.png", eImageFormatPng, 0},
    {"png_grey4.png", eImageFormatPng, 0},
    {"psd_rgba.psd", eImageFormatPsd, 0},
    {"psd_16.psd", eImageFormatPsd, 1},
    {"psd_grey.psd", eImageFormatPsd, 0},
    {"psd_raw.psd", eImageFormatPsd, 0},
    {"psd_packbits.psd", eImageFormatPsd, 0},
};

} // namespace

TEST(ImageFixtures, LoadToTheOtherProgramsPixels)
{
    for (const sFixtureCase& c : kFixtures) {
        SCOPED_TRACE(c.name);
        sByteStream bytes(ReadFileBytes(FixturePath(c.name)));
        sReference reference = LoadReference(c.name);
        ASSERT_GT(reference.width, 0);
        EXPECT_EQ(DetectImageFormat(*bytes.stream), c.format);
        CImage image;
        ASSERT_EQ(LoadImage(*bytes.stream, &image), eSuccess);
        ASSERT_EQ(image.GetWidth(), reference.width);
        ASSERT_EQ(image.GetHeight(), reference.height);
        CImNav nav(&image, nullptr);
        int32_t worst = 0;
        for (int32_t y = 0; y < reference.height; ++y)
            for (int32_t x = 0; x < reference.width; ++x)
                worst = std::max(worst, ChannelDifference(nav.Row(y)[x], reference.Pixel(x, y), true));
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(ImageFixtures, LoadIntoEightBitImagesAsGrey)
{
    for (const sFixtureCase& c : kFixtures) {
        SCOPED_TRACE(c.name);
        sByteStream bytes(ReadFileBytes(FixturePath(c.name)));
        sReference reference = LoadReference(c.name);
        CImage8 image;
        ASSERT_EQ(LoadImage(*bytes.stream, &image), eSuccess);
        ASSERT_EQ(image.GetWidth(), reference.width);
        CImNav8 nav(&image, nullptr);
        int32_t worst = 0;
        // libpng's grey weights depend on the file's chunks; allow it a little room.
        int32_t tolerance = c.tolerance + (c.format == eImageFormatPng ? 2 : 0);
        for (int32_t y = 0; y < reference.height; ++y)
            for (int32_t x = 0; x < reference.width; ++x)
                worst = std::max(worst, std::abs(int32_t(nav.Row(y)[x]) -
                                                 int32_t(ExpectedGrey(c.format, reference.Pixel(x, y)))));
        EXPECT_LE(worst, tolerance);
    }
}

TEST(ImageFixtures, BackgroundChunkCompositesAndMakesOpaque)
{
    sByteStream bytes(ReadFileBytes(FixturePath("png_rgba_bkgd.png")));
    sReference reference = LoadReference("png_rgba_bkgd.png");
    CImage image;
    ASSERT_EQ(LoadImage(*bytes.stream, &image), eSuccess);
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < reference.height; ++y)
        for (int32_t x = 0; x < reference.width; ++x) {
            CPixel p = reference.Pixel(x, y);
            uint32_t a = p >> 24;
            auto over = [a](uint32_t c, uint32_t background) { return (c * a + background * (255 - a) + 127) / 255; };
            CPixel expected = MakePixel(255, over(PixelRed(p), 0), over(PixelGreen(p), 0), over(PixelBlue(p), 255));
            ASSERT_LE(ChannelDifference(nav.Row(y)[x], expected, false), 1) << x << "," << y;
        }
}

TEST(ImageFixtures, CmykJpegIsRefused)
{
    sByteStream bytes(ReadFileBytes(FixturePath("jpeg_cmyk.jpg")));
    CImage image;
    EXPECT_EQ(LoadImage(*bytes.stream, &image), eGenericFailure);
    EXPECT_FALSE(image.IsCreated());
}

TEST(ImageFixtures, TruncatedJpegLoadsItsFirstRows)
{
    sByteStream bytes(ReadFileBytes(FixturePath("jpeg_truncated.jpg")));
    sReference reference = LoadReference("jpeg_tall.jpg");
    CImage image;
    ASSERT_EQ(LoadImage(*bytes.stream, &image), eSuccess);
    ASSERT_EQ(image.GetWidth(), reference.width);
    ASSERT_EQ(image.GetHeight(), reference.height);
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < reference.width; ++x)
            ASSERT_LE(ChannelDifference(nav.Row(y)[x], reference.Pixel(x, y), false), 2) << x << "," << y;
}
