#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <limits.h>
#include <mntent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

bool ValidPath(const char* path) { return path != nullptr && path[0] != 0; }

eFileResult LastError() { return FileResultFromErrno(errno); }

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

eFileResult ReadFolder(const char* path, std::vector<sFolderEntry>& entries)
{
    entries.clear();
    if (!PathIsFolder(path))
        return PathExists(path) ? eFileResult::kNoFolder : eFileResult::kNotFound;
    DIR* folder = ::opendir(path);
    if (!folder)
        return LastError();
    const std::string base = path;
    while (struct dirent* entry = ::readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        sFolderEntry item;
        item.name = name;
        std::string full = JoinPath(base, name);
        struct stat info;
        if (::lstat(full.c_str(), &info) == 0)
            item.isLink = S_ISLNK(info.st_mode);
        item.isFolder = PathIsFolder(full.c_str());
        entries.push_back(std::move(item));
    }
    ::closedir(folder);
    std::sort(entries.begin(), entries.end(),
              [](const sFolderEntry& a, const sFolderEntry& b) { return a.name < b.name; });
    return eFileResult::kOk;
}

std::string CanonicalText(const char* path)
{
    if (!ValidPath(path))
        return {};
    char* resolved = ::realpath(path, nullptr);
    if (!resolved)
        return {};
    std::string result = resolved;
    std::free(resolved);
    return result;
}
std::vector<sVolume> MountedVolumes()
{
    std::vector<sVolume> volumes;
    volumes.push_back({"/", -1});
    FILE* mounts = ::setmntent("/proc/self/mounts", "r");
    if (!mounts)
        return volumes;
    while (struct mntent* entry = ::getmntent(mounts)) {
        std::string device = entry->mnt_fsname ? entry->mnt_fsname : "";
        std::string point = entry->mnt_dir ? entry->mnt_dir : "";
        if (device.compare(0, 5, "/dev/") != 0 || point.empty() || point == "/")
            continue;
        bool seen = std::any_of(volumes.begin(), volumes.end(),
                                [&](const sVolume& volume) { return volume.mountPoint == point; });
        if (!seen && volumes.size() < 32767)
            volumes.push_back({point, int16_t(-int32_t(volumes.size()) - 1)});
    }
    ::endmntent(mounts);
    return volumes;
}

eFileResult RemoveEntry(const std::string& path)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? eFileResult::kOk : LastError();
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.c_str()) == 0 || errno == ENOENT ? eFileResult::kOk : LastError();
    std::vector<sFolderEntry> entries;
    if (eFileResult listed = ReadFolder(path.c_str(), entries); listed != eFileResult::kOk)
        return listed;
    // Everything removable goes even when one entry refuses; the first refusal is the answer.
    eFileResult removed = eFileResult::kOk;
    for (const sFolderEntry& entry : entries) {
        eFileResult result = RemoveEntry(JoinPath(path, entry.name));
        if (removed == eFileResult::kOk)
            removed = result;
    }
    if (removed != eFileResult::kOk)
        return removed;
    return ::rmdir(path.c_str()) == 0 || errno == ENOENT ? eFileResult::kOk : LastError();
}

void CopyTimes(int fd, const struct stat& info)
{
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    (void)::futimens(fd, times);
}

eFileResult CopyFileData(const std::string& source, const std::string& target, const struct stat& info)
{
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return LastError();
    // Created private first; the source's bits are applied once the content is in place.
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        eFileResult result = LastError();
        ::close(in);
        return result;
    }
    eFileResult copied = eFileResult::kOk;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            copied = n == 0 ? eFileResult::kOk : LastError();
            break;
        }
        ssize_t done = 0;
        while (done < n) {
            ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                copied = w < 0 ? LastError() : eFileResult::kFailed;
                break;
            }
            done += w;
        }
        if (copied != eFileResult::kOk)
            break;
    }
    if (copied == eFileResult::kOk && ::fchmod(out, info.st_mode & 07777) != 0)
        copied = LastError();
    if (copied == eFileResult::kOk)
        CopyTimes(out, info);
    ::close(in);
    if (::close(out) != 0 && copied == eFileResult::kOk)
        copied = LastError();
    return copied;
}

