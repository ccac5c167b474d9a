// Image files named by a path text, a path object or a file reference, and detection on a
// memory block.
#include "FileIO/AppBaseFolders.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFRelative.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/ImageFiles.h"

#include "ImageTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

size_t OpenFiles()
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

template <typename Nav, typename Image>
std::vector<uint8_t> Bytes(Image& image)
{
    Nav nav(&image, nullptr);
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < nav.GetHeight(); ++y) {
        auto* row = reinterpret_cast<const uint8_t*>(nav.Row(y));
        bytes.insert(bytes.end(), row, row + nav.GetWidth() * int32_t(sizeof(*nav.Row(y))));
    }
    return bytes;
}

struct BundleFolders {
    explicit BundleFolders(const std::string& bundle) { EXPECT_EQ(SetAppBundleFolder(Text(bundle)), eSuccess); }
    ~BundleFolders() { ClearAppBaseFolders(); }
};

} // namespace

// Each form saves a 32-bit image as PNG and an 8-bit one as BMP and loads them back. A path text
// is a file reference for saving but lies below the bundle's Contents folder for loading.
TEST(ImageFilePaths, EveryPathFormSavesAndLoadsBothImageKinds)
{
    TempFolder folder;
    std::filesystem::create_directories(folder.Root() / "Test.app/Contents/Resources");
    BundleFolders bundle(folder / "Test.app");
    const std::string resources = folder / "Test.app/Contents/Resources/";

    CImage colour(5, 3);
    CImage8 grey(5, 3);
    {
        CImNav nav(&colour, nullptr);
        CImNav8 nav8(&grey, nullptr);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                nav.Row(y)[x] = MakePixel(uint32_t(40 * x + 10), uint32_t(50 * y), uint32_t(x * y * 9), 200);
                nav8.Row(y)[x] = uint8_t(x * 50 + y);
            }
    }
    const size_t openBefore = OpenFiles();

    auto check = [&](const char* name, auto save, auto load, const std::string& stem) {
        ASSERT_EQ(save(&colour, stem + "32.png", eImageFormatPng), eSuccess) << name;
        ASSERT_EQ(save(&grey, stem + "8.bmp", eImageFormatBmp), eSuccess) << name;
        EXPECT_TRUE(std::filesystem::exists(resources + stem + "32.png")) << name;
        CImage colourBack;
        CImage8 greyBack;
        ASSERT_EQ(load(&colourBack, stem + "32.png"), eSuccess) << name;
        ASSERT_EQ(load(&greyBack, stem + "8.bmp"), eSuccess) << name;
        EXPECT_EQ(Bytes<CImNav>(colourBack), Bytes<CImNav>(colour)) << name;
        EXPECT_EQ(Bytes<CImNav8>(greyBack), Bytes<CImNav8>(grey)) << name;
    };
    check(
        "path text", [&](auto* image, const std::string& file, int32_t format) {
            return SaveImage(Text(resources + file), image, format);
        },
        [&](auto* image, const std::string& file) { return LoadImage(Text("Resources/" + file), image); }, "text");
    check(
        "path object", [&](auto* image, const std::string& file, int32_t format) {
            gCFRelative path(Text("Resources/" + file), 0);
            return SaveImage(static_cast<gCBasePath&>(path), image, format);
        },
        [&](auto* image, const std::string& file) {
            gCFRelative path(Text("Resources/" + file), 0);
            return LoadImage(static_cast<gCBasePath&>(path), image);
        },
        "object");
    check(
        "file reference", [&](auto* image, const std::string& file, int32_t format) {
            gCFRef reference(Text(resources + file));
            return SaveImage(reference, image, format);
        },
        [&](auto* image, const std::string& file) {
            gCFRef reference(Text(resources + file));
            return LoadImage(reference, image);
        },
        "reference");
    EXPECT_EQ(OpenFiles(), openBefore) << "every file opened for a call is closed after it";

    // Loading by an absolute text still lies below the Contents folder, so it finds nothing.
    CImage8 none;
    EXPECT_NE(LoadImage(Text(resources + "text8.bmp"), &none), eSuccess);
    EXPECT_EQ(LoadImage(Text("Resources/missing.png"), &none), eInvalidFile);
    EXPECT_EQ(LoadImage(gCString(), &colour), eBadParameter);
    EXPECT_EQ(SaveImage(gCString(), &grey, eImageFormatBmp), eBadParameter);
    gCFRelative unset;
    EXPECT_EQ(LoadImage(static_cast<gCBasePath&>(unset), &none), eBadParameter);
    EXPECT_EQ(SaveImage(static_cast<gCBasePath&>(unset), &grey, eImageFormatBmp), eBadParameter);
    EXPECT_NE(SaveImage(Text(folder / "no/such/folder/x.bmp"), &grey, eImageFormatBmp), eSuccess);
    EXPECT_FALSE(none.IsCreated());
    EXPECT_EQ(OpenFiles(), openBefore);
}

TEST(ImageFilePaths, DetectionOnAMemoryBlock)
{
    struct sCase {
        std::vector<uint8_t> bytes;
        int32_t format;
    };
    const sCase cases[] = {
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0}, eImageFormatPng},
        {{0xFF, 0xD8, 0xFF}, eImageFormatJpeg},
        {{'B', 'M'}, eImageFormatBmp},
        {{'8', 'B', 'P', 'S', 0, 1}, eImageFormatPsd},
        {{'S', 'P', 'B', '8'}, eImageFormatNone},
        {{'B'}, eImageFormatNone},
        {{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, eImageFormatNone},
    };
    for (const sCase& c : cases) {
        sByteStream bytes(c.bytes);
        EXPECT_EQ(DetectImageFormat(bytes.block), c.format) << int(c.bytes[0]);
        EXPECT_EQ(IsImageFormatKnown(*bytes.stream), c.format != eImageFormatNone ? 1 : 0) << int(c.bytes[0]);
        EXPECT_EQ(bytes.stream->GetPos(), 0);
    }
}
