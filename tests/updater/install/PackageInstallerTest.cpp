// The installer's steps on real folders: what ends up installed, what is reported, and that a
// failure anywhere leaves the installed product exactly as it was.
#include "updater/install/PackageTestSupport.h"
#include "support/AllocationFailure.h"

#include "FileIO/gCMemFile.h"
#include "platform/Launcher.h"
#include "updater/install/CPNUDesquasher.h"
#include "updater/install/PNUInstallJournal.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

const FileTree kOldProduct = {
    {"Pintrel 2.app/Contents/MacOS/Pintrel 2", "old program"},
    {"Pintrel 2.app/Contents/Resources/system.msf", "old settings"},
    {"Readme.txt", "old readme"},
    {"unrelated.txt", "stays as it is"},
};

const std::vector<sPackFile> kNewFiles = {
    {"/Pintrel 2.app/Contents/MacOS/Pintrel 2", "new program", 0755},
    {"/Pintrel 2.app/Contents/Resources/system.msf", "new settings", 0644},
    {"/Readme.txt", "new readme", 0644},
    {"/Pintrel 2.app/Contents/Plugins/brushes.dat", std::string(3000, 'b') + "end", 0600},
};

FileTree NewProduct()
{
    FileTree tree = kOldProduct;
    for (const sPackFile& file : kNewFiles)
        tree[file.name.substr(1)] = file.content;
    return tree;
}

// The product without the installer's own leftovers.
FileTree Product(const std::filesystem::path& root)
{
    FileTree tree = ReadTree(root);
    for (auto it = tree.begin(); it != tree.end();) {
        const std::string& name = it->first;
        const bool leftover = name.rfind(".pintrel-update-journal", 0) == 0
            || (name.size() > 4
                && (name.compare(name.size() - 4, 4, ".tmp") == 0 || name.compare(name.size() - 4, 4, ".old") == 0));
        it = leftover ? tree.erase(it) : std::next(it);
    }
    return tree;
}

unsigned ModeOf(const std::filesystem::path& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? unsigned(info.st_mode & 07777) : 0u;
}

class PackageInstaller : public testing::Test {
protected:
    PackageInstaller()
    {
        host.installFolder = folder.Root();
        WriteTree(folder.Root(), kOldProduct);
    }
    ~PackageInstaller() override { plat::SetLauncher(nullptr); }

    eResultCode Install(CPNUDesquasher& installer, const Bytes& package)
    {
        gCMemFile stream;
        EXPECT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
        return installer.InstallPackage(stream);
    }

    eResultCode Install(const Bytes& package, CPNUInstallFiles* files = nullptr)
    {
        CPNUDesquasher installer(&host, &host, files);
        return Install(installer, package);
    }

    TempFolder folder;
    RecordingHost host;
};

TEST_F(PackageInstaller, InstallsNewAndReplacedFiles)
{
    const Bytes package = PackageFromArchive(BuildArchive({"TYPE=UPDATER", "EXECUTE="}, kNewFiles));
    ASSERT_EQ(Install(package), eSuccess);
    EXPECT_EQ(ReadTree(folder.Root()), NewProduct()) << "no .tmp or .old file is left";
    EXPECT_EQ(ModeOf(folder.Root() / "Pintrel 2.app/Contents/MacOS/Pintrel 2"), 0755u);
    EXPECT_EQ(ModeOf(folder.Root() / "Pintrel 2.app/Contents/Plugins/brushes.dat"), 0600u);

    for (const char* line : {"T42", "T23", "T24", "T25", "T27", "T26", "T33", "T30", "T35", " ", "T22.1"})
        EXPECT_TRUE(host.HasLine(line, kStatusBlack)) << line;
    EXPECT_EQ(host.lines.back().text, "T22.1");
    EXPECT_EQ(host.controlTexts[313], "T16");
    EXPECT_FLOAT_EQ(host.progress.back(), 1.0f);
    const std::vector<std::string>& log = host.log;
    EXPECT_NE(std::find(log.begin(), log.end(), "T29brushes.dat.tmp"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "T34Readme.txt"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "T36Readme.txt.old"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "T34brushes.dat"), log.end()) << "a new file has nothing to keep";
    EXPECT_EQ(host.quits, 0);
}

// No set-id or sticky bit, and no write for the group or others: no other user may replace a
// program of the product.
TEST_F(PackageInstaller, NeverCarriesSetIdBitsOrWriteForOthers)
{
    const std::pair<unsigned, unsigned> modes[] = {{06755, 0755}, {04777, 0755}, {01777, 0755}, {0666, 0644}, {0600, 0600}};
    std::vector<sPackFile> files;
    for (const auto& [given, applied] : modes)
        files.push_back({"/tool" + std::to_string(given), "t", given});
    ASSERT_EQ(Install(PackageFromArchive(BuildArchive({}, files))), eSuccess);
    for (const auto& [given, applied] : modes)
        EXPECT_EQ(ModeOf(folder.Root() / ("tool" + std::to_string(given))), applied) << given;
}

TEST_F(PackageInstaller, LaunchesTheNamedProgramAndQuits)
{
    plat::RecordingLauncher launcher;
    const std::vector<std::string>& launched = launcher.paths;
    plat::SetLauncher(&launcher);
    const Bytes package = PackageFromArchive(BuildArchive({"EXECUTE=/Pintrel 2.app"}, {{"/Pintrel 2.app/x", "x"}}));
    ASSERT_EQ(Install(package), eHandled);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (folder.Root() / "Pintrel 2.app").string());
    EXPECT_EQ(host.quits, 1);
}

TEST_F(PackageInstaller, AMissingProgramIsReportedAfterInstalling)
{
    const Bytes package = PackageFromArchive(BuildArchive({"EXECUTE=/missing"}, {{"/a", "a"}}));
    EXPECT_EQ(Install(package), eStreamError);
    EXPECT_EQ(host.quits, 0);
    EXPECT_TRUE(host.HasLine("T22.1", kStatusBlack));
}

