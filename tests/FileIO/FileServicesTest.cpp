#include "FileIO/FileServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCMemFile.h"
#include "FileSystemFixture.h"
#include "PathTestSupport.h"
#include "StreamTestSupport.h"
#include "core/CMemBlock.h"
#include "core/gCPlainAlert.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Records the sizes of every read and write passing through.
class SpyStream : public gCMemFile {
public:
    eResultCode Read(void* buffer, int32_t count) override
    {
        reads.push_back(count);
        return gCMemFile::Read(buffer, count);
    }
    eResultCode Write(const void* buffer, int32_t count) override
    {
        writes.push_back(count);
        return gCMemFile::Write(buffer, count);
    }
    std::vector<int32_t> reads;
    std::vector<int32_t> writes;
};

std::vector<std::string> sAlerts;
void RecordAlert(const char* main, const char* explanation) { sAlerts.push_back(std::string(main) + "|" + explanation); }

class FileServices : public FileSystemFixture {};

} // namespace

TEST_F(FileServices, ExistenceOfRelativePathsTestsTheJoinedPath)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "Contents").c_str()), plat::eFileResult::kOk);
    temp.WriteFile("Contents/here.txt", "x");
    temp.WriteFile("here.txt", "x");
    ScopedBaseFolders bases(Text(temp / "Contents/"), Text(temp.Path()));
    gCFRelative relative(gCString(u"here.txt"), 0);
    EXPECT_TRUE(FileExists(relative));
    EXPECT_TRUE(RelativeFileExists(gCString(u"here.txt"), 1));
    EXPECT_FALSE(RelativeFileExists(gCString(u"gone.txt"), 0));
    ::unlink((temp / "Contents/here.txt").c_str());
    EXPECT_FALSE(FileExists(relative));
}

TEST_F(FileServices, DeletingWhatIsNotThereSucceeds)
{
    std::string file = temp.WriteFile("f", "x");
    EXPECT_EQ(DeleteFile(gCFRef(Text(temp / "none"))), eSuccess);
    EXPECT_EQ(DeleteFile(Text(temp / "none")), eSuccess);
    EXPECT_EQ(DeleteFileInFolder(Folder(temp.Path()), gCString(u"none")), eSuccess);
    EXPECT_EQ(DeleteFileInFolder(Folder(temp.Path()), gCString(u"f")), eSuccess);
    EXPECT_FALSE(plat::PathExists(file.c_str()));
}

TEST_F(FileServices, CopyAndMoveNeverReplace)
{
    gCFRef a(Text(temp.WriteFile("a", "A")));
    gCFRef b(Text(temp.WriteFile("b", "B")));
    EXPECT_EQ(CopyFile(a, b, 0), eBadParameter);
    EXPECT_EQ(MoveFile(a, b), eBadParameter);
    EXPECT_EQ(TempFolder::ReadFile(temp / "b"), "B");
    EXPECT_EQ(MoveFile(gCFRef(Text(temp / "none")), gCFRef(Text(temp / "c"))), eBadParameter);
    // The replace sequence callers use: delete, move, then check.
    EXPECT_EQ(DeleteFile(b), eSuccess);
    EXPECT_EQ(MoveFile(a, b), eSuccess);
    EXPECT_TRUE(FileExists(b));
    EXPECT_EQ(TempFolder::ReadFile(temp / "b"), "A");
}

TEST_F(FileServices, IntoAFolderUnderTheSourcesName)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "a").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(plat::CreateOneFolder((temp / "x").c_str()), plat::eFileResult::kOk);
    gCFRef report(Text(temp.WriteFile("a/report.txt", "r")));
    gCFRef readme(Text(temp.WriteFile("a/README", "m")));
    gCFolderRef into = Folder(temp / "x");
    EXPECT_EQ(CopyFileToFolder(report, into, 1), eSuccess);
    EXPECT_EQ(CopyFileToFolder(readme, into, 1), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "x/report.txt"), "r");
    EXPECT_EQ(TempFolder::ReadFile(temp / "x/README"), "m");
    EXPECT_EQ(MoveFileToFolder(report, into, gCString(u"new.bin")), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "x/new.bin"), "r");
    EXPECT_EQ(MoveFileToFolder(readme, Folder(temp.Path()), gCString(u"")), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "README"), "m");
}

