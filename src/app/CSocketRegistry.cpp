#include "app/CSocketRegistry.h"

#include "core/ReadiedOrNull.h"

uint32_t gNextDataPipeId = 1;

CSocketRegistry::~CSocketRegistry()
{
    CloseAllSockets();
    if (GetDataPipeOwner() == this)
        SetDataPipeOwner(nullptr);
}

eResultCode CSocketRegistry::StartNetworking()
{
    mNetworkStarted = 1;
    // The pipes hand their messages and accepted connections to the registry.
    SetDataPipeOwner(this);
    if (!mOpenTransportStarted)
        (void)StartOpenTransport();
    mOpenTransportStarted = 1;
    return eSuccess;
}

eResultCode CSocketRegistry::OpenListener(uint16_t listenPort)
{
    (void)StartNetworking();
    for (CTCPAppSocket* socket : mBoundSockets) {
        if (socket->localPort == listenPort) {
            (void)socket->Disconnect();
            socket->localPort = 0;
            socket->finished = 1;
            break;
        }
    }
    CTCPAppSocket* socket = new CTCPAppSocket;
    if (socket == nullptr)
        return eCreateFailed;
    eResultCode result = socket->OpenOnPort(listenPort);
    if (result == eSuccess)
        result = socket->Bind(listenPort, 0);
    if (result == eSuccess)
        result = socket->EnterListenState();
    if (result == eSuccess && mBoundSockets.Add(socket) != eSuccess)
        result = eNoMemory;
    if (result != eSuccess)
        delete socket;
    return result;
}

eResultCode CSocketRegistry::CloseListener(uint16_t listenPort)
{
    for (CTCPAppSocket* socket : mBoundSockets) {
        if (socket->localPort == listenPort) {
            (void)socket->Disconnect();
            socket->localPort = 0;
            socket->finished = 1;
            return eSuccess;
        }
    }
    return eGenericFailure;
}

eResultCode CSocketRegistry::RegisterDataPipe(CTCPAppSocket* pipe)
{
    pipe->pipeId = int32_t(gNextDataPipeId++);
    return mDataPipes.Add(pipe);
}

eResultCode CSocketRegistry::RegisterAcceptedPipe(CTCPAppSocket* pipe)
{
    if (eResultCode result = RegisterDataPipe(pipe); result != eSuccess) {
        delete pipe;
        return result;
    }
    uint32_t answer = OnPipeAccepted(sDataPipeInfo{pipe->pipeId, pipe->address});
    if (answer == 1)
        pipe->finished = 1;
    return eResultCode(answer);
}

CTCPAppSocket* CSocketRegistry::CreateDataPipe()
{
    return ReadiedOrNull(new CTCPAppSocket, [this](CTCPAppSocket& pipe) { return RegisterDataPipe(&pipe); });
}

eResultCode CSocketRegistry::StartDataPipe(uint32_t* pipeId, const std::function<eResultCode(CTCPAppSocket&)>& start)
{
    (void)StartNetworking();
    CTCPAppSocket* pipe = new CTCPAppSocket;
    if (pipe == nullptr)
        return eCreateFailed;
    if (eResultCode result = RegisterDataPipe(pipe); result != eSuccess) {
        delete pipe;
        return result;
    }
    PNU_TRY(start(*pipe));
    if (pipeId)
        *pipeId = uint32_t(pipe->pipeId);
    return eSuccess;
}

eResultCode CSocketRegistry::ConnectDataPipe(uint32_t* pipeId, uint32_t address, uint16_t peerPort)
{
    return StartDataPipe(pipeId, [&](CTCPAppSocket& pipe) { return pipe.ConnectToAddress(address, peerPort); });
}

eResultCode CSocketRegistry::OpenDataPipe(uint32_t* pipeId, const gCString& addressText)
{
    gCString text = addressText.IsNull() ? gCString(u"") : addressText;
    return StartDataPipe(pipeId, [&](CTCPAppSocket& pipe) { return pipe.ConnectToName(text); });
}

eResultCode CSocketRegistry::ListPipes(gCArray<sDataPipeInfo>& pipes, int32_t which)
{
    for (CTCPAppSocket* pipe : mDataPipes) {
        if (which == 1 && pipe->accepted)
            continue;
        if (which == 2 && !pipe->accepted)
            continue;
        (void)pipes.Add(sDataPipeInfo{pipe->pipeId, pipe->address});
    }
    return eSuccess;
}

eResultCode CSocketRegistry::ListAllPipes(gCArray<sDataPipeInfo>& pipes)
{
    return ListPipes(pipes, 0);
}

eResultCode CSocketRegistry::ListOutgoingPipes(gCArray<sDataPipeInfo>& pipes)
{
    return ListPipes(pipes, 1);
}

eResultCode CSocketRegistry::ListAcceptedPipes(gCArray<sDataPipeInfo>& pipes)
{
    return ListPipes(pipes, 2);
}

void CSocketRegistry::DeleteFinished(gCArray<CTCPAppSocket*>& sockets)
{
    for (int32_t i = 0; i < sockets.GetSize();) {
        if (sockets[i]->finished) {
            delete sockets[i];
            sockets.RemoveAt(i);
        } else {
            ++i;
        }
    }
}

void CSocketRegistry::PollSockets()
{
    if (!mNetworkStarted)
        return;
    // Indexes, not iterators: a poll may accept a connection and register a new pipe.
    for (int32_t i = 0; i < mBoundSockets.GetSize(); ++i)
        (void)mBoundSockets[i]->Poll();
    for (int32_t i = 0; i < mDataPipes.GetSize(); ++i)
        (void)mDataPipes[i]->Poll();
    DeleteFinished(mBoundSockets);
    DeleteFinished(mDataPipes);
}

void CSocketRegistry::CloseAllSockets()
{
    for (CTCPAppSocket* socket : mBoundSockets)
        delete socket;
    mBoundSockets.RemoveAll();
    for (CTCPAppSocket* pipe : mDataPipes)
        delete pipe;
    mDataPipes.RemoveAll();
}

uint32_t CSocketRegistry::OnPipeAccepted(const sDataPipeInfo&)
{
    return 0;
}

eResultCode CSocketRegistry::OnDataPipeMessage(const sDataPipeInfo&, uint32_t, CASMemFile*)
{
    return eSuccess;
}