TEST_F(PackageInstaller, InstallsOnlyOncePerRun)
{
    const Bytes package = PackageFromArchive(BuildArchive({}, kNewFiles));
    CPNUDesquasher installer(&host, &host);
    ASSERT_EQ(Install(installer, package), eSuccess);
    std::filesystem::remove_all(folder.Root());
    WriteTree(folder.Root(), kOldProduct);
    host.lines.clear();
    EXPECT_EQ(Install(installer, package), eSuccess);
    ASSERT_EQ(host.lines.size(), 2u);
    EXPECT_TRUE(host.HasLine(" ", kStatusBlack));
    EXPECT_TRUE(host.HasLine("T41", kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root()), kOldProduct);
}

struct sRefusal {
    const char* name;
    std::vector<std::string> lines;
    std::vector<sPackFile> files;
    const char* redLine;
    const char* reason; // the second red line, naming what was refused and why
    FileTree product = {}; // files of the product besides the old one, which stay as they are
};

// Changes the archive of a package that the builder cannot make.
using ArchivePatch = void (*)(Bytes& archive);

void IndexOver64KB(Bytes& archive)
{
    const uint32_t length = 65537;
    memcpy(&archive[12], &length, 4);
}

// The name "/a/b" becomes "/a" NUL "b": the index ends the name at the NUL.
void NulInName(Bytes& archive)
{
    const Bytes name = {'/', 0, 'a', 0, '/', 0, 'b', 0};
    auto at = std::search(archive.begin(), archive.end(), name.begin(), name.end());
    ASSERT_NE(at, archive.end());
    at[4] = 0;
}

TEST_F(PackageInstaller, RefusedPackagesLeaveTheFolderUnchangedAndSayWhy)
{
    const sRefusal refusals[] = {
        {"ClimbingName", {}, {{"/Readme.txt", "x"}, {"/../escaped.txt", "x"}}, "T45",
         "Refused: Entry 1 \"/../escaped.txt\": the name leaves the install folder"},
        {"DeepClimbingName", {}, {{"/a/b/../../../escaped.txt", "x"}}, "T45",
         "Refused: Entry 0 \"/a/b/../../../escaped.txt\": the name leaves the install folder"},
        {"EmptyName", {}, {{"/Readme.txt", "x"}, {"", "x"}}, "T45", "Refused: Entry 1 \"\": the name is empty"},
        {"FolderItself", {}, {{"/", "x"}}, "T45", "Refused: Entry 0 \"/\": the name is empty"},
        {"EmptyPart", {}, {{"/a//b", "x"}}, "T45", "Refused: Entry 0 \"/a//b\": the name has an empty part"},
        {"NameWithoutSeparator", {}, {{"Readme.txt", "x"}}, "T45",
         "Refused: Entry 0 \"Readme.txt\": the name does not start with a separator"},
        {"ClimbingProgram", {"EXECUTE=/../../bin/sh"}, {{"/Readme.txt", "x"}}, "T45",
         "Refused: EXECUTE \"/../../bin/sh\": the name leaves the install folder"},
        {"OtherSystem", {"OS=WINDOWS"}, {{"/Readme.txt", "x"}}, "PI Err: T45", nullptr},
        // Names the installer could not keep apart, refused before the leftover step would take the
        // product's own ".old" or ".tmp" file for one of its own.
        {"NameTwice", {}, {{"/Twice", "x"}, {"/Twice", "y"}}, "T45",
         "Refused: Entry 1 \"/Twice\": the name is not acceptable"},
        {"NameAndItsPartner", {}, {{"/Readme.txt", "x"}, {"/Readme.txt.old", "x"}}, "T45",
         "Refused: Entry 1 \"/Readme.txt.old\": the name is not acceptable", {{"Readme.txt.old", "the product's own"}}},
        {"NewNameAndItsPartner", {}, {{"/New.txt", "x"}, {"/New.txt.old", "x"}}, "T45",
         "Refused: Entry 1 \"/New.txt.old\": the name is not acceptable", {{"New.txt.old", "the product's own"}}},
        {"NameAndItsTemporary", {}, {{"/Readme.txt.tmp", "x"}, {"/Readme.txt", "x"}}, "T45",
         "Refused: Entry 0 \"/Readme.txt.tmp\": the name is not acceptable",
         {{"Readme.txt.old", "the product's own"}, {"Readme.txt.tmp", "the product's own"}}},
        {"BelowAPartner", {}, {{"/Readme.txt", "x"}, {"/Readme.txt.old/inside.txt", "x"}}, "T45",
         "Refused: Entry 1 \"/Readme.txt.old/inside.txt\": the name is not acceptable"},
        {"FileAndFolder", {}, {{"/Readme.txt", "x"}, {"/New", "x"}, {"/New/inner.txt", "x"}}, "T45",
         "Refused: Entry 1 \"/New\": the package holds it both as a file and as a folder"},
        {"TheJournal", {}, {{"/.pintrel-update-journal", "x"}}, "T45",
         "Refused: Entry 0 \"/.pintrel-update-journal\": the name is not acceptable"},
        {"BelowTheJournal", {}, {{"/.pintrel-update-journal/x", "x"}}, "T45",
         "Refused: Entry 0 \"/.pintrel-update-journal/x\": the name is not acceptable"},
        {"TheLockFile", {}, {{"/.pintrel-update-lock", "x"}}, "T45",
         "Refused: Entry 0 \"/.pintrel-update-lock\": the name is not acceptable"},
        {"BelowTheLockFile", {}, {{"/.pintrel-update-lock/x", "x"}}, "T45",
         "Refused: Entry 0 \"/.pintrel-update-lock/x\": the name is not acceptable"},
        {"TheLog", {}, {{"/Readme.txt", "x"}, {"/Pintrel Updater.app/Contents/UpdateResults.log", "x"}}, "T45",
         "Refused: Entry 1 \"/Pintrel Updater.app/Contents/UpdateResults.log\": the name is not acceptable",
         {{"Pintrel Updater.app/Contents/UpdateResults.log", "lines"}}},
    };
    for (const sRefusal& refusal : refusals) {
        host.lines.clear();
        WriteTree(folder.Root(), refusal.product);
        FileTree product = kOldProduct;
        product.insert(refusal.product.begin(), refusal.product.end());
        const Bytes package = PackageFromArchive(BuildArchive(refusal.lines, refusal.files));
        EXPECT_EQ(Install(package), eGenericFailure) << refusal.name;
        EXPECT_TRUE(host.HasLine(refusal.redLine, kStatusRed)) << refusal.name;
        if (refusal.reason) {
            EXPECT_TRUE(host.HasLine(refusal.reason, kStatusRed)) << refusal.name << ": " << host.lines.back().text;
        }
        EXPECT_EQ(ReadTree(folder.Root()), product) << refusal.name;
        EXPECT_FALSE(std::filesystem::exists(folder.Root().parent_path() / "escaped.txt"));
        for (const auto& [name, content] : refusal.product)
            std::filesystem::remove(folder.Root() / name);
    }

    const std::pair<ArchivePatch, const char*> patched[] = {
        {IndexOver64KB, "Refused: The file index: it is larger than 64 KB"},
        {NulInName, "Refused: Entry 0 \"/a\": the marker after its name is missing (a NUL character inside the name?)"},
    };
    for (const auto& [patch, reason] : patched) {
        host.lines.clear();
        Bytes archive = BuildArchive({}, {{"/a/b", "x"}});
        patch(archive);
        EXPECT_EQ(Install(PackageFromArchive(archive)), eGenericFailure) << reason;
        EXPECT_TRUE(host.HasLine("T45", kStatusRed)) << reason;
        EXPECT_TRUE(host.HasLine(reason, kStatusRed)) << reason << ": " << host.lines.back().text;
    }
}

