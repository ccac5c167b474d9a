#include "FileIO/FileIOReport.h"

#include "core/gCPlainAlert.h"

#include <string>

namespace {

void ShowThroughPlainAlert(eResultCode code, const char* detail)
{
    std::string text = GetResultMessage(code);
    if (detail && detail[0] != 0) {
        text += "\n";
        text += detail;
    }
    ShowCorePlainAlert("Error.", text.c_str());
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
