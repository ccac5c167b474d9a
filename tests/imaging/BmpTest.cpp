#include "ImageTestSupport.h"
#include "core/gCPlainAlert.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/gCBmpIO.h"
#include "support/FailingStream.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<std::string> sAlerts;

void RecordAlert(const char* main, const char* explanation)
{
    sAlerts.push_back(std::string(main) + "|" + explanation);
}

class BmpTest : public testing::Test {
protected:
    void SetUp() override
    {
        sAlerts.clear();
        mSaved = gPlainAlertHook;
        gPlainAlertHook = RecordAlert;
    }
    void TearDown() override { gPlainAlertHook = mSaved; }

    std::string LastExplanation() const
    {
        return sAlerts.empty() ? "" : sAlerts.back().substr(sAlerts.back().find('|') + 1);
    }

private:
    tPlainAlertHook mSaved = nullptr;
};

void Put(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
}

// A bitmap with a 40-byte info header (or a longer one), the given palette and pixel data.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                             const std::vector<uint32_t>& palette, const std::vector<uint8_t>& data,
                             uint32_t headerSize = 40, uint32_t coloursUsed = 0)
{
    std::vector<uint8_t> bytes(14 + headerSize + 4 * palette.size());
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 10, uint32_t(bytes.size()), 4);
    Put(bytes, 14, headerSize, 4);
    Put(bytes, 18, uint32_t(width), 4);
    Put(bytes, 22, uint32_t(height), 4);
    Put(bytes, 26, 1, 2);
    Put(bytes, 28, bits, 2);
    Put(bytes, 30, compression, 4);
    Put(bytes, 46, coloursUsed, 4);
    for (size_t i = 0; i < palette.size(); ++i)
        Put(bytes, 14 + headerSize + 4 * i, palette[i], 4);
    bytes.insert(bytes.end(), data.begin(), data.end());
    Put(bytes, 2, uint32_t(bytes.size()), 4);
    return bytes;
}

eResultCode Load(const std::vector<uint8_t>& file, CImageBase* image)
{
    sByteStream bytes(file);
    gCBmpIO reader;
    return reader.LoadImageData(*bytes.stream, image);
}

} // namespace

TEST_F(BmpTest, HeightSignChoosesTheRowOrder)
{
    // Row 1 of the file: blue then green; row 2: red then white; rows padded to 8 bytes.
    std::vector<uint8_t> data = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    CImage bottomUp;
    ASSERT_EQ(Load(MakeBmp(2, 2, 24, 0, {}, data), &bottomUp), eSuccess);
    CImNav a(&bottomUp, nullptr);
    EXPECT_EQ(a.Row(1)[0], 0xFF0000FFu);
    EXPECT_EQ(a.Row(1)[1], 0xFF00FF00u);
    EXPECT_EQ(a.Row(0)[0], 0xFFFF0000u);

    CImage topDown;
    ASSERT_EQ(Load(MakeBmp(2, -2, 24, 0, {}, data), &topDown), eSuccess);
    CImNav b(&topDown, nullptr);
    EXPECT_EQ(b.Row(0)[0], 0xFF0000FFu);
    EXPECT_EQ(b.Row(1)[1], 0xFFFFFFFFu);
}

