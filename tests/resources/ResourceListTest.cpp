// Image lists, text lists and single texts loaded from hand-made resource files.
#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"

#include "FileIO/gCMemFile.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/ImageFiles.h"
#include "resources/CText.h"
#include "resources/CTextList.h"
#include "resources/gCImageList.h"
#include "resources/gCImageList8.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

namespace {

void PutU32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += char(value >> (8 * i));
}

std::string Utf16Line(const std::u16string& text)
{
    std::string bytes;
    for (char16_t unit : text + u"\n") {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

// A chunk: type, size (of the id, name and payload), id, the name line, the payload.
std::string Chunk(const char (&type)[5], uint32_t id, const std::u16string& name, const std::string& payload)
{
    std::string chunk;
    std::string nameBytes = Utf16Line(name);
    PutU32(chunk, FourCharCode(type));
    PutU32(chunk, uint32_t(4 + nameBytes.size() + payload.size()));
    PutU32(chunk, id);
    return chunk + nameBytes + payload;
}

std::string Version(uint32_t version)
{
    std::string chunk;
    PutU32(chunk, FourCharCode("vers"));
    PutU32(chunk, 4);
    PutU32(chunk, version);
    return chunk;
}

std::string ImageChunk(uint32_t id, const std::u16string& name, int32_t width)
{
    CImage image(width, 1);
    gCMemFile stream;
    EXPECT_EQ(SaveImage(stream, &image, eImageFormatBmp), eSuccess);
    std::string file(size_t(stream.GetLength()), '\0');
    (void)stream.SetPos(0);
    (void)stream.Read(file.data(), int32_t(file.size()));
    std::string payload;
    PutU32(payload, uint32_t(file.size()));
    return Chunk("imag", id, name, payload + file);
}

// A list payload: a flag word, the count, then the lines (with ids for layout 2).
std::string ListPayload(uint32_t flag, int32_t count, const std::vector<std::u16string>& lines,
                        const std::vector<uint32_t>& ids = {})
{
    std::string payload;
    PutU32(payload, flag);
    PutU32(payload, uint32_t(count));
    for (size_t i = 0; i < lines.size(); ++i) {
        payload += Utf16Line(lines[i]);
        if (i < ids.size())
            PutU32(payload, ids[i]);
    }
    return payload;
}

class ResourceLists : public testing::Test {
protected:
    void Use(const std::string& content)
    {
        ASSERT_EQ(resources.UseResourceFile(folder.WriteFile("lists.mrf", content)), eSuccess);
    }

    TempFolder folder;
    ScopedResourceContext resources;
};

} // namespace

TEST_F(ResourceLists, ExclusiveImageListOwnsItsOwnImages)
{
    Use(Version(1) + Chunk("imlt", 1, u"Buttons", ListPayload(1, 2, {u"Up", u"Down"})) +
        ImageChunk(10, u"Up", 3) + ImageChunk(11, u"Down", 5));
    CImage* pooled = CImage::FindOrLoadByName(gCString(u"Up"), nullptr, nullptr);
    ASSERT_NE(pooled, nullptr);
    gCImageList* list = gCImageList::CreateFromId(1, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->IsExclusive());
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_NE(list->GetImage(0), pooled);
    EXPECT_EQ(list->GetImage(0)->GetWidth(), 3);
    EXPECT_EQ(list->GetImage(1)->GetWidth(), 5);
    EXPECT_TRUE(list->GetImage(1)->IsInPool());
    EXPECT_EQ(list->Clear(), eSuccess);
    EXPECT_EQ(list->GetCurrentIndex(), 1);
    EXPECT_EQ(list->GetCount(), 0);
    delete list;
}

TEST_F(ResourceLists, SharedImageListRefersToPooledImages)
{
    Use(Version(1) + Chunk("iml8", 2, u"Masks", ListPayload(0, 1, {u"Mask"})) + ImageChunk(12, u"Mask", 4));
    gCImageList8* first = gCImageList8::CreateFromName(gCString(u"Masks"), nullptr, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->IsExclusive());
    ASSERT_EQ(first->GetCount(), 1);
    CImage8* mask = first->GetImage(0);
    EXPECT_EQ(mask, resources.context.FindPoolResourceByName(eImagePool, gCString(u"Mask")));
    // Loading the same list again appends the same pooled image.
    ASSERT_EQ(first->LoadFromName(gCString(u"Masks"), nullptr, nullptr), eSuccess);
    ASSERT_EQ(first->GetCount(), 2);
    EXPECT_EQ(first->GetImage(1), mask);
    delete first; // the pool still owns the image
    EXPECT_EQ(resources.context.FindPoolResourceByName(eImagePool, gCString(u"Mask")), mask);
}

TEST_F(ResourceLists, MissingImagesAndShortPayloads)
{
    Use(Version(1) + Chunk("imlt", 3, u"Broken", ListPayload(1, 2, {u"There", u"Gone"})) +
        ImageChunk(13, u"There", 2) + Chunk("imlt", 4, u"Empty", ListPayload(1, 0, {})) +
        Chunk("imlt", 5, u"Cut", std::string("\1\0", 2)));
    gCImageList list(1);
    EXPECT_EQ(list.LoadFromId(3, nullptr, nullptr), eResourceReadError);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "22 Gone\n");
    EXPECT_EQ(list.GetCount(), 1); // the image before stays

    gCImageList empty(1);
    EXPECT_EQ(empty.LoadFromId(4, nullptr, nullptr), eSuccess);
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_EQ(empty.LoadFromId(99, nullptr, nullptr), eResourceNotFound);

    ScopedResourceContext::LastErrors().clear();
    gCImageList cut(1);
    EXPECT_NE(cut.LoadFromId(5, nullptr, nullptr), eSuccess);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "23 Error reading exclusivity\n");
}

