#include "platform/PlatformFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <limits.h>
#include <mntent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

bool ValidPath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool RemoveEntry(const std::string& path)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    std::vector<sFolderEntry> entries;
    if (!ListFolderEntries(path, entries))
        return false;
    bool removed = true;
    for (const sFolderEntry& entry : entries)
        removed = RemoveEntry(JoinPath(path, entry.name)) && removed;
    return removed && (::rmdir(path.c_str()) == 0 || errno == ENOENT);
}

void CopyTimes(int fd, const struct stat& info)
{
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    (void)::futimens(fd, times);
}

bool CopyFileData(const std::string& source, const std::string& target, const struct stat& info)
{
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    // Created private first; the source's bits are applied once the content is in place.
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool copied = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            copied = n == 0;
            break;
        }
        ssize_t done = 0;
        while (done < n) {
            ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                copied = false;
                break;
            }
            done += w;
        }
        if (!copied)
            break;
    }
    if (copied)
        copied = ::fchmod(out, info.st_mode & 07777) == 0;
    if (copied)
        CopyTimes(out, info);
    ::close(in);
    if (::close(out) != 0)
        copied = false;
    return copied;
}

// The target does not exist yet; on failure the caller removes what was made.
bool CopyEntry(const std::string& source, const std::string& target)
{
    struct stat info;
    if (::lstat(source.c_str(), &info) != 0)
        return false;
    if (S_ISLNK(info.st_mode)) {
        std::string link(size_t(info.st_size) + 1, '\0');
        ssize_t n = ::readlink(source.c_str(), link.data(), link.size());
        if (n < 0 || size_t(n) >= link.size())
            return false;
        link.resize(size_t(n));
        return ::symlink(link.c_str(), target.c_str()) == 0;
    }
    if (S_ISREG(info.st_mode))
        return CopyFileData(source, target, info);
    if (!S_ISDIR(info.st_mode))
        return false; // devices, pipes and sockets are not copied
    if (::mkdir(target.c_str(), 0700) != 0)
        return false;
    std::vector<sFolderEntry> entries;
    if (!ListFolderEntries(source, entries))
        return false;
    for (const sFolderEntry& entry : entries) {
        if (!CopyEntry(JoinPath(source, entry.name), JoinPath(target, entry.name)))
            return false;
    }
    if (::chmod(target.c_str(), info.st_mode & 07777) != 0)
        return false;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    (void)::utimensat(AT_FDCWD, target.c_str(), times, 0);
    return true;
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

} // namespace

sPathRecord MakePathRecord(const std::string& path)
{
    sPathRecord record;
    record.path = path;
    record.exists = PathExists(path);
    return record;
}

bool PathExists(const std::string& path)
{
    struct stat info;
    return ValidPath(path) && ::stat(path.c_str(), &info) == 0;
}

bool PathIsFolder(const std::string& path)
{
    struct stat info;
    return ValidPath(path) && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathEntryExists(const std::string& path)
{
    struct stat info;
    return ValidPath(path) && ::lstat(path.c_str(), &info) == 0;
}

int64_t PathSize(const std::string& path)
{
    struct stat info;
    if (!ValidPath(path) || ::stat(path.c_str(), &info) != 0)
        return -1;
    return int64_t(info.st_size);
}

bool CreateOneFolder(const std::string& path)
{
    if (!ValidPath(path))
        return false;
    if (PathExists(path))
        return true;
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && PathExists(path));
}

bool RemovePath(const std::string& path)
{
    if (!ValidPath(path))
        return false;
    return RemoveEntry(path);
}

bool MovePath(const std::string& source, const std::string& target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return false;
    if (PathEntryExists(target) || !PathEntryExists(source))
        return false;
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the no-replace flag: the check above is the best there is.
        if (PathEntryExists(target))
            return false;
        return ::rename(source.c_str(), target.c_str()) == 0;
    }
    if (error != EXDEV)
        return false;
    if (!CopyPath(source, target))
        return false;
    // The copy stays when the source cannot be removed completely: nothing is lost either way.
    return RemovePath(source);
}

bool CopyPath(const std::string& source, const std::string& target)
{
    if (!ValidPath(source) || !ValidPath(target))
        return false;
    if (!PathExists(source) || PathEntryExists(target))
        return false;
    if (PathIsFolder(source)) {
        std::string from = CanonicalPath(source);
        std::string into = CanonicalPath(ParentOf(target));
        if (from.empty() || IsInsideOrSame(into, from))
            return false;
    }
    if (CopyEntry(source, target))
        return true;
    (void)RemoveEntry(target);
    return false;
}

bool ListFolderEntries(const std::string& path, std::vector<sFolderEntry>& entries)
{
    entries.clear();
    if (!PathIsFolder(path))
        return false;
    DIR* folder = ::opendir(path.c_str());
    if (!folder)
        return false;
    while (struct dirent* entry = ::readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        sFolderEntry item;
        item.name = name;
        std::string full = JoinPath(path, name);
        struct stat info;
        if (::lstat(full.c_str(), &info) == 0)
            item.isLink = S_ISLNK(info.st_mode);
        item.isFolder = PathIsFolder(full);
        entries.push_back(std::move(item));
    }
    ::closedir(folder);
    std::sort(entries.begin(), entries.end(),
              [](const sFolderEntry& a, const sFolderEntry& b) { return a.name < b.name; });
    return true;
}

std::string CanonicalPath(const std::string& path)
{
    if (!ValidPath(path))
        return {};
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result = resolved;
    std::free(resolved);
    return result;
}

std::vector<sVolume> ListMountedVolumes()
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

bool GetWorkingFolder(std::string& path)
{
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) {
            path.assign(buffer.c_str());
            return true;
        }
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return false;
        buffer.resize(buffer.size() * 2);
    }
}

bool GetDocumentsFolderPath(std::string& path)
{
    std::string folder;
    std::string config = ConfigHome();
    if (!config.empty())
        folder = ReadUserDirsEntry(config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR");
    if (folder.empty()) {
        std::string home = HomeFolder();
        if (home.empty())
            return false;
        folder = home + "/Documents";
    }
    if (!PathIsFolder(folder))
        return false;
    path = folder;
    return true;
}

bool GetPreferencesFolderPath(std::string& path)
{
    std::string folder = ConfigHome();
    if (folder.empty() || !PathIsFolder(folder))
        return false;
    path = folder;
    return true;
}

} // namespace plat
