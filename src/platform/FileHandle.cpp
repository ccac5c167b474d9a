#include "platform/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

bool ValidPath(const char* path) { return path != nullptr && path[0] != 0; }

// What an entry is, when it is not a regular file. A folder is refused too: Linux opens one for
// reading, and the file stream must never treat one as a file.
eFileResult RegularFileOnly(const struct stat& info)
{
    if (S_ISREG(info.st_mode))
        return eFileResult::kOk;
    if (S_ISLNK(info.st_mode))
        return eFileResult::kIsLink;
    return S_ISDIR(info.st_mode) ? eFileResult::kIsFolder : eFileResult::kNotRegularFile;
}

eFileResult OwnFileOnly(const struct stat& info)
{
    if (eFileResult kind = RegularFileOnly(info); kind != eFileResult::kOk)
        return kind;
    return info.st_nlink == 1 ? eFileResult::kOk : eFileResult::kMoreNames;
}

// The descriptor of a regular file blocks again, as the file stream expects.
eFileResult ClearNonBlocking(int fd)
{
    const int status = ::fcntl(fd, F_GETFL);
    return status >= 0 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0 ? eFileResult::kOk
                                                                          : FileResultFromErrno(errno);
}

// Opens what the look at the path allows, never waiting, and keeps it only when the opened file
// passes the check as well: something may be put at the path between the look and the opening.
// A pipe or a device is looked at only, never opened: opening a pipe lets a writer waiting on it
// go on, and opening a device may act on it.
eFileResult OpenChecked(const char* path, int flags, bool follow, eFileResult (*check)(const struct stat&),
                        int32_t& handle)
{
    handle = kNoFileHandle;
    if (!ValidPath(path))
        return eFileResult::kBadName;
    struct stat info;
    if ((follow ? ::stat(path, &info) : ::lstat(path, &info)) != 0)
        return FileResultFromErrno(errno);
    if (eFileResult kind = check(info); kind != eFileResult::kOk)
        return kind;
    flags |= O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
    int fd;
    do {
        fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        // Put there since the look: told as what it is.
        if ((follow ? ::stat(path, &info) : ::lstat(path, &info)) == 0)
            if (eFileResult kind = check(info); kind != eFileResult::kOk)
                return kind;
        return FileResultFromErrno(error);
    }
    eFileResult opened = ::fstat(fd, &info) == 0 ? check(info) : FileResultFromErrno(errno);
    if (opened == eFileResult::kOk)
        opened = ClearNonBlocking(fd);
    if (opened != eFileResult::kOk) {
        ::close(fd);
        return opened;
    }
    handle = fd;
    return eFileResult::kOk;
}

} // namespace

eFileResult OpenFileHandle(const char* path, eOpenMode mode, int32_t& handle)
{
    int flags = 0;
    switch (mode) {
    case eOpenMode::kRead: flags = O_RDONLY; break;
    case eOpenMode::kWrite: flags = O_WRONLY; break;
    case eOpenMode::kReadWrite: flags = O_RDWR; break;
    case eOpenMode::kAppend: flags = O_WRONLY | O_APPEND; break;
    }
    return OpenChecked(path, flags, true, RegularFileOnly, handle);
}

eFileResult OpenOwnFileHandle(const char* path, int32_t& handle)
{
    return OpenChecked(path, O_WRONLY | O_APPEND, false, OwnFileOnly, handle);
}

eFileResult CreateFileExclusive(const char* path)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    int fd;
    do {
        fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FileResultFromErrno(errno);
    ::close(fd);
    return eFileResult::kOk;
}

eFileResult ReadFileHandle(int32_t handle, void* buffer, size_t count, size_t& got)
{
    got = 0;
    if (handle < 0)
        return eFileResult::kFailed;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (got < count) {
        ssize_t n = ::read(handle, bytes + got, count - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == EISDIR ? eFileResult::kIsFolder : eFileResult::kFailed;
        }
        if (n == 0)
            return eFileResult::kEndOfFile;
        got += size_t(n);
    }
    return eFileResult::kOk;
}

eFileResult WriteFileHandle(int32_t handle, const void* buffer, size_t count)
{
    if (handle < 0)
        return eFileResult::kFailed;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(handle, bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return FileResultFromErrno(errno);
        }
        if (n == 0)
            return eFileResult::kFailed;
        done += size_t(n);
    }
    return eFileResult::kOk;
}

eFileResult GetFileHandlePosition(int32_t handle, int64_t& position)
{
    off_t at = ::lseek(handle, 0, SEEK_CUR);
    if (at < 0)
        return eFileResult::kFailed;
    position = int64_t(at);
    return eFileResult::kOk;
}

eFileResult SetFileHandlePosition(int32_t handle, int64_t position)
{
    int64_t length = 0;
    if (eFileResult result = GetFileHandleLength(handle, length); result != eFileResult::kOk)
        return result;
    if (position < 0 || position > length)
        return eFileResult::kEndOfFile;
    if (::lseek(handle, off_t(position), SEEK_SET) < 0)
        return eFileResult::kFailed;
    return eFileResult::kOk;
}

eFileResult GetFileHandleLength(int32_t handle, int64_t& length)
{
    struct stat info;
    if (handle < 0 || ::fstat(handle, &info) != 0)
        return eFileResult::kFailed;
    length = int64_t(info.st_size);
    return eFileResult::kOk;
}

eFileResult SetFileHandleLength(int32_t handle, int64_t length)
{
    if (length < 0)
        return eFileResult::kFailed;
    int status;
    do {
        status = ::ftruncate(handle, off_t(length));
    } while (status != 0 && errno == EINTR);
    return status == 0 ? eFileResult::kOk : FileResultFromErrno(errno);
}

eFileResult SyncFileHandle(int32_t handle)
{
    return ::fsync(handle) == 0 ? eFileResult::kOk : eFileResult::kFailed;
}

eFileResult CloseFileHandle(int32_t handle)
{
    if (handle < 0)
        return eFileResult::kFailed;
    // The descriptor is gone after close even when it reports EINTR; retrying could close
    // a descriptor another part of the program has just been given.
    if (::close(handle) != 0 && errno != EINTR)
        return eFileResult::kFailed;
    return eFileResult::kOk;
}

} // namespace plat
