#include "platform/FileResult.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace plat;

namespace {

// The file stream and the installer read the same error numbers differently: only the installer
// tells the user of a full disk, a read-only one or a file too large.
struct sErrnoCase {
    int error;
    eFileResult stream;
    eFileResult installer;
};

const sErrnoCase kErrnoCases[] = {
    {0, eFileResult::kFailed, eFileResult::kOk},
    {ENOENT, eFileResult::kNotFound, eFileResult::kNotFound},
    {ENOTDIR, eFileResult::kNoFolder, eFileResult::kNoFolder},
    {ELOOP, eFileResult::kNoFolder, eFileResult::kNoFolder},
    {ENAMETOOLONG, eFileResult::kBadName, eFileResult::kBadName},
    {EISDIR, eFileResult::kIsFolder, eFileResult::kIsFolder},
    {EEXIST, eFileResult::kExists, eFileResult::kExists},
    {EACCES, eFileResult::kAccessDenied, eFileResult::kAccessDenied},
    {EPERM, eFileResult::kAccessDenied, eFileResult::kAccessDenied},
    {EROFS, eFileResult::kAccessDenied, eFileResult::kReadOnly},
    {ENOSPC, eFileResult::kFailed, eFileResult::kNoSpace},
    {EDQUOT, eFileResult::kFailed, eFileResult::kNoSpace},
    {EFBIG, eFileResult::kFailed, eFileResult::kTooLarge},
    {EIO, eFileResult::kFailed, eFileResult::kFailed},
};

} // namespace

TEST(FileResult, ErrorNumbersAreToldApartAsFinelyAsAsked)
{
    for (const sErrnoCase& entry : kErrnoCases) {
        SCOPED_TRACE(entry.error);
        EXPECT_EQ(FileResultFromErrno(entry.error), entry.stream);
        EXPECT_EQ(FileResultFromErrno(entry.error, eErrorDetail::kInstaller), entry.installer);
    }
}

TEST(FileResult, DescribesFailuresButNotSuccess)
{
    EXPECT_STREQ(DescribeFileResult(eFileResult::kOk), "");
    for (eFileResult result : {eFileResult::kNoSpace, eFileResult::kReadOnly, eFileResult::kFailed})
        EXPECT_STRNE(DescribeFileResult(result), "");
}
