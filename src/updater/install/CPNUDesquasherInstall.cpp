// The installer's driver and file steps.
#include "updater/install/CPNUDesquasher.h"

#include "FileIO/gCStream.h"
#include "core/TextEquality.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/PNUMessages.h"
#include "updater/install/PNUArchiveCursor.h"
#include "updater/install/PNUInstallLock.h"
#include "updater/codec/PNULimits.h"
#include "updater/install/PNUPackageNames.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int32_t kInstallCaptionControl = 313;

constexpr uint64_t kRecordOverhead = 62;

// A copy of the path; eNoMemory when it cannot be held, since the empty text left then names no
// file. An entry's path is never empty: one that is was lost to a failed copy while the lists grew.
eResultCode CopyPath(const gCFRef& ref, gCString& path)
{
    path = ref.GetPath();
    return path.IsEmpty() ? eNoMemory : eSuccess;
}

// The folder part of a path, up to its last separator (names from a package have no other), built
// checked: a folder text cut short by a failed allocation would be made as a folder.
eResultCode FolderOf(const gCString& path, gCString& folder)
{
    int32_t slash = path.GetLength() - 1;
    while (slash > 0 && path[slash] != u'/')
        --slash;
    return folder.CopyStringFromBuffer(path.GetText(), slash + 1);
}

} // namespace

eResultCode CPNUDesquasher::InstallPackage(gCStream& stream)
{
    mStream = &stream;
    if (mInstalled) {
        (void)StatusText(gCString(" "), kStatusBlack);
        (void)Status(kTextAlreadyInstalled, kStatusRed);
        return eSuccess;
    }
    (void)Status(kTextInstallStart, kStatusBlack);
    mFailureDetail = gCString();
    // Every file step, the repair of an earlier install included, runs under the install folder's
    // lock: a second copy of the updater started meanwhile leaves the product alone. It is taken
    // before the package is decoded, so a refused package is still whole for another attempt.
    plat::FolderLock lock;
    gCString refusal;
    const gCString folder = WithoutTrailingSeparator(mServices ? mServices->GetInstallFolderText() : gCString());
    if (eResultCode locked = LockInstallFolder(lock, folder, mServices, refusal); locked != eSuccess) {
        (void)StatusText(refusal, kStatusRed);
        return locked;
    }
    const eResultCode installed = InstallFiles(stream);
    // A program the package starts may be an updater that repairs at its start.
    lock.Release();
    // Whatever step ended the install, the decoded archive goes with it.
    (void)mArchive.SetSize(0);
    if (installed != eSuccess)
        return installed;

    mInstalled = 1;
    (void)StatusText(gCString(" "), kStatusBlack);
    if (mStatusTarget)
        mStatusTarget->SetControlText(kInstallCaptionControl, Text(kTextInstalledCaption));
    (void)Status(kTextInstallComplete, kStatusBlack, 1);
    return RunExecutable();
}

