#include "platform/FolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

// Whether something other than a regular file stands at the path's own entry.
bool IsOtherThanRegularFile(const char* path)
{
    struct stat info;
    return ::lstat(path, &info) == 0 && !S_ISREG(info.st_mode);
}

// An open file description locked with flock: the lock belongs to the description, so a second
// opening conflicts even inside one process, and it ends when the last descriptor of it closes.
class SystemLocker final : public FolderLocker {
public:
    eLockResult Lock(const char* folder, const char* name, int32_t& token, eFileResult& failure) override
    {
        token = kNoFileHandle;
        failure = eFileResult::kOk;
        if (!folder || !*folder || !name || !*name) {
            failure = eFileResult::kBadName;
            return eLockResult::kFailed;
        }
        std::string path = folder;
        if (path.back() != '/')
            path += '/';
        path += name;
        // Whatever is not a regular file is left alone, not even opened: opening a pipe lets a
        // writer waiting on it go on, and opening a device may act on it. The checks on opening
        // cover what is put there meanwhile: a link is never followed, a pipe never waited on,
        // a terminal never taken.
        if (IsOtherThanRegularFile(path.c_str()))
            return eLockResult::kNotRegularFile;
        const int flags = O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
        int handle = ::open(path.c_str(), flags | O_RDWR, 0644);
        // A lock file made by another user locks as well when it is only readable to us.
        if (handle < 0 && errno == EACCES)
            handle = ::open(path.c_str(), flags | O_RDONLY, 0644);
        if (handle < 0) {
            const int error = errno;
            if (IsOtherThanRegularFile(path.c_str()))
                return eLockResult::kNotRegularFile;
            failure = FileResultFromErrno(error, eErrorDetail::kInstaller);
            return eLockResult::kFailed;
        }
        struct stat info;
        if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) {
            (void)::close(handle);
            return eLockResult::kNotRegularFile;
        }
        int locked;
        do {
            locked = ::flock(handle, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int error = errno;
            (void)::close(handle);
            if (error == EWOULDBLOCK)
                return eLockResult::kHeldElsewhere;
            failure = FileResultFromErrno(error, eErrorDetail::kInstaller);
            return eLockResult::kFailed;
        }
        token = handle;
        return eLockResult::kOk;
    }

    void Unlock(int32_t token) override
    {
        if (token < 0)
            return;
        // Unlocked before closing: a child forked meanwhile shares the description and would
        // otherwise keep the lock until it ends.
        (void)::flock(token, LOCK_UN);
        (void)::close(token);
    }
};

SystemLocker gSystemLocker;
FolderLocker* gLocker = &gSystemLocker;

} // namespace

FolderLocker& GetFolderLocker() { return *gLocker; }

void SetFolderLocker(FolderLocker* locker) { gLocker = locker ? locker : &gSystemLocker; }

eLockResult FolderLock::Acquire(const char* folder, const char* name)
{
    Release();
    int32_t token = kNoFileHandle;
    FolderLocker& locker = GetFolderLocker();
    const eLockResult result = locker.Lock(folder, name, token, mFailure);
    if (result == eLockResult::kOk) {
        mLocker = &locker;
        mToken = token;
    } else if (result != eLockResult::kFailed) {
        mFailure = eFileResult::kOk;
    }
    return result;
}

void FolderLock::Release()
{
    if (!mLocker)
        return;
    mLocker->Unlock(mToken);
    mLocker = nullptr;
    mToken = kNoFileHandle;
}

} // namespace plat
