// JPEG, PNG and PSD readers and writers, and the format dispatch.
#include "ImageTestSupport.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/ImageFiles.h"
#include "imaging/gCJpgIO.h"
#include "imaging/gCPngIO.h"
#include "imaging/gCPsdIO.h"
#include "core/gCMemory.h"
#include "support/AllocationFailure.h"
#include "support/FailingStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace {

void FillGradient(CImage& image)
{
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            nav.Row(y)[x] = MakePixel(255 - uint32_t(x), uint32_t(x * 4) & 255, uint32_t(y * 8) & 255, 90);
}

bool Contains(const std::vector<uint8_t>& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

} // namespace

TEST(Jpeg, EmptyAndStartOnlyStreamsFail)
{
    gCJpgIO reader;
    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>{0xFF, 0xD8}}) {
        sByteStream stream(bytes);
        CImage image;
        EXPECT_EQ(reader.LoadImageData(*stream.stream, &image), eGenericFailure);
        EXPECT_FALSE(image.IsCreated());
    }
}

TEST(Jpeg, SavesColourAndGreyAndReadsThemBack)
{
    CImage image(16, 16);
    {
        CImNav nav(&image, nullptr);
        CPixel colour = 0x00C08040; // transparent: written as if opaque
        nav.Fill(&colour);
    }
    gCMemFile stream;
    ASSERT_EQ(SaveImage(stream, &image, eImageFormatJpeg), eSuccess);
    (void)stream.SetPos(0);
    CImage back;
    ASSERT_EQ(LoadImage(stream, &back), eSuccess);
    CImNav nav(&back, nullptr);
    CPixel p = nav.Row(8)[8];
    EXPECT_EQ(p >> 24, 255u);
    EXPECT_NEAR(int(PixelRed(p)), 0xC0, 2);
    EXPECT_NEAR(int(PixelGreen(p)), 0x80, 2);
    EXPECT_NEAR(int(PixelBlue(p)), 0x40, 2);

    CImage8 grey(9, 7);
    {
        CImNav8 greyNav(&grey, nullptr);
        greyNav.Fill(77);
    }
    gCMemFile greyStream;
    ASSERT_EQ(SaveImage(greyStream, &grey, eImageFormatJpeg), eSuccess);
    (void)greyStream.SetPos(0);
    CImage greyAsColour;
    ASSERT_EQ(LoadImage(greyStream, &greyAsColour), eSuccess);
    CImNav colourNav(&greyAsColour, nullptr);
    EXPECT_EQ(colourNav.Row(3)[3], GreyToPixel(77));
}

TEST(Jpeg, FailedWritesAndMissingPixelsAreReported)
{
    CImage image(128, 128);
    {
        CImNav nav(&image, nullptr);
        uint32_t seed = 1;
        for (int32_t y = 0; y < 128; ++y)
            for (int32_t x = 0; x < 128; ++x)
                nav.Row(y)[x] = (seed = seed * 1664525u + 1013904223u) | 0xFF000000u;
    }
    gCJpgIO writer;
    for (int64_t budget : {0, 100, 4096 + 10}) {
        FailingStream stream(budget);
        EXPECT_EQ(writer.SaveImage32(stream, &image), eGenericFailure) << budget;
    }
    CImage empty;
    gCMemFile stream;
    EXPECT_EQ(writer.SaveImage32(stream, &empty), eBadParameter);
}

TEST(Png, SavesStraightAlphaAndTheTextChunks)
{
    CImage image(3, 2);
    {
        CImNav nav(&image, nullptr);
        nav.Row(0)[0] = 0x80FF0000;
        nav.Row(1)[2] = 0x12345678;
    }
    gCMemFile stream;
    ASSERT_EQ(SaveImage(stream, &image, eImageFormatPng), eSuccess);
    std::vector<uint8_t> file = StreamBytes(stream);
    EXPECT_TRUE(Contains(file, std::string("tEXtTitle\0", 10)));
    EXPECT_TRUE(Contains(file, std::string("tEXtAuthor\0Velloway LTD", 23)));
    EXPECT_TRUE(Contains(file, std::string("zTXtDescription\0", 16)));
    // The text goes out before the image data.
    std::string text(file.begin(), file.end());
    EXPECT_LT(text.find("zTXt"), text.find("IDAT"));
    sByteStream bytes(file);
    CImage back;
    ASSERT_EQ(LoadImage(*bytes.stream, &back), eSuccess);
    CImNav nav(&back, nullptr);
    EXPECT_EQ(nav.Row(0)[0], 0x80FF0000u);
    EXPECT_EQ(nav.Row(1)[2], 0x12345678u);
}