TEST_F(BmpTest, RefusesWhatItCannotRead)
{
    struct sCase {
        const char* name;
        std::vector<uint8_t> file;
        const char* explanation;
    };
    std::vector<uint8_t> notBmp = MakeBmp(1, 1, 24, 0, {}, {0, 0, 0, 0});
    notBmp[0] = 'X';
    std::vector<uint8_t> smallHeader = MakeBmp(1, 1, 24, 0, {}, {0, 0, 0, 0});
    Put(smallHeader, 14, 20, 4);
    const sCase cases[] = {
        {"short header", {'B', 'M', 0, 0}, "Unexpected end of file (header was unable to be fully read)."},
        {"magic", notBmp, "This file is not a valid BMP image file."},
        {"header size", smallHeader, "BMP header size is invalid"},
        {"16 bits", MakeBmp(1, 1, 16, 0, {}, {0, 0, 0, 0}), "This BMP format not supported."},
        {"32 bits", MakeBmp(1, 1, 32, 0, {}, {0, 0, 0, 0}), "This BMP format not supported."},
        {"2 bits", MakeBmp(1, 1, 2, 0, {0, 0, 0, 0}, {0, 0, 0, 0}), "This BMP format not supported."},
        {"4 bits RLE8", MakeBmp(1, 1, 4, 1, std::vector<uint32_t>(16), {0, 1}), "This BMP format not supported."},
        {"8 bits RLE4", MakeBmp(1, 1, 8, 2, std::vector<uint32_t>(256), {0, 1}), "This BMP format not supported."},
        {"zero width", MakeBmp(0, 1, 24, 0, {}, {}), "This BMP format not supported."},
        {"negative width", MakeBmp(-4, 1, 24, 0, {}, {}), "This BMP format not supported."},
        {"top-down RLE", MakeBmp(1, -1, 8, 1, std::vector<uint32_t>(256), {0, 1}), "This BMP format not supported."},
        {"cut row", MakeBmp(8, 2, 8, 0, std::vector<uint32_t>(256), {1, 2, 3, 4, 5, 6, 7, 8}),
         "Error reading BMP file - pixel row read cut off before end of row."},
        {"cut 24-bit row", MakeBmp(4, 2, 24, 0, {}, std::vector<uint8_t>(12)),
         "Error reading BMP file - pixel row read cut off before end of row."},
        {"run past width", MakeBmp(3, 1, 8, 1, std::vector<uint32_t>(256), {4, 5, 0, 1}), "Corrupt BMP - read overflow."},
        {"absolute past width", MakeBmp(3, 1, 8, 1, std::vector<uint32_t>(256), {0, 4, 1, 2, 3, 4, 0, 1}),
         "Corrupt BMP - read overflow."},
        {"delta below the bottom", MakeBmp(3, 2, 8, 1, std::vector<uint32_t>(256), {0, 2, 0, 5, 2, 1, 0, 1}),
         "Corrupt BMP - read overflow."},
        {"line ends below the bottom", MakeBmp(2, 1, 8, 1, std::vector<uint32_t>(256), {2, 1, 0, 0, 0, 0, 0, 1}),
         "Corrupt BMP - read overflow."},
        {"no end of bitmap", MakeBmp(3, 1, 8, 1, std::vector<uint32_t>(256), {3, 5, 0, 0}),
         "Corrupt BMP - file ended before all image data read."},
    };
    for (const sCase& c : cases) {
        sAlerts.clear();
        CImage image;
        EXPECT_EQ(Load(c.file, &image), eGenericFailure) << c.name;
        EXPECT_EQ(LastExplanation(), std::string("Generic Failure.\n") + c.explanation) << c.name;
        ASSERT_EQ(sAlerts.size(), 1u) << c.name;
        EXPECT_EQ(sAlerts[0].substr(0, sAlerts[0].find('|')), "Error.") << c.name;
    }
}

TEST_F(BmpTest, PaletteOfColoursUsedOrAllBits)
{
    const std::vector<uint32_t> blackWhite = {0x000000, 0xFFFFFF};
    for (uint32_t used : {0u, 2u}) {
        CImage image;
        ASSERT_EQ(Load(MakeBmp(8, 1, 1, 0, blackWhite, {0x80, 0, 0, 0}, 40, used), &image), eSuccess);
        CImNav nav(&image, nullptr);
        EXPECT_EQ(nav.Row(0)[0], 0xFFFFFFFFu);
        for (int32_t x = 1; x < 8; ++x)
            EXPECT_EQ(nav.Row(0)[x], 0xFF000000u);
    }
}

TEST_F(BmpTest, IndexesBeyondTheFilesPaletteGiveBlack)
{
    // Two palette entries, but the 8-bit indexes reach 200.
    CImage image;
    ASSERT_EQ(Load(MakeBmp(2, 1, 8, 0, {0x112233, 0x445566}, {1, 200, 0, 0}, 40, 2), &image), eSuccess);
    CImNav nav(&image, nullptr);
    EXPECT_EQ(nav.Row(0)[0], 0xFF445566u);
    EXPECT_EQ(nav.Row(0)[1], 0xFF000000u);
}

TEST_F(BmpTest, LongInfoHeadersAreSkipped)
{
    for (uint32_t headerSize : {108u, 124u}) {
        CImage8 image;
        ASSERT_EQ(Load(MakeBmp(1, 1, 8, 0, {0, 0x102030}, {1, 0, 0, 0}, headerSize, 2), &image), eSuccess);
        CImNav8 nav(&image, nullptr);
        EXPECT_EQ(nav.Row(0)[0], 32); // (16 + 32 + 48) / 3
    }
}

