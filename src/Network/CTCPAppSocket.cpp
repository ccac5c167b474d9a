#include "Network/CTCPAppSocket.h"

#include "Network/NetAddress.h"
#include "app/ReportError.h"
#include "platform/Clock.h"

#include <cstring>

namespace {

IDataPipeOwner* gDataPipeOwner = nullptr;

uint32_t ReadLittleEndian(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

} // namespace

void SetDataPipeOwner(IDataPipeOwner* owner)
{
    gDataPipeOwner = owner;
}

IDataPipeOwner* GetDataPipeOwner()
{
    return gDataPipeOwner;
}

CTCPAppSocket::~CTCPAppSocket()
{
    for (gCMemFile* frame : sendQueue)
        delete frame;
    sendQueue.RemoveAll();
    delete currentFrame;
    currentFrame = nullptr;
}

CTCPSocket* CTCPAppSocket::NewSocket()
{
    return new CTCPAppSocket;
}

void CTCPAppSocket::ChangeState(uint32_t newState)
{
    CTCPSocket::ChangeState(newState);
    if (!StateCallback)
        return;
    if (eResultCode result = StateCallback(this); result != eSuccess)
        ReportError(result, "Marten data pipe session failed state change callback - CTCPAppSocket::ChangeState");
}

void CTCPAppSocket::InstallSocketCallbacks()
{
    InstallConnectionCallbacks(this);
}

eResultCode CTCPAppSocket::OpenOnPort(uint16_t listenPort)
{
    InstallSocketCallbacks();
    return OpenEndpoint(listenPort);
}

eResultCode CTCPAppSocket::ConnectToAddress(uint32_t peerAddress, uint16_t peerPort)
{
    peerName = FormatDottedAddress(peerAddress);
    InstallSocketCallbacks();
    eResultCode result = OpenEndpoint(peerPort);
    if (result == eSuccess)
        result = CTCPSocket::ConnectToAddress(peerAddress, peerPort);
    return FinishStart(result, peerPort);
}

eResultCode CTCPAppSocket::ConnectToName(const gCString& text)
{
    gCString host;
    uint16_t peerPort = 0;
    SplitHostAndPort(text, host, peerPort);
    if (peerPort == 0)
        peerPort = kDefaultPort;
    peerName = host;
    InstallSocketCallbacks();
    eResultCode result = OpenEndpoint(peerPort);
    if (result == eSuccess)
        result = ConnectToHost(host, peerPort);
    return FinishStart(result, peerPort);
}

// A pipe that never started is closed, so the registry's next poll forgets it instead of
// keeping it until the program ends.
eResultCode CTCPAppSocket::StartFailed(eResultCode result)
{
    finished = 1;
    return result;
}

eResultCode CTCPAppSocket::FinishStart(eResultCode result, uint16_t peerPort)
{
    if (result != eSuccess)
        return StartFailed(result);
    port = peerPort;
    if (StartedCallback)
        return StartedCallback(this);
    return eSuccess;
}

eResultCode CTCPAppSocket::SendMessage(uint32_t type, gCMemFile* message)
{
    gCMemFile* frame = new gCMemFile;
    if (frame == nullptr || frame->GetData() == nullptr) {
        delete frame;
        return eCreateFailed;
    }
    // Explicit little-endian words: the frame format is the same on every machine.
    eResultCode result = frame->WriteULong(kFrameMark1);
    if (result == eSuccess)
        result = frame->WriteULong(type);
    if (result == eSuccess)
        result = frame->WriteULong(kFrameMark2);
    int64_t length = message ? message->GetLength() : 0;
    if (result == eSuccess && (length < 0 || length > int64_t(kMaxPayload)))
        result = eBadParameter;
    if (result == eSuccess)
        result = frame->WriteULong(uint32_t(length));
    if (result == eSuccess)
        result = frame->WriteULong(kFrameMark3);
    if (result == eSuccess && length > 0)
        result = frame->Write(message->GetData(), int32_t(length));
    if (result == eSuccess)
        result = frame->Rewind();
    if (result != eSuccess) {
        delete frame;
        return result == eNoMemory ? eCreateFailed : result;
    }
    if (sendQueue.Add(frame) != eSuccess)
        delete frame; // dropped when the queue cannot grow
    return eSuccess;
}

eResultCode CTCPAppSocket::LoadNextSendBlock()
{
    if (sendBuffer.GetSize() != 0 || currentFrame == nullptr)
        return eSuccess;
    int64_t remaining = currentFrame->GetSize() - currentFrame->GetPos();
    if (remaining < 1) {
        sending = 0;
        return eSuccess;
    }
    uint32_t count = remaining > kBlockSize ? kBlockSize : uint32_t(remaining);
    if (!sendBuffer.SetSize(count, 1))
        return eNoMemory;
    eResultCode result = currentFrame->Read(sendBuffer.GetData(), int32_t(count));
    if (result != eSuccess)
        (void)sendBuffer.SetSize(0);
    return result;
}

eResultCode CTCPAppSocket::Poll()
{
    if (sendQueue.GetSize() > 0 && !sending) {
        delete currentFrame;
        currentFrame = sendQueue[0];
        sendQueue.RemoveAt(0);
        sending = 1;
        frameSize = uint32_t(currentFrame->GetSize());
        PNU_TRY(LoadNextSendBlock());
    }
    PNU_TRY(CTCPSocket::Poll());
    PNU_TRY(CheckFrameIdle());
    if (!canSend || finished || sendBuffer.GetSize() == 0)
        return eSuccess;
    uint32_t count = sendBuffer.GetSize();
    eResultCode result = Send(count, sendBuffer);
    if (result == eNetworkWarning)
        return eSuccess;
    if (result == eSuccess)
        return LoadNextSendBlock();
    if (SendFailedCallback.function) {
        if (eResultCode callbackResult = SendFailedCallback.function(this, SendFailedCallback.user);
            callbackResult != eSuccess)
            return callbackResult;
    }
    finished = 1;
    return eSuccess;
}

eResultCode CTCPAppSocket::TakeReceivedBytes(const char* bytes, uint32_t count)
{
    if (RawDataCallback)
        (void)RawDataCallback(this, bytes, count);
    if (count > 0)
        mLastArrival = plat::Microseconds();
    PNU_TRY(receiveBuffer.SetPos(receiveBuffer.GetSize()));
    PNU_TRY(receiveBuffer.Write(bytes, int32_t(count)));
    if (headerRead)
        return CollectPayload();
    eResultCode result = ReadFrameHeader();
    if (result == eSuccess)
        return eSuccess;
    finished = 1;
    if (FailedCallback.function)
        return FailedCallback.function(this, FailedCallback.user);
    return result;
}

eResultCode CTCPAppSocket::ReplaceReceiveBuffer(const uint8_t* bytes, uint64_t count)
{
    // The bytes may live in the receive buffer itself, so they are copied out before its reset.
    CMemBlockT<char> rest{uint32_t(count)};
    if (count > 0 && rest.GetData() == nullptr)
        return eNoMemory;
    rest.CopyFrom(bytes, uint32_t(count));
    PNU_TRY(receiveBuffer.Reset());
    if (count > 0)
        PNU_TRY(receiveBuffer.Write(rest.GetData(), int32_t(count)));
    return eSuccess;
}

eResultCode CTCPAppSocket::ReadFrameHeader()
{
    if (state == eSocketFailedTransfer)
        return eSuccess;
    // The header is read only once all of it is here: TCP may split it anywhere.
    if (receiveBuffer.GetSize() < kFrameHeaderSize)
        return eSuccess;
    const uint8_t* data = receiveBuffer.GetData();
    uint32_t type = ReadLittleEndian(data + 4);
    uint32_t length = ReadLittleEndian(data + 12);
    if (length > kMaxPayload)
        return eInvalidFile;
    headerRead = 1;
    messageType = type;
    payloadLength = length;
    PNU_TRY(ReplaceReceiveBuffer(data + kFrameHeaderSize, uint64_t(receiveBuffer.GetSize()) - kFrameHeaderSize));
    return CollectPayload();
}

eResultCode CTCPAppSocket::CollectPayload()
{
    uint64_t count = uint64_t(receiveBuffer.GetSize());
    if (count > 0) {
        PNU_TRY(payload.SetPos(payload.GetSize()));
        PNU_TRY(payload.Write(receiveBuffer.GetData(), int32_t(count)));
    }
    PNU_TRY(receiveBuffer.Reset());
    payloadReceived += uint32_t(count);
    if (payloadReceived < payloadLength)
        return eSuccess;
    if (payloadReceived > payloadLength) {
        // Bytes of the next frame came along: they go back to the receive buffer.
        PNU_TRY(receiveBuffer.Write(payload.GetData() + payloadLength, int32_t(payloadReceived - payloadLength)));
    }
    bool more = payloadReceived > payloadLength;
    if (eResultCode result = DeliverMessage(); result != eSuccess) {
        // The payload now holds exactly this frame; the next arrival delivers it again.
        payloadReceived = payloadLength;
        return result;
    }
    PNU_TRY(payload.Reset());
    payloadReceived = 0;
    headerRead = 0;
    return more ? ReadFrameHeader() : eSuccess;
}

eResultCode CTCPAppSocket::DeliverMessage()
{
    if (!payload.SetSize(payloadLength, 0))
        return eNoMemory;
    if (payloadLength > 0)
        PNU_TRY(payload.Rewind());
    if (gDataPipeOwner == nullptr)
        return eSuccess;
    sDataPipeInfo info{pipeId, address};
    return gDataPipeOwner->OnDataPipeMessage(info, messageType, &payload);
}

eResultCode CTCPAppSocket::OnConnectResult(int32_t zero, int32_t eventResult, uintptr_t user)
{
    return FinishFailedConnect<CTCPAppSocket>(zero, eventResult, user);
}

eResultCode CTCPAppSocket::OnDataArrived(int32_t eventResult, uintptr_t user)
{
    return ReceiveBlock<CTCPAppSocket>(eventResult, user);
}

eResultCode CTCPAppSocket::OnConnectionClosed(int32_t, uintptr_t user)
{
    CTCPAppSocket* pipe = reinterpret_cast<CTCPAppSocket*>(user);
    // Only a frame left incomplete is a failed transfer; a close after a delivered frame is a
    // clean end.
    if (!pipe->IsInFrame()) {
        pipe->finished = 1;
        pipe->ChangeState(eSocketClosed);
        return eSuccess;
    }
    return pipe->FailIncompleteFrame();
}

eResultCode CTCPAppSocket::FailIncompleteFrame()
{
    finished = 1;
    ChangeState(eSocketFailedTransfer);
    if (SendFailedCallback.function)
        return SendFailedCallback.function(this, SendFailedCallback.user);
    return eSuccess;
}

eResultCode CTCPAppSocket::CheckFrameIdle()
{
    // A whole frame kept for delivery at the next arrival waits for this side, not for the peer.
    const bool waiting = headerRead ? payloadReceived < payloadLength : receiveBuffer.GetSize() > 0;
    if (finished || !waiting || plat::Microseconds() - mLastArrival < kFrameIdleMicroseconds)
        return eSuccess;
    AbortConnection();
    return FailIncompleteFrame();
}

eResultCode CTCPAppSocket::OnAccepted(CTCPSocket* accepted, uintptr_t user)
{
    CTCPAppSocket* source = reinterpret_cast<CTCPAppSocket*>(user);
    CTCPAppSocket* pipe = static_cast<CTCPAppSocket*>(accepted);
    pipe->InstallSocketCallbacks();
    pipe->accepted = 1;
    pipe->FailedCallback = source->FailedCallback;
    pipe->SendFailedCallback = source->SendFailedCallback;
    pipe->StartedCallback = source->StartedCallback;
    pipe->StateCallback = source->StateCallback;
    // The accepted pipe already carries its peer's address (set when it was accepted).
    if (gDataPipeOwner == nullptr) {
        delete pipe;
        return eSuccess;
    }
    return gDataPipeOwner->RegisterAcceptedPipe(pipe);
}
