// One pending host-name lookup: who asked, and where the answer goes.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class CTCPSocket;

using tResolveCallback = eResultCode (*)(const gCString& host, uint32_t address, uintptr_t extra, CTCPSocket* socket);

class CResolveReq : public gCBaseObject {
public:
    CResolveReq() = default;

    uintptr_t extra = 0;
    CTCPSocket* socket = nullptr;
    tResolveCallback callback = nullptr;
    // Set when the socket went away while the lookup ran: the answer is then dropped.
    uint32_t cancelled = 0;
    gCString hostName;
};