TEST_F(BmpTest, RunLengthCodes)
{
    std::vector<uint32_t> palette(256);
    palette[5] = 0x0000FF;
    palette[7] = 0x00FF00;
    {
        CImage image;
        ASSERT_EQ(Load(MakeBmp(3, 1, 8, 1, palette, {3, 5, 0, 0, 0, 1}), &image), eSuccess);
        CImNav nav(&image, nullptr);
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(nav.Row(0)[x], 0xFF0000FFu);
    }
    {
        // The last row closed by end-of-bitmap alone is stored, not lost.
        CImage image;
        ASSERT_EQ(Load(MakeBmp(3, 2, 8, 1, palette, {3, 7, 0, 0, 3, 5, 0, 1}), &image), eSuccess);
        CImNav nav(&image, nullptr);
        EXPECT_EQ(nav.Row(1)[2], 0xFF00FF00u);
        EXPECT_EQ(nav.Row(0)[0], 0xFF0000FFu);
    }
    {
        // Delta moves right and up; absolute runs store their pixels at once.
        CImage image;
        ASSERT_EQ(Load(MakeBmp(4, 2, 8, 1, palette, {0, 2, 1, 1, 0, 3, 7, 5, 7, 0, 0, 1}), &image), eSuccess);
        CImNav nav(&image, nullptr);
        EXPECT_EQ(nav.Row(0)[1], 0xFF00FF00u);
        EXPECT_EQ(nav.Row(0)[2], 0xFF0000FFu);
        EXPECT_EQ(nav.Row(0)[3], 0xFF00FF00u);
        EXPECT_EQ(nav.Row(0)[0], 0xFF000000u); // the end of line stores the whole buffer
        EXPECT_EQ(nav.Row(1)[0], 0u);          // the skipped row is never stored
    }
    {
        // RLE4: runs alternate high and low nibbles; absolute runs of 5 pad to a word.
        std::vector<uint32_t> sixteen(16);
        sixteen[1] = 0x0000FF;
        sixteen[2] = 0xFF0000;
        CImage image;
        ASSERT_EQ(Load(MakeBmp(8, 1, 4, 2, sixteen, {3, 0x12, 0, 5, 0x21, 0x21, 0x20, 0, 0, 1}), &image), eSuccess);
        CImNav nav(&image, nullptr);
        const CPixel expected[8] = {0xFF0000FF, 0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFF0000FF,
                                    0xFFFF0000, 0xFF0000FF, 0xFFFF0000};
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(nav.Row(0)[x], expected[x]) << x;
    }
}

TEST_F(BmpTest, SavesAndReadsBackBothDepths)
{
    CImage image(1, 3);
    {
        CImNav nav(&image, nullptr);
        nav.Row(0)[0] = 0x80123456;
        nav.Row(2)[0] = 0xFFABCDEF;
    }
    gCMemFile stream;
    gCBmpIO writer;
    ASSERT_EQ(writer.SaveImage32(stream, &image), eSuccess);
    std::vector<uint8_t> file = StreamBytes(stream);
    ASSERT_EQ(file.size(), 54u + 4 * 3);
    EXPECT_EQ(file[54], 0xEF); // bottom row first, blue green red, then one padding byte
    EXPECT_EQ(file[57], 0);
    CImage back;
    ASSERT_EQ(Load(file, &back), eSuccess);
    CImNav nav(&back, nullptr);
    EXPECT_EQ(nav.Row(0)[0], 0xFF123456u); // alpha dropped
    EXPECT_EQ(nav.Row(2)[0], 0xFFABCDEFu);

    CImage8 grey(5, 2);
    {
        CImNav8 greyNav(&grey, nullptr);
        greyNav.Row(0)[4] = 200;
    }
    gCMemFile greyStream;
    ASSERT_EQ(writer.SaveImage8(greyStream, &grey), eSuccess);
    std::vector<uint8_t> greyFile = StreamBytes(greyStream);
    ASSERT_EQ(greyFile.size(), 1078u + 8 * 2);
    EXPECT_EQ(greyFile[54 + 4 * 9 + 3], 255); // palette entries i, i, i, 255
    CImage8 greyBack;
    ASSERT_EQ(Load(greyFile, &greyBack), eSuccess);
    CImNav8 greyBackNav(&greyBack, nullptr);
    EXPECT_EQ(greyBackNav.Row(0)[4], 200);
}

TEST_F(BmpTest, WriteFailuresAndMissingPixelsAreReported)
{
    CImage image(4, 4);
    gCBmpIO writer;
    for (int64_t budget : {0, 54, 60}) {
        FailingStream stream(budget);
        EXPECT_EQ(writer.SaveImage32(stream, &image), eStreamError) << budget;
    }
    CImage empty;
    gCMemFile stream;
    EXPECT_EQ(writer.SaveImage32(stream, &empty), eBadParameter);
    EXPECT_EQ(stream.GetLength(), 0);
}