eResultCode CPNUDesquasher::InstallFiles(gCStream& stream)
{
    if (UnpackUpdateFile(stream) != eSuccess) {
        // A package refused for what it would take is not called damaged: its own line says why.
        if (mFailureDetail.IsEmpty())
            (void)Status(kTextFrameFailed, kStatusRed);
        else
            (void)StatusText(mFailureDetail, kStatusRed);
        return eGenericFailure;
    }
    if (ReadArchiveIndex() != eSuccess) {
        (void)Status(kTextIndexFailed, kStatusRed);
        if (!mFailureDetail.IsEmpty())
            (void)StatusText(ReportText(kTextRefused, {mFailureDetail}), kStatusRed);
        return eGenericFailure;
    }
    if (CheckTarget() != eSuccess) {
        (void)StatusText(gCString("PI Err: ") + Text(kTextIndexFailed), kStatusRed);
        return eGenericFailure;
    }
    // Before anything is written, the earlier install's repair included.
    if (CheckDiskSpace() != eSuccess)
        return eGenericFailure;
    struct sStep {
        eResultCode (CPNUDesquasher::*run)();
        eUpdaterText failure;
    };
    const sStep steps[] = {
        {&CPNUDesquasher::RecoverEarlierInstall, kTextLeftoversFailed},
        // Every refusal comes before the leftover step takes any file for the install's own.
        {&CPNUDesquasher::CheckDestinations, kTextWriteFailed},
        {&CPNUDesquasher::RemoveLeftovers, kTextLeftoversFailed},
        {&CPNUDesquasher::WriteTemporaryFiles, kTextWriteFailed},
        {&CPNUDesquasher::KeepOldFiles, kTextKeepFailed},
        {&CPNUDesquasher::PlaceNewFiles, kTextPlaceFailed},
    };
    mNotUndone = gCString();
    for (const sStep& step : steps) {
        mFailureDetail = gCString();
        const eResultCode result = (this->*step.run)();
        // The decoded archive is large and of no use once the new files are written.
        if (step.run == &CPNUDesquasher::WriteTemporaryFiles)
            (void)mArchive.SetSize(0);
        if (result != eSuccess) {
            gCString line = Text(step.failure);
            if (!mFailureDetail.IsEmpty())
                line += gCString(" ") + mFailureDetail;
            (void)StatusText(line, kStatusRed);
            if (!mNotUndone.IsEmpty())
                (void)StatusText(ReportText(kTextNotUndone, {mNotUndone}), kStatusRed);
            return eGenericFailure;
        }
    }
    (void)RemoveOldFiles();
    return eSuccess;
}

void CPNUDesquasher::StepProgress(int32_t index)
{
    if (mStatusTarget)
        (void)mStatusTarget->SetProgress(float(index + 1) / float(mFinalPaths.GetSize()), true);
    if (mServices)
        mServices->RunHeartbeat();
}

eResultCode CPNUDesquasher::EntryPaths(int32_t index, gCString& final, gCString& old, gCString& temp) const
{
    PNU_TRY(CopyPath(mFinalPaths[index], final));
    PNU_TRY(CopyPath(mOldPaths[index], old));
    return CopyPath(mTempPaths[index], temp);
}

eResultCode CPNUDesquasher::FailAt(eResultCode result, const gCString& path)
{
    mFailureDetail = ReportText(kTextDetail, {path, mFiles->DescribeFailure(mServices)});
    return result;
}

eResultCode CPNUDesquasher::RecoverEarlierInstall()
{
    if (!mServices)
        return eSuccess;
    if (eResultCode result = RecoverUnfinishedInstallIn(mInstallFolderText, mStatusTarget, mFiles, mServices);
        result != eSuccess)
        return FailAt(result, InstallJournalPath(mInstallFolderText));
    return eSuccess;
}

eResultCode CPNUDesquasher::RemoveLeftovers()
{
    (void)Status(kTextLeftovers, kStatusBlack);
    // In name order the entries of one folder stand together, so a folder found missing is looked
    // up once for all of them.
    gCString final;
    gCString old;
    gCString temp;
    for (const int32_t i : mNameOrder) {
        PNU_TRY(EntryPaths(i, final, old, temp));
        LogWithName(kTextLeftoverLog, final);
        // An interrupted install may have left the previous file only as ".old": it is the only
        // copy, so it goes back to its name instead of away. A link by that name is none of ours.
        // A way through a link holds nothing of ours: the check of the destinations has refused
        // the entry when it leads out.
        plat::sEntryIdentity kept;
        if (eResultCode result = mFiles->GetIdentity(old, kept); result == eBadParameter)
            continue;
        else if (result != eSuccess)
            return FailAt(result, old);
        plat::eEntryKind oldKind = kept.kind;
        plat::sEntryIdentity entry;
        if (oldKind == plat::eEntryKind::kFile) {
            if (eResultCode result = mFiles->GetIdentity(final, entry); result != eSuccess)
                return FailAt(result, final);
        }
        if (oldKind == plat::eEntryKind::kFile && entry.kind == plat::eEntryKind::kNone) {
            if (eResultCode result = mFiles->Move(old, final); result != eSuccess)
                return FailAt(result, old);
            oldKind = plat::eEntryKind::kNone;
            // The file it was stands at the name now, for the steps after.
            if (i < mFinalIdentities.GetSize())
                mFinalIdentities[i] = kept;
        }
        // Only files and links are removed: a folder by such a name fails the step instead of
        // going away. A removal that succeeds leaves nothing at the name.
        if (oldKind != plat::eEntryKind::kNone) {
            if (eResultCode result = mFiles->Delete(old); result != eSuccess)
                return FailAt(result, old);
        }
        if (eResultCode result = mFiles->GetIdentity(temp, entry); result != eSuccess)
            return FailAt(result, temp);
        if (entry.kind != plat::eEntryKind::kNone) {
            if (eResultCode result = mFiles->Delete(temp); result != eSuccess)
                return FailAt(result, temp);
        }
    }
    return eSuccess;
}

