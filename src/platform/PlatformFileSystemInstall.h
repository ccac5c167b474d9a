// The file operations an installer needs beyond whole-item moves: hard links, renames that replace
// a file in one step, whole-file writes and removals that never touch a folder, and a check that
// a folder lies beneath another once links are followed. Each answers 0 or the system's error
// number, so the caller can say why something failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

// A second name for a file (links themselves are linked, not followed).
int LinkFile(const std::string& source, const std::string& target);
// The file system cannot give a file a second name (as opposed to a failure of this one link).
bool IsLinkUnsupported(int error);

// Renames a file over whatever file stands at the target, in one step. Never replaces a folder
// and never moves one: EISDIR.
int ReplaceFile(const std::string& source, const std::string& target);

// Creates or truncates the file (a link at the path is never followed: ELOOP) and writes the
// bytes; the file is private until the mode (masked with 0777) is applied at the end.
int WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, uint32_t mode);

// Reads a whole regular file of at most limit bytes; EFBIG when it is larger.
int ReadWholeFile(const std::string& path, std::string& bytes, size_t limit);

// Removes a file or a link; a folder is never removed (EISDIR). 0 also when nothing is there.
int RemoveFileOnly(const std::string& path);

// What stands at the path, links not followed.
enum class eEntryKind : int32_t { kNone, kFile, kFolder, kLink, kOther };
eEntryKind GetEntryKind(const std::string& path);

// The deepest existing part of path lies beneath root, or is root, once every link on the way is
// followed. Both are absolute; path must start with root. False also when nothing of it exists.
bool ResolvesBeneath(const std::string& root, const std::string& path);

// Flushes one file's data, or one folder's list of names, to the disk.
int SyncEntry(const std::string& path);

// The system's text for an error number ("No space left on device").
std::string DescribeError(int error);

} // namespace plat
