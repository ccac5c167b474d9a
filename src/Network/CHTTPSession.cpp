#include "Network/CHTTPSession.h"

#include "Network/HTTPLimits.h"
#include "app/ReportError.h"
#include "platform/Clock.h"

#include <cstring>

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
    if (!StateCallback)
        return;
    if (eResultCode result = StateCallback(this); result != eSuccess)
        ReportError(result, "HTTP session failed state change callback - CHTTPSession::ChangeState");
}

void CHTTPSession::InstallSocketCallbacks()
{
    InstallConnectionCallbacks(this);
}

eResultCode CHTTPSession::Close()
{
    eResultCode result = Disconnect();
    if (result == eSuccess)
        finished = 1;
    return result;
}

eResultCode CHTTPSession::ReserveBody(uint64_t needed)
{
    // The memory stream grows by what each write needs; a body arriving in 64000-byte pieces
    // would be moved once per piece. Doubling keeps that linear, and the limit caps the room.
    uint64_t capacity = bodyBuffer.GetCapacity();
    if (needed < capacity)
        return eSuccess;
    uint64_t room = capacity * 2 > needed + 2048 ? capacity * 2 : needed + 2048;
    if (bodyLimit != 0 && room > bodyLimit + 2048 && needed < bodyLimit + 2048)
        room = bodyLimit + 2048;
    if (room > UINT32_MAX || bodyBuffer.GetBlock() == nullptr || !bodyBuffer.GetBlock()->SetSize(uint32_t(room)))
        return eNoMemory;
    return eSuccess;
}

eResultCode CHTTPSession::WriteBody(const void* buffer, uint32_t count)
{
    if (outputStream)
        return outputStream->Write(buffer, count);
    PNU_TRY(ReserveBody(uint64_t(bodyBuffer.GetPos()) + count));
    return bodyBuffer.Write(buffer, int32_t(count));
}

void CHTTPSession::NoteActivity()
{
    mLastActivity = plat::Microseconds();
}

void CHTTPSession::NoteStart()
{
    mStartedAt = plat::Microseconds();
    mLastActivity = mStartedAt;
    const sHTTPLimits& limits = GetHTTPLimits();
    const uint64_t least = uint64_t(limits.floorKilobytesPerSecond) * 1024 * limits.floorWindowMicroseconds / 1000000;
    mRateFloor.Start(mStartedAt, limits.floorWindowMicroseconds, keepsRateFloor ? least : 0);
    mHeaderScanned = 0;
    mHeaderLines = 0;
    mReceivedAny = 0;
}

uint64_t CHTTPSession::ScanForHeaderEnd(bool bareLineFeeds)
{
    const uint8_t* data = receiveBuffer.GetData();
    const uint64_t size = receiveBuffer.GetSize();
    for (uint64_t i = mHeaderScanned; i < size; ++i) {
        if (data[i] != '\n')
            continue;
        ++mHeaderLines;
        bool crlfEnd = i >= 3 && data[i - 1] == '\r' && data[i - 2] == '\n' && data[i - 3] == '\r';
        if (crlfEnd || (bareLineFeeds && i >= 1 && data[i - 1] == '\n')) {
            mHeaderScanned = i + 1;
            return i + 1;
        }
    }
    mHeaderScanned = size;
    return 0;
}

