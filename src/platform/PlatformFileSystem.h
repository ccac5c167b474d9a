// Whole-item operations on the file system by UTF-8 path: existence, folders, removal, moving,
// copying and listing, the mounted volumes and the user's special folders. Each answers yes or
// no and never reports to the user; the toolkit turns the answers into result codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// What stands in for the Mac's reference to an existing item: its absolute path, and whether
// something existed there when the record was made.
struct sPathRecord {
    std::string path;
    bool exists = false;
};

// A record for the path; exists follows symbolic links, as the Mac's lookup did.
sPathRecord MakePathRecord(const std::string& path);

// Something (file or folder, through links) exists at the path.
bool PathExists(const std::string& path);
bool PathIsFolder(const std::string& path);
// The path names an entry of its own, a dangling link included.
bool PathEntryExists(const std::string& path);
// Size in bytes of what is at the path; -1 when nothing is.
int64_t PathSize(const std::string& path);

// Makes one folder whose parent exists. True also when something already stands there.
bool CreateOneFolder(const std::string& path);

// Removes the item; a folder goes with everything in it. Links are removed, never followed.
// True when nothing was there or the removal succeeded.
bool RemovePath(const std::string& path);

// Moves or renames a file or a whole folder. Never replaces: false when anything stands at the
// target or nothing at the source. Across devices it copies and then removes the source.
bool MovePath(const std::string& source, const std::string& target);

// Copies a file or a whole folder tree, keeping permission bits and modification times;
// links are copied as links. Never replaces an existing target, and refuses a target inside
// the source folder. A copy that fails part-way is removed again.
bool CopyPath(const std::string& source, const std::string& target);

struct sFolderEntry {
    std::string name;
    bool isFolder = false; // through links, as the Mac's listing answered
    bool isLink = false;
};

// The entries of a folder (no "." and ".."), sorted by name. False when the path is not a folder.
bool ListFolderEntries(const std::string& path, std::vector<sFolderEntry>& entries);

// The canonical absolute form of a path that exists (links resolved); empty when it cannot be made.
std::string CanonicalPath(const std::string& path);

struct sVolume {
    std::string mountPoint;
    int16_t refNum = 0; // -1 for the first volume, -2 for the second, ...
};

// The mounted volumes: the root first, then every device-backed mount in the system's order.
std::vector<sVolume> ListMountedVolumes();

// The working directory; false when it cannot be read.
bool GetWorkingFolder(std::string& path);

// The user's documents folder (XDG_DOCUMENTS_DIR, else ~/Documents) and preferences folder
// (XDG_CONFIG_HOME, else ~/.config). False when the folder does not exist: neither is created.
bool GetDocumentsFolderPath(std::string& path);
bool GetPreferencesFolderPath(std::string& path);

} // namespace plat
