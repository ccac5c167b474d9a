// The server side of CHTTPSession: reading one GET request and answering it.
#include "Network/CHTTPSession.h"

#include "Network/HTTPLimits.h"
#include "core/ASCIICase.h"
#include "core/CMemBlock.h"

#include <cstring>

namespace {

// Whether a decoded name stays inside whatever the owner serves from: no leading separator, no
// ".." segment, no NUL.
bool IsSafeRequestName(const gCString& name)
{
    auto isSeparator = [](char16_t unit) { return unit == u'/' || unit == u'\\' || unit == u':'; };
    const int32_t length = name.GetLength();
    if (length > 0 && isSeparator(name[0]))
        return false;
    int32_t segmentStart = 0;
    for (int32_t i = 0; i <= length; ++i) {
        if (i < length && name[i] == 0)
            return false;
        if (i < length && !isSeparator(name[i]))
            continue;
        if (i - segmentStart == 2 && name[segmentStart] == u'.' && name[segmentStart + 1] == u'.')
            return false;
        segmentStart = i + 1;
    }
    return true;
}

uint64_t ParseNumber(const gCString& text)
{
    int64_t value = text.ParseInteger64();
    return value > 0 ? uint64_t(value) : 0;
}

} // namespace

uint32_t CHTTPSession::IsTextFile(const gCString& name)
{
    if (name.IsEmpty())
        return 1;
    int32_t dot = name.ReverseFind(gCString(u"."));
    if (dot < 0 || dot == name.GetLength() - 1)
        return 0;
    gCString extension = name.DropLeft(dot + 1);
    MakeUpperASCII(extension);
    return extension == "HTML" || extension == "HTM" || extension == "TXT" ? 1 : 0;
}

eResultCode CHTTPSession::HandleRequestHeader(const gCString& name, const gCString& value)
{
    if (name == "USER-AGENT") {
        userAgent = value;
    } else if (name == "RANGE") {
        gCString unit, rest;
        (void)value.SplitAtFirst(unit, rest, gCString(u"="), 0);
        MakeUpperASCII(unit);
        gCString first, last;
        if (unit == "BYTES")
            (void)rest.SplitAtFirst(first, last, gCString(u"-"), 0);
        // HTTP positions are inclusive: the end is kept as the position after the last byte, and
        // 0 means "to the end". A missing first position asks for the last bytes of the body.
        rangeSuffix = 0;
        first.Trim(gCString(kStringWhitespace));
        last.Trim(gCString(kStringWhitespace));
        if (first.IsEmpty() && !last.IsEmpty()) {
            rangeSuffix = 1;
            rangeStart = 0;
            rangeEnd = ParseNumber(last);
        } else {
            rangeStart = ParseNumber(first);
            rangeEnd = last.IsEmpty() ? 0 : ParseNumber(last) + 1;
        }
    }
    return eSuccess;
}

eResultCode CHTTPSession::BuildReplyHeaders(tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uint32_t textFlag,
    uint64_t total, uint64_t replyRangeStart, uint64_t replyRangeEnd)
{
    bool partial = replyRangeStart != 0 || replyRangeEnd != total;
    uint64_t length = partial ? replyRangeEnd - replyRangeStart : total;
    // A status line with a version: no HTTP client takes one without.
    PNU_TRY(names.Add(gCString(partial ? u"HTTP/1.0 206 Partial Content" : u"HTTP/1.0 200 OK")));
    PNU_TRY(values.Add(gCString(u"")));
    PNU_TRY(names.Add(gCString(u"Server:")));
    PNU_TRY(values.Add(gCString(u"Marten HTTP")));
    PNU_TRY(names.Add(gCString(u"Content-type:")));
    PNU_TRY(values.Add(gCString(textFlag ? u"text/html" : u"application/binary")));
    PNU_TRY(names.Add(gCString(u"Content-length:")));
    PNU_TRY(values.Add(gCString(u"") + length));
    if (partial) {
        PNU_TRY(names.Add(gCString(u"Content-Range:")));
        PNU_TRY(values.Add(gCString(u"bytes ") + replyRangeStart + gCString(u"-") + (replyRangeEnd - 1)
            + gCString(u"/") + total));
    }
    if (ReplyHeadersCallback.function)
        return ReplyHeadersCallback.function(names, values, ReplyHeadersCallback.user);
    return eSuccess;
}

