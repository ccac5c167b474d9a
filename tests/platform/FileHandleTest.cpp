#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace plat;

namespace {

struct OpenCase {
    const char* name;
    const char* relative; // below the temporary folder
    eOpenMode mode;
    eFileResult expected;
};

void PrintTo(const OpenCase& c, std::ostream* out) { *out << c.name; }

class PlatformFileOpen : public ::testing::TestWithParam<OpenCase> {};

} // namespace

TEST_P(PlatformFileOpen, MapsWhatStandsAtThePath)
{
    TempFolder folder;
    folder.WriteFile("file.bin", "abc");
    ASSERT_EQ(::mkdir((folder / "sub").c_str(), 0777), 0);
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0666), 0);
    const OpenCase& c = GetParam();
    int32_t handle = 12345;
    EXPECT_EQ(OpenFileHandle((folder / c.relative).c_str(), c.mode, handle), c.expected);
    if (c.expected == eFileResult::kOk) {
        EXPECT_GE(handle, 0);
        EXPECT_EQ(CloseFileHandle(handle), eFileResult::kOk);
    } else {
        EXPECT_EQ(handle, kNoFileHandle);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlatformFileOpen,
    ::testing::Values(OpenCase{"Existing", "file.bin", eOpenMode::kRead, eFileResult::kOk},
                      OpenCase{"ExistingWrite", "file.bin", eOpenMode::kReadWrite, eFileResult::kOk},
                      OpenCase{"Missing", "none.bin", eOpenMode::kRead, eFileResult::kNotFound},
                      OpenCase{"MissingFolder", "nofolder/x.bin", eOpenMode::kRead, eFileResult::kNotFound},
                      OpenCase{"FileAsFolder", "file.bin/x.bin", eOpenMode::kRead, eFileResult::kNoFolder},
                      OpenCase{"FolderForReading", "sub", eOpenMode::kRead, eFileResult::kIsFolder},
                      OpenCase{"FolderForWriting", "sub", eOpenMode::kWrite, eFileResult::kIsFolder},
                      OpenCase{"PipeForReading", "pipe", eOpenMode::kRead, eFileResult::kNotRegularFile},
                      OpenCase{"PipeForWriting", "pipe", eOpenMode::kWrite, eFileResult::kNotRegularFile}),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST(PlatformFile, ShortReadIsTheEndOfTheFile)
{
    TempFolder folder;
    int32_t handle;
    ASSERT_EQ(OpenFileHandle(folder.WriteFile("f", "abc").c_str(), eOpenMode::kRead, handle), eFileResult::kOk);
    char buffer[8] = {};
    size_t got = 99;
    EXPECT_EQ(ReadFileHandle(handle, buffer, 2, got), eFileResult::kOk);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(ReadFileHandle(handle, buffer, 4, got), eFileResult::kEndOfFile);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(buffer[0], 'c');
    EXPECT_EQ(ReadFileHandle(handle, buffer, 1, got), eFileResult::kEndOfFile);
    EXPECT_EQ(got, 0u);
    (void)CloseFileHandle(handle);
}

TEST(PlatformFile, PositionPastTheEndFailsAndStays)
{
    TempFolder folder;
    int32_t handle;
    ASSERT_EQ(OpenFileHandle(folder.WriteFile("f", "abcd").c_str(), eOpenMode::kRead, handle), eFileResult::kOk);
    ASSERT_EQ(SetFileHandlePosition(handle, 2), eFileResult::kOk);
    EXPECT_EQ(SetFileHandlePosition(handle, 5), eFileResult::kEndOfFile);
    EXPECT_EQ(SetFileHandlePosition(handle, -1), eFileResult::kEndOfFile);
    int64_t position = -1;
    ASSERT_EQ(GetFileHandlePosition(handle, position), eFileResult::kOk);
    EXPECT_EQ(position, 2);
    EXPECT_EQ(SetFileHandlePosition(handle, 4), eFileResult::kOk); // the end itself is allowed
    (void)CloseFileHandle(handle);
}

TEST(PlatformFile, WritesCutsAndFlushes)
{
    TempFolder folder;
    std::string path = folder / "new.bin";
    ASSERT_EQ(CreateFileExclusive(path.c_str()), eFileResult::kOk);
    EXPECT_EQ(CreateFileExclusive(path.c_str()), eFileResult::kExists);
    int32_t handle;
    ASSERT_EQ(OpenFileHandle(path.c_str(), eOpenMode::kReadWrite, handle), eFileResult::kOk);
    ASSERT_EQ(WriteFileHandle(handle, "hello", 5), eFileResult::kOk);
    int64_t length = 0;
    ASSERT_EQ(GetFileHandleLength(handle, length), eFileResult::kOk);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(SyncFileHandle(handle), eFileResult::kOk);
    ASSERT_EQ(SetFileHandleLength(handle, 0), eFileResult::kOk);
    ASSERT_EQ(GetFileHandleLength(handle, length), eFileResult::kOk);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(CloseFileHandle(handle), eFileResult::kOk);
}

TEST(PlatformFile, ExclusiveCreationRefusesADanglingLink)
{
    TempFolder folder;
    std::string link = folder / "link";
    ASSERT_EQ(::symlink((folder / "target").c_str(), link.c_str()), 0);
    EXPECT_EQ(CreateFileExclusive(link.c_str()), eFileResult::kExists);
    EXPECT_EQ(TempFolder::ReadFile(folder / "target"), "");
    EXPECT_EQ(CreateFileExclusive((folder / "nofolder/x").c_str()), eFileResult::kNotFound);
}
