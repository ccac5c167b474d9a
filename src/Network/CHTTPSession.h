// One HTTP connection over a CTCPSocket. As a client it sends one GET request, reads the response
// header and moves the body into an output stream or a memory buffer, with progress in thousandths.
// As a server (on an accepted connection) it reads one GET request and answers it with a body from
// a stream or from memory. The update engine's sessions derive from it.
#pragma once

#include "FileIO/gCMemFile.h"
#include "Network/CTCPSocket.h"
#include "Network/CTransferRateFloor.h"
#include "core/gCArray.h"

class CHTTPSession;

using tHTTPHeaderArrays = gCArray<gCString>;
using tServeRequestCallback = eResultCode (*)(const gCString& name, uintptr_t user, CHTTPSession* session,
    gCStream** stream, uint32_t* textFlag, uint32_t* refuse, gCString* text);
using tRequestReceivedCallback = eResultCode (*)(const gCString& text, CHTTPSession* session, uint32_t* stop, uintptr_t user);
using tFillBodyCallback = eResultCode (*)(gCMemFile* body, uint32_t* textFlag, uintptr_t user);
using tProgressCallback = eResultCode (*)(CHTTPSession* session, uint32_t permille, uintptr_t user);
using tOpenOutputCallback = eResultCode (*)(CHTTPSession* session, const gCString& folder, const gCString& localName,
    uint32_t totalLow, uint32_t totalHigh, gCStream** output, uintptr_t user);
using tDownloadFinishedCallback = eResultCode (*)(CHTTPSession* session, const gCString& folder,
    const gCString& localName, uint32_t complete, uint32_t bytesLow, uintptr_t user);
using tSessionCallback = eResultCode (*)(CHTTPSession* session, uintptr_t user);
using tHeadersCallback = eResultCode (*)(tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uintptr_t user);
using tAcceptedCallback = eResultCode (*)(CHTTPSession* source, CHTTPSession* session);
using tSessionEventCallback = eResultCode (*)(CHTTPSession* session);
using tRequestComposedCallback = eResultCode (*)(CHTTPSession* session, const gCString& text);
using tRawDataCallback = eResultCode (*)(CHTTPSession* session, const char* bytes, uint32_t count);

// Why a session gave up; the owner names it to the user.
enum class eHTTPFailure : uint32_t {
    kNone,
    kClosedBeforeReply, // the peer closed before the reply header ended
    kNoHTTPStatus,      // the reply does not begin with an HTTP status line
    kRefusedStatus,     // a status other than 200 or 206 (`responseStatus`, `statusText`)
    kHeaderTooLarge,    // the header passed the byte or line limit
    kLengthTooLarge,    // the stated length is above `bodyLimit`
    kBodyTooLarge,      // the body passed `bodyLimit`
    kBadChunk,          // a damaged chunked body
    kConnectTooSlow,    // the connection was not made within the idle timeout
    kIdle,              // no byte for the idle timeout
    kHeaderTooSlow,     // the header had not ended within the idle timeout
    kSendFailed,        // the request could not be sent
    kTooSlow,           // less than the floor arrived over the floor's window
};

template <typename Function>
struct sSessionCallback {
    Function function = nullptr;
    uintptr_t user = 0;
};

class CHTTPSession : public CTCPSocket {
public:
    // One receive, and one block of a reply body, is at most this many bytes.
    static constexpr uint32_t kBlockSize = 64000;

    CHTTPSession();
    ~CHTTPSession() override;

    eResultCode Poll() override;
    CTCPSocket* NewSocket() override;
    // Stores the state, then tells the state callback; the state stays set when the callback fails.
    void ChangeState(uint32_t newState) override;
    virtual eResultCode ReceiveData();
    virtual eResultCode FinishDownload();

    void InstallSocketCallbacks();
    eResultCode Close();
    eResultCode WriteBody(const void* buffer, uint32_t count);
    eResultCode QueueSendBytes(const void* buffer, uint32_t count);
    eResultCode SetDownloadFileName(const gCString& name);

    // Client side.
    eResultCode RequestURL(uint32_t mode, const gCString& url, const gCString& path, const gCString& folder,
        const gCString& file, uint32_t requestRangeStart);
    eResultCode RequestAddress(uint32_t mode, uint32_t peerAddress, uint16_t peerPort, const gCString& path,
        const gCString& folder, const gCString& file, uint32_t requestRangeStart);
    eResultCode ComposeRequest(const gCString& path, const gCString& folder, const gCString& file, uint32_t requestRangeStart);
    eResultCode BuildRequestHeaders(tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uint64_t requestRangeStart);
    static eResultCode AppendHeaderLines(const tHTTPHeaderArrays& names, const tHTTPHeaderArrays& values, gCString& text);
    eResultCode ParseResponseHeader();
    static eResultCode SplitHeaderLines(const gCString& text, gCString& statusLine, tHTTPHeaderArrays& names,
        tHTTPHeaderArrays& values);
    eResultCode HandleResponseHeader(const gCString& name, gCString& value);
    static eResultCode DecodePercentEscapes(gCString& text);

    // Server side.
    eResultCode ParseRequest();
    eResultCode HandleRequestHeader(const gCString& name, const gCString& value);
    static uint32_t IsTextFile(const gCString& name);
    eResultCode BuildReplyHeaders(tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uint32_t textFlag,
        uint64_t total, uint64_t replyRangeStart, uint64_t replyRangeEnd);
    eResultCode PrepareReply();
    eResultCode SendNextBodyBlock();

