#include "Network/CHTTPSession.h"

#include "app/ReportError.h"

#include <cstring>

void MakeUpperASCII(gCString& text)
{
    for (int32_t i = 0; i < text.GetLength(); ++i) {
        if (text[i] >= u'a' && text[i] <= u'z')
            text[i] = char16_t(text[i] - u'a' + u'A');
    }
}

CHTTPSession::CHTTPSession()
{
    (void)httpVersion.Assign(u"1.1");
}

CHTTPSession::~CHTTPSession()
{
    delete outputStream;
    outputStream = nullptr;
}

CTCPSocket* CHTTPSession::NewSocket()
{
    return new CHTTPSession;
}

void CHTTPSession::ChangeState(uint32_t newState)
{
    CTCPSocket::ChangeState(newState);
    if (StateCallback) {
        if (eResultCode result = StateCallback(this); result != eSuccess)
            ReportError(result, "HTTP session failed state change callback - CHTTPSession::ChangeState");
    }
}

void CHTTPSession::InstallSocketCallbacks()
{
    auto nothing = [](int32_t, uintptr_t) { return eSuccess; };
    auto incoming = [](int32_t, uintptr_t user) { return reinterpret_cast<CHTTPSession*>(user)->Accept(); };
    uintptr_t self = reinterpret_cast<uintptr_t>(this);
    EventCallback = {nothing, self};
    BindCompleteCallback = {nothing, self};
    SpareCallback = {nothing, self};
    AcceptCompleteCallback = {OnAccepted, self};
    IncomingCallback = {incoming, self};
    ConnectCallback = {OnConnectResult, self};
    DataCallback = {OnDataArrived, self};
    ClosedCallback = {OnConnectionClosed, self};
}

eResultCode CHTTPSession::Close()
{
    eResultCode result = Disconnect();
    if (result == eSuccess)
        finished = 1;
    return result;
}

eResultCode CHTTPSession::WriteBody(const void* buffer, uint32_t count)
{
    if (outputStream)
        return outputStream->Write(buffer, count);
    return bodyBuffer.Write(buffer, count);
}

eResultCode CHTTPSession::QueueSendBytes(const void* buffer, uint32_t count)
{
    uint32_t pending = sendBuffer.GetSize();
    if (uint64_t(pending) + count > UINT32_MAX)
        return eNoMemory;
    if (!sendBuffer.SetSize(pending + count))
        return eNoMemory;
    if (count > 0)
        std::memcpy(sendBuffer.GetData() + pending, buffer, count);
    return eSuccess;
}

eResultCode CHTTPSession::SetDownloadFileName(const gCString& name)
{
    localFileName = name;
    for (char16_t unit : {u'*', u'?', u'\\', u'/', u':'})
        (void)localFileName.ReplaceChar(unit, u'_');
    fileName = name;
    return eSuccess;
}

eResultCode CHTTPSession::Poll()
{
    PNU_TRY(CTCPSocket::Poll());
    if (!canSend || finished || sendBuffer.GetSize() == 0)
        return eSuccess;
    uint32_t count = sendBuffer.GetSize();
    eResultCode result = Send(count, sendBuffer);
    if (result == eNetworkWarning)
        return eSuccess;
    if (result != eSuccess) {
        if (SendFailedCallback.function) {
            if (eResultCode callbackResult = SendFailedCallback.function(this, SendFailedCallback.user);
                callbackResult != eSuccess)
                return callbackResult;
        }
        finished = 1;
        return eSuccess;
    }
    if (serverMode)
        return SendNextBodyBlock();
    return eSuccess;
}

eResultCode CHTTPSession::ReplaceReceiveBuffer(const uint8_t* bytes, uint64_t count)
{
    // The bytes may live in the receive buffer itself, so they are copied out before its reset.
    CMemBlockT<char> rest{uint32_t(count)};
    if (count > 0 && rest.GetData() == nullptr)
        return eNoMemory;
    rest.CopyFrom(bytes, uint32_t(count));
    PNU_TRY(receiveBuffer.Reset());
    if (count > 0)
        PNU_TRY(receiveBuffer.Write(rest.GetData(), uint32_t(count)));
    return eSuccess;
}

eResultCode CHTTPSession::OnDataArrived(int32_t, uintptr_t user)
{
    CHTTPSession* session = reinterpret_cast<CHTTPSession*>(user);
    if (session->mReceiveBlock.GetSize() == 0 && !session->mReceiveBlock.SetSize(kBlockSize + 2))
        return eNoMemory;
    uint32_t count = kBlockSize;
    PNU_TRY(session->Receive(count, session->mReceiveBlock));
    if (count > kBlockSize)
        count = 0;
    return session->TakeReceivedBytes(session->mReceiveBlock.GetData(), count);
}

