// A folder opened once, and the operations on the entries beneath it, each named by a path
// relative to it ("a/b/c"). A path with an empty, "." or ".." part is refused as text
// (kLeavesFolder). The folders on the way are resolved beneath the opened folder: a link among
// them is followed while it stays beneath it (a framework's "Versions/Current -> A"), and refused
// when it leads out, absolute or climbing above the folder (kLeavesFolder), or when links run in
// a ring (kLinkOnWay). A folder behind a link that names nothing is not missing (kLinkDangles):
// it may be back at any moment. The last step is a call relative to the folder that holds the
// entry, so a folder swapped for a link at any moment cannot lead an operation anywhere else. The
// entry itself is never followed: a link there is an entry of its own, which is removed, renamed
// and given a second name as it is, but never written through (kIsLink).
//
// Where the kernel resolves a path beneath a folder itself (openat2), a way costs one call;
// elsewhere each folder on it is opened in turn and each link read and walked. The folder of the
// last entry reached stays open, so consecutive entries of one folder cost a single call each;
// likewise the last folder found missing is taken as missing by the looks that follow, until an
// operation here changes anything or the last folder is forgotten. Nothing here allocates: the
// installer asks what stands at a path while it moves files, and that answer must never change
// because memory ran out.
#pragma once

#include "platform/FileResult.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>

namespace plat {

class FolderAt {
public:
    FolderAt() = default;
    ~FolderAt() { Close(); }
    FolderAt(const FolderAt&) = delete;
    FolderAt& operator=(const FolderAt&) = delete;

    // Whether the system is asked to resolve a whole way beneath the folder in one call where it
    // can (the default); tests turn it off to run the part-by-part walk older kernels get.
    static void SetOneCallWays(bool allowed);

    // Opens the folder at an absolute path; links in that path are followed this once. A folder
    // open before is closed first.
    eFileResult Open(const char* path);
    void Close();
    bool IsOpen() const { return mFolder >= 0; }
    // Closes the last folder reached and forgets the last one found missing, so the next operation
    // reaches its folder afresh.
    void ForgetLastFolder();

    // What stands at the path; kNone also when the way there is missing or refused. "" is the
    // folder itself.
    eEntryKind GetKind(const char* path);
    // What stands at the path and which file it is. kOk with nothing (kNone) only where no entry
    // can be: the name or a folder on the way is missing, or a file stands where a folder is on
    // the way. Any other failure to reach the entry (a folder that may not be searched, a failing
    // disk, a way leading out, a link naming nothing) answers why, since the entry may well be there.
    eFileResult GetIdentity(const char* path, sEntryIdentity& identity);
    // Which folder the path comes to, its links followed: kOk with nothing (kNone) where it is
    // missing. Two ways through links to one folder answer the same.
    eFileResult GetFolderIdentity(const char* folder, sEntryIdentity& identity);
    // The folder's way stays beneath the folder, as far as its parts exist: a missing part or a
    // file on the way ends the look with kOk (making the folder finds those).
    eFileResult CheckWay(const char* folder);
    // Makes the folder and every missing one above it. kExists when something other than a folder
    // stands on the way.
    eFileResult MakeFolders(const char* folder);

    // Creates or truncates the file, writes the bytes and applies the mode (masked with 0777) at
    // the end, so the file is private until then. A link at the path is kIsLink; a pipe there
    // never holds the call up.
    eFileResult WriteFile(const char* path, const uint8_t* data, size_t size, uint32_t mode);
    // Opens a regular file for reading (a handle for the FileHandle calls) and gives its length.
    // Anything else is never opened, so no link is followed and no pipe or device acted on: kind
    // tells what stands there, and the answer is kNotFound for nothing, kIsLink for a link and
    // kFailed for anything else but a file; a look that fails answers why, with kind kNone.
    eFileResult OpenFile(const char* path, int32_t& handle, int64_t& length, eEntryKind& kind);
    // Removes a file or a link; a folder never (kIsFolder). kOk also when nothing is there.
    eFileResult RemoveFile(const char* path);
    // Removes the folder only when it is empty; a file or a link never (kNoFolder).
    eFileResult RemoveEmptyFolder(const char* folder);

    // Renames the entry as it is (a link stays a link), never replacing: kExists when anything
    // stands at the target.
    eFileResult Move(const char* source, const char* target);
    // Renames a regular file over whatever file stands at the target, in one step; never over a
    // folder. Another source is refused: a folder kIsFolder, a link kIsLink.
    eFileResult Replace(const char* source, const char* target);
    // Renames a regular file or a link (as itself) over the file or link at the target, in one
    // step: what the install kept goes back this way. A folder is refused.
    eFileResult PutBack(const char* source, const char* target);
    // A second name for the entry (a link gets one as itself, never followed). kLinkUnsupported
    // when the file system has no such names for it.
    eFileResult Link(const char* source, const char* target);

    eFileResult SetMode(const char* path, uint32_t mode);
    // Flushes one file, or one folder's names ("" the opened folder's), to the disk.
    eFileResult Sync(const char* path);
    // Flushes everything written to the file system that holds the folder, in one commit.
    eFileResult SyncFileSystem();

private:
    struct sEntry;
    class cHeldFolder;

    // The folder that holds the path's last part, and that part. A path without a "/" lies in the
    // opened folder itself.
    eFileResult Reach(const char* path, sEntry& entry);
    // The entry opened for reading, without following a link or waiting for a pipe's writer.
    eFileResult OpenEntry(const char* path, int& file);
    // The folder at a path, opened one part at a time (making missing parts when make is set),
    // kept as the last folder reached. endIsFine stops at the first missing or non-folder part with
    // kOk.
    eFileResult ReachFolder(const char* folder, size_t length, bool make, bool endIsFine, int& opened);
    // Renames or links source to target once both folders are reached, for a source of the kinds
    // accepted.
    enum class eSource { kAny, kFile, kFileOrLink };
    template <typename tStep>
    eFileResult TwoEntries(const char* source, const char* target, eSource accepted, tStep step);

    // Before an operation that may change what stands beneath the folder: a folder found missing
    // may exist after it.
    void Changing() { mMissingLength = 0; }

    int mFolder = -1;
    int mLastFolder = -1; // beneath mFolder, at mLastPath
    size_t mLastLength = 0;
    char mLastPath[kLongestSystemPath] = {};
    size_t mMissingLength = 0; // none when 0
    char mMissingPath[kLongestSystemPath] = {};
};

} // namespace plat
