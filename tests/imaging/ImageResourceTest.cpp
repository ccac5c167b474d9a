// Images loaded from the resource file by id and by name, and shared through the image pool.
#include "ImageTestSupport.h"
#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"

#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/ImageFiles.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

namespace {

void PutU32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += char(value >> (8 * i));
}

// One chunk: type, size, id, the UTF-16 name ended by LF, then the payload.
std::string Chunk(uint32_t type, uint32_t id, const std::u16string& name, const std::string& payload)
{
    std::string nameBytes;
    for (char16_t unit : name + u"\n") {
        nameBytes += char(unit & 0xFF);
        nameBytes += char(unit >> 8);
    }
    std::string chunk;
    PutU32(chunk, type);
    PutU32(chunk, uint32_t(4 + nameBytes.size() + payload.size())); // the id, name and payload
    PutU32(chunk, id);
    return chunk + nameBytes + payload;
}

// An image payload: the byte count, then the file.
std::string ImagePayload(const std::vector<uint8_t>& file, uint32_t count)
{
    std::string payload;
    PutU32(payload, count);
    return payload + std::string(file.begin(), file.end());
}

std::string SavedPng(int32_t width, int32_t height, CPixel colour)
{
    CImage image(width, height);
    CImNav nav(&image, nullptr);
    nav.Fill(&colour);
    nav.Unlock();
    gCMemFile stream;
    EXPECT_EQ(SaveImage(stream, &image, eImageFormatPng), eSuccess);
    std::vector<uint8_t> bytes = StreamBytes(stream);
    return std::string(bytes.begin(), bytes.end());
}

class ImageResources : public testing::Test {
protected:
    void SetUp() override
    {
        std::string png = SavedPng(3, 2, 0xFF102030);
        std::vector<uint8_t> pngBytes(png.begin(), png.end());
        std::string bmp;
        {
            std::vector<uint8_t> file = ReadFileBytes(FixturePath("bmp_8.bmp"));
            bmp.assign(file.begin(), file.end());
        }
        std::string content;
        PutU32(content, FourCharCode("vers"));
        PutU32(content, 4);
        PutU32(content, 1);
        content += Chunk(kImageTypeCode, 100, u"Swatch", ImagePayload(pngBytes, uint32_t(pngBytes.size())));
        content += Chunk(kImageTypeCode, 101, u"Photo", ImagePayload({bmp.begin(), bmp.end()}, uint32_t(bmp.size())));
        content += Chunk(kImageTypeCode, 102, u"Garbage", ImagePayload({'n', 'o', 'p', 'e'}, 4));
        content += Chunk(kImageTypeCode, 103, u"Overlong", ImagePayload({1, 2, 3}, 0x7FFFFFF0));
        ASSERT_EQ(resources.UseResourceFile(folder.WriteFile("images.mrf", content)), eSuccess);
    }

    TempFolder folder;
    ScopedResourceContext resources;
};

} // namespace

TEST_F(ImageResources, LoadsByIdAndByNameFromTheApplicationsFile)
{
    CImage* byId = CImage::CreateFromId(100, nullptr, nullptr);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(byId->GetWidth(), 3);
    EXPECT_EQ(Utf8(byId->GetName()), "Swatch");
    EXPECT_EQ(byId->GetTypeCode(), kImageTypeCode);
    EXPECT_EQ(CImNav(byId, nullptr).Row(1)[2], 0xFF102030u);
    delete byId;

    CImage8* grey = CImage8::CreateFromName(gCString(u"Photo"), nullptr, nullptr);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->GetWidth(), 24);
    EXPECT_EQ(grey->GetId(), 101u);
    delete grey;
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "");
}

TEST_F(ImageResources, MissingDamagedAndOverlongChunks)
{
    CImage image;
    EXPECT_EQ(image.LoadImageFromResource(999, nullptr, nullptr), eResourceNotFound);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), ""); // not found: no alert

    EXPECT_EQ(image.LoadImageFromResource(102, nullptr, nullptr), eBadParameter);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "23 Image failed to load from resources.\n");

    // A byte count beyond the file is refused before anything is read or allocated.
    ScopedResourceContext::LastErrors().clear();
    CImage8 grey;
    EXPECT_EQ(grey.LoadImageFromResource(103, nullptr, nullptr), eStreamError);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "23 Image8 failed to load from resources.\n");
    EXPECT_EQ(CImage::CreateFromId(102, nullptr, nullptr), nullptr);
}

TEST_F(ImageResources, PooledImagesAreShared)
{
    CImage* first = CImage::FindOrLoadByName(gCString(u"Swatch"), nullptr, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CImage::FindOrLoadById(100, nullptr, nullptr), first);
    EXPECT_EQ(CImage::FindOrLoadById(999, nullptr, nullptr), nullptr);
}

TEST(ImageResourcesWithoutApplication, LoadingNeedsTheApplication)
{
    CImage image;
    EXPECT_EQ(image.LoadImageFromResource(1, nullptr, nullptr), eBadParameter);
    EXPECT_EQ(CImage::FindOrLoadById(1, nullptr, nullptr), nullptr);
}

TEST(PngTitle, IsTheImagesResourceName)
{
    TempFolder folder;
    ScopedResourceContext resources;
    std::string png = SavedPng(1, 1, 0xFFFFFFFF);
    std::string content = Chunk(kImageTypeCode, 7, u"Caf\u00e9", ImagePayload({png.begin(), png.end()}, uint32_t(png.size())));
    ASSERT_EQ(resources.UseResourceFile(folder.WriteFile("one.mrf", content)), eSuccess);
    CImage* image = CImage::CreateFromId(7, nullptr, nullptr);
    ASSERT_NE(image, nullptr);
    gCMemFile stream;
    ASSERT_EQ(SaveImage(stream, image, eImageFormatPng), eSuccess);
    std::vector<uint8_t> bytes = StreamBytes(stream);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find(std::string("tEXtTitle\0Caf\x8E", 14)), std::string::npos); // Mac Roman e-acute
    delete image;
}