TEST(Png, PaletteWithTransparencyIntoEightBitsStaysInItsRows)
{
    sByteStream bytes(ReadFileBytes(FixturePath("png_palette_trns.png")));
    sReference reference = LoadReference("png_palette_trns.png");
    CImage8 image;
    ASSERT_EQ(LoadImage(*bytes.stream, &image), eSuccess);
    ASSERT_EQ(image.GetWidth(), reference.width);
    CImNav8 nav(&image, nullptr);
    for (int32_t y = 0; y < reference.height; ++y)
        for (int32_t x = 0; x < reference.width; ++x) {
            CPixel p = reference.Pixel(x, y);
            int grey = int((6968 * PixelRed(p) + 23434 * PixelGreen(p) + 2366 * PixelBlue(p) + 16384) >> 15);
            ASSERT_NEAR(int(nav.Row(y)[x]), grey, 2) << x << "," << y;
        }
}

TEST(Png, DamagedAndTruncatedFilesFailWith16)
{
    std::vector<uint8_t> file = ReadFileBytes(FixturePath("png_rgba.png"));
    std::vector<uint8_t> truncated(file.begin(), file.begin() + long(file.size() / 2));
    std::vector<uint8_t> badCrc = file;
    badCrc[30] ^= 0x55;
    for (const auto& bytes : {truncated, badCrc}) {
        sByteStream stream(bytes);
        CImage image;
        EXPECT_EQ(LoadImage(*stream.stream, &image), eStreamError);
    }
}

TEST(Png, FailedWritesAndMissingPixelsAreReported)
{
    CImage image(8, 8);
    gCPngIO writer;
    for (int64_t budget : {0, 8, 40}) {
        FailingStream stream(budget);
        EXPECT_EQ(writer.SaveImage32(stream, &image), eStreamError) << budget;
    }
    CImage empty;
    gCMemFile stream;
    EXPECT_EQ(writer.SaveImage32(stream, &empty), eBadParameter);
}

namespace {

// The largest single request seen by the toolkit's memory hooks while it is in scope.
class LargestAllocation {
public:
    LargestAllocation() : mSaved(GetMemoryHooks())
    {
        sLargest = 0;
        sSaved = mSaved;
        gAllocHook = [](size_t size) {
            sLargest = std::max(sLargest, size);
            return sSaved.allocate(size);
        };
        gReallocHook = [](void* block, size_t size) {
            sLargest = std::max(sLargest, size);
            return sSaved.reallocate(block, size);
        };
    }
    ~LargestAllocation() { SetMemoryHooks(mSaved); }
    size_t Get() const { return sLargest; }

private:
    static inline size_t sLargest = 0;
    static inline sMemoryHooks sSaved{};
    sMemoryHooks mSaved;
};

} // namespace

