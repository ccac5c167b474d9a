// The application's registry of network endpoints: listening sockets bound to a local port and
// data pipes known by id. It starts networking once, polls every endpoint on the heartbeat and
// deletes those that have closed. The application object is one (it derives from this class)
// and answers the two hooks.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: the
// listener and data-pipe operations and the three pipe lists.
#pragma once

#include "Network/CTCPAppSocket.h"
#include "core/gCArray.h"

#include <functional>

// The id the next registered data pipe takes; ids are never reused within a run.
extern uint32_t gNextDataPipeId;

class CSocketRegistry : public IDataPipeOwner {
public:
    CSocketRegistry() = default;
    virtual ~CSocketRegistry();

    eResultCode StartNetworking();
    eResultCode OpenListener(uint16_t listenPort);
    eResultCode CloseListener(uint16_t listenPort);
    // eNoMemory when the list cannot take the pipe: the caller deletes it (nobody would poll or
    // free it).
    eResultCode RegisterDataPipe(CTCPAppSocket* pipe);
    // Registers a pipe a listener accepted; an answer of 1 from `OnPipeAccepted` refuses it.
    eResultCode RegisterAcceptedPipe(CTCPAppSocket* pipe) override;
    CTCPAppSocket* CreateDataPipe();
    eResultCode ConnectDataPipe(uint32_t* pipeId, uint32_t address, uint16_t peerPort);
    eResultCode OpenDataPipe(uint32_t* pipeId, const gCString& addressText);
    eResultCode ListAllPipes(gCArray<sDataPipeInfo>& pipes);
    eResultCode ListOutgoingPipes(gCArray<sDataPipeInfo>& pipes);
    eResultCode ListAcceptedPipes(gCArray<sDataPipeInfo>& pipes);
    void PollSockets();
    void CloseAllSockets();

    // Hooks for the application; the base accepts every pipe and ignores every message.
    virtual uint32_t OnPipeAccepted(const sDataPipeInfo& info);
    eResultCode OnDataPipeMessage(const sDataPipeInfo& info, uint32_t type, CASMemFile* payload) override;

    uint32_t IsNetworkStarted() const { return mNetworkStarted; }
    const gCArray<CTCPAppSocket*>& GetDataPipes() const { return mDataPipes; }
    const gCArray<CTCPAppSocket*>& GetBoundSockets() const { return mBoundSockets; }

    CSocketRegistry(const CSocketRegistry&) = delete;
    CSocketRegistry& operator=(const CSocketRegistry&) = delete;

private:
    // Makes and registers a new pipe, then starts it; its id goes to *pipeId once it started.
    eResultCode StartDataPipe(uint32_t* pipeId, const std::function<eResultCode(CTCPAppSocket&)>& start);
    eResultCode ListPipes(gCArray<sDataPipeInfo>& pipes, int32_t which);
    static void DeleteFinished(gCArray<CTCPAppSocket*>& sockets);

    uint32_t mOpenTransportStarted = 0;
    uint32_t mNetworkStarted = 0;
    gCArray<CTCPAppSocket*> mDataPipes;
    gCArray<CTCPAppSocket*> mBoundSockets;
};
