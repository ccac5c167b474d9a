// The toolkit's TCP endpoint. Everything happens on the main thread inside `Poll`, run from the
// heartbeat: the platform endpoint is pumped first and its events are recorded as flags, then the
// flags become state changes and callbacks in a fixed order. Every higher networking object (HTTP
// session, data pipe) is a CTCPSocket.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// OpenWithCallbacks and GetPeerAddressText.
#pragma once

#include "app/gCCmdTarget.h"
#include "core/CMemBlockT.h"
#include "core/eResultCode.h"
#include "core/gCString.h"
#include "platform/NetEndpoint.h"

#include <cstdint>

enum eSocketState : uint32_t {
    eSocketIdle = 0,
    eSocketConnecting = 1,
    eSocketFailed = 2,
    eSocketConnected = 3,
    eSocketClosed = 4,
    eSocketFailedTransfer = 5,
    eSocketListening = 6,
};

class CTCPSocket;

// Callback forms; the user word is the installer's (the subclasses store the socket itself).
using tSocketEventCallback = eResultCode (*)(int32_t eventResult, uintptr_t user);
using tSocketConnectCallback = eResultCode (*)(int32_t zero, int32_t eventResult, uintptr_t user);
using tSocketAcceptCallback = eResultCode (*)(CTCPSocket* accepted, uintptr_t user);
using tSocketCountCallback = eResultCode (*)(uint32_t count, uintptr_t user);

template <typename Function>
struct sSocketCallback {
    Function function = nullptr;
    uintptr_t user = 0;
};

// Process-wide start and stop of networking; nothing to do on this platform.
eResultCode StartOpenTransport();
eResultCode StopOpenTransport();

class CTCPSocket : public gCCmdTarget, private plat::NetEventSink {
public:
    // The event codes the endpoint's events are recorded under.
    static constexpr uint32_t kEventListen = 0x0001;
    static constexpr uint32_t kEventConnect = 0x0002;
    static constexpr uint32_t kEventData = 0x0004;
    static constexpr uint32_t kEventDisconnect = 0x0010;
    static constexpr uint32_t kEventOrderlyRelease = 0x0080;
    static constexpr uint32_t kEventPassConnection = 0x1000;
    static constexpr uint32_t kEventBindComplete = 0x20000001;
    static constexpr uint32_t kEventAcceptComplete = 0x20000003;

    CTCPSocket() = default;
    // Orderly disconnect, then the endpoint is closed; a name lookup still running for this socket
    // will not call it back.
    ~CTCPSocket() override;

    virtual eResultCode Poll();
    // Stores the state; a connection class's override then tells its owner.
    virtual void ChangeState(uint32_t newState);
    // A new socket of the same class for an accepted connection; null when out of memory.
    virtual CTCPSocket* NewSocket();
    // Where name resolution hands its answer back; address 0 means the name was not resolved.
    virtual eResultCode Connect(const gCString& hostName, uint32_t peerAddress);

    eResultCode OpenEndpoint(uint16_t endpointPort);
    eResultCode OpenWithCallbacks(tSocketEventCallback event, tSocketEventCallback bindComplete,
        tSocketAcceptCallback acceptComplete, tSocketEventCallback incoming, tSocketConnectCallback connect,
        tSocketEventCallback data, tSocketEventCallback spare, tSocketEventCallback closed, uint16_t endpointPort);
    // Binds and listens. Port 0 means `localPort`.
    eResultCode Bind(uint16_t bindPort, uint32_t localAddress);
    eResultCode EnterListenState();
    // Hands the waiting connection to a new socket from `NewSocket` and reports it through
    // `AcceptCompleteCallback`, which takes the new socket over. The listener keeps listening.
    eResultCode Accept();
    eResultCode ConnectToAddress(uint32_t peerAddress, uint16_t peerPort);
    eResultCode ConnectToHost(const gCString& host, uint16_t peerPort);
    // Sends what the socket takes of the first `count` bytes; the bytes sent are removed from the
    // front of `buffer` and the rest stays for the next call. eNetworkWarning when the socket takes
    // nothing now.
    eResultCode Send(uint32_t& count, CMemBlockT<char>& buffer);
    // Receives at most `count` bytes; eNetworkError with `count` 0xFFFFFFFF when nothing could be
    // read.
    eResultCode Receive(uint32_t& count, CMemBlockT<char>& buffer);
    eResultCode Disconnect();
    gCString GetPeerAddressText() const;

    // What the platform notifier did: records one event for the next poll.
    void RecordEvent(uint32_t code, int32_t result);

