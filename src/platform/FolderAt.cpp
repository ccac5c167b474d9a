#include "platform/FolderAt.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// A pipe at the name never holds the opening call up.
constexpr int kEntryFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

eFileResult Installer(int error) { return FileResultFromErrno(error, eErrorDetail::kInstaller); }

// One part of a path names an entry of the folder before it, never the folder itself or its parent.
eFileResult CheckPart(const char* part, size_t length)
{
    if (length == 0 || (part[0] == '.' && (length == 1 || (length == 2 && part[1] == '.'))))
        return eFileResult::kLeavesFolder;
    return length > NAME_MAX ? eFileResult::kBadName : eFileResult::kOk;
}

eEntryKind KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return eEntryKind::kFile;
    if (S_ISDIR(mode))
        return eEntryKind::kFolder;
    return S_ISLNK(mode) ? eEntryKind::kLink : eEntryKind::kOther;
}

// Nothing (kNone) only when the system says no such entry is there: a look that fails otherwise
// (a folder that may not be searched, a failing disk) tells nothing about what stands there.
eFileResult IdentityAt(int folder, const char* name, sEntryIdentity& identity)
{
    identity = sEntryIdentity();
    struct stat info;
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? eFileResult::kOk : Installer(errno);
    identity.kind = KindOf(info.st_mode);
    identity.device = uint64_t(info.st_dev);
    identity.number = uint64_t(info.st_ino);
    identity.size = uint64_t(info.st_size);
    return eFileResult::kOk;
}

// The kind where the answer only steers a refusal; a failed look is kNone.
eEntryKind KindAt(int folder, const char* name)
{
    sEntryIdentity identity;
    (void)IdentityAt(folder, name, identity);
    return identity.kind;
}

// Off once the kernel has refused the one-call resolution, or for tests.
std::atomic<bool> gOneCallWays{true};

// The system's own bound on links followed for one way.
constexpr int kMostLinks = 40;

// The folder at path beneath root in one call, where the system resolves paths beneath a folder
// itself, following the links that stay beneath it (never a magic link of /proc); false where it
// cannot (an older kernel, a filter refusing the call).
bool OpenBeneath(int root, const char* path, int& opened, eFileResult& result)
{
    if (!gOneCallWays.load(std::memory_order_relaxed))
        return false;
    open_how how = {};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    opened = int(::syscall(SYS_openat2, root, path, &how, sizeof how));
    if (opened >= 0) {
        result = eFileResult::kOk;
        return true;
    }
    switch (errno) {
    case ENOSYS:
    case EPERM:
    case EINVAL:
    case E2BIG:
        gOneCallWays.store(false, std::memory_order_relaxed);
        return false;
    case EAGAIN:
        return false;
    case ELOOP: // links in a ring, or a magic link
        result = eFileResult::kLinkOnWay;
        return true;
    case EXDEV: // a link leading out, absolute or climbing above the folder
        result = eFileResult::kLeavesFolder;
        return true;
    default:
        result = Installer(errno);
        return true;
    }
}

// The folders of a walk from root down, each held open so that ".." in a link's text goes back
// to the folder it came from instead of whatever its parent is now.
class cWalkFolders {
public:
    explicit cWalkFolders(int root) : mRoot(root) {}
    ~cWalkFolders()
    {
        while (mDepth > 0)
            (void)Up();
    }
    cWalkFolders(const cWalkFolders&) = delete;
    cWalkFolders& operator=(const cWalkFolders&) = delete;

    int Current() const { return mDepth == 0 ? mRoot : mHeld[mDepth - 1]; }
    eFileResult Down(int folder)
    {
        if (mDepth == std::size(mHeld)) {
            ::close(folder);
            return eFileResult::kBadName;
        }
        mHeld[mDepth++] = folder;
        return eFileResult::kOk;
    }
    // Nothing is above root: a way that climbs there leaves the folder.
    bool Up()
    {
        if (mDepth == 0)
            return false;
        ::close(mHeld[--mDepth]);
        return true;
    }
    // The last folder, which the caller now owns.
    int Take()
    {
        if (mDepth == 0)
            return mRoot;
        return mHeld[--mDepth];
    }

private:
    int mRoot;
    int mHeld[kLongestSystemPath / 2 + 1];
    size_t mDepth = 0;
};