// The target does not exist yet; on failure the caller removes what was made.
eFileResult CopyEntry(const std::string& source, const std::string& target)
{
    struct stat info;
    if (::lstat(source.c_str(), &info) != 0)
        return LastError();
    if (S_ISLNK(info.st_mode)) {
        std::string link(size_t(info.st_size) + 1, '\0');
        ssize_t n = ::readlink(source.c_str(), link.data(), link.size());
        if (n < 0)
            return LastError();
        if (size_t(n) >= link.size())
            return eFileResult::kFailed; // the link changed while it was read
        link.resize(size_t(n));
        return ::symlink(link.c_str(), target.c_str()) == 0 ? eFileResult::kOk : LastError();
    }
    if (S_ISREG(info.st_mode))
        return CopyFileData(source, target, info);
    if (!S_ISDIR(info.st_mode))
        return eFileResult::kFailed; // devices, pipes and sockets are not copied
    if (::mkdir(target.c_str(), 0700) != 0)
        return LastError();
    std::vector<sFolderEntry> entries;
    if (eFileResult listed = ReadFolder(source.c_str(), entries); listed != eFileResult::kOk)
        return listed;
    for (const sFolderEntry& entry : entries) {
        if (eFileResult copied = CopyEntry(JoinPath(source, entry.name), JoinPath(target, entry.name));
            copied != eFileResult::kOk)
            return copied;
    }
    if (::chmod(target.c_str(), info.st_mode & 07777) != 0)
        return LastError();
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    (void)::utimensat(AT_FDCWD, target.c_str(), times, 0);
    return eFileResult::kOk;
}

std::string ParentOf(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return trimmed.substr(0, slash);
}

bool IsInsideOrSame(const std::string& inner, const std::string& outer)
{
    if (inner.empty() || outer.empty())
        return false;
    if (inner == outer)
        return true;
    std::string prefix = outer.back() == '/' ? outer : outer + "/";
    return inner.compare(0, prefix.size(), prefix) == 0;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home ? std::string(home) : std::string();
}

// Reads one entry of the XDG user-dirs file: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string ReadUserDirsEntry(const std::string& file, const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        if (line.compare(start, key.size(), key) != 0 || line.size() <= start + key.size()
            || line[start + key.size()] != '=')
            continue;
        std::string value = line.substr(start + key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = HomeFolder() + value.substr(5);
        return value;
    }
    return {};
}

std::string ConfigHome()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return config;
    std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

eFileResult WorkingFolder(std::string& path)
{
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) {
            path.assign(buffer.c_str());
            return eFileResult::kOk;
        }
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return LastError();
        buffer.resize(buffer.size() * 2);
    }
}

eFileResult DocumentsFolder(std::string& path)
{
    std::string folder;
    std::string config = ConfigHome();
    if (!config.empty())
        folder = ReadUserDirsEntry(config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR");
    if (folder.empty()) {
        std::string home = HomeFolder();
        if (home.empty())
            return eFileResult::kNotFound;
        folder = home + "/Documents";
    }
    if (!PathIsFolder(folder.c_str()))
        return eFileResult::kNotFound;
    path = folder;
    return eFileResult::kOk;
}

eFileResult PreferencesFolder(std::string& path)
{
    std::string folder = ConfigHome();
    if (folder.empty() || !PathIsFolder(folder.c_str()))
        return eFileResult::kNotFound;
    path = folder;
    return eFileResult::kOk;
}

eFileResult Hand(PathReceiver& receiver, const std::string& path)
{
    return receiver.TakePath(path.c_str()) ? eFileResult::kOk : eFileResult::kNoMemory;
}

} // namespace

sPathRecord MakePathRecord(const char* path)
{
    sPathRecord record;
    record.path = path ? path : "";
    record.exists = PathExists(path);
    return record;
}

bool PathExists(const char* path)
{
    struct stat info;
    return ValidPath(path) && ::stat(path, &info) == 0;
}

bool PathIsFolder(const char* path)
{
    struct stat info;
    return ValidPath(path) && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathEntryExists(const char* path)
{
    struct stat info;
    return ValidPath(path) && ::lstat(path, &info) == 0;
}

bool PathIsLink(const char* path)
{
    struct stat info;
    return ValidPath(path) && ::lstat(path, &info) == 0 && S_ISLNK(info.st_mode);
}

bool PathLiesWithin(const char* inner, const char* outer)
{
    return IsInsideOrSame(CanonicalText(inner), CanonicalText(outer));
}

int64_t PathSize(const char* path)
{
    struct stat info;
    if (!ValidPath(path) || ::stat(path, &info) != 0)
        return -1;
    return int64_t(info.st_size);
}

eFileResult SyncFileSystem(const char* path)
{
    if (!ValidPath(path))
        return eFileResult::kNotFound;
    const int handle = ::open(path, O_RDONLY | O_CLOEXEC);
    if (handle < 0)
        return eFileResult::kNotFound;
    const int result = ::syncfs(handle);
    ::close(handle);
    return result == 0 ? eFileResult::kOk : eFileResult::kFailed;
}

eFileResult CreateOneFolder(const char* path)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    if (PathExists(path))
        return eFileResult::kOk;
    if (::mkdir(path, 0777) == 0)
        return eFileResult::kOk;
    const int error = errno;
    return error == EEXIST && PathExists(path) ? eFileResult::kOk : FileResultFromErrno(error);
}