    uint32_t reserved = 0;
    uint32_t address = 0;
    uint16_t port = 0;
    uint32_t canSend = 0;
    uint32_t connected = 0;
    uint32_t dataArrived = 0;
    uint32_t reserved2 = 0;
    uint32_t state = eSocketIdle;
    plat::NetEndpoint endpoint;
    uint32_t eventFlag = 0;
    uint32_t connectEvent = 0;
    uint32_t bindCompleteEvent = 0;
    uint32_t listenEvent = 0;
    uint32_t acceptCompleteEvent = 0;
    uint32_t dataEvent = 0;
    uint32_t closedEvent = 0;
    uint32_t otherEvent = 0;
    int32_t eventResult = 0;
    uint16_t localPort = 0;
    uint32_t stateChangePending = 0;
    uint32_t pendingState = 0;
    uint64_t bytesSent = 0;
    uint64_t bytesReceived = 0;
    uint32_t receivePending = 0;

    sSocketCallback<tSocketEventCallback> EventCallback;
    sSocketCallback<tSocketEventCallback> BindCompleteCallback;
    sSocketCallback<tSocketAcceptCallback> AcceptCompleteCallback;
    sSocketCallback<tSocketConnectCallback> ConnectCallback;
    sSocketCallback<tSocketEventCallback> IncomingCallback;
    sSocketCallback<tSocketEventCallback> DataCallback;
    sSocketCallback<tSocketEventCallback> SpareCallback;
    sSocketCallback<tSocketEventCallback> ClosedCallback;
    sSocketCallback<tSocketEventCallback> ConnectStartedCallback;
    sSocketCallback<tSocketEventCallback> ResolveFailedCallback;
    sSocketCallback<tSocketCountCallback> SentCallback;
    sSocketCallback<tSocketCountCallback> ReceivedCallback;

    CTCPSocket(const CTCPSocket&) = delete;
    CTCPSocket& operator=(const CTCPSocket&) = delete;

protected:
    // The callback set of a connection class (HTTP session, data pipe): nothing for the
    // endpoint's bookkeeping events, Accept for an incoming connection and the class's own
    // handlers for the rest. The user word is the connection itself.
    template <typename Connection>
    void InstallConnectionCallbacks(Connection* self)
    {
        auto nothing = [](int32_t, uintptr_t) { return eSuccess; };
        auto incoming = [](int32_t, uintptr_t user) { return reinterpret_cast<Connection*>(user)->Accept(); };
        const uintptr_t user = reinterpret_cast<uintptr_t>(self);
        EventCallback = {nothing, user};
        BindCompleteCallback = {nothing, user};
        SpareCallback = {nothing, user};
        AcceptCompleteCallback = {Connection::OnAccepted, user};
        IncomingCallback = {incoming, user};
        ConnectCallback = {Connection::OnConnectResult, user};
        DataCallback = {Connection::OnDataArrived, user};
        ClosedCallback = {Connection::OnConnectionClosed, user};
    }

    // A connection whose connect failed is finished and reported to its failure callback; any
    // other connect result needs nothing.
    template <typename Connection>
    static eResultCode FinishFailedConnect(int32_t, int32_t, uintptr_t user)
    {
        Connection* connection = reinterpret_cast<Connection*>(user);
        if (connection->state != eSocketFailed)
            return eSuccess;
        connection->finished = 1;
        if (connection->FailedCallback.function)
            return connection->FailedCallback.function(connection, connection->FailedCallback.user);
        return eSuccess;
    }

    // One receive of at most the class's block size into the receive block, handed on to the
    // class's TakeReceivedBytes; a receive that claims more than was asked hands on nothing.
    template <typename Connection>
    static eResultCode ReceiveBlock(int32_t, uintptr_t user)
    {
        Connection* connection = reinterpret_cast<Connection*>(user);
        constexpr uint32_t blockSize = Connection::kBlockSize;
        CMemBlockT<char>& block = connection->mReceiveBlock;
        if (block.GetSize() == 0 && !block.SetSize(blockSize + 2))
            return eNoMemory;
        uint32_t count = blockSize;
        PNU_TRY(connection->Receive(count, block));
        if (count > blockSize)
            count = 0;
        return connection->TakeReceivedBytes(block.GetData(), count);
    }

    // Closes the endpoint at once: nothing more is read from a peer that has been given up, and
    // its close is not reported.
    void AbortConnection();

    CMemBlockT<char> mReceiveBlock;

private:
    void OnNetEvent(plat::eNetEvent event, plat::eNetResult outcome) override;
};