eResultCode CHTTPSession::TakeReceivedBytes(const char* bytes, uint32_t count)
{
    if (RawDataCallback)
        (void)RawDataCallback(this, bytes, count);
    // A session that has failed or finished takes no more data: the bytes are read (so the
    // connection's end can still be seen) and dropped.
    if (finished || requestAnswered)
        return eSuccess;
    PNU_TRY(receiveBuffer.SetPos(receiveBuffer.GetSize()));
    PNU_TRY(receiveBuffer.Write(bytes, count));

    if (clientMode == 0)
        return ParseRequest();
    if (inBody)
        return ReceiveData();
    eResultCode result = ParseResponseHeader();
    if (result == eSuccess)
        return eSuccess;
    bool alreadyFinished = finished != 0;
    finished = 1;
    if (!alreadyFinished && FailedCallback.function)
        return FailedCallback.function(this, FailedCallback.user);
    return result;
}

eResultCode CHTTPSession::ReceiveData()
{
    if (receiveBuffer.GetSize() == 0 || finished)
        return eSuccess;
    return chunked ? ReceiveChunkedBody() : ReceivePlainBody();
}

eResultCode CHTTPSession::ReportProgress()
{
    if (ProgressCallback.function == nullptr || totalLength == 0)
        return eSuccess;
    uint64_t permille = bytesTransferred >= totalLength ? 1000 : bytesTransferred * 1000 / totalLength;
    if (uint32_t(permille) == lastPermille)
        return eSuccess;
    lastPermille = uint32_t(permille);
    return ProgressCallback.function(this, lastPermille, ProgressCallback.user);
}

eResultCode CHTTPSession::ReceivePlainBody()
{
    return ReceivePlainBody(reinterpret_cast<const char*>(receiveBuffer.GetData()), uint32_t(receiveBuffer.GetSize()));
}

eResultCode CHTTPSession::ReceivePlainBody(const char* bytes, uint32_t received)
{
    uint64_t count = received;
    // A body with a known length takes no bytes beyond it.
    if (lengthAnnounced) {
        uint64_t remaining = totalLength > bytesTransferred ? totalLength - bytesTransferred : 0;
        if (count > remaining)
            count = remaining;
    }
    PNU_TRY(WriteBody(bytes, uint32_t(count)));
    if (receiveBuffer.GetSize() != 0)
        PNU_TRY(receiveBuffer.Reset());
    bytesTransferred += count;
    PNU_TRY(ReportProgress());
    if (lengthAnnounced && bytesTransferred >= totalLength && !finishOnClose)
        return FinishDownload();
    return eSuccess;
}