// The folder at way (its text checked already) beneath root, one part at a time, each opened
// without following a link. A link met on the way is read and its text walked in its place, as
// the system would: it may go back with "..", but never above root, and an absolute link is
// refused as the one-call resolution refuses it. With make, the missing folders the way names are
// made; a folder a link names is never made, so no link decides where a new folder goes.
eFileResult WalkBeneath(int root, const char* path, size_t length, bool make, int& opened)
{
    char way[kLongestSystemPath];
    if (length >= sizeof way)
        return eFileResult::kBadName;
    std::memcpy(way, path, length);
    size_t wayLength = length;
    size_t fromLink = 0; // the way's text before this came from links
    int links = 0;
    cWalkFolders walk(root);
    for (size_t start = 0; start < wayLength;) {
        size_t end = start;
        while (end < wayLength && way[end] != '/')
            ++end;
        const size_t partLength = end - start;
        const size_t next = end < wayLength ? end + 1 : end;
        char part[NAME_MAX + 1];
        if (partLength > NAME_MAX)
            return eFileResult::kBadName;
        std::memcpy(part, way + start, partLength);
        part[partLength] = 0;
        if (partLength == 0 || std::strcmp(part, ".") == 0) {
            start = next;
            continue;
        }
        if (std::strcmp(part, "..") == 0) {
            if (!walk.Up())
                return eFileResult::kLeavesFolder;
            start = next;
            continue;
        }
        const int at = walk.Current();
        int folder = ::openat(at, part, kFolderFlags);
        if (folder < 0 && errno == ENOENT && make && start >= fromLink
            && (::mkdirat(at, part, 0777) == 0 || errno == EEXIST))
            folder = ::openat(at, part, kFolderFlags);
        if (folder >= 0) {
            if (eFileResult down = walk.Down(folder); down != eFileResult::kOk)
                return down;
            start = next;
            continue;
        }
        const int error = errno;
        // Opening a link without following it answers "not a folder", like a file there does.
        sEntryIdentity identity;
        if (error == ENOTDIR || error == ELOOP) {
            if (eFileResult look = IdentityAt(at, part, identity); look != eFileResult::kOk)
                return look;
        }
        // A missing part that a link's text named is behind a dangling link: the folder it
        // stood for may come back, so that is no missing folder.
        if (identity.kind != eEntryKind::kLink)
            return error == ENOENT && start < fromLink ? eFileResult::kLinkDangles : Installer(error);
        if (++links > kMostLinks)
            return eFileResult::kLinkOnWay;
        char target[kLongestSystemPath];
        const ssize_t read = ::readlinkat(at, part, target, sizeof target);
        if (read < 0)
            return Installer(errno);
        const size_t targetLength = size_t(read);
        if (targetLength == 0 || targetLength == sizeof target)
            return targetLength == 0 ? eFileResult::kLinkDangles : eFileResult::kBadName;
        if (target[0] == '/')
            return eFileResult::kLeavesFolder;
        // The link's text takes the place of its name; the rest of the way follows it.
        const size_t rest = wayLength - next;
        if (targetLength + 1 + rest >= sizeof way)
            return eFileResult::kBadName;
        std::memmove(way + targetLength + 1, way + next, rest);
        std::memcpy(way, target, targetLength);
        way[targetLength] = '/';
        fromLink = targetLength + 1 + (fromLink > next ? fromLink - next : 0);
        wayLength = targetLength + 1 + rest;
        start = 0;
    }
    opened = walk.Take();
    if (opened == root) {
        // The way came back to the folder itself.
        opened = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
        if (opened < 0)
            return Installer(errno);
    }
    return eFileResult::kOk;
}