eResultCode CPNUDesquasher::CheckDestinations()
{
    // The names alone were judged with the index. In name order the entries of one folder stand
    // together: its way is followed once for all of them, and a folder found missing is looked up
    // once.
    const gCArray<gCString>& names = mJournal.names;
    gCString final;
    gCString folder;
    gCString checkedFolder;
    mFinalIdentities.RemoveAll();
    PNU_TRY(mFinalIdentities.SetSize(mFinalPaths.GetSize()));
    for (const int32_t i : mNameOrder) {
        PNU_TRY(CopyPath(mFinalPaths[i], final));
        PNU_TRY(FolderOf(final, folder));
        if (checkedFolder.IsEmpty() || !TextsEqual(folder, checkedFolder)) {
            // A way that leads out is refused; one that cannot be looked at says why.
            if (eResultCode stays = mFiles->StaysBeneath(mInstallFolderText, folder); stays == eBadParameter)
                return Refuse(eGenericFailure, final, kTextFolderLeadsOut);
            else if (stays != eSuccess)
                return FailAt(stays, final);
            PNU_TRY(checkedFolder.Assign(folder.GetText()));
        }
        // A file is replaced, and so is a link, which is kept as itself to be put back and never
        // written through.
        plat::sEntryIdentity& identity = mFinalIdentities[i];
        if (eResultCode result = mFiles->GetIdentity(final, identity); result != eSuccess)
            return FailAt(result, final);
        if (identity.kind == plat::eEntryKind::kFolder)
            return Refuse(eGenericFailure, final, kTextFolderInTheWay);
        if (identity.kind == plat::eEntryKind::kOther)
            return Refuse(eGenericFailure, final, kTextNotRegularFile);
    }
    // Links on the way may bring two names to one entry, or a name to another's partner, the
    // journal, the lock file or the log.
    gCString failedPath;
    int32_t clash = -1;
    if (eResultCode result = FindResolvedNameClash(*mFiles, mInstallFolderText, names, clash, failedPath, mLogName);
        result != eSuccess)
        return FailAt(result, failedPath);
    if (clash >= 0)
        return Refuse(eGenericFailure, mFinalPaths[clash].GetPath(), kTextNameUnacceptable);
    return eSuccess;
}

