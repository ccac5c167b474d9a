// An exclusive lock on a folder, so that one process at a time changes what is in it. The lock is
// a file of the folder that the system locks: taking it never waits, and the kernel lets go of it
// when its holder ends in any way, a kill included, so no stale lock is ever left to clear. The
// file itself stays for good: removing it while another process opens it would let two processes
// each lock a file of that name.
#pragma once

#include "platform/FileHandle.h"

#include <cstdint>

namespace plat {

// What taking a folder's lock came to.
enum class [[nodiscard]] eLockResult : int32_t {
    kOk = 0,
    kHeldElsewhere,  // another holder has it: another process, or another open lock of this one
    kNotRegularFile, // a link, a folder or another non-regular file stands at the lock's name
    kFailed,         // the lock file could not be made, opened or locked
};

class FolderLocker {
public:
    virtual ~FolderLocker() = default;
    // Opens the lock file `name` in `folder` (making it when missing) and locks it, never waiting.
    // On kOk `token` is what Unlock takes; on kFailed `failure` says why.
    virtual eLockResult Lock(const char* folder, const char* name, int32_t& token, eFileResult& failure) = 0;
    virtual void Unlock(int32_t token) = 0;
};

// The locker in use: the system's unless a test replaced it.
FolderLocker& GetFolderLocker();
// Puts `locker` in place (null restores the system's). The caller keeps ownership.
void SetFolderLocker(FolderLocker* locker);

// Holds one folder's lock, taken through the locker in use, until Release or its own end.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { Release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // A lock held already is released first.
    eLockResult Acquire(const char* folder, const char* name);
    void Release();
    bool IsHeld() const { return mLocker != nullptr; }
    // Why the last Acquire answered kFailed; kOk otherwise.
    eFileResult GetFailure() const { return mFailure; }

private:
    // The locker that gave the token: it takes it back even if another was put in place since.
    FolderLocker* mLocker = nullptr;
    int32_t mToken = kNoFileHandle;
    eFileResult mFailure = eFileResult::kOk;
};

} // namespace plat
