// The installer's driver and file steps.
#include "updater/CPNUDesquasher.h"

#include "FileIO/gCStream.h"
#include "updater/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/PNUArchiveCursor.h"
#include "updater/PNULimits.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kWarning = 0xB8000000u;

constexpr int32_t kInstallCaptionControl = 313;

constexpr uint32_t kTextInstalledCaption = 3000000016u;
constexpr uint32_t kTextInstallComplete = 3000000022u; // field 1
constexpr uint32_t kTextWriting = 3000000026u;
constexpr uint32_t kTextLeftovers = 3000000027u;
constexpr uint32_t kTextLeftoverLog = 3000000028u;
constexpr uint32_t kTextWrittenLog = 3000000029u;
constexpr uint32_t kTextPlacing = 3000000030u;
constexpr uint32_t kTextPlacedLog = 3000000031u;
constexpr uint32_t kTextKeeping = 3000000033u;
constexpr uint32_t kTextKeptLog = 3000000034u;
constexpr uint32_t kTextRemovingOld = 3000000035u;
constexpr uint32_t kTextRemovedLog = 3000000036u;
constexpr uint32_t kTextAlreadyInstalled = 3000000041u;
constexpr uint32_t kTextInstallStart = 3000000042u;
constexpr uint32_t kTextOldNotRemoved = 3000000043u;
constexpr uint32_t kTextFrameFailed = 3000000044u;
constexpr uint32_t kTextIndexFailed = 3000000045u;
constexpr uint32_t kTextLeftoversFailed = 3000000046u;
constexpr uint32_t kTextWriteFailed = 3000000047u;
constexpr uint32_t kTextKeepFailed = 3000000048u;
constexpr uint32_t kTextPlaceFailed = 3000000049u;

constexpr uint64_t kRecordOverhead = 62;

} // namespace

eResultCode CPNUDesquasher::InstallPackage(gCStream& stream)
{
    mStream = &stream;
    if (mInstalled) {
        (void)StatusText(gCString(" "), kBlack);
        (void)Status(kTextAlreadyInstalled, kRed);
        return eSuccess;
    }
    (void)Status(kTextInstallStart, kBlack);
    if (UnpackUpdateFile(stream) != eSuccess) {
        (void)Status(kTextFrameFailed, kRed);
        return eGenericFailure;
    }
    if (ReadArchiveIndex() != eSuccess) {
        (void)Status(kTextIndexFailed, kRed);
        return eGenericFailure;
    }
    if (CheckTarget() != eSuccess) {
        (void)StatusText(gCString("PI Err: ") + Text(kTextIndexFailed), kRed);
        return eGenericFailure;
    }
    struct sStep {
        eResultCode (CPNUDesquasher::*run)();
        uint32_t failure;
    };
    const sStep steps[] = {
        {&CPNUDesquasher::RemoveLeftovers, kTextLeftoversFailed},
        {&CPNUDesquasher::WriteTemporaryFiles, kTextWriteFailed},
        {&CPNUDesquasher::KeepOldFiles, kTextKeepFailed},
        {&CPNUDesquasher::PlaceNewFiles, kTextPlaceFailed},
    };
    for (const sStep& step : steps) {
        if ((this->*step.run)() != eSuccess) {
            (void)Status(step.failure, kRed);
            return eGenericFailure;
        }
    }
    (void)RemoveOldFiles();

    mInstalled = 1;
    (void)StatusText(gCString(" "), kBlack);
    if (mStatusTarget)
        mStatusTarget->SetControlText(kInstallCaptionControl, Text(kTextInstalledCaption));
    (void)Status(kTextInstallComplete, kBlack, 1);
    return RunExecutable();
}

void CPNUDesquasher::StepProgress(int32_t index)
{
    if (mStatusTarget)
        mStatusTarget->SetProgress(float(index + 1) / float(mFinalPaths.GetSize()), true);
    if (mServices)
        mServices->RunHeartbeat();
}

eResultCode CPNUDesquasher::RemoveLeftovers()
{
    (void)Status(kTextLeftovers, kBlack);
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        const gCString final = mFinalPaths[i].GetPath();
        const gCString old = mOldPaths[i].GetPath();
        LogWithName(kTextLeftoverLog, final);
        // An interrupted install may have left the previous file only as ".old": it is the only
        // copy, so it goes back to its name instead of away.
        if (!mFiles->Exists(final) && mFiles->Exists(old)) {
            PNU_TRY(mFiles->Move(old, final));
        }
        for (const gCString& leftover : {old, mTempPaths[i].GetPath()}) {
            if (mFiles->Exists(leftover)) {
                PNU_TRY(mFiles->Delete(leftover));
                if (mFiles->Exists(leftover))
                    return eStreamError;
            }
        }
    }
    return eSuccess;
}