TEST_F(FileServices, LoadAndSaveWholeFiles)
{
    gCFRef source(Text(temp.WriteFile("in.bin", std::string("abc\0def", 7))));
    gCMemFile memory;
    ASSERT_EQ(LoadMemFile(memory, &source), eSuccess);
    EXPECT_EQ(memory.GetSize(), 7);
    EXPECT_EQ(memory.GetPos(), 0);
    EXPECT_EQ(std::memcmp(memory.GetData(), "abc\0def", 7), 0);

    // Exactly the logical size is saved, not the block's slack.
    gCFRef target(Text(temp / "out.bin"));
    ASSERT_EQ(SaveMemFile(memory, target), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "out.bin"), std::string("abc\0def", 7));

    gCMemFile missing;
    gCFRef none(Text(temp / "none"));
    EXPECT_EQ(LoadMemFile(missing, &none), eInvalidFile);
    gCFRef unset;
    EXPECT_EQ(LoadMemFile(missing, &unset), eBadParameter);
    EXPECT_EQ(LoadMemFile(missing, gCString(u"")), eCreateFailed);
    EXPECT_EQ(LoadMemFile(missing, static_cast<gCFile*>(nullptr)), eBadParameter);
}

TEST_F(FileServices, LoadReportsWhatGoesWrong)
{
    gCFRef folderRef(Text(temp.Path()));
    gCMemFile memory;
    // A folder is not a file to load.
    EXPECT_NE(LoadMemFile(memory, &folderRef), eSuccess);

    gCFRef big(Text(temp.WriteFile("big", std::string(10000, 'b'))));
    gCFile file;
    ASSERT_EQ(file.Open(big, gCFile::eAccessRead), eSuccess);
    gCMemFile small;
    {
        AllocationFailure failure(1);
        EXPECT_EQ(LoadMemFile(small, &file), eNoMemory);
    }
    EXPECT_EQ(small.GetSize(), 0);
}

TEST_F(FileServices, SavingToAClosedFileIsReported)
{
    sAlerts.clear();
    tPlainAlertHook saved = gPlainAlertHook;
    gPlainAlertHook = RecordAlert;
    gCMemFile memory;
    gCFile closed;
    EXPECT_EQ(SaveMemFile(memory, closed), eBadParameter);
    gPlainAlertHook = saved;
    ASSERT_EQ(sAlerts.size(), 1u);
    EXPECT_NE(sAlerts[0].find("Invalid file passed to SaveMemFile."), std::string::npos);
}

TEST_F(FileServices, RelativeTextsOpenBelowTheContentsFolder)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "Contents").c_str()), plat::eFileResult::kOk);
    ScopedBaseFolders bases(Text(temp / "Contents/"), Text(temp.Path()));
    gCMemFile memory;
    ASSERT_EQ(memory.Write("saved", 5), eSuccess);
    ASSERT_EQ(SaveMemFile(memory, gCString(u":Resources:x.bin")), eInvalidFile); // no Resources folder yet
    ASSERT_EQ(plat::CreateOneFolder((temp / "Contents/Resources").c_str()), plat::eFileResult::kOk);
    ASSERT_EQ(SaveMemFile(memory, gCString(u":Resources:x.bin")), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "Contents/Resources/x.bin"), "saved");
    gCFile file;
    EXPECT_EQ(OpenFile(file, gCString(u"Resources/x.bin"), gCFile::eAccessRead), eSuccess);
    gCMemFile loaded;
    EXPECT_EQ(LoadMemFile(loaded, gCString(u"Resources/x.bin")), eSuccess);
    EXPECT_EQ(loaded.GetSize(), 5);
    EXPECT_EQ(DeleteRelativeFile(gCString(u"Resources/x.bin")), eSuccess);
    EXPECT_FALSE(plat::PathExists((temp / "Contents/Resources/x.bin").c_str()));
    gCFPath unset;
    EXPECT_EQ(OpenFile(file, unset, gCFile::eAccessRead), eBadParameter);
}