TEST_F(PackageInstaller, ADamagedPackageStopsBeforeAnyFileStep)
{
    Bytes package = PackageFromArchive(BuildArchive({}, kNewFiles));
    package.erase(package.begin() + 40, package.begin() + 41);
    EXPECT_EQ(Install(package), eGenericFailure);
    EXPECT_TRUE(host.HasLine("T44", kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root()), kOldProduct);
}

TEST_F(PackageInstaller, AWrongRecordStopsTheWriteStep)
{
    // The second record's number and size are checked after the first ".tmp" was written, which
    // goes again with the failure.
    Bytes archive = BuildArchive({}, {{"/Readme.txt", "first"}, {"/second.txt", "second"}});
    uint32_t textUnits = 0;
    uint32_t indexLength = 0;
    memcpy(&indexLength, &archive[12], 4);
    memcpy(&textUnits, &archive[16], 4);
    const size_t secondRecord = 32 + 2 * textUnits + indexLength + 8 + 62 + 5;
    for (size_t offset : {size_t(8), size_t(20)}) {
        Bytes damaged = archive;
        damaged[secondRecord + offset] ^= 0x40;
        host.lines.clear();
        EXPECT_EQ(Install(PackageFromArchive(damaged)), eGenericFailure);
        EXPECT_TRUE(host.HasLineStartingWith("T47 ", kStatusRed));
        EXPECT_EQ(ReadTree(folder.Root()), kOldProduct) << "the first .tmp file is removed again";
    }
}

TEST_F(PackageInstaller, ARecordPastTheArchiveEndStopsTheWriteStep)
{
    Bytes archive = BuildArchive({}, {{"/Readme.txt", "first"}, {"/second.txt", "second"}});
    archive.resize(archive.size() - 5);
    EXPECT_EQ(Install(PackageFromArchive(archive)), eGenericFailure);
    EXPECT_TRUE(host.HasLineStartingWith("T47 Record 1: ", kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root()), kOldProduct);
}

TEST_F(PackageInstaller, RefusesToInstallWithoutAnInstallFolder)
{
    // The root of the file system is never taken for the install folder.
    host.installFolder = "";
    EXPECT_EQ(Install(PackageFromArchive(BuildArchive({}, {{"/tmp/pnu-never-written", "x"}}))), eGenericFailure);
    EXPECT_TRUE(host.HasLine("T45", kStatusRed));
    EXPECT_FALSE(std::filesystem::exists("/tmp/pnu-never-written"));
}

TEST_F(PackageInstaller, RestoresAnOldFileWhoseFileIsMissing)
{
    // An earlier install stopped after keeping Readme.txt as ".old": it is the only copy left.
    std::filesystem::rename(folder.Root() / "Readme.txt", folder.Root() / "Readme.txt.old");
    WriteTree(folder.Root(), {{"Readme.txt.tmp", "half written"}});
    Bytes package = PackageFromArchive(BuildArchive({"OS=WINDOWS"}, {{"/Readme.txt", "new"}}));
    ASSERT_EQ(Install(package), eGenericFailure) << "refused: no file step runs";

    CPNUDesquasher installer(&host, &host);
    gCMemFile stream;
    package = PackageFromArchive(BuildArchive({}, {{"/Readme.txt", "new"}}));
    ASSERT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
    ASSERT_EQ(installer.UnpackUpdateFile(stream), eSuccess);
    ASSERT_EQ(installer.ReadArchiveIndex(), eSuccess);
    ASSERT_EQ(installer.RemoveLeftovers(), eSuccess);
    EXPECT_EQ(ReadTree(folder.Root()), kOldProduct);
}

// Records the order of the changing operations.
class OrderedFiles : public CPNUInstallFiles {
public:
    eResultCode Move(const gCString& source, const gCString& target) override
    {
        operations.push_back("move " + Utf8(source));
        return CPNUInstallFiles::Move(source, target);
    }
    eResultCode Link(const gCString& source, const gCString& target) override
    {
        operations.push_back("link " + Utf8(source));
        return CPNUInstallFiles::Link(source, target);
    }
    eResultCode Replace(const gCString& source, const gCString& target) override
    {
        operations.push_back("replace " + Utf8(source));
        return CPNUInstallFiles::Replace(source, target);
    }
    eResultCode WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode) override
    {
        operations.push_back("write " + Utf8(path));
        return CPNUInstallFiles::WriteFile(path, data, size, mode);
    }
    eResultCode Flush(const gCString& folder) override
    {
        operations.push_back("flush " + Utf8(folder));
        return CPNUInstallFiles::Flush(folder);
    }
    std::vector<std::string> operations;
};

