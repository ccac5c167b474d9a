// The imaging and text libraries sit below the application framework, so the errors they report
// (gradient and font resources that cannot be read) go through this hook. The application points
// it at its error report; until then the texts go to the core's plain alert.
#pragma once

#include "core/eResultCode.h"

using tImagingErrorHook = void (*)(eResultCode code, const char* detail);

extern tImagingErrorHook gImagingErrorHook;

// Shows the error alert for code with the detail line (8-bit Mac Roman).
void ReportImagingError(eResultCode code, const char* detail);
