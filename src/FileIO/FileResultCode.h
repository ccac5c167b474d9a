// Where the platform's file answers become the toolkit's result codes: memory that ran out is
// eNoMemory everywhere; for a refusal the caller names the code, since each operation reports its
// failures under its own.
#pragma once

#include "core/eResultCode.h"
#include "platform/FileHandle.h"
#include "platform/Launcher.h"

inline eResultCode FromFileResult(plat::eFileResult result, eResultCode failure)
{
    if (result == plat::eFileResult::kOk)
        return eSuccess;
    return result == plat::eFileResult::kNoMemory ? eNoMemory : failure;
}

// An address no program could open is eFileOpenError ("opening failed"), so the caller can tell it
// from an address that was refused or could not be handed over (eFileNotFound).
inline eResultCode FromLaunchResult(plat::eLaunchResult result)
{
    switch (result) {
    case plat::eLaunchResult::kOk: return eSuccess;
    case plat::eLaunchResult::kNoOpener: return eFileOpenError;
    default: return eFileNotFound;
    }
}
