// Small helpers of the image formats and the pixel routines: palette lookups by bit depth, the
// PSD reader's byte skipper, JPEG segments the library steps over, and the paint hook of
// alpha-correct rendering.
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/ImageFiles.h"
#include "imaging/PixelHookScope.h"
#include "imaging/gCBmpIO.h"
#include "imaging/gCPsdIO.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A BMP reader with the bit depth and palette count its header reader would have stored.
class CReadHeaderBmp : public gCBmpIO {
public:
    CReadHeaderBmp(uint32_t bitsPerPixel, uint32_t paletteCount)
    {
        mBitsPerPixel = bitsPerPixel;
        mPaletteCount = paletteCount;
    }
};

} // namespace

TEST(ImagingHelpers, PaletteLookupReadsTheIndexOfEachBitDepth)
{
    struct sCase {
        uint32_t bits, x;
        uint8_t byte;
        int32_t index; // -1: nothing looked up
    };
    const sCase cases[] = {
        {1, 0, 0xA0, 1}, {1, 1, 0xA0, 0}, {1, 2, 0xA0, 1}, {1, 9, 0xA0, 0},   // leftmost pixel in the top bit
        {2, 0, 0xE4, 3}, {2, 1, 0xE4, 2}, {2, 3, 0xE4, 0}, {2, 5, 0xE4, 2},   // top two bits first
        {4, 0, 0x5A, 5}, {4, 1, 0x5A, 10}, {4, 6, 0x5A, 5},                    // high nibble first
        {8, 3, 0x0C, 12}, {4, 1, 0x5F, 15},                                    // 15: beyond the palette
        {24, 0, 0x01, -1}, {0, 0, 0x01, -1},
    };
    for (const sCase& c : cases) {
        CReadHeaderBmp format(c.bits, 13);
        ASSERT_EQ(format.SetPaletteSize(), eSuccess);
        for (uint32_t i = 0; i < 13; ++i)
            format.GetPalette()[i] = MakePixel(255, i * 16, i * 16 + 1, i * 16 + 2);
        uint32_t red = 7, green = 7, blue = 7;
        format.LookupPalette(c.x, c.byte, &red, &green, &blue);
        // An index beyond the palette reads opaque black, never memory after it.
        const uint32_t entry = c.index < 0 ? 7 : c.index >= 13 ? 0 : uint32_t(c.index) * 16;
        const uint32_t step = c.index < 0 || c.index >= 13 ? 0 : 1;
        EXPECT_EQ(red, entry) << c.bits << " bits, x " << c.x;
        EXPECT_EQ(green, entry + step) << c.bits << " bits, x " << c.x;
        EXPECT_EQ(blue, entry + 2 * step) << c.bits << " bits, x " << c.x;
    }
}

TEST(ImagingHelpers, PsdSkipperReadsPastWholeAndPartialScratchBuffers)
{
    struct sCase {
        uint32_t count;
        eResultCode result;
        int64_t position;
    };
    const sCase cases[] = {{0, eSuccess, 10}, {4096, eSuccess, 4106}, {9000, eSuccess, 9010}, {9990, eSuccess, 10000},
                           {9991, eStreamError, -1}};
    for (const sCase& c : cases) {
        sByteStream bytes(std::vector<uint8_t>(10000, 0x5A));
        ASSERT_EQ(bytes.stream->SetPos(10), eSuccess);
        gCPsdIO reader;
        EXPECT_EQ(reader.SkipBytes(*bytes.stream, c.count), c.result) << c.count;
        if (c.position >= 0) {
            EXPECT_EQ(bytes.stream->GetPos(), c.position) << c.count;
        }
    }
}

// Application segments the library has no use for are stepped over through the source's
// skipper, also when they are longer than its buffer: the picture decodes as without them.
TEST(ImagingHelpers, JpegSegmentsThatAreSkippedLeaveThePictureAlone)
{
    const std::vector<uint8_t> file = ReadFileBytes(FixturePath("jpeg_baseline.jpg"));
    ASSERT_GT(file.size(), 2u);
    auto decode = [](const std::vector<uint8_t>& bytes) {
        sByteStream stream(bytes);
        CImage image;
        EXPECT_EQ(LoadImage(*stream.stream, &image), eSuccess);
        std::vector<CPixel> pixels;
        CImNav nav(&image, nullptr);
        for (int32_t y = 0; y < nav.GetHeight(); ++y)
            pixels.insert(pixels.end(), nav.Row(y), nav.Row(y) + nav.GetWidth());
        return pixels;
    };
    const std::vector<CPixel> plain = decode(file);
    ASSERT_FALSE(plain.empty());
    for (uint32_t payload : {14u, 5000u, 65533u}) {
        const uint32_t length = payload + 2;
        // The start-of-image marker, then an APP5 segment.
        std::vector<uint8_t> bytes = {file[0], file[1], 0xFF, 0xE5, uint8_t(length >> 8), uint8_t(length)};
        for (uint32_t i = 0; i < payload; ++i)
            bytes.push_back(uint8_t(i * 7));
        bytes.insert(bytes.end(), file.begin() + 2, file.end());
        EXPECT_EQ(decode(bytes), plain) << payload;
    }
}

// Inside the alpha scope the paint hook composites alpha-correctly; outside it keeps the
// destination's alpha. Worked by hand: black at alpha 128 under white at coverage 128 gives
// c16 = d16 = 32896, result alpha 65535 - 32639 x 32639 / 65536 = 49280 (192), weight 16383,
// k = 16843009 / 49280 = 341, colour 255 x 32896 x 341 >> 24 = 170.
TEST(ImagingHelpers, AlphaRenderingPaintsThroughTheAlphaCorrectHook)
{
    struct sCase {
        bool alphaScope;
        CPixel destination;
        uint32_t coverage;
        CPixel colour, expected;
    };
    const sCase cases[] = {
        {true, 0x00000000, 100, 0xFF336699, 0x64336699},  {false, 0x00000000, 100, 0xFF336699, 0x0014283C},
        {true, 0x80000000, 128, 0xFFFFFFFF, 0xC0AAAAAA},  {false, 0x80000000, 128, 0xFFFFFFFF, 0x80808080},
        {true, 0xFF000000, 128, 0x00FFFFFF, 0xFF808080},
    };
    const tPaintPixelHook before = gPaintPixelHook;
    for (const sCase& c : cases) {
        CPixel pixel = c.destination;
        {
            CAlphaPixelHookScope scope(c.alphaScope);
            gPaintPixelHook(&pixel, c.coverage, &c.colour);
        }
        EXPECT_EQ(pixel, c.expected) << std::hex << c.destination << " " << c.alphaScope;
        EXPECT_EQ(gPaintPixelHook, before) << "the plain hook is back after the scope";
    }
}
