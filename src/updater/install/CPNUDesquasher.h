// Holds a decoded update package and installs it. The package is a frame ("PN2SQUSH", version 1,
// a method-8 codec frame, "PN2SQUSH") around an archive: header, UTF-16 instruction text, file
// index and one record per file. Installing writes every file beside its target as ".tmp", keeps
// the current files as ".old", moves the new files into place and removes the ".old" files,
// reporting each step to the updater window; then it may launch a program the package names.
//
// Nothing installed is lost: every name must lie strictly inside the install folder, also once
// links are followed; a folder is never replaced by a file; all ".tmp" files are on the disk
// before any installed file moves; current files are kept by a second name (a hard link), so each
// stays in place until its new file is renamed over it; a failure undoes every step taken; and a
// journal lets the next start finish or undo an install that was cut off.
#pragma once

#include "FileIO/gCFRef.h"
#include "FileIO/gCFolderRef.h"
#include "core/CMemBlock.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"
#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/PNUInstallJournal.h"
#include "updater/PNUReportTexts.h"

#include <functional>

#include <cstdint>
#include <initializer_list>

class gCMemFile;
class gCStream;
class CPNUInstallServices;
class CPNUStatusTarget;

class CPNUDesquasher : public gCBaseObject {
public:
    // None of the three is owned. Without files, the toolkit's own file operations are used.
    CPNUDesquasher(CPNUStatusTarget* statusTarget, CPNUInstallServices* services, CPNUInstallFiles* files = nullptr);
    ~CPNUDesquasher() override;

    // Where the lines go from the next one on: the application makes its installer before the
    // window exists and points it at the window, or at the log alone, whenever that changes.
    void SetStatusTarget(CPNUStatusTarget* statusTarget) { mStatusTarget = statusTarget; }

    CPNUDesquasher(const CPNUDesquasher&) = delete;
    CPNUDesquasher& operator=(const CPNUDesquasher&) = delete;

    // eSuccess nothing done (a package was installed already in this run); eGenericFailure a step
    // failed (its red line shown); eBusy nothing done, as another copy of the updater holds the
    // install folder's lock (a red line says so; a later call may install); else the launch step's
    // result: eSuccess no program named, eHandled launched and quitting, eStreamError the program
    // or the install folder missing, or the launch's own failure.
    eResultCode InstallPackage(gCStream& stream);
    // The same for a package held in memory that is the installer's to use up: its pages go back
    // to the system as they are decoded, so the package and its archive are never whole at once.
    // The package is empty afterwards, unless another copy held the lock (eBusy).
    eResultCode InstallHeldPackage(gCMemFile& package);

    // Reads and checks the package frame and decodes its payload into the archive block as it is
    // read (a held package where it lies), the block growing with the archive. eOutOfRange a
    // package above 100000000 bytes; eGenericFailure shorter than its frame, a wrong magic or
    // version; eNoMemory no memory, or an archive larger than the memory that can be had (both
    // figures in the failure detail, refused before decoding); eInvalidFile a damaged payload; a
    // read's own failure.
    eResultCode UnpackUpdateFile(gCStream& stream);
    // Reads the archive header, the instruction text and the index into the path lists and the six
    // values. eGenericFailure a wrong magic, version or marker, an empty text, a name or program
    // outside the install folder, names the installer could not keep apart or that would replace
    // its own files (all that the names alone decide, so before any file step); eOutOfRange an
    // index, text or file too large; eStreamError no files, too many or a negative count, an
    // archive shorter than its header; eNoMemory no memory.
    eResultCode ReadArchiveIndex();
    // eSuccess accept, eGenericFailure refuse.
    eResultCode CheckTarget();
    // eOutOfRange, with a red line naming both figures, when the install folder's file system lacks
    // the room for the index's files beside the current ones; eSuccess when it has it or cannot
    // tell.
    eResultCode CheckDiskSpace();
    // Every destination's folder lies beneath the install folder, also through the links on its
    // way, only a file, a link (or nothing) stands where a file goes, and no two names come to one
    // entry, or to the installer's own files, through those links. Before the leftover step, so a
    // refused package changes nothing; it records what stands at each name for the steps after.
    eResultCode CheckDestinations();
    eResultCode RemoveLeftovers();
    eResultCode WriteTemporaryFiles();
    eResultCode KeepOldFiles();
    eResultCode PlaceNewFiles();
    eResultCode RemoveOldFiles();
    eResultCode RunExecutable();

