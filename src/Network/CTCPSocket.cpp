#include "Network/CTCPSocket.h"

#include "Network/CResolver.h"
#include "Network/NetAddress.h"
#include "Network/NetResultCode.h"

#include <cstring>

eResultCode StartOpenTransport()
{
    return eSuccess;
}

eResultCode StopOpenTransport()
{
    return eSuccess;
}

CTCPSocket::~CTCPSocket()
{
    (void)Disconnect();
    CancelResolveRequests(this);
    endpoint.Close();
}

void CTCPSocket::ChangeState(uint32_t newState)
{
    state = newState;
}

CTCPSocket* CTCPSocket::NewSocket()
{
    return new CTCPSocket;
}

eResultCode CTCPSocket::OpenEndpoint(uint16_t endpointPort)
{
    localPort = endpointPort;
    if (endpoint.Open() != plat::eNetResult::kOk)
        return eNetworkError;
    reserved = 0;
    return eSuccess;
}

eResultCode CTCPSocket::OpenWithCallbacks(tSocketEventCallback event, tSocketEventCallback bindComplete,
    tSocketAcceptCallback acceptComplete, tSocketEventCallback incoming, tSocketConnectCallback connect,
    tSocketEventCallback data, tSocketEventCallback spare, tSocketEventCallback closed, uint16_t endpointPort)
{
    uintptr_t self = reinterpret_cast<uintptr_t>(this);
    EventCallback = {event, self};
    BindCompleteCallback = {bindComplete, self};
    AcceptCompleteCallback = {acceptComplete, self};
    IncomingCallback = {incoming, self};
    ConnectCallback = {connect, self};
    DataCallback = {data, self};
    SpareCallback = {spare, self};
    ClosedCallback = {closed, self};
    return OpenEndpoint(endpointPort);
}

eResultCode CTCPSocket::Bind(uint16_t bindPort, uint32_t localAddress)
{
    if (bindPort == 0)
        bindPort = localPort;
    plat::eNetResult result = endpoint.BindAndListen(bindPort, localAddress, 16);
    if (result != plat::eNetResult::kOk)
        return NetResultCode(result);
    RecordEvent(kEventBindComplete, 0);
    return eSuccess;
}

eResultCode CTCPSocket::EnterListenState()
{
    ChangeState(eSocketListening);
    return eSuccess;
}

eResultCode CTCPSocket::Accept()
{
    if (!endpoint.HasIncoming())
        return eSuccess;
    CTCPSocket* accepted = NewSocket();
    if (accepted == nullptr) {
        // Without an object to hold it the connection is refused rather than left waiting.
        plat::NetEndpoint refused;
        uint32_t ignoredAddress;
        uint16_t ignoredPort;
        (void)endpoint.TakeIncoming(refused, ignoredAddress, ignoredPort);
        return eNoMemory;
    }
    uint32_t peerAddress = 0;
    uint16_t peerPort = 0;
    (void)endpoint.TakeIncoming(accepted->endpoint, peerAddress, peerPort);
    accepted->address = peerAddress;
    accepted->port = peerPort;
    accepted->localPort = localPort;
    accepted->RecordEvent(kEventPassConnection, 0);
    accepted->connected = 1;
    accepted->ChangeState(eSocketConnected);
    if (AcceptCompleteCallback.function == nullptr) {
        delete accepted;
        return eSuccess;
    }
    return AcceptCompleteCallback.function(accepted, AcceptCompleteCallback.user);
}

eResultCode CTCPSocket::ConnectToAddress(uint32_t peerAddress, uint16_t peerPort)
{
    uint16_t portUsed = peerPort != 0 ? peerPort : localPort;
    plat::eNetResult result = endpoint.Connect(peerAddress, portUsed);
    if (result == plat::eNetResult::kOk) {
        ChangeState(eSocketConnecting);
        address = peerAddress;
        port = peerPort;
        return eSuccess;
    }
    eventResult = NetResultCode(result);
    connected = 0;
    receivePending = 0;
    endpoint.ShutdownSend();
    closedEvent = 1;
    return eSuccess;
}

eResultCode CTCPSocket::ConnectToHost(const gCString& host, uint16_t peerPort)
{
    port = peerPort != 0 ? peerPort : localPort;
    gCString name = host;
    return ResolveHostName(this, name, ResolvedAddressToSocket, 0);
}

eResultCode CTCPSocket::Connect(const gCString&, uint32_t peerAddress)
{
    if (peerAddress == 0) {
        ChangeState(eSocketFailed);
        if (ResolveFailedCallback.function)
            (void)ResolveFailedCallback.function(0, ResolveFailedCallback.user);
        return eSuccess;
    }
    eResultCode result = ConnectToAddress(peerAddress, port);
    if (result == eSuccess && ConnectStartedCallback.function)
        (void)ConnectStartedCallback.function(0, ConnectStartedCallback.user);
    return result;
}

eResultCode CTCPSocket::Send(uint32_t& count, CMemBlockT<char>& buffer)
{
    uint32_t asked = count <= buffer.GetSize() ? count : buffer.GetSize();
    size_t sent = 0;
    plat::eNetResult result = endpoint.Send(buffer.GetData(), asked, sent);
    if (result == plat::eNetResult::kWouldBlock)
        return eNetworkWarning;
    if (result != plat::eNetResult::kOk || sent == 0) {
        eventResult = NetResultCode(result);
        canSend = 0;
        return eGenericFailure;
    }
    count = uint32_t(sent);
    bytesSent += count;
    // What the socket did not take stays at the front of the buffer for the next send.
    uint32_t rest = buffer.GetSize() - count;
    if (rest > 0)
        std::memmove(buffer.GetData(), buffer.GetData() + count, rest);
    if (!buffer.SetSize(rest))
        return eNoMemory;
    if (SentCallback.function) {
        if (eResultCode result = SentCallback.function(count, SentCallback.user); result != eSuccess)
            return result;
    }
    return eSuccess;
}