// Counts the folder checks, the folders resolved through links and the folders made, by folder.
class FolderCountingFiles : public CPNUInstallFiles {
public:
    eResultCode StaysBeneath(const gCString& root, const gCString& folder) override
    {
        ++checked[Utf8(folder)];
        return CPNUInstallFiles::StaysBeneath(root, folder);
    }
    eResultCode GetFolderIdentity(const gCString& folder, plat::sEntryIdentity& identity) override
    {
        ++resolved[Utf8(folder)];
        return CPNUInstallFiles::GetFolderIdentity(folder, identity);
    }
    eResultCode CreateFolder(const gCString& folder) override
    {
        ++made[Utf8(folder)];
        return CPNUInstallFiles::CreateFolder(folder);
    }
    std::map<std::string, int> checked;
    std::map<std::string, int> resolved;
    std::map<std::string, int> made;
};

TEST_F(PackageInstaller, FollowsEachFolderOnceAndMakesItOnceARun)
{
    // Two runs of "a" around one of "b/c"; all three folders are new.
    const std::vector<sPackFile> files = {
        {"/a/1", "1"}, {"/a/2", "2"}, {"/b/c/3", "3"}, {"/b/c/4", "4"}, {"/a/5", "5"}};
    FolderCountingFiles counting;
    ASSERT_EQ(Install(PackageFromArchive(BuildArchive({}, files)), &counting), eSuccess);
    const std::string a = (folder.Root() / "a/").string();
    const std::string c = (folder.Root() / "b/c/").string();
    EXPECT_EQ(counting.checked, (std::map<std::string, int>{{a, 1}, {c, 1}}));
    EXPECT_EQ(counting.made, (std::map<std::string, int>{{a, 2}, {c, 1}}));
    // The install folder, the three new folders, and the two of the log's way.
    EXPECT_EQ(counting.resolved.size(), 6u);
    for (const auto& [path, count] : counting.resolved)
        EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(ReadTree(folder.Root() / "a"), (FileTree{{"1", "1"}, {"2", "2"}, {"5", "5"}}));
}

// Counts the looks at what stands at a path.
class LookCountingFiles : public CPNUInstallFiles {
public:
    bool Exists(const gCString& path) override { return ++looks, CPNUInstallFiles::Exists(path); }
    bool IsFolder(const gCString& path) override { return ++looks, CPNUInstallFiles::IsFolder(path); }
    bool IsFile(const gCString& path) override { return ++looks, CPNUInstallFiles::IsFile(path); }
    eResultCode GetIdentity(const gCString& path, plat::sEntryIdentity& identity) override
    {
        return ++looks, CPNUInstallFiles::GetIdentity(path, identity);
    }
    int looks = 0;
};

TEST_F(PackageInstaller, LooksAtEachEntryOnceAStep)
{
    // Over the installed product and again over the files it has just put in place: the leftover
    // step looks at ".old" and ".tmp", the destination check at the name, the write step at the
    // new file; the later steps go by those looks.
    const Bytes package = PackageFromArchive(BuildArchive({}, kNewFiles));
    for (int round = 0; round < 2; ++round) {
        LookCountingFiles counting;
        ASSERT_EQ(Install(package, &counting), eSuccess);
        EXPECT_EQ(ReadTree(folder.Root()), NewProduct());
        // Besides: each of the five folders on the way, once, and the journal's new file.
        EXPECT_EQ(counting.looks, 4 * int(kNewFiles.size()) + 5 + 1) << "round " << round;
    }
}

TEST_F(PackageInstaller, AHeldPackageIsUsedUpAsItInstalls)
{
    // Large enough to be decoded in several parts, with matches across every part's end.
    std::vector<sPackFile> files = kNewFiles;
    files.push_back({"/large.dat", RandomLetters(3 << 20, 4)});
    const Bytes package = PackageFromArchive(BuildArchive({}, files));
    CPNUDesquasher installer(&host, &host);
    gCMemFile held;
    ASSERT_EQ(held.Write(package.data(), int32_t(package.size())), eSuccess);
    ASSERT_EQ(installer.InstallHeldPackage(held), eSuccess);
    FileTree product = NewProduct();
    product["large.dat"] = files.back().content;
    EXPECT_TRUE(ReadTree(folder.Root()) == product);
    EXPECT_EQ(held.GetSize(), 0);
}

// Places the next block a stream grows into at a chosen offset of a page, so a held package can
// be put anywhere in memory; everything else goes through the saved hooks.
class PlacingAllocator {
public:
    explicit PlacingAllocator(size_t bytes) : mArea(bytes + 2 * kPage), mSaved(GetMemoryHooks())
    {
        sSelf = this;
        gReallocHook = [](void* block, size_t size) { return sSelf->Reallocate(block, size); };
        gFreeHook = [](void* block) {
            if (!sSelf->Owns(block))
                sSelf->mSaved.release(block);
        };
    }
    ~PlacingAllocator() { SetMemoryHooks(mSaved), sSelf = nullptr; }

    // The next growth of an empty stream lands at this offset within a page.
    void PlaceNextAt(size_t offset) { mNext = offset; }

    static constexpr size_t kPage = 4096;

private:
    void* Reallocate(void* block, size_t size)
    {
        uint8_t* page = mArea.data() + (kPage - uintptr_t(mArea.data()) % kPage);
        if (Owns(block)) {
            // Moved out, as the stream shrinks when it is used up.
            const size_t held = size_t(mArea.data() + mArea.size() - static_cast<uint8_t*>(block));
            void* moved = mSaved.allocate(size);
            if (moved)
                std::memcpy(moved, block, std::min(size, held));
            return moved;
        }
        if (mNext == SIZE_MAX || mNext + size > mArea.size() - kPage)
            return mSaved.reallocate(block, size);
        mSaved.release(block);
        return page + std::exchange(mNext, SIZE_MAX);
    }
    bool Owns(const void* block) const
    {
        return block >= mArea.data() && block < mArea.data() + mArea.size();
    }

    static inline PlacingAllocator* sSelf = nullptr;
    std::vector<uint8_t> mArea;
    sMemoryHooks mSaved;
    size_t mNext = SIZE_MAX;
};