    int32_t GetFileCount() const { return mFinalPaths.GetSize(); }
    const gCString& GetInstructionText() const { return mInstructionText; }
    const gCString& GetExecute() const { return mExecute; }
    const gCString& GetFileName() const { return mFileName; }
    const gCString& GetType() const { return mType; }
    const gCString& GetOS() const { return mOS; }
    const gCString& GetBuild() const { return mBuild; }
    const gCString& GetVersionNumber() const { return mVersionNumber; }
    const gCString& GetInstallFolderText() const { return mInstallFolderText; }
    gCString GetFinalPath(int32_t index) const { return mFinalPaths[index].GetPath(); }
    int64_t GetFileSize(int32_t index) const { return mSizes[index]; }
    CMemBlock& GetArchive() { return mArchive; }

private:
    eResultCode Status(eUpdaterText text, uint32_t colour, int32_t field = 0);
    eResultCode StatusText(const gCString& text, uint32_t colour);
    void LogWithName(eUpdaterText text, const gCString& path);
    static gCString FileNameOf(const gCString& path);
    gCString Text(eUpdaterText text, int32_t field = 0);
    void StepProgress(int32_t index);
    eResultCode ParseInstructionText();
    // The refusals the names alone decide.
    eResultCode CheckNames();
    // Checks the archive's n bytes against the memory that can be had and gives the archive
    // block its first room for an m-byte payload.
    eResultCode StartArchive(uint64_t n, uint64_t m);
    eResultCode AddEntry(const gCString& name, uint64_t size);
    // A report text from the services (built-in English without them), with its values filled in.
    gCString ReportText(eReportText text) const;
    gCString ReportText(eReportText text, std::initializer_list<gCString> values) const;
    // The failure detail: what was refused and the rule it broke.
    eResultCode Refuse(eResultCode result, const gCString& what, eReportText rule);
    // Everything after the target check; the driver adds the completion lines.
    eResultCode InstallFiles(gCStream& stream);
    // Finishes or undoes an install an earlier run left unfinished.
    eResultCode RecoverEarlierInstall();
    eResultCode WriteRecords();
    // The folders the write step will make, in the journal before the first is made.
    eResultCode RecordFoldersToMake();
    eResultCode FailAt(eResultCode result, const gCString& path);
    // Copies of entry index's final, ".old" and ".tmp" paths; eNoMemory when one cannot be held.
    eResultCode EntryPaths(int32_t index, gCString& final, gCString& old, gCString& temp) const;
    // Puts every final file back as it was before the install and removes the journal, after a
    // failure of a file step. Where that fails, the journal and the ".old" files stay.
    void RollBack();
    // RollBack after a failed file step, keeping that step's failure detail; answers result.
    eResultCode RollBackAfter(eResultCode result);
    // Shows `status`, then runs step(index, final, old, temp) over every entry, the progress
    // stepping along; the first failure (made the final path's, with failAtFinal) rolls the install
    // back.
    using tEntryStep
        = std::function<eResultCode(int32_t index, const gCString& final, const gCString& old, const gCString& temp)>;
    eResultCode StepEntriesOrRollBack(eUpdaterText status, bool failAtFinal, const tEntryStep& step);
    // The checks and the write step have recorded every entry, which the later steps go by.
    bool StepsKnowEveryEntry() const;

    CPNUStatusTarget* mStatusTarget;
    CPNUInstallServices* mServices;
    CPNUInstallFiles* mFiles;
    CPNUInstallFiles mOwnFiles;
    gCStream* mStream = nullptr;
    uint32_t mIndexLength = 0;  // A
    uint64_t mHeaderLength = 0; // H
    gCString mInstructionText;
    gCString mInstallFolderText;
    // The updater's log as a package would name it, reserved like the lock's file; empty when the
    // log lies outside the install folder.
    gCString mLogName;
    // The entries in the code-unit order of their names, where the entries of one folder stand
    // together; sorted once the index is read.
    gCArray<int32_t> mNameOrder;
    gCFolderRef mInstallFolder;
    CMemBlock mArchive;
    gCArray<gCFRef> mTempPaths;
    gCArray<gCFRef> mOldPaths;
    gCArray<gCFRef> mFinalPaths;
    gCArray<int64_t> mSizes;
    int32_t mInstalled = 0;
    bool mUseUpHeldPackage = false;
    gCString mFileName;
    gCString mExecute;
    gCString mType;
    gCString mOS;
    gCString mBuild;
    gCString mVersionNumber;
    sInstallJournal mJournal;
    // What stood at each final path when the destinations were checked. Under the install folder's
    // lock nothing but the install's own steps changes an entry afterwards, so the later steps go
    // by it, and by the journal's record of the new files, instead of looking again.
    gCArray<plat::sEntryIdentity> mFinalIdentities;
    // Why the last step failed: the path and the system's reason, or the entry and the rule it
    // broke; empty when there is nothing to add to the step's own line.
    gCString mFailureDetail;
    // What a failed roll-back could not put back (path and reason); empty when all went back.
    gCString mNotUndone;
};