eFileResult RemovePath(const char* path)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    return RemoveEntry(path);
}

eFileResult MovePath(const char* source, const char* target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return eFileResult::kBadName;
    if (PathEntryExists(target))
        return eFileResult::kExists;
    if (!PathEntryExists(source))
        return eFileResult::kNotFound;
    if (::renameat2(AT_FDCWD, source, AT_FDCWD, target, RENAME_NOREPLACE) == 0)
        return eFileResult::kOk;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the no-replace flag: the check above is the best there is.
        if (PathEntryExists(target))
            return eFileResult::kExists;
        return ::rename(source, target) == 0 ? eFileResult::kOk : LastError();
    }
    if (error != EXDEV)
        return FileResultFromErrno(error);
    if (eFileResult copied = CopyPath(source, target); copied != eFileResult::kOk)
        return copied;
    // The copy stays when the source cannot be removed completely: nothing is lost either way.
    return RemovePath(source);
}

eFileResult CopyPath(const char* source, const char* target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return eFileResult::kBadName;
    if (!PathExists(source))
        return eFileResult::kNotFound;
    if (PathEntryExists(target))
        return eFileResult::kExists;
    if (PathIsFolder(source)) {
        std::string from = CanonicalText(source);
        std::string into = CanonicalText(ParentOf(target).c_str());
        if (from.empty() || IsInsideOrSame(into, from))
            return eFileResult::kBadName;
    }
    eFileResult copied = CopyEntry(source, target);
    if (copied != eFileResult::kOk)
        (void)RemoveEntry(target);
    return copied;
}

eFileResult ListFolderEntries(const char* path, FolderEntryReceiver& entries)
{
    std::vector<sFolderEntry> read;
    if (eFileResult result = ReadFolder(path, read); result != eFileResult::kOk)
        return result;
    for (const sFolderEntry& entry : read) {
        if (!entries.TakeEntry(entry.name.c_str(), entry.isFolder, entry.isLink))
            return eFileResult::kNoMemory;
    }
    return eFileResult::kOk;
}

eFileResult CanonicalPath(const char* path, PathReceiver& canonical)
{
    if (!ValidPath(path))
        return eFileResult::kBadName;
    char* resolved = ::realpath(path, nullptr);
    if (!resolved)
        return LastError();
    const bool taken = canonical.TakePath(resolved);
    std::free(resolved);
    return taken ? eFileResult::kOk : eFileResult::kNoMemory;
}

eFileResult ListMountedVolumes(VolumeReceiver& volumes)
{
    for (const sVolume& volume : MountedVolumes()) {
        if (!volumes.TakeVolume(volume.mountPoint.c_str(), volume.refNum))
            return eFileResult::kNoMemory;
    }
    return eFileResult::kOk;
}

eFileResult GetWorkingFolder(PathReceiver& path)
{
    std::string folder;
    eFileResult result = WorkingFolder(folder);
    return result == eFileResult::kOk ? Hand(path, folder) : result;
}

eFileResult GetDocumentsFolderPath(PathReceiver& path)
{
    std::string folder;
    eFileResult result = DocumentsFolder(folder);
    return result == eFileResult::kOk ? Hand(path, folder) : result;
}

eFileResult GetPreferencesFolderPath(PathReceiver& path)
{
    std::string folder;
    eFileResult result = PreferencesFolder(folder);
    return result == eFileResult::kOk ? Hand(path, folder) : result;
}

bool sPathText::TakePath(const char* text)
{
    path = text;
    return true;
}

bool sFolderListing::TakeEntry(const char* name, bool isFolder, bool isLink)
{
    entries.push_back({name, isFolder, isLink});
    return true;
}

bool sVolumeListing::TakeVolume(const char* mountPoint, int16_t refNum)
{
    volumes.push_back({mountPoint, refNum});
    return true;
}

} // namespace plat