TEST_F(PackageInstaller, DecodesAHeldPackageWhereverItLies)
{
    // Decoded in two parts at least; the pages of the first go back to the system before the
    // second is decoded, whatever page the payload begins on. A build other than the installed
    // one stops the install after decoding and reading the index.
    host.buildString = "A1";
    const Bytes package = PackageFromArchive(BuildArchive({"BUILD=B2"}, {{"/large.dat", RandomLetters(3 << 19, 26)}}));
    ASSERT_GT(package.size(), size_t(1 << 20) + PlacingAllocator::kPage);
    PlacingAllocator placing(package.size() + 4096); // and the stream's slack
    CPNUDesquasher installer(&host, &host);
    for (size_t offset = 0; offset < PlacingAllocator::kPage; ++offset) {
        host.lines.clear();
        gCMemFile held;
        placing.PlaceNextAt(offset);
        ASSERT_EQ(held.Write(package.data(), int32_t(package.size())), eSuccess);
        ASSERT_EQ(uintptr_t(held.GetData()) % PlacingAllocator::kPage, offset);
        EXPECT_EQ(installer.InstallHeldPackage(held), eGenericFailure);
        ASSERT_TRUE(host.HasLine("PI Err: T45", kStatusRed)) << "the package at offset " << offset << " is not decoded";
    }
}

TEST_F(PackageInstaller, WritesEveryNewFileBeforeMovingAnyInstalledOne)
{
    OrderedFiles files;
    ASSERT_EQ(Install(PackageFromArchive(BuildArchive({}, kNewFiles)), &files), eSuccess);
    size_t lastWrite = 0;
    size_t flush = files.operations.size();
    size_t firstMove = files.operations.size();
    std::erase_if(files.operations,
                  [](const std::string& op) { return op.find(".pintrel-update-journal") != std::string::npos; });
    for (size_t i = 0; i < files.operations.size(); ++i) {
        if (files.operations[i].rfind("write ", 0) == 0)
            lastWrite = i;
        else if (files.operations[i].rfind("flush ", 0) == 0)
            flush = i;
        else if (firstMove == files.operations.size())
            firstMove = i;
    }
    EXPECT_LT(lastWrite, flush) << "the new files are flushed once they are all written";
    EXPECT_LT(flush, firstMove) << "and before any installed file moves";
    EXPECT_EQ(std::count_if(files.operations.begin(), files.operations.end(),
                            [](const std::string& op) { return op.rfind("write ", 0) == 0; }),
              long(kNewFiles.size()));
    EXPECT_LT(lastWrite, firstMove);
}

TEST_F(PackageInstaller, AFailureAtAnyFileOperationLeavesTheProductOldOrNew)
{
    const Bytes package = PackageFromArchive(BuildArchive({}, kNewFiles));
    const FileTree newProduct = NewProduct();
    // With hard links, and on a file system without them, where files move aside to be kept.
    for (const bool links : {true, false}) {
        int64_t k = 1;
        for (;; ++k) {
            TempFolder root;
            WriteTree(root.Root(), kOldProduct);
            // A leftover from an earlier run, so the leftover step has work to fail.
            WriteTree(root.Root(), {{"Readme.txt.tmp", "stale"}});
            RecordingHost local;
            local.installFolder = root.Root();
            FaultyFiles files(k, links);
            CPNUDesquasher installer(&local, &local, &files);
            gCMemFile stream;
            ASSERT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
            const eResultCode result = installer.InstallPackage(stream);
            const FileTree product = Product(root.Root());
            if (result == eSuccess) {
                EXPECT_EQ(product, newProduct) << "k = " << k;
            } else {
                EXPECT_EQ(result, eGenericFailure) << "k = " << k;
                EXPECT_EQ(product, kOldProduct) << "k = " << k;
                EXPECT_FALSE(std::filesystem::exists(root.Root() / "Readme.txt.old")) << "k = " << k;
            }
            // The next start finds the product as the install left it, and nothing to repair for good.
            EXPECT_EQ(RecoverUnfinishedInstall(local, &local), eSuccess) << "k = " << k;
            EXPECT_EQ(Product(root.Root()), result == eSuccess ? newProduct : kOldProduct) << "k = " << k;
            EXPECT_FALSE(std::filesystem::exists(root.Root() / ".pintrel-update-journal")) << "k = " << k;
            // No ".old" file is forgotten, and an undone install takes the folder it made with it.
            EXPECT_FALSE(std::filesystem::exists(root.Root() / "Readme.txt.old")) << "k = " << k;
            EXPECT_EQ(std::filesystem::exists(root.Root() / "Pintrel 2.app/Contents/Plugins"), result == eSuccess)
                << "k = " << k;
            if (!files.Failed())
                break;
        }
        EXPECT_GT(k, 12) << "every step's operations were reached" << (links ? "" : " without links");
    }
}

} // namespace

namespace {

// Renames back that fail: the failed ones keep their ".old" file and the journal, a red line says
// so, and the next start puts them back.
TEST_F(PackageInstaller, ARollBackThatCannotPutAFileBackKeepsItForTheNextStart)
{
    class cStuckFiles : public CPNUInstallFiles {
    public:
        eResultCode Replace(const gCString& source, const gCString& target) override
        {
            const std::string name = Utf8(source);
            const bool stuck = name.ends_with("brushes.dat.tmp") || name.ends_with("Readme.txt.old");
            if (!stuck)
                return CPNUInstallFiles::Replace(source, target);
            SetOwnReason(kTextMoveRefused);
            return eBadParameter;
        }
        // A later entry failing for a reason of its own: the line names the first with its reason.
        eResultCode Delete(const gCString& path) override
        {
            if (!Utf8(path).ends_with("brushes.dat.tmp"))
                return CPNUInstallFiles::Delete(path);
            SetFailureReason(gCString("Device or resource busy"));
            return eStreamError;
        }
    } files;
    ASSERT_EQ(Install(PackageFromArchive(BuildArchive({}, kNewFiles)), &files), eGenericFailure);
    const std::string readme = (folder.Root() / "Readme.txt").string();
    EXPECT_TRUE(host.HasLine("T49 " + (folder.Root() / "Pintrel 2.app/Contents/Plugins/brushes.dat").string()
                                 + ": the move was refused",
                             kStatusRed));
    EXPECT_TRUE(host.HasLine("The update could not be undone: " + readme
                                 + ": the move was refused. The previous files are kept, and the next start of "
                                   "the updater puts them back.",
                             kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root())["Readme.txt.old"], "old readme");
    EXPECT_TRUE(std::filesystem::exists(folder.Root() / ".pintrel-update-journal"));

    EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess);
    EXPECT_EQ(ReadTree(folder.Root()), kOldProduct);
    EXPECT_FALSE(std::filesystem::exists(folder.Root() / "Pintrel 2.app/Contents/Plugins"));
}