eResultCode CPNUDesquasher::WriteTemporaryFiles()
{
    (void)Status(kTextWriting, kStatusBlack);
    // The checks before have looked at every entry.
    if (mFinalIdentities.GetSize() != mFinalPaths.GetSize())
        return eBadParameter;
    // From here on every ".tmp" file is the journal's: a failure or the next start removes them.
    mJournal.state = sInstallJournal::eState::kUndo;
    mJournal.hadFile.RemoveAll();
    mJournal.keptLink.RemoveAll();
    mJournal.written.RemoveAll();
    for (const plat::sEntryIdentity& before : mFinalIdentities) {
        PNU_TRY(mJournal.hadFile.Add(before.kind != plat::eEntryKind::kNone ? 1 : 0));
        PNU_TRY(mJournal.keptLink.Add(before.kind == plat::eEntryKind::kLink ? before : plat::sEntryIdentity()));
    }
    PNU_TRY(RecordFoldersToMake());
    if (eResultCode result = WriteInstallJournal(*mFiles, mJournal); result != eSuccess) {
        (void)RemoveInstallJournal(*mFiles, mInstallFolderText);
        return FailAt(result, InstallJournalPath(mInstallFolderText));
    }
    if (eResultCode written = WriteRecords(); written != eSuccess)
        return RollBackAfter(written);
    // All new files are on the disk: from now on a cut-off install is finished, not undone, and
    // the journal says which file each new one is.
    gCString temp;
    for (int32_t i = 0; i < mTempPaths.GetSize(); ++i) {
        plat::sEntryIdentity identity;
        eResultCode result = CopyPath(mTempPaths[i], temp);
        if (result == eSuccess) {
            result = mFiles->GetIdentity(temp, identity);
            // Someone put something else there since it was written: that is the reason, not
            // whatever failed before.
            if (result == eSuccess && identity.kind != plat::eEntryKind::kFile)
                result = mFiles->FailFound(CPNUInstallFiles::WhyNotAFile(identity.kind), eStreamError);
            if (result != eSuccess)
                (void)FailAt(result, temp);
        }
        if (result == eSuccess)
            result = mJournal.written.Add(identity);
        if (result != eSuccess) {
            mJournal.written.RemoveAll();
            return RollBackAfter(result);
        }
    }
    mJournal.state = sInstallJournal::eState::kFinish;
    if (eResultCode result = WriteInstallJournal(*mFiles, mJournal); result != eSuccess)
        return RollBackAfter(FailAt(result, InstallJournalPath(mInstallFolderText)));
    return eSuccess;
}

eResultCode CPNUDesquasher::RecordFoldersToMake()
{
    mJournal.madeIn.RemoveAll();
    mJournal.madeUnits.RemoveAll();
    const gCArray<gCString>& names = mJournal.names;
    const gCArray<int32_t>& order = mNameOrder;
    gCString folder;
    gCString part;
    // In name order the names inside a folder stand together: a folder shared with the name
    // before was looked at with it.
    for (int32_t k = 0; k < order.GetSize(); ++k) {
        const gCString& name = names[order[k]];
        const int32_t shared = k > 0 ? SharedUnits(name, names[order[k - 1]]) : 0;
        bool missing = false;
        for (int32_t units = 1; units < name.GetLength(); ++units) {
            if (name[units] != u'/' || units < shared)
                continue;
            if (!missing) {
                PNU_TRY(part.CopyStringFromBuffer(name.GetText(), units));
                PNU_TRY(folder.Assign(mInstallFolderText.GetText()));
                PNU_TRY(folder.Append(part));
                missing = !mFiles->Exists(folder);
            }
            if (missing) {
                PNU_TRY(mJournal.madeIn.Add(order[k]));
                PNU_TRY(mJournal.madeUnits.Add(units));
            }
        }
    }
    return eSuccess;
}

