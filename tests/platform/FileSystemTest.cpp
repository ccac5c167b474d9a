#include "platform/FileSystem.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace plat;

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : mName(name)
    {
        const char* old = std::getenv(name);
        mHad = old != nullptr;
        if (old)
            mOld = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (mHad)
            ::setenv(mName.c_str(), mOld.c_str(), 1);
        else
            ::unsetenv(mName.c_str());
    }

private:
    std::string mName;
    std::string mOld;
    bool mHad = false;
};

} // namespace

TEST(PlatformFileSystem, ExistenceFollowsLinksButEntriesDoNot)
{
    TempFolder folder;
    std::string file = folder.WriteFile("a.txt", "x");
    std::string dangling = folder / "dangling";
    ASSERT_EQ(::symlink((folder / "gone").c_str(), dangling.c_str()), 0);
    EXPECT_TRUE(PathExists(file.c_str()));
    EXPECT_FALSE(PathExists(dangling.c_str()));
    EXPECT_TRUE(PathEntryExists(dangling.c_str()));
    EXPECT_FALSE(PathExists(""));
    EXPECT_TRUE(MakePathRecord(file.c_str()).exists);
    EXPECT_FALSE(MakePathRecord((folder / "b.txt").c_str()).exists);
    EXPECT_EQ(MakePathRecord(file.c_str()).path, file);
    EXPECT_EQ(PathSize(file.c_str()), 1);
    EXPECT_EQ(PathSize((folder / "b.txt").c_str()), -1);
}

