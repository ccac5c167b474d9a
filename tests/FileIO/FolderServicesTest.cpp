#include "FileIO/CSystemPath.h"
#include "FileIO/FileServices.h"
#include "FileIO/FolderServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCVolumeRef.h"
#include "FileIO/gCocoaFileIO.h"
#include "FileSystemFixture.h"
#include "PathTestSupport.h"
#include "StreamTestSupport.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

template <typename T>
void DeleteAll(gCArray<T*>& objects)
{
    for (T* object : objects)
        delete object;
    objects.RemoveAll();
}

class FolderServices : public FileSystemFixture {};

} // namespace

TEST_F(FolderServices, CreatesOnlyTheLastLevel)
{
    EXPECT_EQ(CreateFolder(Folder(temp / "a/b")), eCreateFailed);
    EXPECT_FALSE(plat::PathExists((temp / "a").c_str()));
    EXPECT_EQ(CreateFolder(Folder(temp / "a")), eSuccess);
    EXPECT_EQ(CreateFolder(Folder(temp / "a")), eSuccess);
    temp.WriteFile("file", "x");
    EXPECT_EQ(CreateFolder(Folder(temp / "file")), eCreateFailed);

    ScopedBaseFolders bases(Text(temp / "a/"), Text(temp.Path()));
    EXPECT_EQ(CreateRelativeFolder(gCString(u"sub"), 0), eSuccess);
    EXPECT_TRUE(plat::PathIsFolder((temp / "a/sub").c_str()));
}

TEST_F(FolderServices, RelativeFolderExistsJoinsOnce)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "A").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "A/Contents").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "A/Contents/Resources").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "A/Contents/Resources/fonts").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "A/data").c_str()), plat::eFileResult::kOk);
    {
        ScopedBaseFolders bases(Text(temp / "A/Contents/"), Text(temp / "A"));
        gCString rel(u":Resources:fonts");
        EXPECT_TRUE(RelativeFolderExists(rel, 0));
        EXPECT_EQ(Utf8(rel), "Resources/fonts");
        gCString data(u"data");
        EXPECT_TRUE(RelativeFolderExists(data, 1));
        EXPECT_EQ(Utf8(data), "data");
    }
    ScopedBaseFolders bases(Text(temp / "A/Contents/"), Text(temp / "A/"));
    gCString data(u"data");
    EXPECT_TRUE(RelativeFolderExists(data, 1));
    EXPECT_EQ(Utf8(data), "data");
    gCString missing(u"nothing");
    EXPECT_FALSE(RelativeFolderExists(missing, 1));
}

TEST_F(FolderServices, ListsFilesAndFoldersAsPathObjects)
{
    temp.WriteFile("b.txt", "");
    temp.WriteFile(".hidden", "");
    ASSERT_EQ(plat::CreateOneFolder((temp / "sub").c_str()), plat::eFileResult::kOk);
    gCArray<gCFRef*> files;
    gCArray<gCFolderRef*> folders;
    ASSERT_EQ(ListFolder(Folder(temp.Path()), files, folders), eSuccess);
    ASSERT_EQ(files.GetSize(), 2);
    EXPECT_EQ(Utf8(files[0]->GetPath()), temp / ".hidden");
    EXPECT_EQ(Utf8(files[1]->GetPath()), temp / "b.txt");
    ASSERT_EQ(folders.GetSize(), 1);
    EXPECT_EQ(Utf8(folders[0]->GetPath()), temp / "sub/");
    // Appended, not replaced; a missing folder adds nothing.
    ASSERT_EQ(ListFolder(Folder(temp / "none"), files, folders), eSuccess);
    EXPECT_EQ(files.GetSize(), 2);
    DeleteAll(files);
    DeleteAll(folders);
}

TEST_F(FolderServices, RecursiveCopyCopiesFilesThenFolders)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "src").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "src/deep").c_str()), plat::eFileResult::kOk);
    temp.WriteFile("src/.hidden", "h");
    temp.WriteFile("src/top.bin", std::string(300000, 't'));
    temp.WriteFile("src/deep/inner.txt", "i");
    ASSERT_EQ(plat::CreateOneFolder((temp / "flat").c_str()), plat::eFileResult::kOk);
    temp.WriteFile("flat/top.bin", "old and longer than nothing");
    temp.WriteFile("flat/mine.txt", "stays");

    EXPECT_EQ(CopyFolderRecursive(Folder(temp / "src"), Folder(temp / "flat"), 0), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "flat/.hidden"), "h");
    EXPECT_EQ(TempFolder::ReadFile(temp / "flat/top.bin").size(), 300000u);
    EXPECT_EQ(TempFolder::ReadFile(temp / "flat/mine.txt"), "stays");
    EXPECT_FALSE(plat::PathExists((temp / "flat/deep").c_str()));

    ASSERT_EQ(plat::CreateOneFolder((temp / "tree").c_str()), plat::eFileResult::kOk);
    EXPECT_EQ(CopyFolderRecursive(Folder(temp / "src"), Folder(temp / "tree"), 1), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "tree/deep/inner.txt"), "i");

    EXPECT_EQ(CopyFolderRecursive(Folder(temp / "missing"), Folder(temp / "tree2"), 1), eSuccess);
    EXPECT_FALSE(plat::PathExists((temp / "tree2").c_str()));
    EXPECT_EQ(CopyFolderRecursive(gCFolderRef(), Folder(temp / "tree"), 1), eGenericFailure);
    // Without the destination folder the first file cannot be placed.
    EXPECT_NE(CopyFolderRecursive(Folder(temp / "src"), Folder(temp / "nowhere"), 0), eSuccess);
}