eResultCode CPNUDesquasher::WriteRecords()
{
    const uint64_t archiveLength = mArchive.GetSize();
    uint64_t position = mHeaderLength + 8;
    gCString temp;
    gCString folderPath;
    gCString madeFolder;
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        StepProgress(i);
        // Only a refusal names the record.
        const auto record = [&] { return ReportText(kTextRecord, {gCString("") + i}); };
        const uint64_t indexSize = uint64_t(mSizes[i]);
        // The record must lie inside the archive; its own size field is checked against the
        // index's below.
        if (position > archiveLength || indexSize > kPNUPackageSizeLimit
            || kRecordOverhead + indexSize > archiveLength - position)
            return Refuse(indexSize > kPNUPackageSizeLimit ? eOutOfRange : eStreamError, record(),
                          kTextPastArchiveEnd);
        PNUArchiveCursor cursor(mArchive.GetData(), position + kRecordOverhead + indexSize, position);
        if (cursor.ExpectMarker(PNUArchiveCursor::kFieldMarker) != eSuccess)
            return Refuse(eGenericFailure, record(), kTextMarkerMissing);
        int32_t number = -1;
        PNU_TRY(cursor.ReadValue(number));
        if (number != i)
            return Refuse(eStreamError, record(), kTextWrongNumber);
        if (cursor.ExpectMarker(PNUArchiveCursor::kFieldMarker) != eSuccess)
            return Refuse(eGenericFailure, record(), kTextMarkerMissing);
        uint64_t size = 0;
        PNU_TRY(cursor.ReadValue(size));
        if (size > kPNUPackageSizeLimit)
            return Refuse(eOutOfRange, record(), kTextFileTooLarge);
        if (size != indexSize)
            return Refuse(eStreamError, record(), kTextSizeDiffers);
        if (cursor.ExpectMarker(PNUArchiveCursor::kFieldMarker) != eSuccess)
            return Refuse(eGenericFailure, record(), kTextMarkerMissing);
        uint32_t unused = 0;
        PNU_TRY(cursor.ReadValue(unused));
        PNU_TRY(cursor.ReadValue(unused));
        uint16_t mode = 0;
        PNU_TRY(cursor.ReadValue(mode));
        if (cursor.ExpectMarker(PNUArchiveCursor::kFieldMarker) != eSuccess)
            return Refuse(eGenericFailure, record(), kTextMarkerMissing);
        const uint8_t* data = cursor.Take(size);
        if (data == nullptr)
            return Refuse(eStreamError, record(), kTextPastArchiveEnd);
        if (cursor.ExpectMarker(PNUArchiveCursor::kEndMarker) != eSuccess)
            return Refuse(eGenericFailure, record(), kTextNoEndMarker);

        PNU_TRY(CopyPath(mTempPaths[i], temp));
        PNU_TRY(FolderOf(temp, folderPath));
        // A folder made (or found) for the file before stays: the check above followed it.
        if (madeFolder.IsEmpty() || !TextsEqual(folderPath, madeFolder)) {
            if (eResultCode result = mFiles->CreateFolder(folderPath); result != eSuccess)
                return FailAt(result, folderPath);
            PNU_TRY(madeFolder.Assign(folderPath.GetText()));
        }
        // Only the permission bits travel, without set-id bits and without write for others.
        if (eResultCode result = mFiles->WriteFile(temp, data, size, mode & kInstalledModeBits); result != eSuccess)
            return FailAt(result, temp);
        LogWithName(kTextWrittenLog, temp);
        position += kRecordOverhead + size;
    }
    // One flush for all the new files, before the keep step moves any installed file.
    if (eResultCode result = mFiles->Flush(mInstallFolderText); result != eSuccess)
        return FailAt(result, mInstallFolderText);
    return eSuccess;
}

void CPNUDesquasher::RollBack()
{
    // The journal says "undo" first, so a cut-off roll-back is completed as one at the next start.
    // Where that cannot be recorded, the journal before still names every file, and the next start
    // undoes what it cannot complete.
    mJournal.state = sInstallJournal::eState::kUndo;
    (void)WriteInstallJournal(*mFiles, mJournal);
    gCString failedPath;
    const eResultCode undone = UndoInstall(*mFiles, mJournal, failedPath);
    // What could not be put back keeps its ".old" file and the journal, for the next start.
    if (undone == eSuccess) {
        (void)RemoveInstallJournal(*mFiles, mInstallFolderText);
        return;
    }
    (void)FailAt(undone, failedPath);
    mNotUndone = mFailureDetail;
}

eResultCode CPNUDesquasher::RollBackAfter(eResultCode result)
{
    // The step's own reason is the one reported, not whatever the roll-back ran into.
    gCString detail = std::move(mFailureDetail);
    RollBack();
    mFailureDetail = std::move(detail);
    return result;
}

eResultCode CPNUDesquasher::StepEntriesOrRollBack(eUpdaterText status, bool failAtFinal, const tEntryStep& step)
{
    (void)Status(status, kStatusBlack);
    gCString final;
    gCString old;
    gCString temp;
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        StepProgress(i);
        eResultCode result = EntryPaths(i, final, old, temp);
        if (result == eSuccess)
            result = step(i, final, old, temp);
        if (result != eSuccess)
            return RollBackAfter(failAtFinal ? FailAt(result, final) : result);
    }
    return eSuccess;
}

