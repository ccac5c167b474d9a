#include "platform/PlatformFileSystemInstall.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

bool ValidPath(const char* path) { return path != nullptr && path[0] != 0; }

// Beyond the file stream's kinds, the installer tells the user of a full disk (or quota), a
// read-only one and a file too large.
eFileResult FromErrno(int error)
{
    switch (error) {
    case 0:
        return eFileResult::kOk;
    case EROFS:
        return eFileResult::kReadOnly;
    case ENOSPC:
    case EDQUOT:
        return eFileResult::kNoSpace;
    case EFBIG:
        return eFileResult::kTooLarge;
    default:
        return FileResultFromErrno(error);
    }
}

eFileResult ResultOf(bool ok) { return ok ? eFileResult::kOk : FromErrno(errno != 0 ? errno : EIO); }

std::string RealPath(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result = resolved;
    std::free(resolved);
    return result;
}

} // namespace

eFileResult LinkFile(const char* source, const char* target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return eFileResult::kBadName;
    if (::linkat(AT_FDCWD, source, AT_FDCWD, target, 0) == 0)
        return eFileResult::kOk;
    switch (errno) {
    case EPERM: // what Linux answers for a file system without hard links
    case EXDEV:
    case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
    case ENOTSUP:
#endif
    case EMLINK:
    case ENOSYS:
        return eFileResult::kLinkUnsupported;
    default:
        return ResultOf(false);
    }
}

eFileResult ReplaceFile(const char* source, const char* target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return eFileResult::kBadName;
    struct stat info;
    if (::lstat(source, &info) != 0)
        return ResultOf(false);
    if (S_ISDIR(info.st_mode))
        return eFileResult::kIsFolder;
    if (::lstat(target, &info) == 0 && S_ISDIR(info.st_mode))
        return eFileResult::kIsFolder;
    return ResultOf(::rename(source, target) == 0);
}

eFileResult WriteWholeFile(const char* path, const uint8_t* data, size_t size, uint32_t mode)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    const int file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0)
        return errno == ELOOP ? eFileResult::kExists : ResultOf(false); // a link stands there
    int error = 0;
    size_t done = 0;
    while (done < size && error == 0) {
        const ssize_t written = ::write(file, data + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            error = written < 0 ? errno : EIO;
        else
            done += size_t(written);
    }
    if (error == 0 && ::fchmod(file, mode & 0777) != 0)
        error = errno;
    if (::close(file) != 0 && error == 0)
        error = errno;
    return FromErrno(error);
}

eFileResult CreateFolderPath(const char* path)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    char folder[kLongestSystemPath];
    const size_t length = std::strlen(path);
    if (length >= sizeof folder)
        return eFileResult::kBadName;
    std::memcpy(folder, path, length + 1);
    // Mostly the folder stands already: one look instead of a step for every folder above it.
    struct stat info;
    if (::stat(folder, &info) == 0)
        return S_ISDIR(info.st_mode) ? eFileResult::kOk : eFileResult::kExists;
    // Each folder from the top down, cut off in place at its separator.
    for (size_t end = 1; end <= length; ++end) {
        if (folder[end] != '/' && folder[end] != 0)
            continue;
        const char kept = folder[end];
        folder[end] = 0;
        const bool made = ::mkdir(folder, 0777) == 0 || errno == EEXIST;
        folder[end] = kept;
        if (!made)
            return ResultOf(false);
    }
    if (::stat(folder, &info) != 0)
        return ResultOf(false);
    return S_ISDIR(info.st_mode) ? eFileResult::kOk : eFileResult::kExists;
}

eFileResult RemoveFileOnly(const char* path)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    if (::unlink(path) == 0 || errno == ENOENT)
        return eFileResult::kOk;
    return ResultOf(false);
}

eEntryKind GetEntryKind(const char* path)
{
    struct stat info;
    if (!ValidPath(path) || ::lstat(path, &info) != 0)
        return eEntryKind::kNone;
    if (S_ISREG(info.st_mode))
        return eEntryKind::kFile;
    if (S_ISDIR(info.st_mode))
        return eEntryKind::kFolder;
    if (S_ISLNK(info.st_mode))
        return eEntryKind::kLink;
    return eEntryKind::kOther;
}

bool ResolvesBeneath(const char* rootPath, const char* path)
{
    if (!ValidPath(rootPath) || !ValidPath(path))
        return false;
    const std::string root = rootPath;
    std::string candidate = path;
    if (candidate.compare(0, root.size(), root) != 0)
        return false;
    const std::string realRoot = RealPath(root);
    if (realRoot.empty())
        return false;
    while (candidate.size() > 1 && candidate.back() == '/')
        candidate.pop_back();
    for (;;) {
        struct stat info;
        if (::lstat(candidate.c_str(), &info) == 0) {
            // Something stands here: it must resolve (a dangling link does not) to root or below.
            const std::string real = RealPath(candidate);
            if (real.empty())
                return false;
            if (real == realRoot)
                return true;
            const std::string prefix = realRoot == "/" ? realRoot : realRoot + "/";
            return real.compare(0, prefix.size(), prefix) == 0;
        }
        if (errno != ENOENT || candidate.size() <= root.size())
            return false;
        const size_t slash = candidate.rfind('/');
        if (slash == std::string::npos || slash == 0)
            return false;
        candidate.resize(slash);
    }
}

eFileResult SyncEntry(const char* path)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    const int entry = ::open(path, O_RDONLY | O_CLOEXEC);
    if (entry < 0)
        return ResultOf(false);
    const eFileResult result = ResultOf(::fsync(entry) == 0);
    ::close(entry);
    return result;
}

const char* DescribeFileResult(eFileResult result)
{
    switch (result) {
    case eFileResult::kOk: return "";
    case eFileResult::kNotFound: return std::strerror(ENOENT);
    case eFileResult::kNoFolder: return std::strerror(ENOTDIR);
    case eFileResult::kBadName: return std::strerror(ENAMETOOLONG);
    case eFileResult::kIsFolder: return std::strerror(EISDIR);
    case eFileResult::kExists: return std::strerror(EEXIST);
    case eFileResult::kAccessDenied: return std::strerror(EACCES);
    case eFileResult::kReadOnly: return std::strerror(EROFS);
    case eFileResult::kNoSpace: return std::strerror(ENOSPC);
    case eFileResult::kTooLarge: return std::strerror(EFBIG);
    case eFileResult::kLinkUnsupported: return std::strerror(EOPNOTSUPP);
    case eFileResult::kNoMemory: return std::strerror(ENOMEM);
    case eFileResult::kEndOfFile:
    case eFileResult::kFailed: break;
    }
    return std::strerror(EIO);
}

} // namespace plat