// A chunk length or an image side from the file is refused before the library allocates for it.
TEST(Png, HugeChunksAndSidesAreRefusedBeforeAnyLargeAllocation)
{
    std::vector<uint8_t> wide = ReadFileBytes(FixturePath("png_rgba.png"));
    // IHDR width 40000: more than an image of the toolkit is drawn with.
    const uint8_t side[4] = {0x00, 0x00, 0x9C, 0x40};
    std::copy(side, side + 4, wide.begin() + 16);
    const uint32_t crc = uint32_t(crc32(0, wide.data() + 12, 17));
    for (int i = 0; i < 4; ++i)
        wide[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    for (const auto& bytes : {ReadFileBytes(std::string(PNU_SOURCE_DIR) + "/fuzz/corpus/png/png_text_huge_length.png"),
                              wide}) {
        ASSERT_GT(bytes.size(), 33u);
        sByteStream stream(bytes);
        CImage image;
        LargestAllocation largest;
        EXPECT_EQ(LoadImage(*stream.stream, &image), eStreamError);
        EXPECT_LT(largest.Get(), size_t(16) << 20);
    }
}

TEST(Png, MemoryFailuresNeverCrash)
{
    std::vector<uint8_t> file = ReadFileBytes(FixturePath("png_interlaced.png"));
    for (int64_t k = 1;; ++k) {
        sByteStream stream(file);
        CImage image;
        AllocationFailure failure(k);
        eResultCode result = LoadImage(*stream.stream, &image);
        if (failure.Count() < k) {
            EXPECT_EQ(result, eSuccess);
            break;
        }
        EXPECT_TRUE(result == eNoMemory || result == eCreateFailed) << k << ": " << result;
    }
}

namespace {

struct sUnpackCase {
    const char* name;
    std::vector<uint8_t> packed;
    uint32_t rowSize;
    eResultCode result;
    std::vector<uint8_t> row;
};

} // namespace

TEST(Psd, UnpacksPackBitsRows)
{
    const sUnpackCase cases[] = {
        {"run", {0xFF, 0x05}, 2, eSuccess, {5, 5}},
        {"literal", {0x02, 1, 2, 3}, 3, eSuccess, {1, 2, 3}},
        {"0x80 is a no-op", {0x80, 0x00, 9}, 1, eSuccess, {9}},
        {"run passes the row", {0xFE, 0x05}, 2, eStreamError, {}},
        {"literal passes the row", {0x02, 1, 2, 3}, 2, eStreamError, {}},
        {"literal passes the packed bytes", {0x05, 1, 2}, 8, eStreamError, {}},
        {"run without its value", {0xFF}, 2, eStreamError, {}},
    };
    for (const sUnpackCase& c : cases) {
        std::vector<uint8_t> row(c.rowSize);
        EXPECT_EQ(gCPsdIO::UnpackBits(c.packed.data(), uint32_t(c.packed.size()), row.data(), c.rowSize, 1),
                  c.result)
            << c.name;
        if (c.result == eSuccess) {
            EXPECT_EQ(row, c.row) << c.name;
        }
    }
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v >> 16);
    Put16(out, v);
}

std::vector<uint8_t> PsdHeader(uint16_t channels, uint32_t height, uint32_t width, uint16_t depth, uint16_t mode)
{
    std::vector<uint8_t> out = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    Put16(out, channels);
    Put32(out, height);
    Put32(out, width);
    Put16(out, depth);
    Put16(out, mode);
    return out;
}

// A raw RGB document with the given layer count and planes of constant samples.
std::vector<uint8_t> RawPsd(uint16_t channels, int16_t layerCount, const std::vector<uint8_t>& planeValues,
                            uint32_t width = 2, uint32_t height = 2)
{
    std::vector<uint8_t> out = PsdHeader(channels, height, width, 8, 3);
    Put32(out, 0);
    Put32(out, 0);
    std::vector<uint8_t> layers;
    Put32(layers, layerCount ? 36 : 2);
    Put16(layers, uint16_t(layerCount));
    if (layerCount) {
        // One layer record without channels.
        for (uint32_t field : {0u, 0u, height, width})
            Put32(layers, field);
        Put16(layers, 0);
        for (char c : std::string("8BIMnorm"))
            layers.push_back(uint8_t(c));
        Put32(layers, 0xFF000800);
        Put32(layers, 0);
    }
    Put32(out, uint32_t(layers.size()));
    out.insert(out.end(), layers.begin(), layers.end());
    Put16(out, 0);
    for (uint8_t value : planeValues)
        out.insert(out.end(), width * height, value);
    return out;
}

eResultCode LoadPsd(const std::vector<uint8_t>& file, CImageBase* image)
{
    sByteStream stream(file);
    gCPsdIO reader;
    return reader.LoadImageData(*stream.stream, image);
}

} // namespace