TEST_F(ResourceLists, TextListLayoutFollowsTheFileVersion)
{
    const std::string lists = Chunk("txlt", 6, u"Names", ListPayload(0, 2, {u"Alpha", u"Beta"}));
    {
        Use(Version(1) + lists);
        CTextList* byId = CTextList::CreateFromId(6, nullptr, nullptr);
        ASSERT_NE(byId, nullptr);
        ASSERT_EQ(byId->GetCount(), 2);
        EXPECT_EQ(Utf8(byId->GetStringAt(1)), "Beta");
        EXPECT_EQ(byId->GetIdCount(), 0);
        EXPECT_EQ(byId->SetStringAt(0, gCString(u"x"), 7), eBadParameter);
        EXPECT_EQ(byId->RemoveAt(0), eSuccess);
        EXPECT_EQ(byId->GetCount(), 1);
        delete byId;

        CTextList* byName = CTextList::CreateFromName(gCString(u"Names"), nullptr, nullptr);
        ASSERT_NE(byName, nullptr);
        ASSERT_EQ(byName->GetIdCount(), 2);
        EXPECT_EQ(byName->GetIdAt(0), kNoTextId);
        delete byName;
    }
}

TEST(ResourceListVersions, VersionTwoCarriesIdsAndOtherVersionsLoadNothing)
{
    for (uint32_t version : {2u, 3u}) {
        TempFolder folder;
        ScopedResourceContext resources;
        ASSERT_EQ(resources.UseResourceFile(folder.WriteFile(
                      "v.mrf", Version(version) + Chunk("txlt", 6, u"Names",
                                                       ListPayload(0, 2, {u"Alpha", u"Beta"}, {40, 41})))),
                  eSuccess);
        CTextList list;
        EXPECT_EQ(list.LoadFromId(6, nullptr, nullptr), eSuccess) << version;
        if (version == 2) {
            ASSERT_EQ(list.GetCount(), 2);
            EXPECT_EQ(list.GetIdAt(1), 41u);
            EXPECT_EQ(Utf8(list.GetStringAt(0)), "Alpha");
        } else {
            EXPECT_EQ(list.GetCount(), 0);
        }
    }
}

TEST(TextList, EditingOperations)
{
    CTextList list;
    ASSERT_EQ(list.AddString(gCString(u"a"), 1), eSuccess);
    ASSERT_EQ(list.AddString(gCString(u"b"), 2), eSuccess);
    ASSERT_EQ(list.AddString(gCString(u"c"), 1), eSuccess);
    EXPECT_EQ(list.GetStringAt(-1).GetLength(), 0);
    EXPECT_EQ(list.GetStringAt(3).GetLength(), 0);
    EXPECT_EQ(list.GetCurrentIndex(), 0);
    EXPECT_EQ(Utf8(list.GetStringAt(2)), "c");
    EXPECT_EQ(Utf8(list.GetCurrentString()), "c");

    ASSERT_EQ(list.InsertString(1, gCString(u"x"), 9), eSuccess);
    EXPECT_EQ(Utf8(list.GetStringAt(1)), "x");
    EXPECT_EQ(list.GetIdAt(1), 9u);
    ASSERT_EQ(list.InsertString(6, gCString(u"far"), 5), eSuccess);
    EXPECT_EQ(list.GetCount(), 7);
    EXPECT_EQ(list.GetIdAt(5), kNoTextId);
    EXPECT_EQ(list.GetIdAt(6), 5u);

    ASSERT_EQ(list.RemoveById(1), eSuccess);
    EXPECT_EQ(list.GetCount(), 5);
    EXPECT_EQ(Utf8(list.GetStringAt(0)), "x");
    EXPECT_EQ(list.SetStringAt(9, gCString(u"no")), eBadParameter);
    EXPECT_EQ(list.RemoveAll(), eSuccess);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(ResourceLists, TextKeepsItsWholeLineAndPooledListsAreShared)
{
    Use(Version(1) + Chunk("text", 8, u"Greeting", Utf16Line(u"Hello")) +
        Chunk("txlt", 9, u"Items", ListPayload(0, 1, {u"Hello"})));
    CText* text = CText::CreateFromName(gCString(u"Greeting"), nullptr, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetText().GetLength(), 6); // the terminator stays
    delete text;
    CTextList* list = CTextList::FindOrLoadById(9, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetStringAt(0).GetLength(), 5); // a list line loses it
    EXPECT_EQ(CTextList::FindOrLoadByName(gCString(u"Items"), nullptr, nullptr), list);

    CText missing;
    gCMemFile empty;
    EXPECT_NE(missing.ReadText(&empty), eSuccess);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "23 Error reading CText string.\n");
    // By id the same chunk; an id that no text chunk has gives nothing (9 is the list's).
    CText* byId = CText::CreateFromId(8, nullptr, nullptr);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(Utf8(byId->GetText().Left(5)), "Hello");
    delete byId;
    EXPECT_EQ(CText::CreateFromId(9, nullptr, nullptr), nullptr);
}
