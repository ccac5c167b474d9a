// The file operations of the installer, one call each, so that tests can make any one of them
// fail. Paths are absolute path texts, but every operation acts only beneath the install folder
// opened with `OpenFolder`, one step at a time relative to it (FolderAt.h): a path elsewhere and a
// link on the way that leads out are refused, a link where a file is expected is never written
// through, and nothing is followed out of the folder, whatever is swapped for what in between. Before `OpenFolder` every operation is
// refused. A failed operation leaves the system's reason behind.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/FolderAt.h"
#include "updater/PNUReportTexts.h"

#include <cstddef>
#include <cstdint>

class CMemBlock;
class CPNUInstallServices;

// The permission bits a file from a package may have: no set-id or sticky bit, and no write for
// the group or others, so that no other user can replace an installed program.
inline constexpr uint32_t kInstalledModeBits = 0755;

class CPNUInstallFiles {
public:
    CPNUInstallFiles() = default;
    virtual ~CPNUInstallFiles() = default;
    CPNUInstallFiles(const CPNUInstallFiles&) = delete;
    CPNUInstallFiles& operator=(const CPNUInstallFiles&) = delete;

    // Opens the install folder (no trailing separator) the operations act in; the links in its own
    // path are followed this once. eSuccess also when that folder is open already, eFileNotFound
    // when nothing stands there, eStreamError when it cannot be opened.
    virtual eResultCode OpenFolder(const gCString& folder);

