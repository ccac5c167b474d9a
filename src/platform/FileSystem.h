// Operations on the file system by UTF-8 path: existence, folders, removal, moving, copying and
// listing, the mounted volumes and the user's special folders.
// Questions answer yes or no; operations answer an eFileResult saying why they failed. None
// reports to the user; the toolkit turns the answers into result codes. A null or empty path
// names nothing.
#pragma once

#include "platform/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// The C string form of a path held as std::string on the platform side: empty when the text
// holds a 0 byte, so such a path is refused instead of cut short.
inline const char* PathText(const std::string& path)
{
    return path.find('\0') == std::string::npos ? path.c_str() : "";
}

// What stands in for the Mac's reference to an existing item: its absolute path, and whether
// something existed there when the record was made.
struct sPathRecord {
    std::string path;
    bool exists = false;
};

// A record for the path; exists follows symbolic links, as the Mac's lookup did.
sPathRecord MakePathRecord(const char* path);

// Something (file or folder, through links) exists at the path.
bool PathExists(const char* path);
bool PathIsFolder(const char* path);
// The path names an entry of its own, a dangling link included.
bool PathEntryExists(const char* path);
// The path's own entry is a symbolic link.
bool PathIsLink(const char* path);
// Both paths exist and, once links are resolved, inner is outer or lies inside it.
bool PathLiesWithin(const char* inner, const char* outer);
// Size in bytes of what is at the path; -1 when nothing is.
int64_t PathSize(const char* path);

// Flushes everything written to the file system that holds the path, in one journal commit:
// far cheaper than flushing hundreds of freshly written files one by one.
eFileResult SyncFileSystem(const char* path);

// Makes one folder whose parent exists. kOk also when something already stands there.
eFileResult CreateOneFolder(const char* path);

// Removes the item; a folder goes with everything in it. Links are removed, never followed.
// kOk when nothing was there or the removal succeeded.
eFileResult RemovePath(const char* path);

// Moves or renames a file or a whole folder. Never replaces: kExists when anything stands at the
// target, kNotFound when nothing is at the source. Across devices it copies and then removes the
// source.
eFileResult MovePath(const char* source, const char* target);

// Copies a file or a whole folder tree, keeping permission bits and modification times;
// links are copied as links. Never replaces an existing target (kExists), and refuses a target
// inside the source folder (kBadName). A copy that fails part-way is removed again.
eFileResult CopyPath(const char* source, const char* target);

// What the listings and folder look-ups hand back goes to a receiver, one piece per call, so the
// caller keeps it in whatever memory it uses. Each text lives only for the call. A receiver that
// cannot keep a piece answers false, which ends the operation with kNoMemory.
class PathReceiver {
public:
    virtual bool TakePath(const char* path) = 0;

protected:
    ~PathReceiver() = default;
};

class FolderEntryReceiver {
public:
    // isFolder follows links, as the Mac's listing answered.
    virtual bool TakeEntry(const char* name, bool isFolder, bool isLink) = 0;

protected:
    ~FolderEntryReceiver() = default;
};

class VolumeReceiver {
public:
    // refNum is -1 for the first volume, -2 for the second, ...
    virtual bool TakeVolume(const char* mountPoint, int16_t refNum) = 0;

protected:
    ~VolumeReceiver() = default;
};

// The entries of a folder (no "." and ".."), sorted by name. kNotFound when nothing is at the
// path, kNoFolder when something other than a folder is; nothing is handed over then.
eFileResult ListFolderEntries(const char* path, FolderEntryReceiver& entries);

// The canonical absolute form of a path that exists (links resolved).
eFileResult CanonicalPath(const char* path, PathReceiver& canonical);

// The mounted volumes: the root first, then every device-backed mount in the system's order.
eFileResult ListMountedVolumes(VolumeReceiver& volumes);

// The working directory.
eFileResult GetWorkingFolder(PathReceiver& path);

// The user's documents folder (XDG_DOCUMENTS_DIR, else ~/Documents) and preferences folder
// (XDG_CONFIG_HOME, else ~/.config). kNotFound when the folder does not exist: neither is created.
eFileResult GetDocumentsFolderPath(PathReceiver& path);
eFileResult GetPreferencesFolderPath(PathReceiver& path);

// The longest path the system takes, its terminating 0 included; it refuses longer ones. The
// installer's own operations, relative to its install folder, are in FolderAt.h.
inline constexpr size_t kLongestSystemPath = 4096;

// What stands at a path, links not followed.
enum class eEntryKind : int32_t { kNone, kFile, kFolder, kLink, kOther };

// What stands at the path (links not followed) and, for a file, which file it is: a file keeps
// its device and number through renames, so the installer can tell its own files from others.
struct sEntryIdentity {
    eEntryKind kind = eEntryKind::kNone;
    uint64_t device = 0;
    uint64_t number = 0;
    uint64_t size = 0;
};

// Receivers that keep what they are handed in standard containers, for callers on the platform
// side of the layer.
struct sPathText final : PathReceiver {
    std::string path;
    bool TakePath(const char* text) override;
};

struct sFolderEntry {
    std::string name;
    bool isFolder = false;
    bool isLink = false;
};

struct sFolderListing final : FolderEntryReceiver {
    std::vector<sFolderEntry> entries;
    bool TakeEntry(const char* name, bool isFolder, bool isLink) override;
};

struct sVolume {
    std::string mountPoint;
    int16_t refNum = 0;
};

struct sVolumeListing final : VolumeReceiver {
    std::vector<sVolume> volumes;
    bool TakeVolume(const char* mountPoint, int16_t refNum) override;
};

} // namespace plat
