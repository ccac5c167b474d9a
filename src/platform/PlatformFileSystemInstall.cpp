#include "platform/PlatformFileSystemInstall.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

bool ValidPath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

int ErrorOr(bool ok) { return ok ? 0 : (errno != 0 ? errno : EIO); }

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

int LinkFile(const std::string& source, const std::string& target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return EINVAL;
    return ErrorOr(::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), 0) == 0);
}

bool IsLinkUnsupported(int error)
{
    return error == EPERM || error == EXDEV || error == EOPNOTSUPP || error == ENOTSUP || error == EMLINK
        || error == ENOSYS;
}

int ReplaceFile(const std::string& source, const std::string& target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return EINVAL;
    struct stat info;
    if (::lstat(source.c_str(), &info) != 0)
        return errno;
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    if (::lstat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return EISDIR;
    return ErrorOr(::rename(source.c_str(), target.c_str()) == 0);
}

int WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, uint32_t mode)
{
    if (!ValidPath(path))
        return EINVAL;
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0)
        return errno;
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
    return error;
}

int ReadWholeFile(const std::string& path, std::string& bytes, size_t limit)
{
    bytes.clear();
    if (!ValidPath(path))
        return EINVAL;
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return errno;
    struct stat info;
    int error = ::fstat(file, &info) == 0 ? 0 : errno;
    if (error == 0 && !S_ISREG(info.st_mode))
        error = EISDIR;
    char buffer[65536];
    while (error == 0) {
        const ssize_t got = ::read(file, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            error = errno;
        else if (got == 0)
            break;
        else if (bytes.size() + size_t(got) > limit)
            error = EFBIG;
        else
            bytes.append(buffer, size_t(got));
    }
    ::close(file);
    return error;
}

int RemoveFileOnly(const std::string& path)
{
    if (!ValidPath(path))
        return EINVAL;
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

eEntryKind GetEntryKind(const std::string& path)
{
    struct stat info;
    if (!ValidPath(path) || ::lstat(path.c_str(), &info) != 0)
        return eEntryKind::kNone;
    if (S_ISREG(info.st_mode))
        return eEntryKind::kFile;
    if (S_ISDIR(info.st_mode))
        return eEntryKind::kFolder;
    if (S_ISLNK(info.st_mode))
        return eEntryKind::kLink;
    return eEntryKind::kOther;
}

bool ResolvesBeneath(const std::string& root, const std::string& path)
{
    if (!ValidPath(root) || !ValidPath(path) || path.compare(0, root.size(), root) != 0)
        return false;
    const std::string realRoot = RealPath(root);
    if (realRoot.empty())
        return false;
    std::string candidate = path;
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

int SyncEntry(const std::string& path)
{
    if (!ValidPath(path))
        return EINVAL;
    const int entry = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (entry < 0)
        return errno;
    const int error = ::fsync(entry) == 0 ? 0 : errno;
    ::close(entry);
    return error;
}

std::string DescribeError(int error) { return std::strerror(error); }

} // namespace plat
