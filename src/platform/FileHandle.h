// Byte access to one regular file through a small integer handle, with the behaviour the file
// stream expects from a Mac data fork where Linux differs: a folder never opens as a file, a
// read that finds fewer bytes than asked reports the end of the file, and a position past the
// end cannot be set.
#pragma once

#include "platform/FileResult.h"

#include <cstddef>
#include <cstdint>

namespace plat {

// kAppend writes every block at the file's end as it is then, whatever another process wrote or
// cut meanwhile, so writers that share a file never write over one another or leave a hole.
enum class eOpenMode : int32_t { kRead, kWrite, kReadWrite, kAppend };

inline constexpr int32_t kNoFileHandle = -1;

// Paths are UTF-8 C strings; a null or empty one is kBadName.

// Opens an existing regular file, never waiting: a pipe or a device at the path is not opened
// (kNotRegularFile), a folder neither (kIsFolder). The handle is kNoFileHandle unless the result is
// kOk.
eFileResult OpenFileHandle(const char* path, eOpenMode mode, int32_t& handle);

// Opens an existing regular file for appending only where the path is its one name, so nothing
// written through it lands in a file elsewhere. Whatever else stands there is left as it is, not
// even opened: a link (kIsLink) is never followed, a folder (kIsFolder), a pipe or a device
// (kNotRegularFile) is never waited on or acted on, and a file with another name (kMoreNames) is
// never written.
eFileResult OpenOwnFileHandle(const char* path, int32_t& handle);

// Creates a new empty regular file; kExists when anything (even a dangling link) is there.
eFileResult CreateFileExclusive(const char* path);

// Reads up to count bytes at the current position; got receives the count read. A short read is
// kEndOfFile, not an error.
eFileResult ReadFileHandle(int32_t handle, void* buffer, size_t count, size_t& got);
eFileResult WriteFileHandle(int32_t handle, const void* buffer, size_t count);

eFileResult GetFileHandlePosition(int32_t handle, int64_t& position);
// A position beyond the length fails with kEndOfFile and leaves the position where it was.
eFileResult SetFileHandlePosition(int32_t handle, int64_t position);
eFileResult GetFileHandleLength(int32_t handle, int64_t& length);
eFileResult SetFileHandleLength(int32_t handle, int64_t length);

// Flushes the file's data and metadata to the disk.
eFileResult SyncFileHandle(int32_t handle);
eFileResult CloseFileHandle(int32_t handle);


} // namespace plat