TEST_F(FolderServices, RecursiveCopyDoesNotFollowLinksOrCopyIntoItself)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "src").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "src/sub").c_str()), plat::eFileResult::kOk);
    temp.WriteFile("src/sub/f", "f");
    // A link back to an ancestor would make a naive copy run until the stack is gone.
    ASSERT_EQ(::symlink((temp / "src").c_str(), (temp / "src/sub/loop").c_str()), 0);
    ASSERT_EQ(plat::CreateOneFolder((temp / "dst").c_str()), plat::eFileResult::kOk);
    EXPECT_EQ(CopyFolderRecursive(Folder(temp / "src"), Folder(temp / "dst"), 1), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "dst/sub/f"), "f");
    struct stat info;
    ASSERT_EQ(::lstat((temp / "dst/sub/loop").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));

    EXPECT_EQ(CopyFolderRecursive(Folder(temp / "src"), Folder(temp / "src/sub"), 1), eBadParameter);
    EXPECT_EQ(CopyFolderRecursive(Folder(temp / "src"), Folder(temp / "src"), 1), eBadParameter);
    EXPECT_FALSE(plat::PathExists((temp / "src/sub/sub").c_str()));
}

TEST_F(FolderServices, CurrentFolderIsDecodedAsUtf8)
{
    std::string named = temp / "Caf\xC3\xA9";
    ASSERT_EQ(plat::CreateOneFolder(named.c_str()), plat::eFileResult::kOk);
    plat::sPathText before;
    ASSERT_EQ(plat::GetWorkingFolder(before), plat::eFileResult::kOk);
    ASSERT_EQ(::chdir(named.c_str()), 0);
    gCString folder;
    eResultCode result = GetCurrentFolder(folder);
    ASSERT_EQ(::chdir(before.path.c_str()), 0);
    ASSERT_EQ(result, eSuccess);
    EXPECT_EQ(folder[folder.GetLength() - 1], u'\u00E9');
    plat::sPathText canonical;
    ASSERT_EQ(plat::CanonicalPath(named.c_str(), canonical), plat::eFileResult::kOk);
    EXPECT_EQ(Utf8(folder), canonical.path);
}

TEST_F(FolderServices, SpecialFolders)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "home").c_str()), plat::eFileResult::kOk);
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    std::string savedConfig = oldConfig ? oldConfig : "";
    ::setenv("HOME", (temp / "home").c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    gCFolderRef folder;
    EXPECT_EQ(GetDocumentsFolder(folder), eCreateFailed);
    EXPECT_EQ(GetPreferencesFolder(folder), eCreateFailed);
    ASSERT_EQ(plat::CreateOneFolder((temp / "home/Documents").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "home/.config").c_str()), plat::eFileResult::kOk);
    EXPECT_EQ(GetDocumentsFolder(folder), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), temp / "home/Documents/");
    EXPECT_EQ(GetPreferencesFolder(folder), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), temp / "home/.config/");
    ::setenv("HOME", savedHome.c_str(), 1);
    if (oldConfig)
        ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);

    gCString text(u"stale");
    EXPECT_EQ(GetAppContentsFolder(text), eSuccess);
    EXPECT_EQ(Utf8(text), "");
    ScopedBaseFolders bases(gCString(u"/Apps/U.app"));
    EXPECT_EQ(GetAppContentsFolder(text), eSuccess);
    EXPECT_EQ(Utf8(text), "/Apps/U.app/Contents/");
    EXPECT_EQ(GetAppParentFolder(text), eSuccess);
    EXPECT_EQ(Utf8(text), "/Apps/");
}

TEST_F(FolderServices, VolumesAreNamedWithAColon)
{
    gCArray<gCVolumeRef*> volumes;
    ASSERT_EQ(ListVolumes(volumes), eSuccess);
    ASSERT_GE(volumes.GetSize(), 1);
    EXPECT_EQ(Utf8(volumes[0]->GetName()), "/:");
    EXPECT_EQ(volumes[0]->GetVolumeNumber(), -1);
    DeleteAll(volumes);
}

