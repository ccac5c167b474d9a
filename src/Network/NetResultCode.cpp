#include "Network/NetResultCode.h"

eResultCode NetResultCode(plat::eNetResult result)
{
    switch (result) {
    case plat::eNetResult::kOk:
        return eSuccess;
    case plat::eNetResult::kWouldBlock:
        return eNetworkWarning;
    case plat::eNetResult::kNoMemory:
        return eNoMemory;
    default:
        return eNetworkError;
    }
}