// A folder that cannot be reached once the place step failed (a fault, or the folder moved away
// and a link naming nothing laid in its place), or a kept file swapped for a link: the roll-back
// undoes the rest but never takes that folder's entries as missing, keeps their ".old" files and
// the journal, and says so with that entry's own reason; once all is back the next start puts
// them back.
TEST_F(PackageInstaller, ARollBackThatCannotReachAFolderKeepsItsFilesForTheNextStart)
{
    class cFailingPlace : public UnreachableFiles {
    public:
        using UnreachableFiles::UnreachableFiles;
        eResultCode Replace(const gCString& source, const gCString& target) override
        {
            if (!Utf8(source).ends_with("brushes.dat.tmp"))
                return CPNUInstallFiles::Replace(source, target);
            reachable = !swapped.empty();
            if (reachable) {
                std::filesystem::rename(swapped, swapped + ".away");
                std::filesystem::create_symlink("gone", swapped);
            }
            SetOwnReason(kTextMoveRefused);
            return eBadParameter;
        }
        std::string swapped; // for a link naming nothing, where no fault is
    };
    const std::string macOS = (folder.Root() / "Pintrel 2.app/Contents/MacOS/").string();
    for (const auto& [fault, swapped, reason] :
         {std::tuple(plat::eFileResult::kAccessDenied, "", "Permission denied"),
          std::tuple(plat::eFileResult::kFailed, "", "Input/output error"),
          std::tuple(plat::eFileResult::kOk, "MacOS", "No such file or directory"),
          std::tuple(plat::eFileResult::kOk, "MacOS/Pintrel 2.old", "it is not a regular file")}) {
        WriteTree(folder.Root(), kOldProduct);
        host.lines.clear();
        cFailingPlace files(macOS, fault);
        files.reachable = true;
        files.swapped = *swapped ? (folder.Root() / "Pintrel 2.app/Contents" / swapped).string() : "";
        ASSERT_EQ(Install(PackageFromArchive(BuildArchive({}, kNewFiles)), &files), eGenericFailure);
        EXPECT_TRUE(host.HasLine("The update could not be undone: " + macOS + "Pintrel 2.old: " + reason
                                     + ". The previous files are kept, and the next start of the updater puts them "
                                       "back.",
                                 kStatusRed))
            << reason;
        if (*swapped) {
            std::filesystem::remove(files.swapped);
            std::filesystem::rename(files.swapped + ".away", files.swapped);
        }
        FileTree tree = ReadTree(folder.Root());
        EXPECT_EQ(tree["Pintrel 2.app/Contents/MacOS/Pintrel 2.old"], "old program") << reason;
        EXPECT_EQ(tree["Readme.txt"], "old readme") << reason;
        EXPECT_TRUE(std::filesystem::exists(folder.Root() / ".pintrel-update-journal")) << reason;

        files.reachable = true;
        EXPECT_EQ(RecoverUnfinishedInstall(host, &host, &files), eSuccess) << reason;
        EXPECT_EQ(ReadTree(folder.Root()), kOldProduct) << reason;
    }
}

TEST_F(PackageInstaller, DestinationsStayInsideTheFolderAndNeverTurnAFolderIntoAFile)
{
    TempFolder outside;
    std::filesystem::create_symlink(outside.Root(), folder.Root() / "Out");
    std::filesystem::create_directories(folder.Root() / "Real");
    std::filesystem::create_symlink(folder.Root() / "Real", folder.Root() / "In");
    std::filesystem::create_symlink(outside.Root() / "target.txt", folder.Root() / "Linked.txt");
    // The product's own ".old" file, which no refused package may take for a leftover.
    WriteTree(folder.Root(), {{"Pintrel Updater.app/Contents/UpdateResults.log", "lines"}, {"Readme.txt.old", "own"}});
    for (const auto& [name, target] : {std::pair("Rel", "Real"), std::pair("Chain", "Rel"), std::pair("Up", ".."),
                                       std::pair("ChainOut", "Out"), std::pair("Self", "."),
                                       std::pair("Dangling", "Gone"), std::pair("Ring", "Ring2"),
                                       std::pair("Ring2", "Ring")})
        std::filesystem::create_symlink(target, folder.Root() / name);
    struct sCase {
        const char* name;
        std::vector<sPackFile> files;
        const char* reason; // after "T47 <install folder>"; null when the package installs
    };
    const sCase cases[] = {
        {"LinkLeadingOut", {{"/Out/new.txt", "x"}}, "/Out/new.txt: its folder leads out of the install folder"},
        {"DeeperBelowALinkLeadingOut", {{"/Out/a/b/new.txt", "x"}},
         "/Out/a/b/new.txt: its folder leads out of the install folder"},
        {"FileOverFolder", {{"/Pintrel 2.app/Contents", "x"}},
         "/Pintrel 2.app/Contents: a folder stands where the file goes"},
        // A link on the way is followed while it stays inside; an absolute one never is.
        {"AbsoluteLinkStayingInside", {{"/In/new.txt", "inside"}},
         "/In/new.txt: its folder leads out of the install folder"},
        {"LinkStayingInside", {{"/Rel/new.txt", "inside"}}, nullptr},
        {"ChainStayingInside", {{"/Chain/chained.txt", "chained"}}, nullptr},
        {"LinkClimbingOut", {{"/Up/new.txt", "x"}}, "/Up/new.txt: its folder leads out of the install folder"},
        {"ChainLeadingOut", {{"/ChainOut/new.txt", "x"}}, "/ChainOut/new.txt: its folder leads out of the install folder"},
        {"DanglingLink", {{"/Dangling/new.txt", "x"}}, "/Dangling/new.txt: No such file or directory"},
        {"LinksInARing", {{"/Ring/new.txt", "x"}}, "/Ring/new.txt: Too many levels of symbolic links"},
        {"TwoWaysToOneFile", {{"/Real/twice.txt", "x"}, {"/Rel/twice.txt", "y"}},
         "/Rel/twice.txt: the name is not acceptable"},
        {"TheLockFileThroughALink", {{"/Self/.pintrel-update-lock", "x"}},
         "/Self/.pintrel-update-lock: the name is not acceptable"},
        {"ThePartnerThroughALink", {{"/Readme.txt", "x"}, {"/Self/Readme.txt.old", "x"}},
         "/Self/Readme.txt.old: the name is not acceptable"},
        {"LinkLeadingOutBesideAReplacedFile", {{"/Readme.txt", "x"}, {"/Out/new.txt", "x"}},
         "/Out/new.txt: its folder leads out of the install folder"},
        {"TheLogThroughALink", {{"/Self/Pintrel Updater.app/Contents/UpdateResults.log", "x"}},
         "/Self/Pintrel Updater.app/Contents/UpdateResults.log: the name is not acceptable"},
        // A link at the file's own name is replaced, never written through.
        {"LinkWhereTheFileGoes", {{"/Linked.txt", "x"}}, nullptr},
        {"NewFoldersInside", {{"/Fresh/a/new.txt", "fresh"}}, nullptr},
    };
    for (const sCase& c : cases) {
        host.lines.clear();
        const FileTree before = ReadTree(folder.Root());
        const eResultCode result = Install(PackageFromArchive(BuildArchive({}, c.files)));
        EXPECT_TRUE(std::filesystem::is_empty(outside.Root())) << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder.Root().parent_path() / "new.txt")) << c.name;
        if (!c.reason) {
            EXPECT_EQ(result, eSuccess) << c.name;
            continue;
        }
        EXPECT_EQ(result, eGenericFailure) << c.name;
        const std::string line = "T47 " + folder.Root().string() + c.reason;
        EXPECT_TRUE(host.HasLine(line, kStatusRed)) << c.name << ": " << host.lines.back().text;
        EXPECT_EQ(ReadTree(folder.Root()), before) << c.name;
    }
    EXPECT_EQ(ReadTree(folder.Root() / "Real"), (FileTree{{"chained.txt", "chained"}, {"new.txt", "inside"}}));
    EXPECT_EQ(ReadTree(folder.Root() / "Fresh"), (FileTree{{"a/new.txt", "fresh"}}));
    EXPECT_FALSE(std::filesystem::exists(folder.Root() / "Gone"));
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(folder.Root() / "Linked.txt")));
}

