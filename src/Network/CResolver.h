// Host-name resolution for the sockets. A dotted address is converted at once; any other name is
// looked up on a worker thread while the caller waits in a nested loop that keeps serving events
// and the heartbeat, so to the caller the resolution is synchronous. The answer reaches the
// socket through its `Connect`, with address 0 when the name could not be resolved.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// ResolveHostNameSync and GetNotImplementedText.
#pragma once

#include "Network/CResolveReq.h"
#include "core/gCArray.h"

class CResolver : public gCBaseObject {
public:
    CResolver() = default;
    ~CResolver() override;

    gCArray<CResolveReq*> requests;
};

// The one resolver of the process.
extern CResolver gResolver;

// How a lookup is waited for. By default the program's event loop turns nested meanwhile; tests
// put their own wait in place.
class CResolverWait {
public:
    virtual ~CResolverWait() = default;
    // Returns once `isDone(context)` holds or the program quits.
    virtual void WaitUntilDone(bool (*isDone)(void* context), void* context) = 0;
};

// The wait in use: the program's loop unless a test replaced it.
CResolverWait& GetResolverWait();
// Puts `wait` in place (null restores the program's loop). The caller keeps ownership.
void SetResolverWait(CResolverWait* wait);

eResultCode ResolveHostName(CTCPSocket* socket, const gCString& host, tResolveCallback callback, uintptr_t extra);
eResultCode ResolvedAddressToSocket(const gCString& host, uint32_t address, uintptr_t extra, CTCPSocket* socket);
// Synchronous form: eSuccess with the first address, or eGenericFailure. A name that cannot be
// converted for the lookup gives eNoMemory (in either form).
eResultCode ResolveHostNameSync(const gCString& host, uint32_t& address);
// The answer of a text query the resolver never implemented: "Not yet implemented on mac version".
gCString GetNotImplementedText();
// Drops every pending answer meant for `socket` (it is being deleted).
void CancelResolveRequests(CTCPSocket* socket);