TEST(PlatformFileSystem, CreatesOneFolderAtATime)
{
    TempFolder folder;
    EXPECT_NE(CreateOneFolder((folder / "a/b").c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathExists((folder / "a").c_str()));
    EXPECT_EQ(CreateOneFolder((folder / "a").c_str()), eFileResult::kOk);
    EXPECT_TRUE(PathIsFolder((folder / "a").c_str()));
    // Something already standing there counts as done, and nothing is made.
    std::string file = folder.WriteFile("f", "x");
    EXPECT_EQ(CreateOneFolder(file.c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathIsFolder(file.c_str()));
}

TEST(PlatformFileSystem, RemovalNeverFollowsLinks)
{
    TempFolder folder;
    ASSERT_EQ(CreateOneFolder((folder / "keep").c_str()), eFileResult::kOk);
    folder.WriteFile("keep/precious.txt", "data");
    ASSERT_EQ(CreateOneFolder((folder / "tree").c_str()), eFileResult::kOk);
    ASSERT_EQ(CreateOneFolder((folder / "tree/sub").c_str()), eFileResult::kOk);
    folder.WriteFile("tree/sub/.hidden", "h");
    ASSERT_EQ(::symlink((folder / "keep").c_str(), (folder / "tree/link").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "gone").c_str(), (folder / "dangling").c_str()), 0);

    EXPECT_EQ(RemovePath((folder / "tree").c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathEntryExists((folder / "tree").c_str()));
    EXPECT_EQ(TempFolder::ReadFile(folder / "keep/precious.txt"), "data");
    EXPECT_EQ(RemovePath((folder / "dangling").c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathEntryExists((folder / "dangling").c_str()));
    EXPECT_EQ(RemovePath((folder / "never-there").c_str()), eFileResult::kOk);
}

TEST(PlatformFileSystem, MoveNeverReplaces)
{
    TempFolder folder;
    std::string a = folder.WriteFile("a", "A");
    std::string b = folder.WriteFile("b", "B");
    EXPECT_NE(MovePath(a.c_str(), b.c_str()), eFileResult::kOk);
    EXPECT_EQ(TempFolder::ReadFile(a), "A");
    EXPECT_EQ(TempFolder::ReadFile(b), "B");
    // A dangling link is something standing at the target too.
    ASSERT_EQ(::symlink((folder / "gone").c_str(), (folder / "link").c_str()), 0);
    EXPECT_NE(MovePath(a.c_str(), (folder / "link").c_str()), eFileResult::kOk);
    EXPECT_NE(MovePath((folder / "missing").c_str(), (folder / "c").c_str()), eFileResult::kOk);

    EXPECT_EQ(MovePath(a.c_str(), (folder / "c").c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathExists(a.c_str()));
    EXPECT_EQ(TempFolder::ReadFile(folder / "c"), "A");
    ASSERT_EQ(CreateOneFolder((folder / "dir").c_str()), eFileResult::kOk);
    folder.WriteFile("dir/x", "X");
    EXPECT_EQ(MovePath((folder / "dir").c_str(), (folder / "moved").c_str()), eFileResult::kOk);
    EXPECT_EQ(TempFolder::ReadFile(folder / "moved/x"), "X");
}

TEST(PlatformFileSystem, MoveAcrossDevicesCopiesThenRemoves)
{
    TempFolder folder;
    struct stat tmpInfo, shmInfo;
    if (::stat(folder.Path().c_str(), &tmpInfo) != 0 || ::stat("/dev/shm", &shmInfo) != 0
        || tmpInfo.st_dev == shmInfo.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second device to move to";
    std::string source = folder.WriteFile("cross", "payload");
    ASSERT_EQ(::chmod(source.c_str(), 0750), 0);
    std::string target = "/dev/shm/pnu-move-" + std::to_string(::getpid());
    EXPECT_EQ(MovePath(source.c_str(), target.c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathExists(source.c_str()));
    EXPECT_EQ(TempFolder::ReadFile(target), "payload");
    EXPECT_EQ(ModeOf(target), 0750u);
    EXPECT_EQ(RemovePath(target.c_str()), eFileResult::kOk);
}

TEST(PlatformFileSystem, CopyKeepsPermissionBitsAndLinks)
{
    TempFolder folder;
    ASSERT_EQ(CreateOneFolder((folder / "src").c_str()), eFileResult::kOk);
    std::string tool = folder.WriteFile("src/tool", "#!/bin/sh\n");
    ASSERT_EQ(::chmod(tool.c_str(), 0751), 0);
    folder.WriteFile("src/.hidden", "h");
    ASSERT_EQ(::symlink("tool", (folder / "src/alias").c_str()), 0);
    ASSERT_EQ(::chmod((folder / "src").c_str(), 0750), 0);

    EXPECT_EQ(CopyPath((folder / "src").c_str(), (folder / "dst").c_str()), eFileResult::kOk);
    EXPECT_EQ(ModeOf(folder / "dst/tool"), 0751u);
    EXPECT_EQ(ModeOf(folder / "dst"), 0750u);
    EXPECT_EQ(TempFolder::ReadFile(folder / "dst/.hidden"), "h");
    char link[64] = {};
    ASSERT_GT(::readlink((folder / "dst/alias").c_str(), link, sizeof link - 1), 0);
    EXPECT_STREQ(link, "tool");
}

TEST(PlatformFileSystem, CopyRefusesExistingTargetsAndItsOwnInside)
{
    TempFolder folder;
    std::string a = folder.WriteFile("a", "A");
    std::string b = folder.WriteFile("b", "B");
    EXPECT_NE(CopyPath(a.c_str(), b.c_str()), eFileResult::kOk);
    EXPECT_EQ(TempFolder::ReadFile(b), "B");
    EXPECT_NE(CopyPath((folder / "missing").c_str(), (folder / "c").c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathEntryExists((folder / "c").c_str()));

    ASSERT_EQ(CreateOneFolder((folder / "tree").c_str()), eFileResult::kOk);
    folder.WriteFile("tree/f", "F");
    EXPECT_NE(CopyPath((folder / "tree").c_str(), (folder / "tree/copy").c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathEntryExists((folder / "tree/copy").c_str()));
    EXPECT_NE(CopyPath((folder / "tree").c_str(), (folder / "tree").c_str()), eFileResult::kOk);
}

TEST(PlatformFileSystem, FailedCopyLeavesNothingBehind)
{
    TempFolder folder;
    ASSERT_EQ(CreateOneFolder((folder / "src").c_str()), eFileResult::kOk);
    folder.WriteFile("src/a", "A");
    // A pipe cannot be copied, so the copy fails after the first file is in place.
    ASSERT_EQ(::mkfifo((folder / "src/b").c_str(), 0600), 0);
    EXPECT_NE(CopyPath((folder / "src").c_str(), (folder / "dst").c_str()), eFileResult::kOk);
    EXPECT_FALSE(PathEntryExists((folder / "dst").c_str()));
}

TEST(PlatformFileSystem, ListsEveryEntrySortedByName)
{
    TempFolder folder;
    folder.WriteFile("b.txt", "");
    folder.WriteFile(".hidden", "");
    ASSERT_EQ(CreateOneFolder((folder / "a").c_str()), eFileResult::kOk);
    ASSERT_EQ(::symlink((folder / "a").c_str(), (folder / "c").c_str()), 0);
    sFolderListing listing;
    ASSERT_EQ(ListFolderEntries(folder.Path().c_str(), listing), eFileResult::kOk);
    const std::vector<sFolderEntry>& entries = listing.entries;
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, ".hidden");
    EXPECT_EQ(entries[1].name, "a");
    EXPECT_TRUE(entries[1].isFolder);
    EXPECT_FALSE(entries[1].isLink);
    EXPECT_EQ(entries[2].name, "b.txt");
    EXPECT_FALSE(entries[2].isFolder);
    EXPECT_TRUE(entries[3].isFolder);
    EXPECT_TRUE(entries[3].isLink);

    sFolderListing file, empty;
    EXPECT_NE(ListFolderEntries((folder / "b.txt").c_str(), file), eFileResult::kOk);
    EXPECT_TRUE(file.entries.empty());
    ASSERT_EQ(ListFolderEntries((folder / "a").c_str(), empty), eFileResult::kOk);
    EXPECT_TRUE(empty.entries.empty());
}

TEST(PlatformFileSystem, RootIsTheFirstVolume)
{
    sVolumeListing listing;
    ASSERT_EQ(ListMountedVolumes(listing), eFileResult::kOk);
    const std::vector<sVolume>& volumes = listing.volumes;
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes[0].mountPoint, "/");
    EXPECT_EQ(volumes[0].refNum, -1);
    for (size_t i = 0; i < volumes.size(); ++i)
        EXPECT_EQ(volumes[i].refNum, -int32_t(i) - 1);
}

TEST(PlatformFileSystem, WorkingFolderKeepsUtf8Names)
{
    TempFolder folder;
    std::string named = folder / "Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0";
    ASSERT_EQ(CreateOneFolder(named.c_str()), eFileResult::kOk);
    sPathText before;
    ASSERT_EQ(GetWorkingFolder(before), eFileResult::kOk);
    ASSERT_EQ(::chdir(named.c_str()), 0);
    sPathText now;
    eFileResult read = GetWorkingFolder(now);
    ASSERT_EQ(::chdir(before.path.c_str()), 0);
    ASSERT_EQ(read, eFileResult::kOk);
    sPathText canonical;
    ASSERT_EQ(CanonicalPath(named.c_str(), canonical), eFileResult::kOk);
    EXPECT_EQ(now.path, canonical.path);
}

TEST(PlatformFileSystem, SpecialFoldersFollowTheXdgSettings)
{
    TempFolder folder;
    ASSERT_EQ(CreateOneFolder((folder / "home").c_str()), eFileResult::kOk);
    ASSERT_EQ(CreateOneFolder((folder / "home/.config").c_str()), eFileResult::kOk);
    ScopedEnv home("HOME", (folder / "home").c_str());
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    sPathText path;

    // Neither folder is created when missing.
    EXPECT_NE(GetDocumentsFolderPath(path), eFileResult::kOk);
    EXPECT_FALSE(PathExists((folder / "home/Documents").c_str()));
    ASSERT_EQ(GetPreferencesFolderPath(path), eFileResult::kOk);
    EXPECT_EQ(path.path, folder / "home/.config");

    ASSERT_EQ(CreateOneFolder((folder / "home/Documents").c_str()), eFileResult::kOk);
    ASSERT_EQ(GetDocumentsFolderPath(path), eFileResult::kOk);
    EXPECT_EQ(path.path, folder / "home/Documents");

    ASSERT_EQ(CreateOneFolder((folder / "home/Dokumente").c_str()), eFileResult::kOk);
    folder.WriteFile("home/.config/user-dirs.dirs",
                     "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                     "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    ASSERT_EQ(GetDocumentsFolderPath(path), eFileResult::kOk);
    EXPECT_EQ(path.path, folder / "home/Dokumente");

    ASSERT_EQ(CreateOneFolder((folder / "cfg").c_str()), eFileResult::kOk);
    ScopedEnv xdg("XDG_CONFIG_HOME", (folder / "cfg").c_str());
    ASSERT_EQ(GetPreferencesFolderPath(path), eFileResult::kOk);
    EXPECT_EQ(path.path, folder / "cfg");
}

TEST(PlatformFileSystem, RefusalsSayWhy)
{
    TempFolder folder;
    const std::string file = folder.WriteFile("a", "A");
    const std::string other = folder.WriteFile("b", "B");
    ASSERT_EQ(CreateOneFolder((folder / "tree").c_str()), eFileResult::kOk);
    const std::string missing = folder / "missing";
    const std::string inside = folder / "tree/copy";
    sFolderListing entries;
    struct sCase {
        const char* name;
        eFileResult result;
        eFileResult expected;
    };
    const sCase cases[] = {
        {"move onto an entry", MovePath(file.c_str(), other.c_str()), eFileResult::kExists},
        {"move from nothing", MovePath(missing.c_str(), inside.c_str()), eFileResult::kNotFound},
        {"copy onto an entry", CopyPath(file.c_str(), other.c_str()), eFileResult::kExists},
        {"copy from nothing", CopyPath(missing.c_str(), inside.c_str()), eFileResult::kNotFound},
        {"copy into itself", CopyPath((folder / "tree").c_str(), inside.c_str()), eFileResult::kBadName},
        {"folder under nothing", CreateOneFolder((missing + "/sub").c_str()), eFileResult::kNotFound},
        {"folder under a file", CreateOneFolder((file + "/sub").c_str()), eFileResult::kNoFolder},
        {"list a file", ListFolderEntries(file.c_str(), entries), eFileResult::kNoFolder},
        {"list nothing", ListFolderEntries(missing.c_str(), entries), eFileResult::kNotFound},
        {"empty path", RemovePath(""), eFileResult::kBadName},
        {"null path", MovePath(nullptr, file.c_str()), eFileResult::kBadName},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.name;
}
