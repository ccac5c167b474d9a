#include "platform/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

bool ValidPath(const char* path) { return path != nullptr && path[0] != 0; }

} // namespace

eFileResult OpenFileHandle(const char* path, eOpenMode mode, int32_t& handle)
{
    handle = kNoFileHandle;
    if (!ValidPath(path))
        return eFileResult::kBadName;
    int flags = O_CLOEXEC;
    switch (mode) {
    case eOpenMode::kRead: flags |= O_RDONLY; break;
    case eOpenMode::kWrite: flags |= O_WRONLY; break;
    case eOpenMode::kReadWrite: flags |= O_RDWR; break;
    case eOpenMode::kAppend: flags |= O_WRONLY | O_APPEND; break;
    }
    int fd;
    do {
        fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FileResultFromErrno(errno);
    // Linux opens a folder for reading; the file stream must never treat one as a file.
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        bool isFolder = S_ISDIR(info.st_mode);
        ::close(fd);
        return isFolder ? eFileResult::kIsFolder : eFileResult::kFailed;
    }
    handle = fd;
    return eFileResult::kOk;
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
