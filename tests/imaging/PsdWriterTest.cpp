#include "ImageTestSupport.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/ImageFiles.h"
#include "imaging/gCPsdIO.h"
#include "support/FailingStream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t Be32(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

uint16_t Be16(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint16_t(bytes[at] << 8 | bytes[at + 1]);
}

std::vector<uint8_t> Save(CImageBase* image)
{
    gCMemFile stream;
    gCPsdIO writer;
    EXPECT_EQ(writer.SaveImageData(stream, image), eSuccess);
    return StreamBytes(stream);
}

void Fill(CImage& image, CPixel colour)
{
    CImNav nav(&image, nullptr);
    nav.Fill(&colour);
}

struct sResource {
    uint16_t id;
    uint32_t length;
    size_t data;
};

// The resource blocks of a saved document, and the position after them.
std::vector<sResource> Resources(const std::vector<uint8_t>& file, size_t* end)
{
    std::vector<sResource> resources;
    size_t at = 26 + 4;
    const size_t stop = at + 4 + Be32(file, at);
    at += 4;
    while (at < stop) {
        EXPECT_EQ(memcmp(&file[at], "8BIM", 4), 0);
        sResource resource{Be16(file, at + 4), Be32(file, at + 8), at + 12};
        resources.push_back(resource);
        at += 12 + resource.length;
    }
    *end = stop;
    return resources;
}

} // namespace

TEST(PsdWriter, PacksRowsByTheRules)
{
    struct sCase {
        const char* name;
        std::vector<uint8_t> samples;
        std::vector<uint8_t> packed;
    };
    const sCase cases[] = {
        {"one sample", {9}, {0, 9}},
        {"literal then run", {1, 2, 3, 3, 3}, {2, 1, 2, 3, 0xFF, 3}},
        {"two different", {1, 2}, {1, 1, 2}},
    };
    for (const sCase& c : cases) {
        // The samples as the low byte of each pixel.
        const std::vector<CPixel> row(c.samples.begin(), c.samples.end());
        uint8_t out[16];
        int32_t size = gCPsdIO::PackBitsEncodeRow(row.data(), int32_t(row.size()), 0, out, 16);
        EXPECT_EQ(std::vector<uint8_t>(out, out + size), c.packed) << c.name;
    }
    std::vector<CPixel> equal(300, 0x00AB0000);
    uint8_t out[8];
    ASSERT_EQ(gCPsdIO::PackBitsEncodeRow(equal.data(), 300, 16, out, 8), 6);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0x82, 0xAB, 0x82, 0xAB, 0xD3, 0xAB}));
    // The output size is never passed.
    uint8_t small[3] = {0, 0, 0xEE};
    EXPECT_EQ(gCPsdIO::PackBitsEncodeRow(equal.data(), 300, 16, small, 2), 6);
    EXPECT_EQ(small[2], 0xEE);
}

TEST(PsdWriter, OpaqueImagesHaveThreeChannelsAndNoLayer)
{
    CImage image(100, 100);
    Fill(image, 0xFF336699);
    std::vector<uint8_t> file = Save(&image);
    ASSERT_GT(file.size(), 26u);
    EXPECT_EQ(memcmp(file.data(), "8BPS\0\1", 6), 0);
    EXPECT_EQ(Be16(file, 12), 3);
    EXPECT_EQ(Be32(file, 14), 100u);
    EXPECT_EQ(Be16(file, 22), 8);
    EXPECT_EQ(Be16(file, 24), 3);
    size_t end = 0;
    std::vector<sResource> resources = Resources(file, &end);
    ASSERT_EQ(resources.size(), 4u);
    EXPECT_EQ(resources[0].id, 1005);
    EXPECT_EQ(resources[0].length, 16u);
    EXPECT_EQ(resources[1].id, 1037);
    EXPECT_EQ(resources[2].id, 1034);
    EXPECT_EQ(resources[2].length, 2u);
    EXPECT_EQ(resources[3].id, 1036);
    EXPECT_EQ(Be32(file, end), 0u);              // no layer and mask section
    EXPECT_EQ(Be16(file, end + 4), 1);           // a uniform image is packed
    // The thumbnail of a square image is 112 x 112, JPEG RGB.
    EXPECT_EQ(Be32(file, resources[3].data), 1u);
    EXPECT_EQ(Be32(file, resources[3].data + 4), 112u);
    EXPECT_EQ(Be32(file, resources[3].data + 8), 112u);
    EXPECT_EQ(Be32(file, resources[3].data + 12), 336u);
    EXPECT_EQ(file[resources[3].data + 28], 0xFF);
    EXPECT_EQ(file[resources[3].data + 29], 0xD8);

    CImage back;
    sByteStream stream(file);
    ASSERT_EQ(LoadImage(*stream.stream, &back), eSuccess);
    EXPECT_EQ(CImNav(&back, nullptr).Row(50)[50], 0xFF336699u);
}

TEST(PsdWriter, TransparencyAddsANormalLayerAndAnAlphaPlane)
{
    CImage image(7, 5);
    {
        CImNav nav(&image, nullptr);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 7; ++x)
                nav.Row(y)[x] = MakePixel(255, uint32_t(x * 30), uint32_t(y * 50), 7);
        nav.Row(2)[3] = 0xFE102030;
    }
    std::vector<uint8_t> file = Save(&image);
    EXPECT_EQ(Be16(file, 12), 4);
    size_t end = 0;
    Resources(file, &end);
    const uint32_t section = Be32(file, end);
    ASSERT_GT(section, 0u);
    EXPECT_EQ(int16_t(Be16(file, end + 8)), -1);
    const std::string text(file.begin(), file.end());
    EXPECT_NE(text.find("8BIMnorm"), std::string::npos);

    CImage back;
    sByteStream stream(file);
    ASSERT_EQ(LoadImage(*stream.stream, &back), eSuccess);
    CImNav a(&back, nullptr), b(&image, nullptr);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x)
            ASSERT_EQ(a.Row(y)[x], b.Row(y)[x]) << x << "," << y;
}