    // What the data callback does with the bytes of one receive (also the way in for tests).
    eResultCode TakeReceivedBytes(const char* bytes, uint32_t count);

    // The socket callbacks; the user word is the session.
    static eResultCode OnConnectResult(int32_t zero, int32_t eventResult, uintptr_t user);
    static eResultCode OnDataArrived(int32_t eventResult, uintptr_t user);
    static eResultCode OnConnectionClosed(int32_t eventResult, uintptr_t user);
    static eResultCode OnAccepted(CTCPSocket* accepted, uintptr_t user);

    gCMemFile receiveBuffer;
    CMemBlockT<char> sendBuffer;
    uint32_t finished = 0;
    uint32_t serverMode = 0;
    uint32_t clientMode = 0;
    uint32_t finishOnClose = 0;
    uint32_t requestPort = 0;
    gCString fileName;
    gCString folderPath;
    gCString hostName;
    gCString contentType;
    gCStream* outputStream = nullptr;
    uint64_t rangeStart = 0;
    uint64_t rangeEnd = 0;
    uint64_t bytesTransferred = 0;
    uint64_t totalLength = 0;
    uint64_t replyLength = 0;
    uint32_t lastPermille = 0;
    uint32_t inBody = 0;
    gCMemFile bodyBuffer;
    gCString httpVersion;
    gCString userAgent;
    uint32_t headerReceived = 0;
    uint32_t chunked = 0;

    sSessionCallback<tServeRequestCallback> ServeRequestCallback;
    sSessionCallback<tRequestReceivedCallback> RequestReceivedCallback;
    sSessionCallback<tFillBodyCallback> FillBodyCallback;
    sSessionCallback<tProgressCallback> ProgressCallback;
    sSessionCallback<tOpenOutputCallback> OpenOutputCallback;
    sSessionCallback<tDownloadFinishedCallback> DownloadFinishedCallback;
    sSessionCallback<tSessionCallback> FailedCallback;
    sSessionCallback<tSessionCallback> SendFailedCallback;
    sSessionCallback<tHeadersCallback> AddHeadersCallback;
    sSessionCallback<tHeadersCallback> ReplyHeadersCallback;
    sSessionCallback<tHeadersCallback> HeadersReceivedCallback;
    tAcceptedCallback AcceptedCallback = nullptr;
    tSessionEventCallback StartedCallback = nullptr;
    tSessionEventCallback StateCallback = nullptr;
    tRequestComposedCallback RequestComposedCallback = nullptr;
    tRawDataCallback RawDataCallback = nullptr;

    gCString localFileName;

    // Beyond the classic fields: what the response announced, so that a body of length 0, a
    // chunked body and a body that ends at the close are each told apart from "nothing yet".
    uint32_t lengthAnnounced = 0;
    uint32_t chunkedDone = 0;
    uint32_t finishReported = 0;
    // The range start the request asked for, and the status code of the response.
    uint64_t requestedRangeStart = 0;
    int32_t responseStatus = 0;
    uint32_t transferFailed = 0;
    // Server: one request per connection, and the reply's body bytes still to send.
    uint32_t requestAnswered = 0;
    uint32_t rangeSuffix = 0;
    uint64_t replyRemaining = 0;
    // The largest body kept or written, 0 for no limit; a stated length above it is refused with
    // the header, and the transfer stops when a body passes it.
    uint64_t bodyLimit = 0;
    // 1 for a client that gives up a transfer below the limits' floor (set before the request).
    uint32_t keepsRateFloor = 0;
    eHTTPFailure failure = eHTTPFailure::kNone;
    // The reply's status line without "HTTP/x.y ", as the server sent it.
    gCString statusText;

private:
    enum class eChunkPhase : uint8_t { kSizeLine, kData, kDataEnd };

    eResultCode FailResponse(eHTTPFailure reason);
    eResultCode FailTransfer(eHTTPFailure reason);
    eResultCode CheckTimeout();
    eResultCode ReserveBody(uint64_t needed);
    eResultCode TakeChunkSizeLine(const uint8_t* line, uint64_t length);
    void NoteActivity();
    void NoteStart();
    // Searches the receive buffer for the end of the header from where the last search stopped,
    // counting line ends on the way: the offset after the empty line, or 0 while it has not come.
    uint64_t ScanForHeaderEnd(bool bareLineFeeds);
    eResultCode ReceivePlainBody();
    eResultCode ReceivePlainBody(const char* bytes, uint32_t count);
    eResultCode ReceiveChunkedBody();
    eResultCode ReportProgress();
    eResultCode ReportFinished();
    eResultCode OpenOutput();
    eResultCode OpenOutputFile();
    eResultCode ReplaceReceiveBuffer(const uint8_t* bytes, uint64_t count);
    eResultCode ParseRequestLine(const gCString& requestLine);
    eResultCode RefuseRequest();
    void ResolveReplyRange(uint64_t total);

    // How far the header has been searched for its end, and the line ends found so far.
    uint64_t mHeaderScanned = 0;
    uint32_t mHeaderLines = 0;
    eChunkPhase mChunkPhase = eChunkPhase::kSizeLine;
    uint64_t mChunkLeft = 0;
    uint64_t mChunkDataBytes = 0;
    // When the request began and when a byte last moved (clock microseconds; 0 before a start).
    uint64_t mStartedAt = 0;
    uint64_t mLastActivity = 0;
    uint32_t mReceivedAny = 0;
    CTransferRateFloor mRateFloor;
};
