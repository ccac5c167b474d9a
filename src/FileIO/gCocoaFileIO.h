// Stateless functions on path texts: the file-system operations (exists, one folder, remove,
// move, copy, list, volumes), which answer 1 or 0 and never report to the user, and the
// path-part functions that cut a text into root, folders, file title and extension and join
// them again. The part functions read "\" and ":" as "/" on their own copy of the text.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// CocoaCreateFolder, CocoaListFolder and GetPathComponents.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCString.h"

#include <cstdint>

// Group 1: a path is (units, length); the units need not be zero-terminated.
uint32_t CocoaPathExists(const char16_t* path, int32_t length);
// The same question for a caller that acts on the answer: eNoMemory when the path cannot be held,
// which CocoaPathExists answers as "missing".
eResultCode CheckPathExists(const char16_t* path, int32_t length, bool& exists);
// Makes one folder whose parent exists; 1 also when something already stands there.
uint32_t CocoaCreateFolder(const char16_t* path, int32_t length);
// Removes a file or a whole folder; links are removed, never followed. 1 when nothing was there.
uint32_t CocoaRemovePath(const char16_t* path, int32_t length);
// The same removal for a caller that passes failures on: eNoMemory when the path cannot be held,
// else failure when it cannot be removed.
eResultCode RemoveHeldPath(const char16_t* path, int32_t length, eResultCode failure);
// Never replaces: 0 when the target exists or the source is missing.
uint32_t CocoaMovePath(const char16_t* source, int32_t sourceLength, const char16_t* target, int32_t targetLength);
uint32_t CocoaCopyPath(const char16_t* source, int32_t sourceLength, const char16_t* target, int32_t targetLength,
                       uint8_t failIfTargetExists);
// The entries of a folder, sorted by name, with a flag of 1 for each folder. The arrays and every
// name come from the memory hooks; ReleaseFolderListing gives them back. 0 when the path is not
// a folder or memory ran out (the arrays are then null).
uint32_t CocoaListFolder(const char16_t* path, int32_t length, char16_t**& names, uint8_t*& flags, int32_t& count);
// The same listing, telling apart why there is none: eFileNotFound when the path is not a folder
// (or cannot be read), eNoMemory when memory ran out.
eResultCode ReadFolderListing(const char16_t* path, int32_t length, char16_t**& names, uint8_t*& flags,
                              int32_t& count);
void ReleaseFolderListing(char16_t** names, uint8_t* flags, int32_t count);

struct sVolumeList {
    int32_t count = 0;           // in: below 0 counts, above 0 the room in the arrays
    char16_t** names = nullptr;  // filled with zero-terminated names from the memory hooks
    int32_t* refNums = nullptr;
};
// Counting mode answers the number of volumes; fill mode the number of entries filled.
int32_t GetVolumeList(sVolumeList* list);

// The same operations on a whole text.
inline uint32_t CocoaPathExists(const gCString& path) { return CocoaPathExists(path.GetText(), path.GetLength()); }
inline uint32_t CocoaCreateFolder(const gCString& path) { return CocoaCreateFolder(path.GetText(), path.GetLength()); }
inline uint32_t CocoaRemovePath(const gCString& path) { return CocoaRemovePath(path.GetText(), path.GetLength()); }
inline uint32_t CocoaMovePath(const gCString& source, const gCString& target)
{
    return CocoaMovePath(source.GetText(), source.GetLength(), target.GetText(), target.GetLength());
}
inline uint32_t CocoaCopyPath(const gCString& source, const gCString& target, uint8_t failIfTargetExists)
{
    return CocoaCopyPath(source.GetText(), source.GetLength(), target.GetText(), target.GetLength(),
                         failIfTargetExists);
}

// Groups 2 and 3. Each answers the empty text (with a buffer) for an empty path.
// The last component, trailing "/" ignored: /a/b/c.txt gives c.txt, /a/b/ gives b, / gives /.
gCString GetLastPathComponent(gCString path);
// Appends every component ("/" first for an absolute path) to out; eBadParameter for a null array.
eResultCode GetPathComponents(gCString path, gCArray<gCString>* out);
gCString GetPathRoot(gCString path);
// The path less the root at its front and the last component at its end, both by length.
gCString GetPathFolders(gCString path);
// The path less the last component at its end, by length.
gCString GetContainingFolderPath(gCString path);
// The extension of the last component with its "."; a name that only begins with "." has none.
gCString GetPathExtension(gCString path);
gCString GetPathFileTitle(gCString path);
// Joins root, folders, file title and extension with single separators; texts used unchanged.
gCString ComposePath(gCString root, gCString folders, gCString title, gCString extension);

// The text with every "\" made "/", and every ":" too unless the text is a system path (the part
// functions' reading of a path).
gCString WithSlashSeparators(const gCString& path);
// A text from the root ("/home/ann/a:b") is a system path, in which ":" is an ordinary character;
// only texts written in the Mac manner ("Disk:Folder:File", ":Resources:x") use it between parts.
bool IsSystemPathText(const gCString& text);