TEST(Psd, HeaderChecks)
{
    struct sCase {
        const char* name;
        std::vector<uint8_t> file;
        eResultCode result;
    };
    std::vector<uint8_t> badVersion = PsdHeader(3, 2, 2, 8, 3);
    badVersion[5] = 2;
    const sCase cases[] = {
        {"not a document", {'8', 'B', 'P', 'X', 0, 1}, eInvalidFile},
        {"version", badVersion, eInvalidFile},
        {"CMYK", PsdHeader(4, 2, 2, 8, 4), eNotWritten},
        {"depth 1", PsdHeader(1, 2, 2, 1, 1), eNotWritten},
        {"too high", PsdHeader(3, 30001, 2, 8, 3), eInvalidFile},
        {"too wide", PsdHeader(3, 2, 30001, 8, 3), eInvalidFile},
        {"empty", PsdHeader(3, 0, 2, 8, 3), eNotWritten},
        {"channels", PsdHeader(25, 2, 2, 8, 3), eInvalidFile},
    };
    for (const sCase& c : cases) {
        CImage image;
        EXPECT_EQ(LoadPsd(c.file, &image), c.result) << c.name;
        EXPECT_FALSE(image.IsCreated()) << c.name;
    }
    CImage wide;
    EXPECT_EQ(LoadPsd(RawPsd(3, 0, {1, 2, 3}, 30000, 1), &wide), eSuccess);
    EXPECT_EQ(wide.GetWidth(), 30000);
}

TEST(Psd, LayerCountSignDecidesTheMergedAlpha)
{
    CImage transparent;
    ASSERT_EQ(LoadPsd(RawPsd(4, -1, {10, 20, 30, 40}), &transparent), eSuccess);
    EXPECT_EQ(CImNav(&transparent, nullptr).Row(1)[1], 0x280A141Eu);

    CImage opaque;
    ASSERT_EQ(LoadPsd(RawPsd(4, 1, {10, 20, 30, 40}), &opaque), eSuccess);
    EXPECT_EQ(CImNav(&opaque, nullptr).Row(1)[1], 0xFF0A141Eu);

    // A negative count with only three channels: the missing alpha plane is not read.
    CImage missing;
    ASSERT_EQ(LoadPsd(RawPsd(3, -1, {10, 20, 30}), &missing), eSuccess);
    EXPECT_EQ(CImNav(&missing, nullptr).Row(0)[0], 0x000A141Eu);

    CImage8 grey;
    ASSERT_EQ(LoadPsd(RawPsd(3, 0, {10, 20, 30}), &grey), eSuccess);
    EXPECT_EQ(CImNav8(&grey, nullptr).Row(0)[0], (30 + 2 * ((10 + 20) / 2)) / 3);
}

TEST(Dispatch, DetectsByTheFirstBytesAndKeepsThePosition)
{
    struct sCase {
        std::vector<uint8_t> bytes;
        int32_t format;
    };
    const sCase cases[] = {
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, eImageFormatPng},
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A}, eImageFormatNone},
        {{0xFF, 0xD8}, eImageFormatJpeg},
        {{0xFF}, eImageFormatNone},
        {{'B', 'M', 1, 2, 3, 4, 5}, eImageFormatBmp},
        {{'8', 'B', 'P', 'S'}, eImageFormatPsd},
        {{'8', 'B', 'P'}, eImageFormatNone},
        {{}, eImageFormatNone},
        {{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, eImageFormatNone},
    };
    for (const sCase& c : cases) {
        std::vector<uint8_t> bytes(3 + c.bytes.size(), 7);
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + 3);
        sByteStream stream(bytes);
        ASSERT_EQ(stream.stream->SetPos(3), eSuccess);
        EXPECT_EQ(DetectImageFormat(*stream.stream), c.format);
        EXPECT_EQ(stream.stream->GetPos(), 3);
    }
}

