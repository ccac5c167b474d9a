// The files library sits below the application framework, so the two alerts it raises (an
// unknown access state, a closed file handed to SaveMemFile) go through this hook. The
// application points it at its error report; until then the texts go to the core's plain alert.
#pragma once

#include "core/eResultCode.h"

using tFileIOErrorHook = void (*)(eResultCode code, const char* detail);

extern tFileIOErrorHook gFileIOErrorHook;

// Shows the error alert for code with the detail line (8-bit Mac Roman).
void ReportFileIOError(eResultCode code, const char* detail);
