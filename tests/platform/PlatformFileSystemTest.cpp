#include "platform/PlatformFileSystem.h"
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
    EXPECT_TRUE(PathExists(file));
    EXPECT_FALSE(PathExists(dangling));
    EXPECT_TRUE(PathEntryExists(dangling));
    EXPECT_FALSE(PathExists(""));
    EXPECT_TRUE(MakePathRecord(file).exists);
    EXPECT_FALSE(MakePathRecord(folder / "b.txt").exists);
    EXPECT_EQ(MakePathRecord(file).path, file);
    EXPECT_EQ(PathSize(file), 1);
    EXPECT_EQ(PathSize(folder / "b.txt"), -1);
}

TEST(PlatformFileSystem, CreatesOneFolderAtATime)
{
    TempFolder folder;
    EXPECT_FALSE(CreateOneFolder(folder / "a/b"));
    EXPECT_FALSE(PathExists(folder / "a"));
    EXPECT_TRUE(CreateOneFolder(folder / "a"));
    EXPECT_TRUE(PathIsFolder(folder / "a"));
    // Something already standing there counts as done, and nothing is made.
    std::string file = folder.WriteFile("f", "x");
    EXPECT_TRUE(CreateOneFolder(file));
    EXPECT_FALSE(PathIsFolder(file));
}

TEST(PlatformFileSystem, RemovalNeverFollowsLinks)
{
    TempFolder folder;
    ASSERT_TRUE(CreateOneFolder(folder / "keep"));
    folder.WriteFile("keep/precious.txt", "data");
    ASSERT_TRUE(CreateOneFolder(folder / "tree"));
    ASSERT_TRUE(CreateOneFolder(folder / "tree/sub"));
    folder.WriteFile("tree/sub/.hidden", "h");
    ASSERT_EQ(::symlink((folder / "keep").c_str(), (folder / "tree/link").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "gone").c_str(), (folder / "dangling").c_str()), 0);

    EXPECT_TRUE(RemovePath(folder / "tree"));
    EXPECT_FALSE(PathEntryExists(folder / "tree"));
    EXPECT_EQ(TempFolder::ReadFile(folder / "keep/precious.txt"), "data");
    EXPECT_TRUE(RemovePath(folder / "dangling"));
    EXPECT_FALSE(PathEntryExists(folder / "dangling"));
    EXPECT_TRUE(RemovePath(folder / "never-there"));
}

TEST(PlatformFileSystem, MoveNeverReplaces)
{
    TempFolder folder;
    std::string a = folder.WriteFile("a", "A");
    std::string b = folder.WriteFile("b", "B");
    EXPECT_FALSE(MovePath(a, b));
    EXPECT_EQ(TempFolder::ReadFile(a), "A");
    EXPECT_EQ(TempFolder::ReadFile(b), "B");
    // A dangling link is something standing at the target too.
    ASSERT_EQ(::symlink((folder / "gone").c_str(), (folder / "link").c_str()), 0);
    EXPECT_FALSE(MovePath(a, folder / "link"));
    EXPECT_FALSE(MovePath(folder / "missing", folder / "c"));

    EXPECT_TRUE(MovePath(a, folder / "c"));
    EXPECT_FALSE(PathExists(a));
    EXPECT_EQ(TempFolder::ReadFile(folder / "c"), "A");
    ASSERT_TRUE(CreateOneFolder(folder / "dir"));
    folder.WriteFile("dir/x", "X");
    EXPECT_TRUE(MovePath(folder / "dir", folder / "moved"));
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
    EXPECT_TRUE(MovePath(source, target));
    EXPECT_FALSE(PathExists(source));
    EXPECT_EQ(TempFolder::ReadFile(target), "payload");
    EXPECT_EQ(ModeOf(target), 0750u);
    EXPECT_TRUE(RemovePath(target));
}

TEST(PlatformFileSystem, CopyKeepsPermissionBitsAndLinks)
{
    TempFolder folder;
    ASSERT_TRUE(CreateOneFolder(folder / "src"));
    std::string tool = folder.WriteFile("src/tool", "#!/bin/sh\n");
    ASSERT_EQ(::chmod(tool.c_str(), 0751), 0);
    folder.WriteFile("src/.hidden", "h");
    ASSERT_EQ(::symlink("tool", (folder / "src/alias").c_str()), 0);
    ASSERT_EQ(::chmod((folder / "src").c_str(), 0750), 0);

    EXPECT_TRUE(CopyPath(folder / "src", folder / "dst"));
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
    EXPECT_FALSE(CopyPath(a, b));
    EXPECT_EQ(TempFolder::ReadFile(b), "B");
    EXPECT_FALSE(CopyPath(folder / "missing", folder / "c"));
    EXPECT_FALSE(PathEntryExists(folder / "c"));

    ASSERT_TRUE(CreateOneFolder(folder / "tree"));
    folder.WriteFile("tree/f", "F");
    EXPECT_FALSE(CopyPath(folder / "tree", folder / "tree/copy"));
    EXPECT_FALSE(PathEntryExists(folder / "tree/copy"));
    EXPECT_FALSE(CopyPath(folder / "tree", folder / "tree"));
}