bool CPNUDesquasher::StepsKnowEveryEntry() const
{
    const int32_t count = mFinalPaths.GetSize();
    return mFinalIdentities.GetSize() == count && mJournal.hadFile.GetSize() == count
        && mJournal.written.GetSize() == count;
}

eResultCode CPNUDesquasher::KeepOldFiles()
{
    // The steps before say what stands at each name: a file or a link where hadFile says so
    // (anything else was refused), no ".old" (the leftovers went), and every ".tmp" written.
    if (!StepsKnowEveryEntry())
        return eBadParameter;
    return StepEntriesOrRollBack(kTextKeeping, false,
                                 [&](int32_t i, const gCString& final, const gCString& old, const gCString&) {
        if (mJournal.hadFile[i] == 0)
            return eSuccess;
        // A second name keeps the current file (or link, as itself) in place until the new
        // one replaces it; where the file system has none, it moves aside as it always did. Neither
        // ever replaces what stands at the ".old" name.
        eResultCode result = mFiles->Link(final, old);
        if (result == eNotWritten)
            result = mFiles->Move(final, old);
        if (result == eSuccess)
            LogWithName(kTextKeptLog, final);
        else
            (void)FailAt(result, old);
        return result;
    });
}

eResultCode CPNUDesquasher::PlaceNewFiles()
{
    if (!StepsKnowEveryEntry())
        return eBadParameter;
    return StepEntriesOrRollBack(kTextPlacing, true,
                                 [&](int32_t i, const gCString& final, const gCString&, const gCString& temp) {
        // A rename between two names of one file does nothing and still succeeds: the new file
        // must be another file than the one it replaces.
        const plat::sEntryIdentity& before = mFinalIdentities[i];
        const plat::sEntryIdentity& written = mJournal.written[i];
        if (before.kind == plat::eEntryKind::kFile && before.device == written.device && before.number == written.number)
            return mFiles->FailFound(plat::eFileResult::kExists, eStreamError);
        const eResultCode result = mFiles->Replace(temp, final);
        if (result == eSuccess)
            LogWithName(kTextPlacedLog, temp);
        return result;
    });
}

eResultCode CPNUDesquasher::RemoveOldFiles()
{
    (void)Status(kTextRemovingOld, kStatusBlack);
    gCString old;
    bool allRemoved = true;
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        StepProgress(i);
        // Only a file kept by the keep step has a ".old" file. A folder by that name is not the
        // install's own and is never removed: the removal refuses it.
        if (i < mJournal.hadFile.GetSize() && mJournal.hadFile[i] == 0)
            continue;
        if (CopyPath(mOldPaths[i], old) != eSuccess) {
            allRemoved = false;
            continue;
        }
        if (mFiles->Delete(old) != eSuccess) {
            allRemoved = false;
            (void)StatusText(Text(kTextRemovedLog) + FileNameOf(old), kStatusWarning);
            (void)Status(kTextOldNotRemoved, kStatusRed);
        } else {
            LogWithName(kTextRemovedLog, old);
        }
    }
    // The install is complete; ".old" files left keep the journal, which says so, and the next
    // start removes them.
    if (allRemoved)
        (void)RemoveInstallJournal(*mFiles, mInstallFolderText);
    return eSuccess;
}

eResultCode CPNUDesquasher::RunExecutable()
{
    if (mExecute.IsEmpty())
        return eSuccess;
    // Built checked: without its name the path would be the install folder, and that would open.
    gCString program;
    PNU_TRY(program.Assign(mInstallFolderText.GetText()));
    PNU_TRY(program.Append(mExecute));
    if (!mInstallFolder.Exists() || !mFiles->Exists(program))
        return eStreamError;
    PNU_TRY(mFiles->Launch(program));
    if (mServices)
        mServices->Quit();
    return eHandled;
}