eFileResult AsSource(eEntryKind kind, bool linkToo)
{
    switch (kind) {
    case eEntryKind::kFile: return eFileResult::kOk;
    case eEntryKind::kLink: return linkToo ? eFileResult::kOk : eFileResult::kIsLink;
    case eEntryKind::kNone: return eFileResult::kNotFound;
    case eEntryKind::kFolder: return eFileResult::kIsFolder;
    case eEntryKind::kOther: break;
    }
    return eFileResult::kFailed;
}

eFileResult WriteAll(int file, const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(file, data + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Installer(written < 0 ? errno : EIO);
        done += size_t(written);
    }
    return eFileResult::kOk;
}

} // namespace

// The folder a path reached and its last part, which points into the caller's path.
struct FolderAt::sEntry {
    int folder = -1;
    const char* name = nullptr;
};

// A folder reached for the source of a two-entry step, kept open while the target's folder is
// reached (which takes the place of the last folder).
class FolderAt::cHeldFolder {
public:
    cHeldFolder() = default;
    ~cHeldFolder()
    {
        if (mFolder >= 0)
            ::close(mFolder);
    }
    cHeldFolder(const cHeldFolder&) = delete;
    cHeldFolder& operator=(const cHeldFolder&) = delete;

    void Take(int folder) { mFolder = folder; }

private:
    int mFolder = -1;
};

void FolderAt::SetOneCallWays(bool allowed) { gOneCallWays.store(allowed, std::memory_order_relaxed); }

eFileResult FolderAt::Open(const char* path)
{
    Close();
    if (path == nullptr || path[0] != '/')
        return eFileResult::kBadName;
    mFolder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return mFolder >= 0 ? eFileResult::kOk : Installer(errno);
}

void FolderAt::Close()
{
    ForgetLastFolder();
    if (mFolder >= 0)
        ::close(mFolder);
    mFolder = -1;
}

void FolderAt::ForgetLastFolder()
{
    if (mLastFolder >= 0)
        ::close(mLastFolder);
    mLastFolder = -1;
    mLastLength = 0;
    mMissingLength = 0;
}

eFileResult FolderAt::ReachFolder(const char* folder, size_t length, bool make, bool endIsFine, int& opened)
{
    opened = -1;
    if (mFolder < 0)
        return eFileResult::kFailed;
    if (length == 0) {
        opened = mFolder;
        return eFileResult::kOk;
    }
    if (mLastFolder >= 0 && length == mLastLength && std::memcmp(mLastPath, folder, length) == 0) {
        opened = mLastFolder;
        return eFileResult::kOk;
    }
    if (length >= sizeof mLastPath)
        return eFileResult::kBadName;
    if (!make && length == mMissingLength && std::memcmp(mMissingPath, folder, length) == 0)
        return endIsFine ? eFileResult::kOk : eFileResult::kNotFound;
    char parts[kLongestSystemPath];
    std::memcpy(parts, folder, length);
    parts[length] = 0;
    // A path that would leave the folder is refused as text, before any call.
    for (size_t start = 0; start <= length;) {
        const char* end = std::strchr(parts + start, '/');
        const size_t partLength = end ? size_t(end - (parts + start)) : length - start;
        if (eFileResult part = CheckPart(parts + start, partLength); part != eFileResult::kOk)
            return part;
        start += partLength + 1;
    }
    int at = -1;
    eFileResult result = eFileResult::kOk;
    // The one call says only that something is missing; the walk tells a missing folder from one
    // behind a dangling link (and makes what is missing, with make).
    if (!OpenBeneath(mFolder, parts, at, result) || result == eFileResult::kNotFound)
        result = WalkBeneath(mFolder, parts, length, make, at);
    if (result == eFileResult::kNotFound && !make) {
        std::memcpy(mMissingPath, folder, length);
        mMissingLength = length;
    }
    if (result != eFileResult::kOk) {
        if (make && result == eFileResult::kNoFolder)
            return eFileResult::kExists;
        const bool ends = result == eFileResult::kNotFound || result == eFileResult::kNoFolder;
        return endIsFine && ends ? eFileResult::kOk : result;
    }
    ForgetLastFolder();
    mLastFolder = at;
    std::memcpy(mLastPath, folder, length);
    mLastLength = length;
    opened = at;
    return eFileResult::kOk;
}