TEST(PlatformFileSystem, FailedCopyLeavesNothingBehind)
{
    TempFolder folder;
    ASSERT_TRUE(CreateOneFolder(folder / "src"));
    folder.WriteFile("src/a", "A");
    // A pipe cannot be copied, so the copy fails after the first file is in place.
    ASSERT_EQ(::mkfifo((folder / "src/b").c_str(), 0600), 0);
    EXPECT_FALSE(CopyPath(folder / "src", folder / "dst"));
    EXPECT_FALSE(PathEntryExists(folder / "dst"));
}

TEST(PlatformFileSystem, ListsEveryEntrySortedByName)
{
    TempFolder folder;
    folder.WriteFile("b.txt", "");
    folder.WriteFile(".hidden", "");
    ASSERT_TRUE(CreateOneFolder(folder / "a"));
    ASSERT_EQ(::symlink((folder / "a").c_str(), (folder / "c").c_str()), 0);
    std::vector<sFolderEntry> entries;
    ASSERT_TRUE(ListFolderEntries(folder.Path(), entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, ".hidden");
    EXPECT_EQ(entries[1].name, "a");
    EXPECT_TRUE(entries[1].isFolder);
    EXPECT_FALSE(entries[1].isLink);
    EXPECT_EQ(entries[2].name, "b.txt");
    EXPECT_FALSE(entries[2].isFolder);
    EXPECT_TRUE(entries[3].isFolder);
    EXPECT_TRUE(entries[3].isLink);

    EXPECT_FALSE(ListFolderEntries(folder / "b.txt", entries));
    EXPECT_TRUE(entries.empty());
    ASSERT_TRUE(ListFolderEntries(folder / "a", entries));
    EXPECT_TRUE(entries.empty());
}

TEST(PlatformFileSystem, RootIsTheFirstVolume)
{
    std::vector<sVolume> volumes = ListMountedVolumes();
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
    ASSERT_TRUE(CreateOneFolder(named));
    std::string before;
    ASSERT_TRUE(GetWorkingFolder(before));
    ASSERT_EQ(::chdir(named.c_str()), 0);
    std::string now;
    bool read = GetWorkingFolder(now);
    ASSERT_EQ(::chdir(before.c_str()), 0);
    ASSERT_TRUE(read);
    EXPECT_EQ(now, CanonicalPath(named));
}

TEST(PlatformFileSystem, SpecialFoldersFollowTheXdgSettings)
{
    TempFolder folder;
    ASSERT_TRUE(CreateOneFolder(folder / "home"));
    ASSERT_TRUE(CreateOneFolder(folder / "home/.config"));
    ScopedEnv home("HOME", (folder / "home").c_str());
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    std::string path;

    // Neither folder is created when missing.
    EXPECT_FALSE(GetDocumentsFolderPath(path));
    EXPECT_FALSE(PathExists(folder / "home/Documents"));
    ASSERT_TRUE(GetPreferencesFolderPath(path));
    EXPECT_EQ(path, folder / "home/.config");

    ASSERT_TRUE(CreateOneFolder(folder / "home/Documents"));
    ASSERT_TRUE(GetDocumentsFolderPath(path));
    EXPECT_EQ(path, folder / "home/Documents");

    ASSERT_TRUE(CreateOneFolder(folder / "home/Dokumente"));
    folder.WriteFile("home/.config/user-dirs.dirs",
                     "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                     "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    ASSERT_TRUE(GetDocumentsFolderPath(path));
    EXPECT_EQ(path, folder / "home/Dokumente");

    ASSERT_TRUE(CreateOneFolder(folder / "cfg"));
    ScopedEnv xdg("XDG_CONFIG_HOME", (folder / "cfg").c_str());
    ASSERT_TRUE(GetPreferencesFolderPath(path));
    EXPECT_EQ(path, folder / "cfg");
}