eResultCode CHTTPSession::CheckTimeout()
{
    bool open = state == eSocketConnecting || state == eSocketConnected;
    // A server connection is watched until the peer has gone, also after its reply.
    if (mStartedAt == 0 || !open || (clientMode != 0 && finished) || !endpoint.IsOpen())
        return eSuccess;
    const uint64_t limit = GetHTTPLimits().idleTimeoutMicroseconds;
    const uint64_t now = plat::Microseconds();
    bool idle = now - mLastActivity >= limit;
    bool headerDone = clientMode != 0 ? inBody != 0 || headerReceived != 0 : requestAnswered != 0;
    bool headerTooSlow = !headerDone && now - mStartedAt >= limit;
    // The floor is the server's: a connection still being made is the idle wait's.
    bool tooSlow = clientMode != 0 && state == eSocketConnected && mRateFloor.IsBelow(now);
    if (!idle && !headerTooSlow && !tooSlow)
        return eSuccess;
    if (clientMode == 0) {
        AbortConnection();
        finished = 1;
        ChangeState(eSocketClosed);
        return eSuccess;
    }
    // A download that ends at the close has all it announced from a peer that keeps the
    // connection: it ends as if the peer had closed.
    bool bodyComplete = chunked ? chunkedDone != 0 : lengthAnnounced && bytesTransferred >= totalLength;
    if (inBody && bodyComplete) {
        AbortConnection();
        return OnConnectionClosed(0, reinterpret_cast<uintptr_t>(this));
    }
    // A peer that never sent a byte is silent, whatever our side sent.
    eHTTPFailure reason = idle || !mReceivedAny ? eHTTPFailure::kIdle : eHTTPFailure::kHeaderTooSlow;
    if (!idle && !headerTooSlow)
        reason = eHTTPFailure::kTooSlow;
    if (state == eSocketConnecting)
        reason = eHTTPFailure::kConnectTooSlow;
    return inBody ? FailTransfer(reason) : FailResponse(reason);
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
    PNU_TRY(CheckTimeout());
    if (!canSend || finished || sendBuffer.GetSize() == 0)
        return eSuccess;
    uint32_t count = sendBuffer.GetSize();
    eResultCode result = Send(count, sendBuffer);
    if (result == eNetworkWarning)
        return eSuccess;
    if (result == eSuccess)
        NoteActivity();
    if (result != eSuccess) {
        if (failure == eHTTPFailure::kNone)
            failure = eHTTPFailure::kSendFailed;
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

eResultCode CHTTPSession::TakeReceivedBytes(const char* bytes, uint32_t count)
{
    if (RawDataCallback)
        (void)RawDataCallback(this, bytes, count);
    if (count > 0) {
        NoteActivity();
        mRateFloor.Add(mLastActivity, count);
        mReceivedAny = 1;
    }
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
    if (bodyLimit != 0 && bytesTransferred + count > bodyLimit)
        return FailTransfer(eHTTPFailure::kBodyTooLarge);
    PNU_TRY(WriteBody(bytes, uint32_t(count)));
    if (receiveBuffer.GetSize() != 0)
        PNU_TRY(receiveBuffer.Reset());
    bytesTransferred += count;
    PNU_TRY(ReportProgress());
    if (lengthAnnounced && bytesTransferred >= totalLength && !finishOnClose)
        return FinishDownload();
    return eSuccess;
}

eResultCode CHTTPSession::FailTransfer(eHTTPFailure reason)
{
    if (finished)
        return eSuccess;
    finished = 1;
    transferFailed = 1;
    failure = reason;
    AbortConnection();
    // What arrived of a failed body is of no use; its memory goes at once.
    if (outputStream == nullptr)
        (void)bodyBuffer.Reset();
    ChangeState(eSocketFailedTransfer);
    if (SendFailedCallback.function)
        return SendFailedCallback.function(this, SendFailedCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::TakeChunkSizeLine(const uint8_t* line, uint64_t length)
{
    // A chunk larger than this is refused rather than collected.
    constexpr uint64_t kMaxChunk = 0x7FFFFFFF;
    // The size is hexadecimal, at most eight digits after leading blanks; an extension after ";"
    // is ignored. A line without a digit is not a chunk.
    uint64_t position = 0;
    while (position < length && (line[position] == ' ' || line[position] == '\t'))
        ++position;
    uint64_t size = 0;
    int32_t digits = 0;
    for (; position < length && digits < 8; ++position, ++digits) {
        uint8_t unit = line[position];
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
        return FailTransfer(eHTTPFailure::kBadChunk);
    if (size == 0) {
        // The last chunk: trailers and anything after them are not body bytes.
        chunkedDone = 1;
        bytesTransferred += 2;
        return eSuccess;
    }
    mChunkLeft = size;
    mChunkPhase = eChunkPhase::kData;
    return eSuccess;
}

eResultCode CHTTPSession::ReceiveChunkedBody()
{
    // Longest chunk-size line accepted while its end has not arrived yet.
    constexpr uint64_t kMaxSizeLine = 1024;

    // Chunk data is passed on as it arrives: only an unfinished size line or line end is kept
    // for the next arrival, however large the chunk.
    const uint8_t* data = receiveBuffer.GetData();
    const uint64_t available = receiveBuffer.GetSize();
    uint64_t offset = 0;
    while (offset < available && !chunkedDone && !finished) {
        if (mChunkPhase == eChunkPhase::kData) {
            uint64_t count = available - offset < mChunkLeft ? available - offset : mChunkLeft;
            if (bodyLimit != 0 && mChunkDataBytes + count > bodyLimit)
                return FailTransfer(eHTTPFailure::kBodyTooLarge);
            PNU_TRY(WriteBody(data + offset, uint32_t(count)));
            mChunkDataBytes += count;
            bytesTransferred += count;
            offset += count;
            mChunkLeft -= count;
            if (mChunkLeft == 0)
                mChunkPhase = eChunkPhase::kDataEnd;
            continue;
        }
        if (mChunkPhase == eChunkPhase::kDataEnd) {
            if (available - offset < 2)
                break;
            if (data[offset] != '\r' || data[offset + 1] != '\n')
                return FailTransfer(eHTTPFailure::kBadChunk);
            bytesTransferred += 2;
            offset += 2;
            mChunkPhase = eChunkPhase::kSizeLine;
            continue;
        }
        uint64_t lineEnd = offset;
        while (lineEnd + 1 < available && !(data[lineEnd] == '\r' && data[lineEnd + 1] == '\n'))
            ++lineEnd;
        if (lineEnd + 1 >= available) {
            if (available - offset > kMaxSizeLine)
                return FailTransfer(eHTTPFailure::kBadChunk);
            break;
        }
        PNU_TRY(TakeChunkSizeLine(data + offset, lineEnd - offset));
        offset = chunkedDone ? available : lineEnd + 2;
    }
    if (finished && !chunkedDone)
        return eSuccess;
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

eResultCode CHTTPSession::OnConnectResult(int32_t zero, int32_t eventResult, uintptr_t user)
{
    return FinishFailedConnect<CHTTPSession>(zero, eventResult, user);
}

eResultCode CHTTPSession::OnDataArrived(int32_t eventResult, uintptr_t user)
{
    return ReceiveBlock<CHTTPSession>(eventResult, user);
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
        if (alreadyFinished || session->clientMode == 0)
            return eSuccess;
        session->failure = eHTTPFailure::kClosedBeforeReply;
        if (session->FailedCallback.function)
            return session->FailedCallback.function(session, session->FailedCallback.user);
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
