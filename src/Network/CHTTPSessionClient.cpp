// The client side of CHTTPSession: starting a request, the request text, and the response header.
#include "Network/CHTTPSession.h"

#include "Network/HTTPLimits.h"
#include "Network/NetAddress.h"
#include "core/ASCIICase.h"
#include "core/CMemBlock.h"
#include "core/PercentEscape.h"

#include <cstring>

namespace {

// The status line's reason text is kept up to this many characters.
constexpr int32_t kMaxStatusText = 200;

// A number read from a header, or 0 when it reads as negative.
uint64_t ParseLength(const gCString& text)
{
    int64_t value = text.ParseInteger64();
    return value > 0 ? uint64_t(value) : 0;
}

} // namespace

eResultCode CHTTPSession::RequestURL(uint32_t mode, const gCString& url, const gCString& path, const gCString& folder,
    const gCString& file, uint32_t requestRangeStart)
{
    serverMode = mode == 0 ? 1 : 0;
    clientMode = mode;
    gCString host;
    uint16_t hostPort = 0;
    SplitHostAndPort(url, host, hostPort);
    if (hostPort == 0)
        hostPort = 80;
    NoteStart();
    if (mode != 0) {
        hostName = host;
        InstallSocketCallbacks();
        PNU_TRY(OpenEndpoint(hostPort));
        PNU_TRY(ConnectToHost(gCString(host), hostPort));
        PNU_TRY(ComposeRequest(path, folder, file, requestRangeStart));
        requestPort = hostPort;
    }
    if (StartedCallback)
        PNU_TRY(StartedCallback(this));
    return eSuccess;
}

eResultCode CHTTPSession::RequestAddress(uint32_t mode, uint32_t peerAddress, uint16_t peerPort, const gCString& path,
    const gCString& folder, const gCString& file, uint32_t requestRangeStart)
{
    headerReceived = 0;
    serverMode = mode == 0 ? 1 : 0;
    clientMode = mode;
    if (peerPort == 0)
        peerPort = 80;
    NoteStart();
    if (mode != 0) {
        hostName = FormatDottedAddress(peerAddress);
        InstallSocketCallbacks();
        PNU_TRY(OpenEndpoint(peerPort));
        PNU_TRY(ConnectToAddress(peerAddress, peerPort));
        requestPort = peerPort;
        PNU_TRY(ComposeRequest(path, folder, file, requestRangeStart));
    }
    if (StartedCallback)
        PNU_TRY(StartedCallback(this));
    return eSuccess;
}

eResultCode CHTTPSession::ComposeRequest(const gCString& path, const gCString& folder, const gCString& file,
    uint32_t requestRangeStart)
{
    PNU_TRY(SetDownloadFileName(file));
    fileName = file;
    folderPath = folder;
    requestedRangeStart = requestRangeStart;
    gCString text(u"GET ");
    PNU_TRY(text.Append(path));
    PNU_TRY(text.Append(u" "));
    tHTTPHeaderArrays names;
    tHTTPHeaderArrays values;
    PNU_TRY(BuildRequestHeaders(names, values, requestRangeStart));
    PNU_TRY(AppendHeaderLines(names, values, text));
    // No length limit on the way to the wire: a long request line must not be cut.
    CMemBlock bytes;
    PNU_TRY(text.ToMacRoman(bytes));
    if (!sendBuffer.SetSize(bytes.GetSize()))
        return eNoMemory;
    sendBuffer.CopyFrom(bytes.GetData(), bytes.GetSize());
    serverMode = 0;
    clientMode = 1;
    if (userAgent.IsEmpty())
        (void)userAgent.Assign(u"Marten HTTP");
    if (RequestComposedCallback)
        (void)RequestComposedCallback(this, gCString(text));
    return eSuccess;
}