eResultCode CTCPSocket::Receive(uint32_t& count, CMemBlockT<char>& buffer)
{
    receivePending = 0;
    uint32_t room = count <= buffer.GetSize() ? count : buffer.GetSize();
    size_t received = 0;
    plat::eNetResult result = room > 0 ? endpoint.Receive(buffer.GetData(), room, received) : plat::eNetResult::kOk;
    // The end of the stream is not a successful receive of nothing: the pump records the close
    // on the next poll, after every byte before it was taken.
    if (result != plat::eNetResult::kOk || received == 0) {
        count = 0xFFFFFFFFu;
        return eNetworkError;
    }
    count = uint32_t(received);
    receivePending = 1;
    bytesReceived += count;
    if (ReceivedCallback.function) {
        if (eResultCode result = ReceivedCallback.function(count, ReceivedCallback.user); result != eSuccess)
            return result;
    }
    return eSuccess;
}

eResultCode CTCPSocket::Disconnect()
{
    connected = 0;
    receivePending = 0;
    // A listener has no connection to release: it stops listening, so its port is free at once.
    if (endpoint.GetPhase() == plat::NetEndpoint::ePhase::kListening)
        endpoint.Close();
    endpoint.ShutdownSend();
    closedEvent = 1;
    return eSuccess;
}

void CTCPSocket::AbortConnection()
{
    endpoint.Close();
    connected = 0;
    canSend = 0;
    receivePending = 0;
    dataEvent = 0;
    closedEvent = 0;
}

gCString CTCPSocket::GetPeerAddressText() const
{
    gCString text = FormatDottedAddress(address);
    (void)text.Append(u":");
    text += int32_t(port);
    return text;
}

void CTCPSocket::RecordEvent(uint32_t code, int32_t result)
{
    switch (code) {
    case kEventListen:
        eventResult = result;
        listenEvent = 1;
        break;
    case kEventConnect:
        if (result != 0) {
            eventResult = result;
            pendingState = eSocketFailed;
        } else {
            pendingState = eSocketConnected;
        }
        stateChangePending = 1;
        connectEvent = 1;
        break;
    case kEventData:
        dataArrived = 1;
        eventResult = result;
        dataEvent = 1;
        break;
    case kEventDisconnect:
    case kEventOrderlyRelease:
        stateChangePending = 1;
        pendingState = result != 0 ? eSocketFailed : eSocketClosed;
        connected = 0;
        eventResult = result;
        closedEvent = 1;
        break;
    case kEventPassConnection:
        canSend = 1;
        break;
    case kEventBindComplete:
        eventResult = result;
        bindCompleteEvent = 1;
        break;
    case kEventAcceptComplete:
        eventResult = result;
        acceptCompleteEvent = 1;
        break;
    default:
        otherEvent = 1;
        break;
    }
}

void CTCPSocket::OnNetEvent(plat::eNetEvent event, plat::eNetResult outcome)
{
    const int32_t result = NetResultCode(outcome);
    switch (event) {
    case plat::eNetEvent::kListen:
        RecordEvent(kEventListen, result);
        break;
    case plat::eNetEvent::kConnect:
        RecordEvent(kEventConnect, result);
        break;
    case plat::eNetEvent::kData:
        RecordEvent(kEventData, result);
        break;
    case plat::eNetEvent::kOrderlyRelease:
        RecordEvent(kEventOrderlyRelease, result);
        break;
    case plat::eNetEvent::kDisconnect:
        RecordEvent(kEventDisconnect, result);
        break;
    }
}

eResultCode CTCPSocket::Poll()
{
    endpoint.Pump(*this);
    if (stateChangePending) {
        stateChangePending = 0;
        ChangeState(pendingState);
    }
    if (eventFlag) {
        if (EventCallback.function)
            (void)EventCallback.function(eventResult, EventCallback.user);
        eventFlag = 0;
    }
    if (connectEvent) {
        canSend = 1;
        connected = 1;
        if (ConnectCallback.function)
            (void)ConnectCallback.function(0, eventResult, ConnectCallback.user);
        connectEvent = 0;
    }
    if (bindCompleteEvent) {
        if (BindCompleteCallback.function)
            (void)BindCompleteCallback.function(eventResult, BindCompleteCallback.user);
        bindCompleteEvent = 0;
    }
    if (listenEvent) {
        listenEvent = 0;
        // Every waiting connection is taken now and handed on through the incoming callback, so a
        // burst of connections does not wait one heartbeat each. A connection the callback leaves
        // in the slot stops the loop.
        while (endpoint.AcceptIncoming() == plat::eNetResult::kOk) {
            if (IncomingCallback.function == nullptr)
                break;
            (void)IncomingCallback.function(eventResult, IncomingCallback.user);
            if (endpoint.HasIncoming())
                break;
        }
    }
    if (acceptCompleteEvent) {
        if (AcceptCompleteCallback.function)
            (void)AcceptCompleteCallback.function(this, AcceptCompleteCallback.user);
        acceptCompleteEvent = 0;
    }
    if (receivePending || dataEvent) {
        dataArrived = 1;
        if (DataCallback.function)
            (void)DataCallback.function(eventResult, DataCallback.user);
        dataEvent = 0;
    }
    if (closedEvent) {
        if (ClosedCallback.function)
            (void)ClosedCallback.function(eventResult, ClosedCallback.user);
        closedEvent = 0;
    }
    return eSuccess;
}