// A folder on the way of a new file that cannot be looked at once the leftovers went (a mode
// changed in between, a failing disk) refuses the package with the system's reason, not as a way
// out.
TEST_F(PackageInstaller, AFolderOnTheWayThatCannotBeReadSaysWhy)
{
    class cUnreadableWay : public CPNUInstallFiles {
    public:
        eResultCode StaysBeneath(const gCString&, const gCString&) override
        {
            SetFailureReason(gCString("Permission denied"));
            return eStreamError;
        }
    } files;
    EXPECT_EQ(Install(PackageFromArchive(BuildArchive({}, {{"/Locked/new.txt", "x"}})), &files), eGenericFailure);
    EXPECT_TRUE(host.HasLine("T47 " + (folder.Root() / "Locked/new.txt").string() + ": Permission denied", kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root()), kOldProduct);
}

// A link at a file's name, inside or leading out, is kept as itself, replaced by the new file, and
// put back by a roll-back, or by the next start where the roll-back could not.
TEST_F(PackageInstaller, ALinkAtAFilesNameIsReplacedAndPutBackByAnUndo)
{
    class cLinkFiles : public CPNUInstallFiles {
    public:
        eResultCode Replace(const gCString& source, const gCString& target) override
        {
            return failPlace && Utf8(source).ends_with("Readme.txt.tmp") ? Refused()
                                                                          : CPNUInstallFiles::Replace(source, target);
        }
        eResultCode PutBack(const gCString& source, const gCString& target) override
        {
            return failPutBack ? Refused() : CPNUInstallFiles::PutBack(source, target);
        }
        eResultCode Refused()
        {
            SetOwnReason(kTextMoveRefused);
            return eBadParameter;
        }
        bool failPlace = false;
        bool failPutBack = false;
    };
    TempFolder outside;
    outside.WriteFile("target.txt", "outside");
    const struct {
        const char* name;
        bool failPlace;
        bool failPutBack;
    } cases[] = {{"Installed", false, false}, {"RolledBack", true, false}, {"RepairedAtTheNextStart", true, true}};
    const std::vector<sPackFile> files = {{"/Current.txt", "new current"}, {"/Out.txt", "new out"}, {"/Readme.txt", "new"}};
    for (const auto& c : cases) {
        for (const char* name : {"Current.txt", "Out.txt", "Current.txt.old", "Out.txt.old"})
            std::filesystem::remove(folder.Root() / name);
        WriteTree(folder.Root(), kOldProduct);
        std::filesystem::create_symlink("Readme.txt", folder.Root() / "Current.txt");
        std::filesystem::create_symlink(outside.Root() / "target.txt", folder.Root() / "Out.txt");
        cLinkFiles linkFiles;
        linkFiles.failPlace = c.failPlace;
        linkFiles.failPutBack = c.failPutBack;
        const eResultCode result = Install(PackageFromArchive(BuildArchive({}, files)), &linkFiles);
        EXPECT_EQ(result, c.failPlace ? eGenericFailure : eSuccess) << c.name;
        if (c.failPutBack) {
            EXPECT_TRUE(std::filesystem::is_symlink(folder.Root() / "Current.txt.old")) << c.name;
            EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess) << c.name;
        }
        if (c.failPlace) {
            EXPECT_EQ(std::filesystem::read_symlink(folder.Root() / "Current.txt"), "Readme.txt") << c.name;
            EXPECT_EQ(std::filesystem::read_symlink(folder.Root() / "Out.txt"), outside.Root() / "target.txt") << c.name;
            EXPECT_EQ(ReadTree(folder.Root())["Readme.txt"], "old readme") << c.name;
        } else {
            EXPECT_EQ(ReadTree(folder.Root())["Current.txt"], "new current");
            EXPECT_FALSE(std::filesystem::is_symlink(folder.Root() / "Out.txt"));
            EXPECT_EQ(ReadTree(folder.Root())["Readme.txt"], "new");
        }
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(folder.Root() / "Current.txt.old"))) << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder.Root() / ".pintrel-update-journal")) << c.name;
        EXPECT_EQ(ReadTree(outside.Root()), (FileTree{{"target.txt", "outside"}})) << c.name;
    }
}

} // namespace

