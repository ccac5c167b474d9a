// The file operations an installer needs beyond whole-item moves: hard links, renames that replace
// a file in one step, whole-file writes and removals that never touch a folder, and a check that
// a folder lies beneath another once links are followed. Paths are UTF-8 C strings; a null or
// empty one is kBadName. The results tell apart what the installer reports to the user: a full
// disk, a read-only one, a file too large, a file system without second names.
#pragma once

#include "platform/PlatformFile.h"

#include <cstddef>
#include <cstdint>

namespace plat {

// The longest path the system takes, its terminating 0 included; it refuses longer ones.
inline constexpr size_t kLongestSystemPath = 4096;

// A second name for a file (links themselves are linked, not followed). kLinkUnsupported when the
// file system cannot give this file a second name, as opposed to a failure of this one link.
eFileResult LinkFile(const char* source, const char* target);

// Renames a file over whatever file stands at the target, in one step. Never replaces a folder
// and never moves one: kIsFolder.
eFileResult ReplaceFile(const char* source, const char* target);

// Creates or truncates the file (a link at the path is never followed: kExists) and writes the
// bytes; the file is private until the mode (masked with 0777) is applied at the end.
eFileResult WriteWholeFile(const char* path, const uint8_t* data, size_t size, uint32_t mode);

// Makes the folder and every missing folder above it; links on the way are followed. kOk also
// when a folder stands there already, kExists when something else does.
eFileResult CreateFolderPath(const char* path);

// Removes a file or a link; a folder is never removed (kIsFolder). kOk also when nothing is there.
eFileResult RemoveFileOnly(const char* path);

// What stands at the path, links not followed.
enum class eEntryKind : int32_t { kNone, kFile, kFolder, kLink, kOther };
eEntryKind GetEntryKind(const char* path);

// The deepest existing part of path lies beneath root, or is root, once every link on the way is
// followed. Both are absolute; path must start with root. False also when nothing of it exists.
bool ResolvesBeneath(const char* root, const char* path);

// Flushes one file's data, or one folder's list of names, to the disk.
eFileResult SyncEntry(const char* path);

// The system's own text for a failure of that kind ("No space left on device"); empty for kOk.
const char* DescribeFileResult(eFileResult result);

} // namespace plat