eResultCode CHTTPSession::FailTransfer()
{
    finished = 1;
    transferFailed = 1;
    ChangeState(eSocketFailedTransfer);
    if (SendFailedCallback.function)
        return SendFailedCallback.function(this, SendFailedCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::ReceiveChunkedBody()
{
    // Longest chunk-size line accepted while its end has not arrived yet.
    constexpr uint64_t kMaxSizeLine = 1024;
    // A chunk larger than this is refused rather than collected.
    constexpr uint64_t kMaxChunk = 0x7FFFFFFF;

    const uint8_t* data = receiveBuffer.GetData();
    uint64_t available = receiveBuffer.GetSize();
    uint64_t offset = 0;
    while (!chunkedDone) {
        uint64_t lineEnd = offset;
        while (lineEnd + 1 < available && !(data[lineEnd] == '\r' && data[lineEnd + 1] == '\n'))
            ++lineEnd;
        if (lineEnd + 1 >= available) {
            if (available - offset > kMaxSizeLine)
                return FailTransfer();
            break;
        }
        // The size is hexadecimal, at most eight digits after leading blanks; an extension after
        // ";" is ignored. A line without a digit is not a chunk.
        uint64_t position = offset;
        while (position < lineEnd && (data[position] == ' ' || data[position] == '\t'))
            ++position;
        uint64_t size = 0;
        int32_t digits = 0;
        for (; position < lineEnd && digits < 8; ++position, ++digits) {
            uint8_t unit = data[position];
            uint32_t value;
            if (unit >= '0' && unit <= '9')
                value = unit - '0';
            else if (unit >= 'a' && unit <= 'f')
                value = unit - 'a' + 10;
            else if (unit >= 'A' && unit <= 'F')
                value = unit - 'A' + 10;
            else
                break;
            size = size * 16 + value;
        }
        if (digits == 0 || size > kMaxChunk)
            return FailTransfer();
        uint64_t chunkStart = lineEnd + 2;
        if (size == 0) {
            // The last chunk: trailers and anything after them are not body bytes.
            chunkedDone = 1;
            offset = available;
            bytesTransferred += 2;
            break;
        }
        // 64-bit sums: a size near 2^32 cannot wrap the comparison.
        if (available - chunkStart < size + 2)
            break;
        if (data[chunkStart + size] != '\r' || data[chunkStart + size + 1] != '\n')
            return FailTransfer();
        PNU_TRY(WriteBody(data + chunkStart, uint32_t(size)));
        bytesTransferred += size + 2;
        offset = chunkStart + size + 2;
    }
    PNU_TRY(ReplaceReceiveBuffer(data + offset, available - offset));
    if (chunkedDone && !finishOnClose)
        return FinishDownload();
    return eSuccess;
}

eResultCode CHTTPSession::ReportFinished()
{
    if (finishReported || clientMode == 0 || DownloadFinishedCallback.function == nullptr)
        return eSuccess;
    // The owner hears of the end of a download once, however it ended.
    finishReported = 1;
    uint32_t complete = bytesTransferred >= totalLength ? 1 : 0;
    if (chunked && !chunkedDone)
        complete = 0;
    eResultCode result = DownloadFinishedCallback.function(this, gCString(folderPath), gCString(localFileName),
        complete, uint32_t(bytesTransferred), DownloadFinishedCallback.user);
    if (result != eSuccess)
        ReportError(result, "Download finished callback failed.");
    return eSuccess;
}

eResultCode CHTTPSession::FinishDownload()
{
    delete outputStream;
    outputStream = nullptr;
    finished = 1;
    return ReportFinished();
}

eResultCode CHTTPSession::OnConnectionClosed(int32_t, uintptr_t user)
{
    CHTTPSession* session = reinterpret_cast<CHTTPSession*>(user);
    bool alreadyFinished = session->finished != 0;
    session->finished = 1;
    // A transfer that already failed (refused status, broken body) has been reported; the close
    // only restores its state over the "closed" the socket applied.
    if (session->transferFailed) {
        session->ChangeState(eSocketFailedTransfer);
        return eSuccess;
    }
    if (!session->headerReceived) {
        session->ChangeState(eSocketFailed);
        return eSuccess;
    }
    if (session->outputStream) {
        delete session->outputStream;
        session->outputStream = nullptr;
        (void)session->ReportFinished();
    }
    if (session->finishOnClose) {
        (void)session->FinishDownload();
        session->ChangeState(eSocketClosed);
        return eSuccess;
    }
    // A body without a stated length (and not chunked) is complete when the peer closes.
    bool endsAtClose = !session->lengthAnnounced && !session->chunked;
    if (endsAtClose && !alreadyFinished) {
        session->totalLength = session->bytesTransferred;
        (void)session->FinishDownload();
    }
    bool complete = session->chunked ? session->chunkedDone != 0 : session->bytesTransferred >= session->totalLength;
    if (complete) {
        session->ChangeState(eSocketClosed);
        return eSuccess;
    }
    (void)session->ReportFinished();
    session->ChangeState(eSocketFailedTransfer);
    if (session->SendFailedCallback.function)
        return session->SendFailedCallback.function(session, session->SendFailedCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::OnConnectResult(int32_t, int32_t, uintptr_t user)
{
    CHTTPSession* session = reinterpret_cast<CHTTPSession*>(user);
    if (session->state != eSocketFailed)
        return eSuccess;
    session->finished = 1;
    if (session->FailedCallback.function)
        return session->FailedCallback.function(session, session->FailedCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::OnAccepted(CTCPSocket* accepted, uintptr_t user)
{
    CHTTPSession* source = reinterpret_cast<CHTTPSession*>(user);
    CHTTPSession* session = static_cast<CHTTPSession*>(accepted);
    // The accepted callback takes the new session over; a server without one could never poll it.
    if (source->AcceptedCallback == nullptr) {
        delete session;
        return eSuccess;
    }
    PNU_TRY(source->AcceptedCallback(source, session));
    session->InstallSocketCallbacks();
    session->ServeRequestCallback = source->ServeRequestCallback;
    session->RequestReceivedCallback = source->RequestReceivedCallback;
    session->FillBodyCallback = source->FillBodyCallback;
    session->ProgressCallback = source->ProgressCallback;
    session->OpenOutputCallback = source->OpenOutputCallback;
    session->DownloadFinishedCallback = source->DownloadFinishedCallback;
    session->FailedCallback = source->FailedCallback;
    session->SendFailedCallback = source->SendFailedCallback;
    session->AcceptedCallback = source->AcceptedCallback;
    session->StartedCallback = source->StartedCallback;
    session->StateCallback = source->StateCallback;
    return session->RequestAddress(0, 0, 0, gCString(u""), gCString(u""), gCString(u""), 0);
}
