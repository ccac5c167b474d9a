// The toolkit's functions for whole files: existence, opening, loading into and saving from
// memory streams, deleting, copying and moving (never replacing), copying one stream into
// another, and the extension look-ups. They keep no state. Deleting what is not there succeeds;
// every copy or move failure is 6.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SaveMemFile, DeleteRelativeFile, DeleteFileInFolder, CopyFileToFolder and CopyHandleData.
#pragma once

#include "FileIO/eFileType.h"
#include "FileIO/gCFile.h"

#include <cstdint>

class gCBasePath;
class gCFPath;
class gCFRef;
class gCFolderRef;
class gCMemFile;
class gCStream;
class CMemBlock;

bool FileExists(const gCBasePath& path);
// The same question for a caller that acts on the answer: eNoMemory when the path cannot be held,
// which FileExists answers as "missing".
eResultCode CheckFileExists(const gCBasePath& path, bool& exists);
// Whether something exists below a base folder (flag 0 the Contents folder, 1 its parent).
bool RelativeFileExists(const gCString& text, uint32_t flag);

// eBadParameter when the path is not set; else the stream's own open.
eResultCode OpenFile(gCFile& file, gCBasePath& path, gCFile::eAccessState state);
// The text is relative to the bundle's Contents folder.
eResultCode OpenFile(gCFile& file, const gCString& text, gCFile::eAccessState state);

// Appends the whole open file to the memory stream; its position does not move. Read errors and
// a stream that cannot grow are reported.
eResultCode LoadMemFile(gCMemFile& memory, gCFile* file);
eResultCode LoadMemFile(gCMemFile& memory, gCBasePath* path);
eResultCode LoadMemFile(gCMemFile& memory, gCFRef* ref);
// The text is relative to the bundle's Contents folder; an empty text is 24.
eResultCode LoadMemFile(gCMemFile& memory, const gCString& text);
// Writes the stream's logical content (its size, not its block's capacity).
eResultCode SaveMemFile(gCMemFile& memory, gCFile& file);
eResultCode SaveMemFile(gCMemFile& memory, gCBasePath& path);
eResultCode SaveMemFile(gCMemFile& memory, const gCString& text);

// Removes a file or a whole folder; eStreamError when the removal fails.
eResultCode DeleteFile(const gCString& text);
eResultCode DeleteFile(const gCBasePath& path);
eResultCode DeleteRelativeFile(const gCString& text);
eResultCode DeleteFileInFolder(const gCFolderRef& folder, const gCString& name);

eResultCode CopyFile(const gCString& source, const gCString& target, uint32_t failIfExists);
eResultCode CopyFile(const gCBasePath& source, const gCBasePath& target, uint32_t failIfExists);
eResultCode MoveFile(const gCString& source, const gCString& target);
eResultCode MoveFile(const gCBasePath& source, const gCBasePath& target);
// Into the folder under the source's own name.
eResultCode CopyFileToFolder(const gCFPath& source, const gCFolderRef& folder, uint32_t failIfExists);
// Into the folder under name, or the source's own name when name is empty.
eResultCode MoveFileToFolder(const gCFPath& source, const gCFolderRef& folder, const gCString& name);

// Copies the whole source from its start into the target at its position, in chunks of 256 KB.
// Stops with eStreamError when the source gives less than its length promised.
eResultCode CopyStream(gCStream& source, gCStream& target);

// Both put a "." in front of the caller's text when it has none and upper-case it in place.
uint32_t MacTypeFromExtension(gCString& extension);
eFileType FileTypeFromExtension(gCString& extension);

// A tagged block of memory, as the Mac's handles were passed around.
struct sTaggedHandle {
    uint32_t tag = 0;
    const CMemBlock* data = nullptr;
};
// Copies at most maxBytes of the block into buffer; always 0.
eResultCode CopyHandleData(const sTaggedHandle& handle, uint32_t* outTag, void* buffer, uint32_t maxBytes,
                           uint32_t* outCount);
