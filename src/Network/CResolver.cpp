#include "Network/CResolver.h"

#include "Network/CTCPSocket.h"
#include "Network/NetAddress.h"
#include "platform/NetLookup.h"
#include "platform/EventLoop.h"
#include "core/CMemBlock.h"
#include "core/gCPlainAlert.h"

#include <cstdio>

CResolver gResolver;

namespace {

// The error domain reported for a failed lookup (the system's name-service errors).
constexpr int32_t kLookupErrorDomain = 12;

// The program's loop turns nested while the lookup runs, so events, redraws and the heartbeat
// timer go on; it looks at the lookup at least every millisecond. A quit ends the wait.
class LoopWait final : public CResolverWait {
public:
    void WaitUntilDone(bool (*isDone)(void* context), void* context) override
    {
        plat::EventLoop& loop = plat::EventLoop::Main();
        while (!isDone(context) && !loop.IsQuitRequested())
            loop.RunOnce(1000);
    }
};

LoopWait gLoopWait;
CResolverWait* gWait = &gLoopWait;

bool LookupIsDone(void* context)
{
    return static_cast<plat::NetLookup*>(context)->IsDone();
}

void RemoveRequest(CResolveReq* request)
{
    gCArray<CResolveReq*>& requests = gResolver.requests;
    for (int32_t i = 0; i < requests.GetSize(); ++i) {
        if (requests[i] == request) {
            requests.RemoveAt(i);
            break;
        }
    }
    delete request;
}

} // namespace

CResolver::~CResolver()
{
    for (CResolveReq* request : requests)
        delete request;
    requests.RemoveAll();
}

CResolverWait& GetResolverWait() { return *gWait; }

void SetResolverWait(CResolverWait* wait) { gWait = wait ? wait : &gLoopWait; }

eResultCode ResolveHostName(CTCPSocket* socket, const gCString& host, tResolveCallback callback, uintptr_t extra)
{
    gCString name = host;
    if (IsDottedAddress(name))
        return callback(gCString(name), ParseDottedAddress(name), extra, socket);
    CMemBlock hostBytes;
    PNU_TRY(name.ToUTF8(hostBytes));

    CResolveReq* request = new CResolveReq;
    if (request == nullptr)
        return eNoMemory;
    request->extra = extra;
    request->socket = socket;
    request->callback = callback;
    request->hostName = name;
    if (gResolver.requests.Add(request) != eSuccess) {
        delete request;
        return eNoMemory;
    }

    // Each request waits on its own answer, so nested lookups cannot end each other's waits.
    std::shared_ptr<plat::NetLookup> lookup
        = plat::NetLookup::Start(reinterpret_cast<const char*>(hostBytes.GetData()), hostBytes.GetSize());
    GetResolverWait().WaitUntilDone(LookupIsDone, lookup.get());
    if (!lookup->IsDone()) {
        // The program is quitting: nobody is told.
        RemoveRequest(request);
        return eSuccess;
    }
    uint32_t address = lookup->GetFirstAddress();
    if (lookup->GetResult() == plat::eNetResult::kNotStarted) {
        // The lookup could not even start; the user hears of it, and the socket is still told.
        char text[80];
        std::snprintf(text, sizeof text, "CFHostStartInfoResolution returned (%d, %ld)\n", 0, long(lookup->GetSystemCode()));
        ShowCorePlainAlert("Message", text);
    } else if (address == 0) {
        std::fprintf(stderr, "MyCFHostClientCallBack returned (%d, %ld)\n", kLookupErrorDomain,
            long(lookup->GetSystemCode()));
    }
    // A failed lookup still answers, with address 0, so the socket reports the failure instead of
    // waiting for ever.
    if (!request->cancelled)
        (void)request->callback(request->hostName, address, request->extra, request->socket);
    RemoveRequest(request);
    return eSuccess;
}

eResultCode ResolvedAddressToSocket(const gCString& host, uint32_t address, uintptr_t, CTCPSocket* socket)
{
    gCString name = host;
    return socket->Connect(name, address);
}

eResultCode ResolveHostNameSync(const gCString& host, uint32_t& address)
{
    if (IsDottedAddress(host)) {
        address = ParseDottedAddress(host);
        return eSuccess;
    }
    CMemBlock hostBytes;
    PNU_TRY(host.ToUTF8(hostBytes));
    uint32_t first = 0;
    if (plat::ResolveIPv4(reinterpret_cast<const char*>(hostBytes.GetData()), hostBytes.GetSize(), first)
        != plat::eNetResult::kOk)
        return eGenericFailure;
    address = first;
    return eSuccess;
}

gCString GetNotImplementedText() { return gCString("Not yet implemented on mac version"); }

void CancelResolveRequests(CTCPSocket* socket)
{
    // The waiting call removes its own request; here it is only told not to call back.
    for (CResolveReq* request : gResolver.requests) {
        if (request->socket == socket)
            request->cancelled = 1;
    }
}
