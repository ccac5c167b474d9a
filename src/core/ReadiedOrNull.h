// The last step of a creator that can fail: the new object once ready(*object) has made it what
// it is to be (loaded it, set its path, sized it); null, the object deleted, when that fails. A
// null object (a failed allocation) stays null.
#pragma once

#include "core/eResultCode.h"

template <typename T, typename Ready>
T* ReadiedOrNull(T* object, Ready ready)
{
    if (object && ready(*object) != eSuccess) {
        delete object;
        return nullptr;
    }
    return object;
}
