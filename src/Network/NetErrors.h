// Reports a failed callback of a networking object the way the application reports errors: an
// alert titled "Error." with the code's message, a line feed and the caller's text.
#pragma once

#include "core/eResultCode.h"

void ReportNetworkError(int32_t code, const char* text);