eResultCode CHTTPSession::RefuseRequest()
{
    // Nothing to serve: a short "not found" answer, then the connection closes like any other.
    static const char kNotFound[] = "HTTP/1.0 404 Not Found\r\nServer: Marten HTTP\r\nContent-length: 0\r\n\r\n";
    requestAnswered = 1;
    PNU_TRY(QueueSendBytes(kNotFound, uint32_t(sizeof kNotFound - 1)));
    replyRemaining = 0;
    inBody = 1;
    return eSuccess;
}

eResultCode CHTTPSession::ParseRequestLine(const gCString& requestLine)
{
    gCString rest = requestLine.DropLeft(4);
    int32_t versionStart = rest.ReverseFind(gCString(u"H"));
    if (versionStart <= 0)
        return eHandled;
    if (rest.Left(5) == "HTTP/")
        return eSuccess;
    // The target ends before the blank ahead of the version. An absolute-form target (as sent to
    // a proxy) names the path after its authority; the path's leading "/" is dropped either way.
    int32_t targetLast = versionStart - 2;
    int32_t nameFirst = 1;
    gCString scheme = rest.Left(8);
    MakeUpperASCII(scheme);
    int32_t authorityFirst = scheme.Left(7) == "HTTP://" ? 7 : scheme == "HTTPS://" ? 8 : 0;
    if (authorityFirst > 0) {
        int32_t slash = rest.Find(authorityFirst, gCString(u"/"));
        nameFirst = slash < 0 || slash > targetLast ? targetLast + 1 : slash + 1;
    }
    localFileName = rest.SubString(nameFirst, targetLast);
    fileName = localFileName;
    return DecodePercentEscapes(localFileName);
}

eResultCode CHTTPSession::ParseRequest()
{
    if (requestAnswered)
        return eSuccess;
    const sHTTPLimits& limits = GetHTTPLimits();
    uint64_t end = ScanForHeaderEnd(true);
    const uint8_t* data = receiveBuffer.GetData();
    uint64_t size = end != 0 ? end : receiveBuffer.GetSize();
    // An oversized request is not answered: the connection is closed, as for a refused one.
    if (size > limits.maxHeaderBytes || mHeaderLines > limits.maxHeaderLines + 2) {
        requestAnswered = 1;
        return Close();
    }
    if (end == 0)
        return eSuccess;
    // The request is read as text up to its first zero byte.
    uint64_t textLength = 0;
    while (textLength < size && data[textLength] != 0)
        ++textLength;
    gCString text;
    PNU_TRY(text.ConvertFromChars(reinterpret_cast<const char*>(data), int32_t(textLength)));
    // One request per connection: whatever comes after it is not answered again.
    requestAnswered = 1;

    if (RequestReceivedCallback.function) {
        uint32_t stop = 0;
        eResultCode result = RequestReceivedCallback.function(text, this, &stop, RequestReceivedCallback.user);
        if (result != eSuccess || stop) {
            (void)Close();
            return result;
        }
    }
    gCString requestLine;
    tHTTPHeaderArrays names;
    tHTTPHeaderArrays values;
    if (SplitHeaderLines(text, requestLine, names, values) != eSuccess || !(requestLine.Left(3) == "GET")) {
        (void)Close();
        return eGenericFailure;
    }
    eResultCode lineResult = ParseRequestLine(requestLine);
    if (lineResult == eHandled) {
        (void)Close();
        return eSuccess;
    }
    PNU_TRY(lineResult);
    for (int32_t i = 0; i < names.GetSize(); ++i)
        PNU_TRY(HandleRequestHeader(names[i], values[i]));
    if (HeadersReceivedCallback.function)
        (void)HeadersReceivedCallback.function(names, values, HeadersReceivedCallback.user);
    return PrepareReply();
}