eResultCode CPNUDesquasher::WriteTemporaryFiles()
{
    (void)Status(kTextWriting, kBlack);
    const uint64_t archiveLength = mArchive.GetSize();
    uint64_t position = mHeaderLength + 8;
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        StepProgress(i);
        const uint64_t indexSize = uint64_t(mSizes[i]);
        // The record must lie inside the archive; its own size field is checked against the
        // index's below.
        if (position > archiveLength || indexSize > kPNUPackageSizeLimit
            || kRecordOverhead + indexSize > archiveLength - position)
            return indexSize > kPNUPackageSizeLimit ? eOutOfRange : eStreamError;
        PNUArchiveCursor record(mArchive.GetData(), position + kRecordOverhead + indexSize, position);
        PNU_TRY(record.ExpectMarker(PNUArchiveCursor::kFieldMarker));
        int32_t number = -1;
        PNU_TRY(record.ReadValue(number));
        if (number != i)
            return eStreamError;
        PNU_TRY(record.ExpectMarker(PNUArchiveCursor::kFieldMarker));
        uint64_t size = 0;
        PNU_TRY(record.ReadValue(size));
        if (size > kPNUPackageSizeLimit)
            return eOutOfRange;
        if (size != indexSize)
            return eStreamError;
        PNU_TRY(record.ExpectMarker(PNUArchiveCursor::kFieldMarker));
        uint32_t unused = 0;
        PNU_TRY(record.ReadValue(unused));
        PNU_TRY(record.ReadValue(unused));
        uint16_t mode = 0;
        PNU_TRY(record.ReadValue(mode));
        PNU_TRY(record.ExpectMarker(PNUArchiveCursor::kFieldMarker));
        const uint8_t* data = record.Take(size);
        if (data == nullptr)
            return eStreamError;
        PNU_TRY(record.ExpectMarker(PNUArchiveCursor::kEndMarker));

        const gCString temp = mTempPaths[i].GetPath();
        LogWithName(kTextWrittenLog, temp);
        gCFolderRef folder;
        PNU_TRY(mTempPaths[i].GetFolderRef(folder));
        PNU_TRY(mFiles->CreateFolder(folder.GetPath()));
        PNU_TRY(mFiles->WriteFile(temp, data, size));
        // Only the permission bits travel; set-id bits from a package are never applied.
        (void)mFiles->SetMode(temp, mode & 0777u);
        position += kRecordOverhead + size;
    }
    // One flush for all the new files, before the keep step moves any installed file.
    return mFiles->Flush(mInstallFolderText);
}

void CPNUDesquasher::RollBack(int32_t placedUpTo)
{
    // Placed files go back out to their ".tmp" names, then every kept file gets its name back.
    // Each step is tried for every entry, whatever happened to the others.
    for (int32_t i = 0; i <= placedUpTo && i < mFinalPaths.GetSize(); ++i) {
        const gCString final = mFinalPaths[i].GetPath();
        const gCString temp = mTempPaths[i].GetPath();
        if (!mFiles->Exists(temp) && mFiles->Exists(final))
            (void)mFiles->Move(final, temp);
    }
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        const gCString final = mFinalPaths[i].GetPath();
        const gCString old = mOldPaths[i].GetPath();
        if (!mFiles->Exists(final) && mFiles->Exists(old))
            (void)mFiles->Move(old, final);
    }
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i)
        (void)mFiles->Delete(mTempPaths[i].GetPath());
}

eResultCode CPNUDesquasher::KeepOldFiles()
{
    (void)Status(kTextKeeping, kBlack);
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        StepProgress(i);
        const gCString final = mFinalPaths[i].GetPath();
        const gCString old = mOldPaths[i].GetPath();
        eResultCode result = eSuccess;
        if (mFiles->Exists(final)) {
            LogWithName(kTextKeptLog, final);
            if (mFiles->Exists(old))
                result = mFiles->Delete(old);
            if (result == eSuccess)
                result = mFiles->Move(final, old);
        }
        if (result == eSuccess && mFiles->Exists(final))
            result = eStreamError;
        if (result != eSuccess) {
            RollBack(-1);
            return result;
        }
    }
    return eSuccess;
}

eResultCode CPNUDesquasher::PlaceNewFiles()
{
    (void)Status(kTextPlacing, kBlack);
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        StepProgress(i);
        const gCString temp = mTempPaths[i].GetPath();
        eResultCode result = eSuccess;
        if (mFiles->Exists(temp)) {
            LogWithName(kTextPlacedLog, temp);
            result = mFiles->Move(temp, mFinalPaths[i].GetPath());
        }
        if (result == eSuccess && mFiles->Exists(temp))
            result = eStreamError;
        if (result != eSuccess) {
            RollBack(i);
            return result;
        }
    }
    return eSuccess;
}

eResultCode CPNUDesquasher::RemoveOldFiles()
{
    (void)Status(kTextRemovingOld, kBlack);
    for (int32_t i = 0; i < mFinalPaths.GetSize(); ++i) {
        StepProgress(i);
        const gCString old = mOldPaths[i].GetPath();
        if (!mFiles->Exists(old))
            continue;
        LogWithName(kTextRemovedLog, old);
        (void)mFiles->Delete(old);
        if (mFiles->Exists(old)) {
            (void)StatusText(Text(kTextRemovedLog) + FileNameOf(old), kWarning);
            (void)Status(kTextOldNotRemoved, kRed);
        }
    }
    return eSuccess;
}

eResultCode CPNUDesquasher::RunExecutable()
{
    if (mExecute.IsEmpty())
        return eSuccess;
    const gCString program = mInstallFolderText + mExecute;
    if (!mInstallFolder.Exists() || !mFiles->Exists(program))
        return eStreamError;
    PNU_TRY(mFiles->Launch(program));
    if (mServices)
        mServices->Quit();
    return eHandled;
}
