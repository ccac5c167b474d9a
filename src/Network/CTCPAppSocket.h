// The application data pipe: a TCP connection carrying typed messages in frames. A frame is five
// little-endian 32-bit words (mark, type, mark, payload length, mark) followed by the payload.
// Frames go out one at a time in blocks of at most 64000 bytes; complete incoming messages are
// handed to the pipes' owner (the application).
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SendMessage.
#pragma once

#include "FileIO/CASMemFile.h"
#include "FileIO/gCMemFile.h"
#include "Network/CTCPSocket.h"
#include "core/gCArray.h"

class CTCPAppSocket;

// Identifies a pipe to its owner: the registered id and the peer's IPv4 address.
struct sDataPipeInfo {
    int32_t pipeId;
    uint32_t address;
};

// What the pipes need of the application: a place for complete messages and for pipes accepted
// by a listener. The application installs itself; tests install their own.
class IDataPipeOwner {
public:
    virtual eResultCode OnDataPipeMessage(const sDataPipeInfo& info, uint32_t type, CASMemFile* payload) = 0;
    // Takes the accepted pipe over (also when it refuses it).
    virtual eResultCode RegisterAcceptedPipe(CTCPAppSocket* pipe) = 0;

protected:
    ~IDataPipeOwner() = default;
};

void SetDataPipeOwner(IDataPipeOwner* owner);
IDataPipeOwner* GetDataPipeOwner();

using tPipeCallback = eResultCode (*)(CTCPAppSocket* pipe, uintptr_t user);
using tPipeEventCallback = eResultCode (*)(CTCPAppSocket* pipe);
using tPipeRawDataCallback = eResultCode (*)(CTCPAppSocket* pipe, const char* bytes, uint32_t count);

class CTCPAppSocket : public CTCPSocket {
public:
    static constexpr uint32_t kFrameMark1 = 0xFB91746A;
    static constexpr uint32_t kFrameMark2 = 0xFB92746A;
    static constexpr uint32_t kFrameMark3 = 0xFB93746A;
    static constexpr uint32_t kFrameHeaderSize = 20;
    static constexpr uint32_t kBlockSize = 64000;
    static constexpr uint16_t kDefaultPort = 52990;
    // Larger announced payloads are refused as a broken frame.
    static constexpr uint32_t kMaxPayload = 0x7FFFFFFF - kBlockSize;
    // A frame begun and then left without a byte for this long is given up: the pipe is closed
    // and its owner told, as for a close inside a frame. Between frames a pipe may stay quiet for
    // as long as its peer has nothing to say.
    static constexpr uint64_t kFrameIdleMicroseconds = 60000000;

    CTCPAppSocket() = default;
    ~CTCPAppSocket() override;

    eResultCode Poll() override;
    CTCPSocket* NewSocket() override;
    // Stores the state, then tells the state callback; the state stays set when the callback fails.
    void ChangeState(uint32_t newState) override;

    void InstallSocketCallbacks();
    eResultCode OpenOnPort(uint16_t listenPort);
    eResultCode ConnectToAddress(uint32_t peerAddress, uint16_t peerPort);
    eResultCode ConnectToName(const gCString& text);
    eResultCode SendMessage(uint32_t type, gCMemFile* message);
    eResultCode LoadNextSendBlock();

    // What the data callback does with the bytes of one receive (also the way in for tests).
    eResultCode TakeReceivedBytes(const char* bytes, uint32_t count);

    static eResultCode OnConnectResult(int32_t zero, int32_t eventResult, uintptr_t user);
    static eResultCode OnDataArrived(int32_t eventResult, uintptr_t user);
    static eResultCode OnConnectionClosed(int32_t eventResult, uintptr_t user);
    static eResultCode OnAccepted(CTCPSocket* accepted, uintptr_t user);

    int32_t pipeId = -1;
    // 1 for a pipe that a listening pipe accepted (set before it is registered).
    uint32_t accepted = 0;
    gCMemFile receiveBuffer;
    CMemBlockT<char> sendBuffer;
    uint32_t finished = 0;
    uint32_t messageType = 0xFFFFFFFF;
    gCArray<gCMemFile*> sendQueue;
    gCString peerName;
    uint32_t payloadReceived = 0;
    uint32_t payloadLength = 0;
    uint32_t frameSize = 0;
    uint32_t sending = 0;
    uint32_t headerRead = 0;
    gCMemFile* currentFrame = nullptr;
    CASMemFile payload;

    struct sPipeCallback {
        tPipeCallback function = nullptr;
        uintptr_t user = 0;
    };
    sPipeCallback FailedCallback;
    sPipeCallback SendFailedCallback;
    tPipeEventCallback StartedCallback = nullptr;
    tPipeEventCallback StateCallback = nullptr;
    tPipeRawDataCallback RawDataCallback = nullptr;

private:
    eResultCode StartFailed(eResultCode result);
    // The end of a connect: a failure closes the pipe, a start is reported with the port taken.
    eResultCode FinishStart(eResultCode result, uint16_t peerPort);
    eResultCode ReadFrameHeader();
    eResultCode CollectPayload();
    eResultCode DeliverMessage();
    eResultCode ReplaceReceiveBuffer(const uint8_t* bytes, uint64_t count);
    // Whether a frame has begun and not ended: its header read, or part of a header buffered.
    bool IsInFrame() const { return headerRead || receiveBuffer.GetSize() > 0; }
    eResultCode CheckFrameIdle();
    eResultCode FailIncompleteFrame();

    // When a byte last arrived (clock microseconds).
    uint64_t mLastArrival = 0;
};
