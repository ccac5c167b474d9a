#include "app/ReportError.h"

#include "app/CAppModalGuard.h"
#include "app/CAppPauseGuard.h"
#include "app/CCursorShowGuard.h"
#include "FileIO/FileIOReport.h"
#include "core/CMemBlock.h"
#include "core/eResultCode.h"
#include "core/gCPlainAlert.h"
#include "core/gCString.h"
#include "platform/AlertPresenter.h"

constinit uint32_t gReportErrorActive = 0;

namespace {

// Cleared however the report is left.
class ReportActiveScope {
public:
    ReportActiveScope() { gReportErrorActive = 1; }
    ~ReportActiveScope() { gReportErrorActive = 0; }
};

// Out of memory the alert still comes up, without the text that could not be held.
void ShowAlert(const gCString& title, const gCString& text)
{
    CMemBlock titleBytes, textBytes;
    const bool titleHeld = title.ToUTF8CString(titleBytes) == eSuccess;
    const bool textHeld = text.ToUTF8CString(textBytes) == eSuccess;
    plat::ShowAlert(titleHeld ? reinterpret_cast<const char*>(titleBytes.GetData()) : "",
                    textHeld ? reinterpret_cast<const char*>(textBytes.GetData()) : "");
}

void PlainAlertThroughApplication(const char* mainText, const char* explanation)
{
    (void)ShowPlainAlert(gCString(explanation ? explanation : ""), gCString(mainText ? mainText : ""));
}

// The file layer's alerts get the same guards, the same suppression of a second alert and the
// same text as every other error report.
void FileIOErrorThroughReportError(eResultCode code, const char* detail) { ReportError(code, detail); }

// The guards end in reverse order: the system cursor is hidden again first, then the cursor
// state saved before the dialog comes back.
void ModalDialogInGuards(void (*dialog)(void*), void* context)
{
    CAppModalGuard modal;
    CCursorShowGuard cursor;
    dialog(context);
}

} // namespace

void ReportError(int32_t code, const char* message)
{
    if (gReportErrorActive)
        return;
    ReportActiveScope active;
    CAppModalGuard modal;
    CCursorShowGuard cursor;
    CAppPauseGuard pause;

    gCString text(GetResultMessage(code));
    if (message) {
        text += u'\n';
        text += gCString(message);
    }
    ShowAlert(gCString("Error."), text);
}

int32_t ShowPlainAlert(const gCString& explanation, const gCString& mainText)
{
    ShowAlert(mainText, explanation);
    return 0;
}

void InstallPlainAlertHook()
{
    gPlainAlertHook = PlainAlertThroughApplication;
    gFileIOErrorHook = FileIOErrorThroughReportError;
    gModalDialogHook = ModalDialogInGuards;
}
