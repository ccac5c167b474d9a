// The lock that lets one copy of the updater at a time repair or install in an install folder. A
// copy started while another one installs leaves the product alone and says so, instead of
// repairing an install that is under way; the kernel frees the lock of a copy that was killed.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"
#include "platform/FolderLock.h"
#include "updater/PNUReportTexts.h"

class CPNUInstallServices;

// The lock file in the install folder. It is never removed.
inline constexpr char kInstallLockName[] = ".pintrel-update-lock";

// Takes the lock of the install folder (without a trailing separator), never waiting. eSuccess
// taken, also for an empty folder, in which nothing is ever installed; eBusy another copy holds it;
// eGenericFailure it cannot be taken. Unless eSuccess, `refusal` is the red line that says so: the
// another-copy text, or `lead` with the lock file and the reason; its texts come from the services,
// built-in English without them.
eResultCode LockInstallFolder(plat::FolderLock& lock, const gCString& folder, CPNUInstallServices* texts,
                              gCString& refusal, eReportText lead = kTextRefused);
