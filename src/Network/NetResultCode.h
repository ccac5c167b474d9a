// The one place where what a platform network call came to becomes a toolkit result code.
#pragma once

#include "core/eResultCode.h"
#include "platform/NetResult.h"

// 0 for success, 27 when the call would have to wait, 5 when memory ran out, 28 for every other
// failure (the kind stays with the platform's own result where a caller needs it).
eResultCode NetResultCode(plat::eNetResult result);
