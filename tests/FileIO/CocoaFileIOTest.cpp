#include "FileIO/gCocoaFileIO.h"
#include "StreamTestSupport.h"
#include "support/AllocationFailure.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

} // namespace

TEST(CocoaFileIO, FolderCreationIsOneLevelAndAcceptsWhatStands)
{
    TempFolder folder;
    EXPECT_EQ(CocoaCreateFolder(Text(folder / "a/b")), 0u);
    EXPECT_EQ(CocoaCreateFolder(Text(folder / "a")), 1u);
    std::string file = folder.WriteFile("f", "x");
    EXPECT_EQ(CocoaCreateFolder(Text(file)), 1u);
    EXPECT_EQ(TempFolder::ReadFile(file), "x");
}

TEST(CocoaFileIO, RemoveMoveAndCopyRules)
{
    TempFolder folder;
    EXPECT_EQ(CocoaRemovePath(Text(folder / "none")), 1u);
    std::string a = folder.WriteFile("a", "A");
    std::string b = folder.WriteFile("b", "B");
    EXPECT_EQ(CocoaCopyPath(Text(a), Text(b), 0), 0u);
    EXPECT_EQ(CocoaCopyPath(Text(a), Text(b), 1), 0u);
    EXPECT_EQ(TempFolder::ReadFile(b), "B");
    EXPECT_EQ(CocoaMovePath(Text(a), Text(b)), 0u);
    EXPECT_EQ(TempFolder::ReadFile(a), "A");
    EXPECT_EQ(CocoaCopyPath(Text(a), Text(folder / "c"), 1), 1u);
    EXPECT_EQ(CocoaMovePath(Text(folder / "c"), Text(folder / "d")), 1u);
    EXPECT_EQ(CocoaPathExists(Text(folder / "c")), 0u);
    EXPECT_EQ(CocoaPathExists(Text(folder / "d")), 1u);
    EXPECT_EQ(CocoaRemovePath(Text(folder / "d")), 1u);
    EXPECT_EQ(CocoaPathExists(Text(folder / "d")), 0u);
}

TEST(CocoaFileIO, NonAsciiNamesReachTheSystemAsUtf8)
{
    TempFolder folder;
    gCString name(u"/r\u00E9sum\u00E9 \u65E5\u672C.txt");
    gCString path = Text(folder.Path().substr(0, folder.Path().size() - 1)) + name;
    ASSERT_EQ(CocoaCopyPath(Text(folder.WriteFile("src", "s")), path, 1), 1u);
    EXPECT_EQ(TempFolder::ReadFile(folder / "r\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt"), "s");
}

TEST(CocoaFileIO, ListingGivesSortedNamesAndFolderFlags)
{
    TempFolder folder;
    folder.WriteFile("b", "");
    folder.WriteFile(".h", "");
    ASSERT_EQ(::mkdir((folder / "a").c_str(), 0777), 0);
    char16_t** names = nullptr;
    uint8_t* flags = nullptr;
    int32_t count = -1;
    gCString path = Text(folder.Path());
    ASSERT_EQ(CocoaListFolder(path.GetText(), path.GetLength(), names, flags, count), 1u);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(Utf8(gCString(names[0])), ".h");
    EXPECT_EQ(Utf8(gCString(names[1])), "a");
    EXPECT_EQ(flags[1], 1);
    EXPECT_EQ(flags[2], 0);
    ReleaseFolderListing(names, flags, count);

    gCString file = Text(folder / "b");
    EXPECT_EQ(CocoaListFolder(file.GetText(), file.GetLength(), names, flags, count), 0u);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(count, 0);
    gCString empty = Text(folder / "a");
    EXPECT_EQ(CocoaListFolder(empty.GetText(), empty.GetLength(), names, flags, count), 1u);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(flags, nullptr);
    EXPECT_EQ(count, 0);
}

TEST(CocoaFileIO, ListingThatRunsOutOfMemoryHandsBackNothing)
{
    TempFolder folder;
    // More entries than the arrays first have room for, so they grow while names are copied.
    for (int32_t i = 0; i < 20; ++i)
        folder.WriteFile("f" + std::to_string(i), "");
    const gCString path = Text(folder.Path());
    uint32_t listed = 0;
    int32_t count = -1;
    bool handedBack = false;
    ForEachAllocationFailure(
        [&] {
            char16_t** names = nullptr;
            uint8_t* flags = nullptr;
            listed = CocoaListFolder(path.GetText(), path.GetLength(), names, flags, count);
            handedBack = names != nullptr || flags != nullptr;
            ReleaseFolderListing(names, flags, count);
        },
        [&](bool failed) {
            EXPECT_EQ(listed, failed ? 0u : 1u);
            EXPECT_EQ(count, failed ? 0 : 20);
            EXPECT_EQ(handedBack, !failed);
        });
}

TEST(CocoaFileIO, VolumeListCountsThenFills)
{
    sVolumeList list;
    list.count = 0;
    EXPECT_EQ(GetVolumeList(&list), 0);
    list.count = -1;
    int32_t count = GetVolumeList(&list);
    ASSERT_GE(count, 1);
    list.names = new char16_t*[size_t(count)];
    list.refNums = new int32_t[size_t(count)];
    EXPECT_EQ(GetVolumeList(&list), count);
    EXPECT_EQ(Utf8(gCString(list.names[0])), "/");
    EXPECT_EQ(list.refNums[0], -1);
    for (int32_t i = 0; i < count; ++i)
        MemFree(list.names[i]);
    delete[] list.names;
    delete[] list.refNums;
}
