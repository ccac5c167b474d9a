// Where the platform's file answers become the toolkit's result codes: memory that ran out is 5
// everywhere; for a refusal the caller names the code, since each operation reports its failures
// under its own.
#pragma once

#include "core/eResultCode.h"
#include "platform/PlatformFile.h"

inline eResultCode FromFileResult(plat::eFileResult result, eResultCode failure)
{
    if (result == plat::eFileResult::kOk)
        return eSuccess;
    return result == plat::eFileResult::kNoMemory ? eNoMemory : failure;
}