eFileResult FolderAt::Reach(const char* path, sEntry& entry)
{
    if (path == nullptr)
        return eFileResult::kBadName;
    const char* slash = std::strrchr(path, '/');
    entry.name = slash ? slash + 1 : path;
    if (slash == path)
        return eFileResult::kLeavesFolder;
    if (eFileResult result = CheckPart(entry.name, std::strlen(entry.name)); result != eFileResult::kOk)
        return result;
    return ReachFolder(path, slash ? size_t(slash - path) : 0, false, false, entry.folder);
}

eEntryKind FolderAt::GetKind(const char* path)
{
    if (path != nullptr && path[0] == 0)
        return mFolder >= 0 ? eEntryKind::kFolder : eEntryKind::kNone;
    sEntry entry;
    return Reach(path, entry) == eFileResult::kOk ? KindAt(entry.folder, entry.name) : eEntryKind::kNone;
}

eFileResult FolderAt::GetIdentity(const char* path, sEntryIdentity& identity)
{
    identity = sEntryIdentity();
    if (path != nullptr && path[0] == 0)
        return mFolder >= 0 ? IdentityAt(mFolder, ".", identity) : eFileResult::kFailed;
    sEntry entry;
    const eFileResult reached = Reach(path, entry);
    // Nothing stands beneath a folder that is missing, nor beneath a file.
    if (reached == eFileResult::kNotFound || reached == eFileResult::kNoFolder)
        return eFileResult::kOk;
    return reached == eFileResult::kOk ? IdentityAt(entry.folder, entry.name, identity) : reached;
}

eFileResult FolderAt::GetFolderIdentity(const char* folder, sEntryIdentity& identity)
{
    identity = sEntryIdentity();
    if (folder == nullptr)
        return eFileResult::kBadName;
    int opened = -1;
    const eFileResult reached = ReachFolder(folder, std::strlen(folder), false, false, opened);
    if (reached == eFileResult::kNotFound || reached == eFileResult::kNoFolder)
        return eFileResult::kOk;
    if (reached != eFileResult::kOk)
        return reached;
    struct stat info;
    if (::fstat(opened, &info) != 0)
        return Installer(errno);
    identity.kind = KindOf(info.st_mode);
    identity.device = uint64_t(info.st_dev);
    identity.number = uint64_t(info.st_ino);
    return eFileResult::kOk;
}

eFileResult FolderAt::CheckWay(const char* folder)
{
    if (folder == nullptr)
        return eFileResult::kBadName;
    int opened = -1;
    return ReachFolder(folder, std::strlen(folder), false, true, opened);
}

eFileResult FolderAt::MakeFolders(const char* folder)
{
    Changing();
    if (folder == nullptr)
        return eFileResult::kBadName;
    int opened = -1;
    return ReachFolder(folder, std::strlen(folder), true, false, opened);
}

eFileResult FolderAt::WriteFile(const char* path, const uint8_t* data, size_t size, uint32_t mode)
{
    Changing();
    sEntry entry;
    if (eFileResult reached = Reach(path, entry); reached != eFileResult::kOk)
        return reached;
    const int file = ::openat(entry.folder, entry.name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                              0600);
    if (file < 0)
        return errno == ELOOP ? eFileResult::kIsLink : Installer(errno);
    // Whatever else may stand at the name (a pipe opened elsewhere) is never renamed into place:
    // Move and Replace take regular files alone.
    eFileResult result = WriteAll(file, data, size);
    if (result == eFileResult::kOk && ::fchmod(file, mode & 0777) != 0)
        result = Installer(errno);
    if (::close(file) != 0 && result == eFileResult::kOk)
        result = Installer(errno);
    return result;
}

