// Where the platform's file answers become the toolkit's result codes: the caller names the code
// a refusal stands for, since each operation reports its failures under its own code.
#pragma once

#include "core/eResultCode.h"
#include "platform/PlatformFile.h"

inline eResultCode FromFileResult(plat::eFileResult result, eResultCode failure)
{
    return result == plat::eFileResult::kOk ? eSuccess : failure;
}