TEST(Dispatch, RefusesUnknownFormatsAndCompressedImages)
{
    CImage image(20, 20);
    for (int32_t format : {0, 1, 2, 7}) {
        gCMemFile stream;
        EXPECT_EQ(SaveImage(stream, &image, format), eCreateFailed) << format;
        EXPECT_EQ(stream.GetLength(), 0);
    }
    ASSERT_EQ(image.Compress(), eSuccess);
    ASSERT_TRUE(image.IsCompressed());
    gCMemFile stream;
    EXPECT_EQ(SaveImage(stream, &image, eImageFormatPng), eBadParameter);
    EXPECT_EQ(stream.GetLength(), 0);
    ASSERT_EQ(image.Decompress(), eSuccess);
    EXPECT_EQ(SaveImage(stream, &image, eImageFormatPng), eSuccess);

    sByteStream unknown({'G', 'I', 'F', '8'});
    CImage untouched;
    EXPECT_EQ(LoadImage(*unknown.stream, &untouched), eBadParameter);
    EXPECT_FALSE(untouched.IsCreated());
}

TEST(Dispatch, SavedFilesOfEveryFormatLoadBack)
{
    CImage image(13, 9);
    FillGradient(image);
    CImage8 grey(13, 9);
    {
        CImNav8 nav(&grey, nullptr);
        for (int32_t y = 0; y < 9; ++y)
            for (int32_t x = 0; x < 13; ++x)
                nav.Row(y)[x] = uint8_t(x * 19 + y);
    }
    for (int32_t format : {eImageFormatBmp, eImageFormatPng}) {
        // The memory stream grows a block that has storage (one without is refused, 17).
        CMemBlock block(16);
        ASSERT_EQ(SaveImage(block, &grey, format), eSuccess) << format;
        CImage8 back;
        ASSERT_EQ(LoadImage(block, &back), eSuccess) << format;
        CImNav8 a(&back, nullptr), b(&grey, nullptr);
        for (int32_t y = 0; y < 9; ++y)
            ASSERT_EQ(memcmp(a.Row(y), b.Row(y), 13), 0) << format;
    }
    CMemBlock block(16);
    ASSERT_EQ(SaveImage(block, &image, eImageFormatPng), eSuccess);
    CImage back;
    ASSERT_EQ(LoadImage(block, &back), eSuccess);
    CImNav a(&back, nullptr), b(&image, nullptr);
    for (int32_t y = 0; y < 9; ++y)
        ASSERT_EQ(memcmp(a.Row(y), b.Row(y), 13 * 4), 0);
}

#include "FileIO/gCFRef.h"
#include "support/TempFolder.h"

#include <filesystem>

TEST(Dispatch, PathFormsOpenAndCloseTheFile)
{
    TempFolder folder;
    CImage image(6, 4);
    FillGradient(image);
    const std::string path = folder / "saved.png";
    gCString text;
    ASSERT_EQ(text.SetFromUTF8(path), eSuccess);
    ASSERT_EQ(SaveImage(text, &image, eImageFormatPng), eSuccess);
    gCFRef reference(text);
    CImage back;
    ASSERT_EQ(LoadImage(reference, &back), eSuccess);
    EXPECT_EQ(CImNav(&back, nullptr).Row(3)[5], CImNav(&image, nullptr).Row(3)[5]);

    EXPECT_EQ(SaveImage(gCString(), &image, eImageFormatPng), eBadParameter);
    gCFRef unset;
    EXPECT_EQ(LoadImage(unset, &back), eBadParameter);
    gCFRef missing(gCString((folder / "missing.png").c_str()));
    EXPECT_EQ(LoadImage(missing, &back), eInvalidFile);

    // An image held in its run-length form is refused before any file is made.
    CImage flat(20, 20);
    ASSERT_EQ(flat.Compress(), eSuccess);
    gCString flatPath;
    ASSERT_EQ(flatPath.SetFromUTF8(folder / "flat.png"), eSuccess);
    EXPECT_EQ(SaveImage(flatPath, &flat, eImageFormatPng), eBadParameter);
    EXPECT_FALSE(std::filesystem::exists(folder / "flat.png"));
}
