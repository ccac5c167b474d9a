// An install process that dies at any point of its file steps: the next start, before anything
// else and without the package, leaves the product all old or all new with no file of the
// updater's own left over, and the next install completes.
#include "updater/install/PackageTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "updater/install/CPNUDesquasher.h"
#include "updater/install/PNUInstallJournal.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const FileTree kOldProduct = {
    {"Pintrel 2.app/Contents/MacOS/Pintrel 2", "old program"},
    {"Pintrel 2.app/Contents/Resources/system.msf", "old settings"},
    {"Readme.txt", "old readme"},
};

const std::vector<sPackFile> kNewFiles = {
    {"/Pintrel 2.app/Contents/MacOS/Pintrel 2", "new program", 0755},
    {"/Pintrel 2.app/Contents/Resources/system.msf", "new settings", 0644},
    {"/Readme.txt", "new readme", 0644},
    {"/Pintrel 2.app/Contents/Plugins/brushes.dat", "new brushes", 0644},
};

constexpr int kCrashStatus = 86;

// Ends the process, as a power cut or a kill would, right after its k-th changing operation.
// Without links it stands for a file system that cannot give a file a second name.
class CrashingFiles : public CPNUInstallFiles {
public:
    CrashingFiles(int64_t crashAfter, bool links) : mCrashAfter(crashAfter), mLinks(links) {}

    eResultCode Delete(const gCString& path) override { return After(CPNUInstallFiles::Delete(path)); }
    eResultCode Move(const gCString& source, const gCString& target) override
    {
        return After(CPNUInstallFiles::Move(source, target));
    }
    eResultCode Link(const gCString& source, const gCString& target) override
    {
        return mLinks ? After(CPNUInstallFiles::Link(source, target)) : eNotWritten;
    }
    eResultCode Replace(const gCString& source, const gCString& target) override
    {
        return After(CPNUInstallFiles::Replace(source, target));
    }
    eResultCode CreateFolder(const gCString& folder) override { return After(CPNUInstallFiles::CreateFolder(folder)); }
    eResultCode WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode) override
    {
        return After(CPNUInstallFiles::WriteFile(path, data, size, mode));
    }

private:
    eResultCode After(eResultCode result)
    {
        if (++mCount == mCrashAfter)
            _exit(kCrashStatus);
        return result;
    }

    int64_t mCrashAfter;
    bool mLinks;
    int64_t mCount = 0;
};

eResultCode InstallWith(const std::filesystem::path& folder, const Bytes& package, CPNUInstallFiles* files)
{
    RecordingHost host;
    host.installFolder = folder;
    CPNUDesquasher installer(&host, &host, files);
    gCMemFile stream;
    if (eResultCode result = stream.Write(package.data(), int32_t(package.size())); result != eSuccess)
        return result;
    return installer.InstallPackage(stream);
}

// Runs the install in a child process that dies after its k-th changing operation. True when the
// child died there, false when it finished the install first.
bool CrashedInstall(const std::filesystem::path& folder, const Bytes& package, int64_t k, bool links)
{
    const pid_t child = fork();
    if (child == 0) {
        CrashingFiles files(k, links);
        _exit(InstallWith(folder, package, &files) == eSuccess ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kCrashStatus)
        return true;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the uninterrupted install succeeds";
    return false;
}

// What the next start makes of the folder.
FileTree AfterNextStart(const std::filesystem::path& folder)
{
    RecordingHost host;
    host.installFolder = folder;
    EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess);
    return ReadTree(folder);
}

TEST(PackageInstallCrash, TheNextStartLeavesTheProductAllOldOrAllNew)
{
    const Bytes package = PackageFromArchive(BuildArchive({}, kNewFiles));
    FileTree newProduct = kOldProduct;
    for (const sPackFile& file : kNewFiles)
        newProduct[file.name.substr(1)] = file.content;

    // With hard links, and on a file system without them, where files move aside to be kept.
    for (const bool links : {true, false}) {
        int64_t crashes = 0;
        int64_t finished = 0;
        for (int64_t k = 1;; ++k) {
            TempFolder root;
            WriteTree(root.Root(), kOldProduct);
            if (!CrashedInstall(root.Root(), package, k, links)) {
                EXPECT_EQ(ReadTree(root.Root()), newProduct);
                break;
            }
            ++crashes;
            const FileTree restored = AfterNextStart(root.Root());
            EXPECT_TRUE(restored == kOldProduct || restored == newProduct) << "crash at operation " << k;
            finished += restored == newProduct && restored != kOldProduct;

            ASSERT_EQ(InstallWith(root.Root(), package, nullptr), eSuccess) << "crash at operation " << k;
            EXPECT_EQ(ReadTree(root.Root()), newProduct) << "crash at operation " << k;
        }
        EXPECT_GT(crashes, 12) << "the crash reached every file step";
        EXPECT_GT(finished, 0) << "a crash after the new files were written finishes the install";
        EXPECT_LT(finished, crashes) << "a crash before that undoes it";
    }
}

} // namespace
