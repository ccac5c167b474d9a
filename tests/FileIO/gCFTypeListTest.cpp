#include "FileIO/gCFPath.h"
#include "FileIO/gCFTypeList.h"
#include "StreamTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::vector<int32_t> Entries(const gCFTypeList& list)
{
    std::vector<int32_t> types;
    for (eFileType type : list.GetTypes())
        types.push_back(type);
    return types;
}

gCFPath PathWithType(const char16_t* text, uint32_t macType)
{
    gCFPath path{gCString(text)};
    path.SetMacType(macType);
    return path;
}

} // namespace

TEST(gCFTypeList, CatalogueTexts)
{
    EXPECT_EQ(Utf8(gCString(GetFileTypeName(eAllImageFiles))), "All Image Files.");
    EXPECT_EQ(Utf8(gCString(GetFileTypeName(eTextFilesFlag))), "Text Files Flag");
    EXPECT_EQ(Utf8(gCString(GetFileTypeExtension(eLastTypeIndex))), "Last Type Index.");
    EXPECT_EQ(GetFileTypeMacCode(eWavAudio), FourCharCode(".WAV"));
    EXPECT_EQ(GetFileTypeMacCode(eLastImageFileFlag), 0u);
    EXPECT_EQ(Utf8(gCString(GetFileTypeName(31))), "");
    EXPECT_EQ(Utf8(gCString(GetFileTypeName(40))), "");
}

TEST(gCFTypeList, GroupsAndLists)
{
    gCFTypeList list;
    EXPECT_EQ(list.AddGroup(eImageFilesFlag), eSuccess);
    EXPECT_EQ(Entries(list), (std::vector<int32_t>{3, 4, 5, 6}));
    EXPECT_EQ(list.AddGroup(eGroupTypesFlag), eBadParameter);
    EXPECT_EQ(list.GetEntryCount(), 4);

    gCFTypeList typed;
    EXPECT_EQ(typed.AddTypes(eBmpImage, ePngImage, eLastTypeIndex), eSuccess);
    EXPECT_EQ(Entries(typed), (std::vector<int32_t>{3, 5}));
    EXPECT_EQ(typed.AddTypes(eLastTypeIndex), eSuccess);
    EXPECT_EQ(typed.GetEntryCount(), 2);
    EXPECT_EQ(typed.InsertType(eTextFile, 0), eSuccess);
    EXPECT_EQ(Entries(typed), (std::vector<int32_t>{9, 3, 5}));

    gCFTypeList text;
    ASSERT_EQ(text.AddGroup(eTextFilesFlag), eSuccess);
    ASSERT_EQ(text.AddGroup(eMartenFilesFlag), eSuccess);
    ASSERT_EQ(text.AddGroup(eAudioFilesFlag), eSuccess);
    EXPECT_EQ(Entries(text), (std::vector<int32_t>{9, 10, 11, 14, 15, 18}));
}

TEST(gCFTypeList, ExtensionsByEntryIndex)
{
    gCFTypeList list;
    ASSERT_EQ(list.AddTypes(ePngImage, eLastTypeIndex), eSuccess);
    ASSERT_EQ(list.AddCustomType(7, gCString(u"Brush (*.brs)"), gCString(u".brs"), FourCharCode("BRSH")), eSuccess);
    EXPECT_EQ(Utf8(list.GetPCType(0)), ".png");
    EXPECT_EQ(Utf8(list.GetPCType(1)), ".brs");
    EXPECT_EQ(Utf8(list.GetPCType(2)), "");
    EXPECT_EQ(Utf8(list.GetEntryName(1)), "Brush (*.brs)");

    gCFTypeList copy;
    copy = list;
    ASSERT_EQ(copy.SetCurrentType(1), eSuccess);
    EXPECT_EQ(Utf8(copy.GetPCType(1)), ".brs");
    EXPECT_EQ(list.GetCurrentType(), 0);
}

TEST(gCFTypeList, MatchingPaths)
{
    gCFTypeList empty;
    uint32_t accepted = 0;
    EXPECT_EQ(empty.AcceptsPath(gCFPath(gCString(u"/x.zip")), accepted), eSuccess);
    EXPECT_EQ(accepted, 1u);
    EXPECT_EQ(empty.FindPathType(gCFPath(gCString(u"/x.zip"))), -1);

    gCFTypeList images;
    ASSERT_EQ(images.AddTypes(eBmpImage, ePngImage, eLastTypeIndex), eSuccess);
    EXPECT_EQ(images.FindPathType(gCFPath(gCString(u"/a/PIC.BMP"))), 0);
    EXPECT_EQ(images.FindPathType(gCFPath(gCString(u"/a/pic.png"))), 1);
    EXPECT_EQ(images.FindPathType(PathWithType(u"/a/noext", FourCharCode("PNGf"))), 1);
    EXPECT_EQ(images.AcceptsPath(gCFPath(gCString(u"/a/notes.txt")), accepted), eSuccess);
    EXPECT_EQ(accepted, 0u);
}

TEST(gCFTypeList, AllImageFilesMatchesEachOfItsExtensions)
{
    gCFTypeList all;
    ASSERT_EQ(all.AddTypes(eAllImageFiles, eLastTypeIndex), eSuccess);
    uint32_t accepted = 0;
    for (const char16_t* name : {u"/p.png", u"/p.BMP", u"/p.psd", u"/p.jpg"}) {
        EXPECT_EQ(all.AcceptsPath(gCFPath(gCString(name)), accepted), eSuccess);
        EXPECT_EQ(accepted, 1u) << Utf8(gCString(name));
    }
    EXPECT_EQ(all.AcceptsPath(PathWithType(u"/p", FourCharCode("JPEG")), accepted), eSuccess);
    EXPECT_EQ(accepted, 1u);
    EXPECT_EQ(all.AcceptsPath(gCFPath(gCString(u"/p.pn")), accepted), eSuccess);
    EXPECT_EQ(accepted, 0u);
    EXPECT_EQ(all.AcceptsPath(gCFPath(gCString(u"/p.bmp,jpg")), accepted), eSuccess);
    EXPECT_EQ(accepted, 0u);
}

TEST(gCFTypeList, FilteringPaths)
{
    gCFTypeList list;
    ASSERT_EQ(list.AddTypes(ePngImage, eLastTypeIndex), eSuccess);
    gCArray<gCFPath*> in;
    ASSERT_EQ(in.Add(new gCFPath(gCString(u"/a.png"))), eSuccess);
    ASSERT_EQ(in.Add(new gCFPath(gCString(u"/b.txt"))), eSuccess);
    gCArray<gCFPath*> out;
    ASSERT_EQ(list.FilterPaths(in, out, 1), eSuccess);
    ASSERT_EQ(out.GetSize(), 1);
    EXPECT_EQ(Utf8(out[0]->GetPath()), "/a.png");
    EXPECT_EQ(in[1], nullptr); // deleted (the sanitizer build checks it is freed once)
    delete out[0];

    gCFTypeList empty;
    gCArray<gCFPath*> all;
    gCFPath keep(gCString(u"/x.zip"));
    ASSERT_EQ(in.Add(&keep), eSuccess);
    ASSERT_EQ(empty.FilterPaths(in, all, 1), eSuccess);
    EXPECT_EQ(all.GetSize(), 2); // the deleted slot stays null and is skipped; the rest passes
}