TEST(PsdWriter, NoiseIsWrittenRawAndGreyRoundTrips)
{
    CImage8 grey(100, 100);
    {
        CImNav8 nav(&grey, nullptr);
        uint32_t seed = 7;
        for (int32_t y = 0; y < 100; ++y)
            for (int32_t x = 0; x < 100; ++x)
                nav.Row(y)[x] = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
    }
    std::vector<uint8_t> file = Save(&grey);
    EXPECT_EQ(Be16(file, 12), 1);
    EXPECT_EQ(Be16(file, 24), 1);
    size_t end = 0;
    Resources(file, &end);
    EXPECT_EQ(Be16(file, end + 4), 0);
    EXPECT_EQ(file.size(), end + 4 + 2 + 100u * 100u);
    CImage8 back;
    sByteStream stream(file);
    ASSERT_EQ(LoadImage(*stream.stream, &back), eSuccess);
    CImNav8 a(&back, nullptr), b(&grey, nullptr);
    for (int32_t y = 0; y < 100; ++y)
        ASSERT_EQ(memcmp(a.Row(y), b.Row(y), 100), 0);
}

TEST(PsdWriter, ThumbnailSides)
{
    struct sCase {
        int32_t width, height;
        uint32_t thumbWidth, thumbHeight;
    };
    // The last case is thinner than 224:1: its thumbnail keeps a side of 1 instead of failing.
    const sCase cases[] = {{56, 224, 28, 112}, {10, 10, 112, 112}, {1, 300, 1, 112}};
    for (const sCase& c : cases) {
        CImage image(c.width, c.height);
        Fill(image, 0xFF808080);
        std::vector<uint8_t> file = Save(&image);
        size_t end = 0;
        std::vector<sResource> resources = Resources(file, &end);
        ASSERT_EQ(resources.size(), 4u);
        EXPECT_EQ(Be32(file, resources[3].data + 4), c.thumbWidth) << c.width;
        EXPECT_EQ(Be32(file, resources[3].data + 8), c.thumbHeight) << c.width;
    }
}

TEST(PsdWriter, RefusesImagesWithoutPixelsOrBeyondTheReadersLimit)
{
    gCPsdIO writer;
    CImage empty;
    gCMemFile stream;
    EXPECT_EQ(writer.SaveImageData(stream, &empty), eBadParameter);
    EXPECT_EQ(writer.SaveImageData(stream, nullptr), eBadParameter);
    CImage wide(30001, 1);
    EXPECT_EQ(writer.SaveImageData(stream, &wide), eBadParameter);
    EXPECT_EQ(stream.GetLength(), 0);
}

TEST(PsdWriter, TheFirstFailingWriteEndsTheSave)
{
    CImage image(9, 9);
    Fill(image, 0x80FFFFFF);
    const size_t size = Save(&image).size();
    for (int64_t budget : {int64_t(0), int64_t(26), int64_t(size / 2), int64_t(size - 1)}) {
        FailingStream stream(budget);
        gCPsdIO writer;
        EXPECT_EQ(writer.SaveImageData(stream, &image), eStreamError) << budget;
    }
}

namespace {

// Uniform rows, with rows between them that pack larger than raw: 0, 1, 1, 2, 2, 3, 3 ... is a
// two-sample literal for every pair, half as much again as the samples. The whole image still
// packs smaller than raw, so every row goes through the packer.
uint8_t PairRowSample(int32_t x, int32_t y) { return y % 2 ? uint8_t((x + 1) / 2 * 3) : uint8_t(y); }

template <typename Image>
void ExpectPackedAndReadBack(Image& image, const char* name)
{
    const std::vector<uint8_t> file = Save(&image);
    size_t end = 0;
    Resources(file, &end);
    const size_t merged = end + 4 + Be32(file, end);
    ASSERT_GT(file.size(), merged + 2) << name;
    EXPECT_EQ(Be16(file, merged), 1) << name << ": the merged image is packed";
    Image back;
    sByteStream stream(file);
    ASSERT_EQ(LoadImage(*stream.stream, &back), eSuccess) << name;
    CImNavBase a(&back, nullptr), b(&image, nullptr);
    const auto row = [](const CImNavBase& nav, int32_t y) {
        return static_cast<const uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
    };
    const size_t rowBytes = size_t(image.GetWidth()) * size_t(image.GetBitsPerPixel() / 8);
    for (int32_t y = 0; y < image.GetHeight(); ++y)
        ASSERT_EQ(memcmp(row(a, y), row(b, y), rowBytes), 0) << name << ", row " << y;
}

} // namespace

TEST(PsdWriter, RowsPackingLargerThanRawAreWrittenWhole)
{
    CImage8 grey(64, 40);
    CImage opaque(64, 40), translucent(64, 40);
    {
        CImNav8 g(&grey, nullptr);
        CImNav o(&opaque, nullptr), t(&translucent, nullptr);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 64; ++x) {
                const uint8_t s = PairRowSample(x, y);
                g.Row(y)[x] = s;
                o.Row(y)[x] = MakePixel(255, s, uint8_t(s + 1), uint8_t(s + 2));
                t.Row(y)[x] = MakePixel(uint8_t(s | 1), s, uint8_t(s + 1), uint8_t(s + 2));
            }
    }
    ExpectPackedAndReadBack(grey, "grey");
    ExpectPackedAndReadBack(opaque, "opaque");
    ExpectPackedAndReadBack(translucent, "translucent");
}
