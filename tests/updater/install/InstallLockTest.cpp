// The install folder's lock: an install runs every file step, the repair of an earlier install
// included, while it holds the lock, and leaves the product alone when it cannot have it.
#include "updater/install/PackageTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "platform/FolderLock.h"
#include "updater/install/CPNUDesquasher.h"
#include "updater/install/PNUInstallLock.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

namespace {

const std::vector<sPackFile> kFiles = {{"/Readme.txt", "new readme"}, {"/Pintrel 2.app/x", "new x"}};

// Holds nothing: answers what a test asks for and tells whether the lock is held.
class RecordingLocker : public plat::FolderLocker {
public:
    plat::eLockResult Lock(const char* folder, const char* name, int32_t& token, plat::eFileResult& failure) override
    {
        path = std::string(folder) + "/" + name;
        token = 1;
        failure = failureGiven;
        held = answer == plat::eLockResult::kOk;
        return answer;
    }
    void Unlock(int32_t) override { held = false; }

    plat::eLockResult answer = plat::eLockResult::kOk;
    plat::eFileResult failureGiven = plat::eFileResult::kOk;
    std::string path;
    bool held = false;
};

// Counts the changes made while the lock was not held.
class LockWatchingFiles : public FaultyFiles {
public:
    LockWatchingFiles(const RecordingLocker& locker, int64_t failAt) : FaultyFiles(failAt), mLocker(locker) {}

    eResultCode Delete(const gCString& path) override { return Note(), FaultyFiles::Delete(path); }
    eResultCode Link(const gCString& source, const gCString& target) override
    {
        return Note(), FaultyFiles::Link(source, target);
    }
    eResultCode Replace(const gCString& source, const gCString& target) override
    {
        return Note(), FaultyFiles::Replace(source, target);
    }
    eResultCode WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode) override
    {
        return Note(), FaultyFiles::WriteFile(path, data, size, mode);
    }
    eResultCode Launch(const gCString&) override
    {
        launchedWhileHeld = mLocker.held;
        return eSuccess;
    }

    int unlocked = 0;
    bool launchedWhileHeld = false;

private:
    void Note() { unlocked += mLocker.held ? 0 : 1; }

    const RecordingLocker& mLocker;
};

class InstallLock : public testing::Test {
protected:
    InstallLock()
    {
        host.installFolder = folder.Root();
        WriteTree(folder.Root(), {{"Readme.txt", "old readme"}, {"Pintrel 2.app/x", "old x"}});
    }
    ~InstallLock() override { plat::SetFolderLocker(nullptr); }

    static void Load(gCMemFile& held, const Bytes& package)
    {
        ASSERT_EQ(held.Write(package.data(), int32_t(package.size())), eSuccess);
        ASSERT_EQ(held.Rewind(), eSuccess);
    }

    TempFolder folder;
    RecordingHost host;
};

TEST_F(InstallLock, AnotherCopysLockLeavesEverythingAsItIsAndALaterAttemptInstalls)
{
    // What a cut-off install left: the repair and the leftover step would both change it.
    WriteTree(folder.Root(), {{"Readme.txt.old", "older readme"}, {"Readme.txt.tmp", "half"}});
    WriteUndoJournal(folder.Root(), "/Readme.txt");
    const FileTree before = ReadTree(folder.Root());

    plat::FolderLock otherCopy;
    ASSERT_EQ(otherCopy.Acquire(folder.Root().c_str(), kInstallLockName), plat::eLockResult::kOk);
    const Bytes package = PackageFromArchive(BuildArchive({}, kFiles));
    CPNUDesquasher installer(&host, &host);
    gCMemFile held;
    Load(held, package);
    EXPECT_EQ(installer.InstallHeldPackage(held), eBusy);
    EXPECT_EQ(installer.InstallHeldPackage(held), eBusy);
    EXPECT_EQ(ReadTree(folder.Root()), before);
    EXPECT_EQ(held.GetSize(), int64_t(package.size())) << "the refused package is whole for the next attempt";
    const std::string anotherCopy = Utf8(GetBuiltInReportText(kTextAnotherCopy));
    for (const RecordingHost::sLine& line : host.lines)
        EXPECT_TRUE(line.text == "T42" || (line.text == anotherCopy && line.colour == kStatusRed)) << line.text;
    EXPECT_TRUE(host.HasLine(anotherCopy, kStatusRed));

    otherCopy.Release();
    ASSERT_EQ(held.Rewind(), eSuccess);
    ASSERT_EQ(installer.InstallHeldPackage(held), eSuccess);
    EXPECT_EQ(ReadTree(folder.Root()), (FileTree{{"Readme.txt", "new readme"}, {"Pintrel 2.app/x", "new x"}}));
    // Nothing of this install holds the lock any more.
    EXPECT_EQ(otherCopy.Acquire(folder.Root().c_str(), kInstallLockName), plat::eLockResult::kOk);
}

TEST_F(InstallLock, EveryFileStepRunsUnderTheLockAndTheLockEndsWithTheInstall)
{
    RecordingLocker locker;
    plat::SetFolderLocker(&locker);
    const Bytes package = PackageFromArchive(BuildArchive({"EXECUTE=/Readme.txt"}, kFiles));
    struct sCase {
        const char* name;
        int64_t failAt;
        eResultCode result;
    } cases[] = {
        {"installed and launched", 0, eHandled},
        {"the repair's first step fails", 1, eGenericFailure},
        {"a later step fails", 6, eGenericFailure},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        LockWatchingFiles files(locker, c.failAt);
        CPNUDesquasher installer(&host, &host, &files);
        gCMemFile stream;
        Load(stream, package);
        EXPECT_EQ(installer.InstallPackage(stream), c.result);
        EXPECT_EQ(locker.path, (folder.Root() / ".pintrel-update-lock").string());
        EXPECT_EQ(files.unlocked, 0);
        EXPECT_FALSE(locker.held);
        EXPECT_FALSE(files.launchedWhileHeld) << "the program started may be an updater that repairs";
    }
}

TEST_F(InstallLock, ALockThatCannotBeHadRefusesTheInstallAndSaysWhy)
{
    RecordingLocker locker;
    const std::string lockPath = (folder.Root() / ".pintrel-update-lock").string();
    struct sCase {
        const char* name;
        bool fake;
        plat::eFileResult failure;
        std::string line;
    } cases[] = {
        {"a folder at the lock's name", false, plat::eFileResult::kOk,
         "Refused: " + lockPath + ": it is not a regular file"},
        {"a read-only file system", true, plat::eFileResult::kReadOnly,
         "Refused: " + lockPath + ": Read-only file system"},
    };
    std::filesystem::create_directory(lockPath);
    const FileTree before = ReadTree(folder.Root());
    const Bytes package = PackageFromArchive(BuildArchive({}, kFiles));
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        locker.answer = plat::eLockResult::kFailed;
        locker.failureGiven = c.failure;
        plat::SetFolderLocker(c.fake ? &locker : nullptr);
        CPNUDesquasher installer(&host, &host);
        gCMemFile stream;
        Load(stream, package);
        EXPECT_EQ(installer.InstallPackage(stream), eGenericFailure);
        EXPECT_EQ(ReadTree(folder.Root()), before);
        EXPECT_EQ(host.lines.back().text, c.line);
        EXPECT_EQ(host.lines.back().colour, kStatusRed);
    }
}

} // namespace