eResultCode CHTTPSession::BuildRequestHeaders(tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uint64_t requestRangeStart)
{
    gCString version(u"HTTP/");
    PNU_TRY(version.Append(httpVersion));
    PNU_TRY(names.Add(version));
    PNU_TRY(values.Add(gCString(u"")));
    PNU_TRY(names.Add(gCString(u"Host:")));
    PNU_TRY(values.Add(hostName));
    PNU_TRY(names.Add(gCString(u"User-Agent:")));
    PNU_TRY(values.Add(userAgent));
    PNU_TRY(names.Add(gCString(u"Connection:")));
    PNU_TRY(values.Add(gCString(u"close")));
    PNU_TRY(names.Add(gCString(u"Accept-Encoding:")));
    PNU_TRY(values.Add(gCString(u"")));
    if (requestRangeStart != 0) {
        PNU_TRY(names.Add(gCString(u"Range:")));
        PNU_TRY(values.Add(gCString(u"bytes=") + requestRangeStart + gCString(u"-")));
    }
    if (AddHeadersCallback.function)
        return AddHeadersCallback.function(names, values, AddHeadersCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::AppendHeaderLines(const tHTTPHeaderArrays& names, const tHTTPHeaderArrays& values, gCString& text)
{
    if (names.GetSize() != values.GetSize())
        return eGenericFailure;
    for (int32_t i = 0; i < names.GetSize(); ++i) {
        PNU_TRY(text.Append(names[i]));
        if (!values[i].IsEmpty()) {
            PNU_TRY(text.Append(u" "));
            PNU_TRY(text.Append(values[i]));
        }
        PNU_TRY(text.Append(u"\r\n"));
    }
    return text.Append(u"\r\n");
}

eResultCode CHTTPSession::SplitHeaderLines(const gCString& text, gCString& statusLine, tHTTPHeaderArrays& names,
    tHTTPHeaderArrays& values)
{
    // Each line is copied once, on its own: the split is linear in the header's length.
    const gCString lineEnd(u"\r\n");
    const gCString whitespace(kStringWhitespace);
    const uint32_t maxLines = GetHTTPLimits().maxHeaderLines;
    int32_t end = text.Find(lineEnd);
    if (end < 0)
        return eGenericFailure;
    statusLine = text.SubString(0, end - 1);
    int32_t start = end + 2;
    for (uint32_t lines = 0;; ++lines) {
        end = text.Find(start, lineEnd);
        if (end < 0)
            return eGenericFailure;
        if (end == start)
            return eSuccess;
        if (lines >= maxLines)
            return eOutOfRange;
        int32_t colon = start;
        while (colon < end && text[colon] != u':')
            ++colon;
        gCString name = text.SubString(start, colon - 1);
        gCString value = colon < end ? text.SubString(colon + 1, end - 1) : gCString(u"");
        start = end + 2;
        name.Trim(whitespace);
        value.Trim(whitespace);
        MakeUpperASCII(name);
        PNU_TRY(names.Add(name));
        PNU_TRY(values.Add(value));
    }
}

eResultCode CHTTPSession::HandleResponseHeader(const gCString& name, gCString& value)
{
    if (name == "CONTENT-TYPE") {
        contentType = value;
    } else if (name == "CONTENT-LENGTH") {
        if (totalLength == 0) {
            int64_t length = value.ParseInteger64();
            // A negative length announces nothing.
            if (length >= 0) {
                totalLength = uint64_t(length);
                lengthAnnounced = 1;
            }
        }
    } else if (name == "CONTENT-RANGE") {
        gCString unit, rest;
        (void)value.SplitAtFirst(unit, rest, gCString(u" "), 0);
        MakeUpperASCII(unit);
        if (!(unit == "BYTES")) {
            unit = gCString();
            rest = gCString();
            (void)value.SplitAtFirst(unit, rest, gCString(u"="), 0);
            MakeUpperASCII(unit);
        }
        gCString first, last, total;
        if (unit == "BYTES") {
            gCString range;
            (void)rest.SplitAtFirst(range, total, gCString(u"/"), 0);
            (void)range.SplitAtFirst(first, last, gCString(u"-"), 0);
        }
        rangeStart = ParseLength(first);
        rangeEnd = ParseLength(last);
        totalLength = ParseLength(total);
        lengthAnnounced = totalLength != 0 ? 1 : 0;
    } else if (name == "TRANSFER-ENCODING") {
        gCString coding = value;
        MakeUpperASCII(coding);
        if (coding == "CHUNKED")
            chunked = 1;
    }
    return eSuccess;
}

eResultCode CHTTPSession::FailResponse(eHTTPFailure reason)
{
    if (finished)
        return eSuccess;
    finished = 1;
    failure = reason;
    AbortConnection();
    bool answered = reason == eHTTPFailure::kRefusedStatus || reason == eHTTPFailure::kLengthTooLarge;
    if (answered)
        transferFailed = 1;
    ChangeState(answered ? eSocketFailedTransfer : eSocketFailed);
    if (FailedCallback.function)
        return FailedCallback.function(this, FailedCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::ParseResponseHeader()
{
    const uint8_t* data = receiveBuffer.GetData();
    uint64_t size = receiveBuffer.GetSize();
    // Whatever does not begin like a status line is refused at once, not waited for.
    static const char kStatusStart[] = "HTTP";
    for (uint64_t i = 0; i < size && i < 4; ++i) {
        if (data[i] != uint8_t(kStatusStart[i]))
            return FailResponse(eHTTPFailure::kNoHTTPStatus);
    }
    const sHTTPLimits& limits = GetHTTPLimits();
    uint64_t bodyStart = ScanForHeaderEnd(false);
    if (mHeaderLines > limits.maxHeaderLines + 2 || (bodyStart == 0 ? size : bodyStart) > limits.maxHeaderBytes)
        return FailResponse(eHTTPFailure::kHeaderTooLarge);
    if (bodyStart == 0)
        return eSuccess;

    gCString text;
    PNU_TRY(text.ConvertFromChars(reinterpret_cast<const char*>(data), int32_t(bodyStart)));
    gCString statusLine;
    tHTTPHeaderArrays names;
    tHTTPHeaderArrays values;
    if (eResultCode split = SplitHeaderLines(text, statusLine, names, values); split != eSuccess)
        return split == eOutOfRange ? FailResponse(eHTTPFailure::kHeaderTooLarge) : split;

    gCString version, afterVersion, code, reason;
    (void)statusLine.SplitAtFirst(version, afterVersion, gCString(u" "), 0);
    (void)afterVersion.SplitAtFirst(code, reason, gCString(u" "), 0);
    statusText = afterVersion.Left(kMaxStatusText);
    int32_t status = code.IsEmpty() ? 0 : code.ParseInteger();
    responseStatus = status;
    for (int32_t i = 0; i < names.GetSize(); ++i)
        PNU_TRY(HandleResponseHeader(names[i], values[i]));
    if (status != 200 && status != 206)
        return FailResponse(eHTTPFailure::kRefusedStatus);
    // A stated length (of the whole file, for a part) above the limit is refused before any of
    // its bytes is kept.
    if (bodyLimit != 0 && lengthAnnounced && totalLength > bodyLimit)
        return FailResponse(eHTTPFailure::kLengthTooLarge);

    if (!localFileName.IsEmpty())
        PNU_TRY(OpenOutput());

    inBody = 1;
    PNU_TRY(ReplaceReceiveBuffer(receiveBuffer.GetData() + bodyStart, size - bodyStart));
    PNU_TRY(ReceiveData());
    if (transferFailed)
        return eSuccess;
    // A stated length of 0 (or a resumed file already complete) is finished without any body byte.
    if (!finished && !finishOnClose && !chunked && lengthAnnounced && bytesTransferred >= totalLength)
        PNU_TRY(FinishDownload());

    headerReceived = 1;
    if (HeadersReceivedCallback.function)
        (void)HeadersReceivedCallback.function(names, values, HeadersReceivedCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::OpenOutput()
{
    if (OpenOutputCallback.function) {
        PNU_TRY(OpenOutputCallback.function(this, folderPath, localFileName, uint32_t(totalLength),
            uint32_t(totalLength >> 32), &outputStream, OpenOutputCallback.user));
        if (outputStream)
            bytesTransferred = outputStream->GetLength();
    }
    if (outputStream)
        return eSuccess;
    return OpenOutputFile();
}

eResultCode CHTTPSession::DecodePercentEscapes(gCString& text)
{
    int32_t position = 0;
    while (position < text.GetLength()) {
        int32_t percent = text.Find(position, gCString(u"%"));
        if (percent < 0)
            break;
        const int32_t byte = PercentEscapedByte(text.GetText(), size_t(text.GetLength()), size_t(percent));
        // "%00" stays as it is: a zero would end the text.
        if (byte <= 0) {
            position = percent + 1;
            continue;
        }
        char macRoman[2] = {char(byte), 0};
        gCString decoded(macRoman);
        text.Delete(percent, 3);
        PNU_TRY(text.Insert(decoded, percent));
        // Scanning goes on after the decoded character, so "%2541" gives "%41", not "A".
        position = percent + 1;
    }
    return eSuccess;
}