eFileResult FolderAt::OpenEntry(const char* path, int& file)
{
    file = -1;
    sEntry entry;
    if (eFileResult reached = Reach(path, entry); reached != eFileResult::kOk)
        return reached;
    file = ::openat(entry.folder, entry.name, kEntryFlags);
    if (file < 0)
        return errno == ELOOP ? eFileResult::kIsLink : Installer(errno);
    return eFileResult::kOk;
}

eFileResult FolderAt::OpenFile(const char* path, int32_t& handle, int64_t& length, eEntryKind& kind)
{
    handle = kNoFileHandle;
    length = 0;
    kind = eEntryKind::kNone;
    sEntry entry;
    if (eFileResult reached = Reach(path, entry); reached != eFileResult::kOk)
        return reached;
    // A device is never opened at all: opening one may act on it.
    sEntryIdentity identity;
    if (eFileResult look = IdentityAt(entry.folder, entry.name, identity); look != eFileResult::kOk)
        return look;
    kind = identity.kind;
    if (kind != eEntryKind::kFile) {
        return kind == eEntryKind::kNone ? eFileResult::kNotFound
            : kind == eEntryKind::kLink  ? eFileResult::kIsLink
                                         : eFileResult::kFailed;
    }
    const int file = ::openat(entry.folder, entry.name, kEntryFlags);
    if (file < 0) {
        // Swapped since the look: a link (ELOOP), or gone.
        const int error = errno;
        kind = KindAt(entry.folder, entry.name);
        return kind == eEntryKind::kFile || kind == eEntryKind::kNone ? Installer(error) : eFileResult::kFailed;
    }
    struct stat info;
    const bool stat = ::fstat(file, &info) == 0;
    kind = stat ? KindOf(info.st_mode) : eEntryKind::kNone;
    if (kind != eEntryKind::kFile) {
        ::close(file);
        return stat ? eFileResult::kFailed : Installer(EIO);
    }
    handle = file;
    length = int64_t(info.st_size);
    return eFileResult::kOk;
}

eFileResult FolderAt::RemoveFile(const char* path)
{
    sEntry entry;
    const eFileResult reached = Reach(path, entry);
    // Nothing can stand beneath a folder that is missing.
    if (reached == eFileResult::kNotFound)
        return eFileResult::kOk;
    if (reached != eFileResult::kOk)
        return reached;
    if (::unlinkat(entry.folder, entry.name, 0) == 0 || errno == ENOENT)
        return eFileResult::kOk;
    return Installer(errno);
}

eFileResult FolderAt::RemoveEmptyFolder(const char* folder)
{
    sEntry entry;
    if (eFileResult reached = Reach(folder, entry); reached != eFileResult::kOk)
        return reached;
    if (::unlinkat(entry.folder, entry.name, AT_REMOVEDIR) != 0)
        return Installer(errno);
    // The last folder reached may be the one removed, or lie beneath it.
    ForgetLastFolder();
    return eFileResult::kOk;
}

