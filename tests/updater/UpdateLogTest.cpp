// The log file's bytes: UTF-16 little-endian lines ended by LF then CR, shared by every copy.
#include "updater/install/PackageTestSupport.h"

#include "FileIO/AppBaseFolders.h"
#include "updater/CPNUUpdateLog.h"
#include "updater/install/PNUInstallLock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

Bytes Utf16(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(uint8_t(unit));
        bytes.push_back(uint8_t(unit >> 8));
    }
    return bytes;
}

class UpdateLog : public testing::Test {
protected:
    UpdateLog()
    {
        gCString contents;
        gCString parent;
        (void)contents.SetFromUTF8(folder.Root().string() + "/");
        (void)parent.SetFromUTF8(folder.Root().parent_path().string() + "/");
        EXPECT_EQ(SetAppBaseFolders(contents, parent), eSuccess);
    }
    ~UpdateLog() override { ClearAppBaseFolders(); }

    Bytes LogBytes()
    {
        std::ifstream in(folder.Root() / "UpdateResults.log", std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    TempFolder folder;
};

TEST_F(UpdateLog, WritesUtf16LinesEndedByLineFeedThenReturn)
{
    CPNUUpdateLog log;
    ASSERT_EQ(log.Open(), eSuccess);
    ASSERT_EQ(log.WriteLine(gCString(u"Install \u00e9t\u00e9")), eSuccess);
    ASSERT_EQ(log.WriteLine(gCString()), eSuccess);
    ASSERT_EQ(log.Close(), eSuccess);
    EXPECT_EQ(LogBytes(), Utf16(u"Install \u00e9t\u00e9\n\r\n\r"));
}

// Two copies, each with the log open: the one that cannot lock the install folder appends, and
// the first writes on at the end of the emptied file, never at its old place.
TEST_F(UpdateLog, AppendsAndStartsAfreshOnlyUnderTheInstallLock)
{
    CPNUUpdateLog first;
    ASSERT_EQ(first.Open(), eSuccess);
    ASSERT_EQ(first.WriteLine(gCString("first run")), eSuccess);
    CPNUUpdateLog second;
    ASSERT_EQ(second.Open(), eSuccess);
    plat::FolderLock lock;
    EXPECT_EQ(second.Empty(lock), eBusy);
    ASSERT_EQ(second.WriteLine(gCString("second")), eSuccess);
    EXPECT_EQ(LogBytes(), Utf16(u"first run\n\rsecond\n\r"));

    ASSERT_EQ(lock.Acquire(folder.Root().c_str(), kInstallLockName), plat::eLockResult::kOk);
    ASSERT_EQ(second.Empty(lock), eSuccess);
    ASSERT_EQ(first.WriteLine(gCString("on")), eSuccess);
    EXPECT_EQ(LogBytes(), Utf16(u"on\n\r"));
}

// Lines longer than any buffer of the stream, from two writers at once, each stay whole.
TEST_F(UpdateLog, LinesOfTwoWritersNeverMix)
{
    const std::u16string lines[2] = {std::u16string(3000, u'a'), std::u16string(3000, u'b')};
    std::vector<std::thread> writers;
    for (const std::u16string& line : lines) {
        writers.emplace_back([&line] {
            CPNUUpdateLog log;
            ASSERT_EQ(log.Open(), eSuccess);
            for (int i = 0; i < 100; ++i)
                ASSERT_EQ(log.WriteLine(gCString(line.c_str())), eSuccess);
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    const Bytes bytes = LogBytes();
    const size_t lineBytes = Utf16(lines[0] + u"\n\r").size();
    ASSERT_EQ(bytes.size(), 200 * lineBytes);
    int counts[2] = {0, 0};
    for (size_t at = 0; at < bytes.size(); at += lineBytes) {
        const Bytes line(bytes.begin() + at, bytes.begin() + at + lineBytes);
        for (int k = 0; k < 2; ++k)
            counts[k] += line == Utf16(lines[k] + u"\n\r");
    }
    EXPECT_EQ(counts[0], 100);
    EXPECT_EQ(counts[1], 100);
}

// Anything at the log's name but a file of its own stays as it is, and the log stays closed saying
// why: a link leading out is never followed, another file's second name never written through, a
// pipe never waited on.
TEST_F(UpdateLog, LeavesWhatIsNotAFileOfItsOwnAsItIs)
{
    TempFolder outside;
    const std::string target = outside.WriteFile("kept", "outside"), name = folder / "UpdateResults.log";
    const std::string climbing = std::filesystem::relative(target, folder.Root()).string();
    using plat::eFileResult;
    const struct {
        const char* what;
        int (*make)(const char* to, const char* name);
        const char* to;
        eFileResult reason;
    } cases[] = {
        {"absolute link", ::symlink, target.c_str(), eFileResult::kIsLink},
        {"relative link", ::symlink, climbing.c_str(), eFileResult::kIsLink},
        {"second name", ::link, target.c_str(), eFileResult::kMoreNames},
        {"pipe", [](const char*, const char* n) { return ::mkfifo(n, 0666); }, nullptr, eFileResult::kNotRegularFile},
        {"folder", [](const char*, const char* n) { return ::mkdir(n, 0777); }, nullptr, eFileResult::kIsFolder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        struct stat before, after;
        ASSERT_EQ(c.make(c.to, name.c_str()), 0);
        ASSERT_EQ(::lstat(name.c_str(), &before), 0);
        CPNUUpdateLog log;
        EXPECT_EQ(log.Open(), eInvalidFile);
        EXPECT_EQ(log.GetOpenFailure(), c.reason);
        EXPECT_TRUE(log.GetPath() == name.c_str());
        ASSERT_EQ(::lstat(name.c_str(), &after), 0);
        EXPECT_TRUE(after.st_ino == before.st_ino && after.st_mode == before.st_mode);
        EXPECT_EQ(TempFolder::ReadFile(target), "outside");
        std::filesystem::remove(name);
    }
}

TEST_F(UpdateLog, AClosedLogIgnoresLines)
{
    CPNUUpdateLog log;
    EXPECT_EQ(log.WriteLine(gCString("nowhere")), eSuccess);
    EXPECT_FALSE(log.IsOpen());
}

} // namespace
