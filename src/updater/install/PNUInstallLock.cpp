#include "updater/install/PNUInstallLock.h"

#include "platform/FileSystem.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/PNUTexts.h"

eResultCode LockInstallFolder(plat::FolderLock& lock, const gCString& folder, CPNUInstallServices* texts,
                              gCString& refusal, eReportText lead)
{
    refusal = gCString();
    if (folder.IsEmpty())
        return eSuccess;
    char path[plat::kLongestSystemPath];
    // A folder text the system cannot take is refused as a name it cannot take.
    plat::eLockResult result = plat::eLockResult::kFailed;
    plat::eFileResult failure = plat::eFileResult::kBadName;
    if (folder.ToUTF8(path, sizeof path)) {
        result = lock.Acquire(path, kInstallLockName);
        failure = lock.GetFailure();
    }
    if (result == plat::eLockResult::kOk)
        return eSuccess;
    if (result == plat::eLockResult::kHeldElsewhere) {
        refusal = ReportText(texts, kTextAnotherCopy);
        return eBusy;
    }
    gCString reason;
    if (result == plat::eLockResult::kNotRegularFile)
        reason = ReportText(texts, kTextNotRegularFile);
    else
        (void)reason.SetFromUTF8(plat::DescribeFileResult(failure));
    const gCString lockPath = folder + gCString("/") + gCString(kInstallLockName);
    refusal = FillTextValues(ReportText(texts, lead),
                             {FillTextValues(ReportText(texts, kTextDetail), {lockPath, reason})});
    return eGenericFailure;
}