template <typename tStep>
eFileResult FolderAt::TwoEntries(const char* source, const char* target, eSource accepted, tStep step)
{
    Changing();
    sEntry from;
    sEntry to;
    if (eFileResult reached = Reach(source, from); reached != eFileResult::kOk)
        return reached;
    const eFileResult kind
        = accepted == eSource::kAny ? eFileResult::kOk : AsSource(KindAt(from.folder, from.name), accepted == eSource::kFileOrLink);
    if (kind != eFileResult::kOk)
        return kind;
    cHeldFolder held;
    const size_t sourceFolder = size_t(from.name - source);
    const char* targetName = target ? std::strrchr(target, '/') : nullptr;
    const size_t targetFolder = targetName ? size_t(targetName + 1 - target) : 0;
    if (target != nullptr && targetFolder == sourceFolder && std::memcmp(source, target, sourceFolder) == 0) {
        // Mostly both lie in one folder: the name needs its check alone.
        to.folder = from.folder;
        to.name = target + targetFolder;
        if (eFileResult result = CheckPart(to.name, std::strlen(to.name)); result != eFileResult::kOk)
            return result;
    } else {
        if (from.folder == mLastFolder) {
            held.Take(mLastFolder);
            mLastFolder = -1;
            mLastLength = 0;
        }
        if (eFileResult reached = Reach(target, to); reached != eFileResult::kOk)
            return reached;
    }
    return step(from, to);
}

eFileResult FolderAt::Move(const char* source, const char* target)
{
    return TwoEntries(source, target, eSource::kAny, [](const sEntry& from, const sEntry& to) {
        if (::renameat2(from.folder, from.name, to.folder, to.name, RENAME_NOREPLACE) == 0)
            return eFileResult::kOk;
        if (errno != EINVAL && errno != ENOSYS)
            return Installer(errno);
        // A file system without the no-replace flag: the look first is the best there is.
        if (KindAt(to.folder, to.name) != eEntryKind::kNone)
            return eFileResult::kExists;
        return ::renameat(from.folder, from.name, to.folder, to.name) == 0 ? eFileResult::kOk : Installer(errno);
    });
}

eFileResult FolderAt::Replace(const char* source, const char* target)
{
    return TwoEntries(source, target, eSource::kFile, [](const sEntry& from, const sEntry& to) {
        return ::renameat(from.folder, from.name, to.folder, to.name) == 0 ? eFileResult::kOk : Installer(errno);
    });
}

eFileResult FolderAt::PutBack(const char* source, const char* target)
{
    return TwoEntries(source, target, eSource::kFileOrLink, [](const sEntry& from, const sEntry& to) {
        return ::renameat(from.folder, from.name, to.folder, to.name) == 0 ? eFileResult::kOk : Installer(errno);
    });
}

eFileResult FolderAt::Link(const char* source, const char* target)
{
    return TwoEntries(source, target, eSource::kAny, [](const sEntry& from, const sEntry& to) {
        // Without AT_SYMLINK_FOLLOW a link gets its second name as itself.
        if (::linkat(from.folder, from.name, to.folder, to.name, 0) == 0)
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
            return Installer(errno);
        }
    });
}

eFileResult FolderAt::SetMode(const char* path, uint32_t mode)
{
    int file = -1;
    if (eFileResult opened = OpenEntry(path, file); opened != eFileResult::kOk)
        return opened;
    const eFileResult result = ::fchmod(file, mode & 0777) == 0 ? eFileResult::kOk : Installer(errno);
    ::close(file);
    return result;
}

eFileResult FolderAt::Sync(const char* path)
{
    if (path == nullptr)
        return eFileResult::kBadName;
    const size_t length = std::strlen(path);
    // The opened folder and the last one reached are at hand already.
    int held = length == 0 ? mFolder : -1;
    if (mLastFolder >= 0 && length == mLastLength && std::memcmp(mLastPath, path, length) == 0)
        held = mLastFolder;
    if (held >= 0)
        return ::fsync(held) == 0 ? eFileResult::kOk : Installer(errno);
    int file = -1;
    if (eFileResult opened = OpenEntry(path, file); opened != eFileResult::kOk)
        return opened;
    const eFileResult result = ::fsync(file) == 0 ? eFileResult::kOk : Installer(errno);
    ::close(file);
    return result;
}

eFileResult FolderAt::SyncFileSystem()
{
    if (mFolder < 0)
        return eFileResult::kNotFound;
    return ::syncfs(mFolder) == 0 ? eFileResult::kOk : eFileResult::kFailed;
}

} // namespace plat