    // Something (a file, a folder or a link) stands at the path.
    virtual bool Exists(const gCString& path);
    // A folder stands at the path; a link to one is no folder.
    virtual bool IsFolder(const gCString& path);
    // A regular file stands at the path; a link to one is no file.
    virtual bool IsFile(const gCString& path);
    // Removes a file or a link, never a folder. eSuccess also when nothing is there; eStreamError
    // when the removal fails.
    virtual eResultCode Delete(const gCString& path);
    // Renames the entry as it is (a link stays a link); never replaces: eBadParameter when the
    // target exists, the source is missing or the move fails.
    virtual eResultCode Move(const gCString& source, const gCString& target);
    // Gives the file a second name (a link gets one as itself). eBadParameter when it fails;
    // eNotWritten when the file system has no such names, so the caller can fall back to moving.
    virtual eResultCode Link(const gCString& source, const gCString& target);
    // Renames a file over the file at the target in one step; never replaces a folder.
    // eBadParameter on failure. The source must be a regular file: a link is never put in place
    // this way.
    virtual eResultCode Replace(const gCString& source, const gCString& target);
    // Like Replace, for a kept previous entry going back: a file, or a link as itself.
    virtual eResultCode PutBack(const gCString& source, const gCString& target);
    // The folder and its missing parents.
    virtual eResultCode CreateFolder(const gCString& folder);
    // Creates or truncates the file and writes the bytes with the mode (masked with 0755); a link
    // at the path is refused, never written through. They reach the disk with `Flush`.
    virtual eResultCode WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode = 0644);
    // A whole small file, in a block from the memory hooks; eStreamError when it is missing,
    // unreadable or larger than limit, eNoMemory when it cannot be held.
    virtual eResultCode ReadFile(const gCString& path, CMemBlock& bytes, uint64_t limit);
    // Flushes every file written so far on the file system that holds the folder, so a later rename
    // never publishes a file whose data is not yet stored. eStreamError when the flush fails.
    virtual eResultCode Flush(const gCString& folder);
    // Flushes one file, or the names in one folder: far cheaper than `Flush` for a single file.
    virtual eResultCode FlushEntry(const gCString& path);
    // The folder (which need not exist yet) lies beneath root, the open install folder, and the
    // links on its way stay beneath it: eSuccess; eBadParameter when its way leads out;
    // eStreamError when a folder on the way cannot be reached: one that may not be read, links in
    // a ring, a link naming nothing (the system's reason kept).
    virtual eResultCode StaysBeneath(const gCString& root, const gCString& folder);
    // Which folder the path comes to, links on the way followed; kNone where it is missing (not
    // behind a link naming nothing). eBadParameter when its links lead out, run in a ring or name
    // nothing; eStreamError when it cannot be reached otherwise.
    virtual eResultCode GetFolderIdentity(const gCString& folder, plat::sEntryIdentity& identity);
    // Unix permission bits, masked with 0755; false when refused.
    virtual bool SetMode(const gCString& path, uint32_t mode);
    // eSuccess, or eFileNotFound when the program cannot be started.
    virtual eResultCode Launch(const gCString& path);

    // What stands at the path (links not followed) and which file it is: eSuccess with nothing
    // (kNone) only where no entry can be; eBadParameter when the links on the way there lead
    // out, run in a ring or name nothing; eStreamError when the entry cannot be reached otherwise
    // (a folder on the way that may not be read, a failing disk). A failure says nothing of what
    // is there.
    virtual eResultCode GetIdentity(const gCString& path, plat::sEntryIdentity& identity);
    // Removes the folder only when it is empty; eStreamError when it stays (something in it, or a
    // failure).
    virtual eResultCode RemoveEmptyFolder(const gCString& folder);
    // A whole regular file of at most limit bytes, never following a link at the path nor waiting
    // for a pipe or device: eFileNotFound when nothing is there, eInvalidFile when something other
    // than a regular file is (kind tells what), eOutOfRange when it is larger than limit, eNoMemory
    // when it cannot be held, eStreamError when it cannot be read or reached.
    virtual eResultCode ReadRegularFile(const gCString& path, CMemBlock& bytes, uint64_t limit,
                                        plat::eEntryKind& kind);

    // The reason of a failure kept aside, for reporting an earlier failure after later ones.
    struct sFailure {
        gCString reason;
        eReportText own = kReportTextCount;
    };
    sFailure GetFailure() const { return {mFailureReason, mOwnReason}; }
    void SetFailure(const sFailure& failure)
    {
        mFailureReason = failure.reason;
        mOwnReason = failure.own;
    }
    // The reason as the user reads it: the system's as it gave it, the installer's own (where the
    // system gave none) in the product's language from the texts.
    gCString DescribeFailure(CPNUInstallServices* texts) const;
    // A failure the caller found by looking, with no operation failing: its reason is the one the
    // system gives for that result, never an earlier failure's. Answers failure.
    eResultCode FailFound(plat::eFileResult why, eResultCode failure) { return Outcome(why, failure); }
    // Why an entry of that kind is not the regular file expected: missing, a folder, or anything
    // else (a link, a pipe), which the user reads as "not a regular file".
    static plat::eFileResult WhyNotAFile(plat::eEntryKind kind)
    {
        if (kind == plat::eEntryKind::kNone)
            return plat::eFileResult::kNotFound;
        return kind == plat::eEntryKind::kFolder ? plat::eFileResult::kIsFolder : plat::eFileResult::kIsLink;
    }

protected:
    void SetFailureReason(const gCString& reason)
    {
        mFailureReason = reason;
        mOwnReason = kReportTextCount;
    }
    // A failure the system gives no reason for, named by the installer's own text.
    void SetOwnReason(eReportText text);
    // Keeps the system's reason for a failed file operation (the installer's own for a path
    // refused); the result for success or failure.
    eResultCode Outcome(plat::eFileResult result, eResultCode failure);

private:
    // The path's part beneath the open install folder ("" the folder itself), in place in its
    // system text; null for a path elsewhere or before a folder is open. A folder's trailing
    // separators go.
    const char* PartBeneath(char* path, bool folder) const;
    // A step of the folder on the parts of both paths; kLeavesFolder when either lies elsewhere.
    using tTwoEntryStep = plat::eFileResult (plat::FolderAt::*)(const char*, const char*);
    plat::eFileResult OnBoth(const gCString& source, const gCString& target, tTwoEntryStep step);

    gCString mFailureReason;
    eReportText mOwnReason = kReportTextCount; // none: the reason is the system's
    plat::FolderAt mFolder;
    char mFolderText[plat::kLongestSystemPath] = {}; // without trailing separators: "" for the root
    size_t mFolderLength = 0;
};
