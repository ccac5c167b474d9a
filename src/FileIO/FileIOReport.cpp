#include "FileIO/FileIOReport.h"

#include "core/gCPlainAlert.h"

namespace {

void ShowThroughPlainAlert(eResultCode code, const char* detail)
{
    if (detail && detail[0] != 0)
        ShowCorePlainAlertLines("Error.", GetResultMessage(code), detail);
    else
        ShowCorePlainAlert("Error.", GetResultMessage(code));
}

void RunUnguarded(void (*dialog)(void*), void* context) { dialog(context); }

} // namespace

tFileIOErrorHook gFileIOErrorHook = ShowThroughPlainAlert;
tModalDialogHook gModalDialogHook = RunUnguarded;

void ReportFileIOError(eResultCode code, const char* detail)
{
    if (gFileIOErrorHook)
        gFileIOErrorHook(code, detail);
}

void RunModalDialog(void (*dialog)(void* context), void* context)
{
    if (gModalDialogHook)
        gModalDialogHook(dialog, context);
    else
        dialog(context);
}