namespace {

// Swaps a folder of the install for a link to the outside once the destinations are checked,
// before the write step makes its first folder.
class SwappingFiles : public CPNUInstallFiles {
public:
    SwappingFiles(std::filesystem::path folder, std::filesystem::path outside)
        : mFolder(std::move(folder)), mOutside(std::move(outside))
    {
    }
    eResultCode CreateFolder(const gCString& folder) override
    {
        if (!swapped) {
            swapped = true;
            std::filesystem::rename(mFolder, mFolder.string() + ".real");
            std::filesystem::create_directory_symlink(mOutside, mFolder);
        }
        return CPNUInstallFiles::CreateFolder(folder);
    }
    bool swapped = false;

private:
    std::filesystem::path mFolder;
    std::filesystem::path mOutside;
};

TEST_F(PackageInstaller, AFolderSwappedForALinkAfterTheCheckLeadsNothingOutside)
{
    TempFolder outside;
    std::filesystem::create_directories(folder.Root() / "Plug-ins");
    SwappingFiles files(folder.Root() / "Plug-ins", outside.Root());
    (void)Install(PackageFromArchive(BuildArchive({}, {{"/Plug-ins/new.txt", "x"}})), &files);
    EXPECT_TRUE(files.swapped);
    EXPECT_TRUE(std::filesystem::is_empty(outside.Root()));
}

// A new file swapped for a link once written is named with that reason, never with the reason of
// an earlier, unrelated failure.
TEST_F(PackageInstaller, ATemporaryFileSwappedAfterItsWriteIsNamedWithItsOwnReason)
{
    class cSwappedTemporary : public CPNUInstallFiles {
    public:
        eResultCode WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode) override
        {
            SetOwnReason(kTextMoveRefused);
            const eResultCode written = CPNUInstallFiles::WriteFile(path, data, size, mode);
            if (Utf8(path).ends_with("Readme.txt.tmp")) {
                std::filesystem::remove(Utf8(path));
                std::filesystem::create_symlink("elsewhere", Utf8(path));
            }
            return written;
        }
    } files;
    WriteTree(folder.Root(), kOldProduct);
    EXPECT_EQ(Install(PackageFromArchive(BuildArchive({}, kNewFiles)), &files), eGenericFailure);
    EXPECT_TRUE(host.HasLine("T47 " + (folder.Root() / "Readme.txt.tmp").string() + ": it is not a regular file",
                             kStatusRed))
        << host.lines.back().text;
    EXPECT_EQ(Product(folder.Root()), kOldProduct);
}

TEST_F(PackageInstaller, AFolderNamedLikeAnOldFileIsNeverRemoved)
{
    WriteTree(folder.Root(), {{"Readme.txt.old/inside.txt", "someone's"}});
    const FileTree before = ReadTree(folder.Root());
    EXPECT_EQ(Install(PackageFromArchive(BuildArchive({}, {{"/Readme.txt", "new"}}))), eGenericFailure);
    EXPECT_TRUE(host.HasLine("T46 " + (folder.Root() / "Readme.txt.old").string() + ": Is a directory", kStatusRed))
        << host.lines.back().text;
    EXPECT_EQ(ReadTree(folder.Root()), before);
}

} // namespace

namespace {

// Memory running out while the index is read or inside a file step stops that step, a file step
// with result 5, and leaves the product as it was; a step that gets through lets the install
// finish whole.
TEST_F(PackageInstaller, RunningOutOfMemoryWhileInstallingLosesNoFile)
{
    const Bytes package = PackageFromArchive(BuildArchive({}, kNewFiles));
    const FileTree newProduct = NewProduct();
    using tStep = eResultCode (CPNUDesquasher::*)();
    const tStep steps[] = {&CPNUDesquasher::ReadArchiveIndex, &CPNUDesquasher::CheckDestinations,
                           &CPNUDesquasher::RemoveLeftovers,
                           &CPNUDesquasher::WriteTemporaryFiles, &CPNUDesquasher::KeepOldFiles,
                           &CPNUDesquasher::PlaceNewFiles};
    for (size_t failing = 0; failing < std::size(steps); ++failing) {
        bool failed = true;
        int64_t k = 1;
        int32_t stopped = 0;
        for (; failed; ++k) {
            TempFolder root;
            WriteTree(root.Root(), kOldProduct);
            WriteTree(root.Root(), {{"Readme.txt.tmp", "stale"}});
            RecordingHost local;
            local.installFolder = root.Root();
            CPNUDesquasher installer(&local, &local);
            gCMemFile stream;
            ASSERT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
            ASSERT_EQ(installer.UnpackUpdateFile(stream), eSuccess);
            eResultCode result = eSuccess;
            for (size_t s = 0; s < std::size(steps) && result == eSuccess; ++s) {
                if (s != failing) {
                    result = (installer.*steps[s])();
                    continue;
                }
                AllocationFailure failure(k);
                result = (installer.*steps[s])();
                failed = failure.Count() >= k;
            }
            const std::string at = "step " + std::to_string(failing) + ", k = " + std::to_string(k);
            // Reading the index may also be refused, when the host cannot name the install folder.
            if (failing > 0) {
                ASSERT_TRUE(result == eSuccess || result == eNoMemory) << at << ": " << result;
            }
            stopped += result == eNoMemory ? 1 : 0;
            if (result == eSuccess)
                (void)installer.RemoveOldFiles();
            EXPECT_EQ(Product(root.Root()), result == eSuccess ? newProduct : kOldProduct) << at;
            EXPECT_EQ(RecoverUnfinishedInstall(local, &local), eSuccess) << at;
            EXPECT_EQ(Product(root.Root()), result == eSuccess ? newProduct : kOldProduct) << at;
        }
        EXPECT_GT(stopped, 0) << "step " << failing << " ran short of memory";
    }
}

} // namespace
