// The one place where what a platform network call came to becomes a toolkit result code.
#pragma once

#include "core/eResultCode.h"
#include "platform/NetResult.h"

// eSuccess for success, eNetworkWarning when the call would have to wait, eNoMemory when memory ran
// out, eNetworkError for every other failure (the kind stays with the platform's own result where a
// caller needs it).
eResultCode NetResultCode(plat::eNetResult result);