void CHTTPSession::ResolveReplyRange(uint64_t total)
{
    if (rangeSuffix) {
        uint64_t count = rangeEnd < total ? rangeEnd : total;
        rangeStart = total - count;
        rangeEnd = total;
    }
    if (rangeEnd == 0 || rangeEnd > total)
        rangeEnd = total;
    // A range that holds no byte of the body is answered with the whole body.
    if (rangeStart >= rangeEnd) {
        rangeStart = 0;
        rangeEnd = total;
    }
}

eResultCode CHTTPSession::PrepareReply()
{
    uint32_t textFlag = IsTextFile(localFileName);
    gCStream* stream = nullptr;
    uint32_t refuse = 0;
    gCString text;
    if (!IsSafeRequestName(localFileName))
        return RefuseRequest();
    if (ServeRequestCallback.function) {
        eResultCode result = ServeRequestCallback.function(gCString(localFileName), ServeRequestCallback.user, this,
            &stream, &textFlag, &refuse, &text);
        if (result != eSuccess || refuse) {
            delete stream;
            return RefuseRequest();
        }
    }
    uint64_t length;
    if (stream) {
        length = stream->GetLength();
    } else {
        if (FillBodyCallback.function)
            PNU_TRY(FillBodyCallback.function(&bodyBuffer, &textFlag, FillBodyCallback.user));
        if (bodyBuffer.GetData() == nullptr)
            return eInvalidFile;
        length = bodyBuffer.GetSize();
        PNU_TRY(bodyBuffer.Rewind());
    }
    replyLength = totalLength = length;
    delete outputStream;
    outputStream = stream;
    inBody = 1;
    ResolveReplyRange(length);

    tHTTPHeaderArrays names;
    tHTTPHeaderArrays values;
    PNU_TRY(BuildReplyHeaders(names, values, textFlag, length, rangeStart, rangeEnd));
    gCString header;
    PNU_TRY(AppendHeaderLines(names, values, header));
    CMemBlock bytes;
    PNU_TRY(header.ToMacRoman(bytes));
    PNU_TRY(QueueSendBytes(bytes.GetData(), bytes.GetSize()));

    gCStream* source = outputStream ? outputStream : &bodyBuffer;
    if (length > rangeStart)
        PNU_TRY(source->SetPos(rangeStart));
    // Exactly the announced bytes are sent, up to the end of the range.
    replyRemaining = rangeEnd - rangeStart;
    bytesTransferred = rangeStart;
    return eSuccess;
}

eResultCode CHTTPSession::SendNextBodyBlock()
{
    if (!inBody || sendBuffer.GetSize() != 0)
        return eSuccess;
    if (replyRemaining == 0) {
        // The reply is complete: the connection is closed, as HTTP/1.0 expects.
        return Close();
    }
    gCStream* source = outputStream ? outputStream : &bodyBuffer;
    if (!outputStream && bodyBuffer.GetData() == nullptr)
        return eInvalidFile;
    uint64_t available = source->GetLength() > source->GetPos() ? source->GetLength() - source->GetPos() : 0;
    uint64_t count = replyRemaining < available ? replyRemaining : available;
    if (count > kBlockSize)
        count = kBlockSize;
    if (count == 0)
        return Close(); // the source is shorter than it said; the client sees a short body
    if (!sendBuffer.SetSize(uint32_t(count)))
        return eNoMemory;
    if (eResultCode result = source->Read(sendBuffer.GetData(), uint32_t(count)); result != eSuccess) {
        (void)sendBuffer.SetSize(0);
        return result;
    }
    replyRemaining -= count;
    bytesTransferred = source->GetPos();
    return ReportProgress();
}
