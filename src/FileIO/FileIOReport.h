// The files library sits below the application framework, so the two alerts it raises (an
// unknown access state, a closed file handed to SaveMemFile) go through this hook. The
// application points it at its error report; until then the texts go to the core's plain alert,
// message and detail on two lines as the error report shows them.
#pragma once

#include "core/eResultCode.h"

using tFileIOErrorHook = void (*)(eResultCode code, const char* detail);

extern tFileIOErrorHook gFileIOErrorHook;

// Shows the error alert for code with the detail line (8-bit Mac Roman).
void ReportFileIOError(eResultCode code, const char* detail);

// The dialog that must run inside the application's modal and cursor guards (the classic save
// dialog) goes through this hook, which the application points at its guards together with the
// error hook; until then the dialog simply runs.
using tModalDialogHook = void (*)(void (*dialog)(void* context), void* context);

extern tModalDialogHook gModalDialogHook;

void RunModalDialog(void (*dialog)(void* context), void* context);