TEST_F(FileServices, CopyStreamGoesIn256KChunks)
{
    SpyStream source;
    std::string bytes(2 * 262144 + 1, 'q');
    ASSERT_EQ(source.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
    source.reads.clear();
    SpyStream target;
    ASSERT_EQ(CopyStream(source, target), eSuccess);
    EXPECT_EQ(source.reads, (std::vector<int32_t>{262144, 262144, 1}));
    EXPECT_EQ(target.writes, (std::vector<int32_t>{262144, 262144, 1}));
    EXPECT_EQ(target.GetSize(), int64_t(bytes.size()));

    SpyStream empty;
    SpyStream nothing;
    EXPECT_EQ(CopyStream(empty, nothing), eSuccess);
    EXPECT_TRUE(nothing.writes.empty());
    gCFile closed;
    EXPECT_EQ(CopyStream(closed, nothing), eSuccess);
}

TEST_F(FileServices, CopyStreamStopsWhenTheSourceGivesNoMore)
{
    // A source whose length promises more than it delivers.
    class Liar : public gCMemFile {
    public:
        int64_t GetLength() override { return GetSize() + 100; }
        int32_t IsEOF() override { return 0; }
    };
    Liar source;
    ASSERT_EQ(source.Write("abc", 3), eSuccess);
    gCMemFile target;
    EXPECT_NE(CopyStream(source, target), eSuccess);
}

TEST_F(FileServices, ExtensionLookups)
{
    struct Case {
        const char16_t* in;
        const char* after;
        uint32_t macType;
        eFileType type;
    };
    const Case cases[] = {
        {u"png", ".PNG", FourCharCode("PNGf"), ePngImage},
        {u".jpg", ".JPG", FourCharCode("JPEG"), eJpegImage},
        {u"JPG", ".JPG", FourCharCode("JPEG"), eJpegImage},
        {u".txt", ".TXT", FourCharCode("TEXT"), eTextFile},
        {u".wav", ".WAV", FourCharCode(".WAV"), eWavAudio},
        {u".*", ".*", FourCharCode("????"), eAllFiles},
        {u"", ".", FourCharCode("????"), eNoFileType},
        {u".bmp,.jpg,.png,.psd", ".BMP,.JPG,.PNG,.PSD", FourCharCode("JPEG"), eAllImageFiles},
        {u".zip", ".ZIP", FourCharCode("????"), eNoFileType},
    };
    for (const Case& c : cases) {
        gCString text(c.in);
        EXPECT_EQ(MacTypeFromExtension(text), c.macType) << c.after;
        EXPECT_EQ(Utf8(text), c.after);
        gCString again(c.in);
        EXPECT_EQ(FileTypeFromExtension(again), c.type) << c.after;
    }
}

TEST_F(FileServices, HandleDataIsCopiedUpToTheLimit)
{
    CMemBlock block(8);
    std::memcpy(block.GetData(), "12345678", 8);
    sTaggedHandle handle{FourCharCode("TEXT"), &block};
    char buffer[8] = {};
    uint32_t tag = 0, count = 99;
    EXPECT_EQ(CopyHandleData(handle, &tag, buffer, 0, &count), eSuccess);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(tag, FourCharCode("TEXT"));
    EXPECT_EQ(CopyHandleData(handle, nullptr, buffer, 5, &count), eSuccess);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(std::string(buffer, 5), "12345");
}

// Each allocation failing in turn: the whole effect, or 5 with nothing done to any other path.
TEST_F(FileServices, RunningOutOfMemoryActsOnTheRightPathOrAnswersFive)
{
    ASSERT_EQ(plat::CreateOneFolder((temp / "Contents").c_str()), plat::eFileResult::kOk);
    ScopedBaseFolders bases(Text(temp / "Contents/"), Text(temp.Path()));

    gCFolderRef deep = Folder(temp / "a/b/c");
    eResultCode result = eSuccess;
    ForEachAllocationFailure([&] { result = deep.Create(); },
                             [&](bool failed) {
                                 if (result == eSuccess) {
                                     EXPECT_TRUE(plat::PathIsFolder((temp / "a/b/c").c_str()));
                                 } else {
                                     EXPECT_TRUE(failed);
                                     EXPECT_EQ(result, eNoMemory);
                                 }
                                 ASSERT_EQ(plat::RemovePath((temp / "a").c_str()), plat::eFileResult::kOk);
                             });

    // An existing file's reference is never its folder's.
    gCFPath file(Text(temp.WriteFile("f", "x")));
    sFSRef ref;
    ForEachAllocationFailure([&] { ref = *file.GetFSRef(); },
                             [&](bool) { EXPECT_TRUE(!ref.exists || ref.path == temp / "f"); });

    const gCFolderRef contents = Folder(temp / "Contents");
    const gCFRelative relative(gCString(u"old.bin"), 0);
    const std::pair<const char*, std::function<eResultCode()>> deletions[] = {
        {"relative", [&] { return DeleteFile(relative); }},
        {"in folder", [&] { return DeleteFileInFolder(contents, gCString(u"old.bin")); }},
    };
    for (const auto& [name, deletion] : deletions) {
        SCOPED_TRACE(name);
        ForEachAllocationFailure([&] { result = deletion(); },
                                 [&](bool failed) {
                                     EXPECT_TRUE(plat::PathIsFolder((temp / "Contents").c_str()));
                                     const bool gone = !plat::PathExists((temp / "Contents/old.bin").c_str());
                                     EXPECT_TRUE(result == eSuccess ? gone : failed && result == eNoMemory);
                                     temp.WriteFile("Contents/old.bin", "old");
                                 });
    }
}