TEST(gCVolumeRef, NamesAndObjectsBelowIt)
{
    gCVolumeRef volume(gCString(u" \t\r\nMy Disk/ \n"));
    EXPECT_EQ(Utf8(volume.GetName()), "My Disk/");
    EXPECT_EQ(volume.IsNameSet(), 1u);
    std::unique_ptr<gCFRef> file(volume.MakeFileRef(gCString(u"a.txt")));
    EXPECT_EQ(Utf8(file->GetPath()), "My Disk/a.txt");
    gCVolumeRef bare(gCString(u"/Volumes/X"));
    std::unique_ptr<gCFRef> joined(bare.MakeFileRef(gCString(u"a.txt")));
    EXPECT_EQ(Utf8(joined->GetPath()), "/Volumes/Xa.txt");
    std::unique_ptr<gCFolderRef> folder(bare.MakeFolderRef(gCString(u"/sub")));
    EXPECT_EQ(Utf8(folder->GetPath()), "/Volumes/X/sub/");

    gCVolumeRef target;
    EXPECT_EQ(target.IsNameSet(), 0u);
    target = volume;
    EXPECT_EQ(target.IsNameSet(), 0u);
    EXPECT_EQ(Utf8(target.GetName()), "My Disk/");
    EXPECT_FALSE(gCVolumeRef::TestAttributeBit(-1));
}

TEST(SystemPath, PathsThatCannotBeHeldGiveResultFive)
{
    TempFolder temp;
    ASSERT_EQ(plat::CreateOneFolder((temp / "src").c_str()), plat::eFileResult::kOk);
    const std::string fileName = temp.WriteFile("src/f", "f");
    const gCString file = Text(fileName);
    gCFolderRef destination = Folder(temp / "dst");
    gCFPath path(file);
    gCFRef ref(file);
    const sFSRef record = plat::MakePathRecord(fileName.c_str());
    gCFile stream;
    CSystemPath system;
    ASSERT_EQ(system.Set(file), eSuccess);

    AllocationFailure failure(1, true);
    EXPECT_EQ(system.SetFromPathText(file), eNoMemory);
    EXPECT_STREQ(system.Get(), ""); // the earlier path is never left to be used
    EXPECT_EQ(stream.Open(&path, gCFile::eAccessRead), eNoMemory);
    EXPECT_EQ(stream.Open(&ref, gCFile::eAccessRead), eNoMemory);
    EXPECT_EQ(CreateFolder(destination), eNoMemory);
    EXPECT_EQ(ref.SetFromFSRef(&record), eNoMemory);
    gCString current, volume, folders, name;
    EXPECT_EQ(GetCurrentFolder(current), eNoMemory);
    EXPECT_EQ(PathFromFSRef(&record, volume, folders, name), eNoMemory);
    EXPECT_EQ(CocoaPathExists(file), 0u);
    EXPECT_FALSE(plat::PathExists((temp / "dst").c_str()));
}

TEST_F(FolderServices, RunningOutOfMemoryListsAndCopiesWholeOrAnswersFive)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "src").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "src/deep").c_str()), plat::eFileResult::kOk);
    temp.WriteFile("src/a", "A");
    temp.WriteFile("src/b", "B");
    temp.WriteFile("src/deep/c", "C");
    const gCFolderRef source = Folder(temp / "src");
    const gCFolderRef destination = Folder(temp / "dst");

    gCArray<gCFRef*> files;
    gCArray<gCFolderRef*> folders;
    eResultCode listed = eSuccess;
    ForEachAllocationFailure([&] { listed = ListFolder(source, files, folders); },
                             [&](bool failed) {
                                 if (listed == eSuccess) {
                                     ASSERT_EQ(files.GetSize(), 2);
                                     ASSERT_EQ(folders.GetSize(), 1);
                                     EXPECT_EQ(Utf8(files[0]->GetPath()), temp / "src/a");
                                     EXPECT_EQ(Utf8(files[1]->GetPath()), temp / "src/b");
                                     EXPECT_EQ(Utf8(folders[0]->GetPath()), temp / "src/deep/");
                                 } else {
                                     EXPECT_TRUE(failed);
                                     EXPECT_EQ(listed, eNoMemory);
                                     EXPECT_EQ(files.GetSize() + folders.GetSize(), 0);
                                 }
                                 DeleteAll(files);
                                 DeleteAll(folders);
                             });

    ASSERT_EQ(plat::CreateOneFolder((temp / "dst").c_str()), plat::eFileResult::kOk);
    eResultCode copied = eSuccess;
    ForEachAllocationFailure([&] { copied = CopyFolderRecursive(source, destination, 1); },
                             [&](bool failed) {
                                 if (copied == eSuccess) {
                                     EXPECT_EQ(TempFolder::ReadFile(temp / "dst/a"), "A");
                                     EXPECT_EQ(TempFolder::ReadFile(temp / "dst/b"), "B");
                                     EXPECT_EQ(TempFolder::ReadFile(temp / "dst/deep/c"), "C");
                                 } else {
                                     EXPECT_TRUE(failed);
                                     EXPECT_EQ(copied, eNoMemory);
                                 }
                                 ASSERT_EQ(plat::RemovePath((temp / "dst").c_str()), plat::eFileResult::kOk);
                                 ASSERT_EQ(plat::CreateOneFolder((temp / "dst").c_str()), plat::eFileResult::kOk);
                             });
}
