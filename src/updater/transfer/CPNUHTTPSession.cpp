#include "updater/transfer/CPNUHTTPSession.h"

#include "Network/HTTPLimits.h"
#include "core/ASCIICase.h"
#include "core/TextEquality.h"
#include "updater/transfer/CPNUTransferManager.h"
#include "updater/codec/PNULimits.h"
#include "updater/PNUMessages.h"
#include "updater/PNUReportTexts.h"
#include "updater/PNUTexts.h"

gCString CutServerText(const gCString& text)
{
    if (text.GetLength() <= kMaxShownServerText)
        return text;
    gCString cut = text.Left(kMaxShownServerText);
    cut += gCString("...");
    return cut;
}

CPNUHTTPSession::CPNUHTTPSession()
{
    finishOnClose = 1;
    // Nothing larger than an update package is kept.
    bodyLimit = kPNUPackageSizeLimit;
    // A server that trickles is given up as one that stalls is.
    keepsRateFloor = 1;
    httpVersion = gCString("1.0");
    const uintptr_t self = reinterpret_cast<uintptr_t>(this);
    ConnectStartedCallback = {&CPNUHTTPSession::OnConnectStarted, self};
    ResolveFailedCallback = {&CPNUHTTPSession::OnResolveFailed, self};
    FailedCallback = {&CPNUHTTPSession::OnFailed, self};
    SendFailedCallback = {&CPNUHTTPSession::OnSendFailed, self};
    HeadersReceivedCallback = {&CPNUHTTPSession::OnHeadersReceived, self};
}

CPNUHTTPSession::~CPNUHTTPSession() = default;

gCString CPNUHTTPSession::GetResolveFailedText()
{
    return gCString("Unable to locate the download server - please check your Internet connection, or try again later!");
}

gCString CPNUHTTPSession::GetConnectFailedText()
{
    return gCString("Found the location of the download server, but couldn't connect to it. Please check your "
                    "Internet connection, or try again later!");
}

gCString CPNUHTTPSession::GetHeadersReceivedText()
{
    return gCString("Received response from server, download is ready to begin.");
}

gCString CPNUHTTPSession::GetConnectStartedText()
{
    return gCString("Server location found, now attempting to contact server.");
}

namespace {

// The built-in English failure texts, in the order of eFailureText.
const char* const kFailurePatterns[CPNUHTTPSession::kFailureTextCount] = {
    "The server closed the connection before replying. Please try again later!",
    "The server's reply is not an HTTP reply. Please try again later!",
    "The server answered \"%s\" instead of sending the update. Please try again later!",
    "The server's reply header is too large. Please try again later!",
    "The server announced %s bytes, more than an update can hold (%s bytes).",
    "The download passed %s bytes, more than an update can hold, and was stopped.",
    "The server sent a damaged reply. Please try again later!",
    "The server sent nothing for %s, so the transfer was stopped. Please try again later!",
    "The server's reply header did not arrive within %s, so the transfer was stopped. Please try again later!",
    "The connection broke while the request was sent. Please try again later!",
    "1 second",
    "%s seconds",
};

gCString Number(uint64_t value) { return gCString("") + value; }

} // namespace

gCString CPNUHTTPSession::GetFailurePattern(eFailureText text)
{
    return gCString(text >= 0 && text < kFailureTextCount ? kFailurePatterns[text] : "");
}

gCString CPNUHTTPSession::GetTooSlowPattern()
{
    return GetBuiltInReportText(kTextTransferTooSlow);
}

gCString CPNUHTTPSession::SecondsText(uint64_t microseconds)
{
    const uint64_t wait = microseconds / 1000000;
    return wait == 1 ? GetFailurePattern(kTextOneSecond) : FillTextValues(GetFailurePattern(kTextSeconds), {Number(wait)});
}

gCString CPNUHTTPSession::GetFailureText()
{
    const sHTTPLimits& limits = GetHTTPLimits();
    const gCString seconds = SecondsText(limits.idleTimeoutMicroseconds);
    const gCString limit = Number(bodyLimit);
    switch (failure) {
    case eHTTPFailure::kClosedBeforeReply:
        return GetFailurePattern(kTextClosedBeforeReply);
    case eHTTPFailure::kNoHTTPStatus:
        return GetFailurePattern(kTextNotHTTP);
    case eHTTPFailure::kRefusedStatus:
        return FillTextValues(GetFailurePattern(kTextRefusedStatus), {CutServerText(statusText)});
    case eHTTPFailure::kHeaderTooLarge:
        return GetFailurePattern(kTextHeaderTooLarge);
    case eHTTPFailure::kLengthTooLarge:
        return FillTextValues(GetFailurePattern(kTextLengthTooLarge), {Number(totalLength), limit});
    case eHTTPFailure::kBodyTooLarge:
        return FillTextValues(GetFailurePattern(kTextBodyTooLarge), {limit});
    case eHTTPFailure::kBadChunk:
        return GetFailurePattern(kTextBadChunk);
    case eHTTPFailure::kIdle:
        return FillTextValues(GetFailurePattern(kTextIdle), {seconds});
    case eHTTPFailure::kHeaderTooSlow:
        return FillTextValues(GetFailurePattern(kTextHeaderTooSlow), {seconds});
    case eHTTPFailure::kSendFailed:
        return GetFailurePattern(kTextSendFailed);
    case eHTTPFailure::kTooSlow: {
        const uint64_t least = limits.floorKilobytesPerSecond * (limits.floorWindowMicroseconds / 1000000);
        return FillTextValues(GetTooSlowPattern(),
                              {Number(least) + gCString(" KB"), SecondsText(limits.floorWindowMicroseconds)});
    }
    case eHTTPFailure::kNone:
    case eHTTPFailure::kConnectTooSlow:
        break;
    }
    return GetConnectFailedText();
}

gCString CPNULocalHTTPSession::GetResolveFailedText() { return GetTranslatedText(kTextResolveFailed); }
gCString CPNULocalHTTPSession::GetConnectFailedText() { return GetTranslatedText(kTextConnectFailed); }
gCString CPNULocalHTTPSession::GetHeadersReceivedText() { return GetTranslatedText(kTextHeadersReceived); }
gCString CPNULocalHTTPSession::GetConnectStartedText() { return GetTranslatedText(kTextConnectStarted); }
gCString CPNULocalHTTPSession::GetFailurePattern(eFailureText text)
{
    return GetTranslatedText(kFailureTextFirst + text);
}
gCString CPNULocalHTTPSession::GetTooSlowPattern() { return GetTranslatedReportText(kTextTransferTooSlow); }

eResultCode CPNUHTTPSession::ReportFailure(const gCString& text)
{
    PNU_TRY(SendStatusLine(*this, text, kStatusRed));
    return SendMessagePanelOn(*this);
}

eResultCode CPNUHTTPSession::FindHeaderValue(gCString& name, gCString& value) const
{
    if (headerNames.GetSize() != headerValues.GetSize())
        return eOutOfRange;
    MakeUpperASCII(name);
    for (int32_t i = 0; i < headerNames.GetSize(); ++i) {
        gCString stored = headerNames[i];
        MakeUpperASCII(stored);
        if (TextsEqual(stored, name)) {
            value = headerValues[i];
            return eSuccess;
        }
    }
    return eGenericFailure;
}

eResultCode CPNUHTTPSession::ReceiveData()
{
    PNU_TRY(CHTTPSession::ReceiveData());
    if (totalLength == 0)
        return eSuccess;
    uint64_t ratio = bytesTransferred * 100 / totalLength;
    // A server that sends more than it announced must not push the window past 100 %.
    int32_t percentage = ratio > 100 ? 100 : int32_t(ratio);
    if (percentage - lastPercentage >= 5 && percentage <= 99)
        lastPercentage = percentage;
    else if (percentage == lastPercentage)
        return eSuccess;
    eResultCode result = SendProgress(*this, percentage);
    if (result == eSuccess)
        (void)RedrawMainWindow();
    return result;
}

eResultCode CPNUHTTPSession::OnConnectStarted(int32_t, uintptr_t user)
{
    auto* session = reinterpret_cast<CPNUHTTPSession*>(user);
    return SendStatusLine(*session, session->GetConnectStartedText(), kStatusBlack);
}

eResultCode CPNUHTTPSession::OnResolveFailed(int32_t, uintptr_t user)
{
    auto* session = reinterpret_cast<CPNUHTTPSession*>(user);
    return session->ReportFailure(session->GetResolveFailedText());
}

eResultCode CPNUHTTPSession::OnFailed(CHTTPSession*, uintptr_t user)
{
    auto* session = reinterpret_cast<CPNUHTTPSession*>(user);
    return session->ReportFailure(session->GetFailureText());
}

eResultCode CPNUHTTPSession::OnSendFailed(CHTTPSession*, uintptr_t user)
{
    // A body cut off by the close is reported when the download is dispatched; a transfer the
    // session gave up is reported here.
    auto* session = reinterpret_cast<CPNUHTTPSession*>(user);
    if (session->failure == eHTTPFailure::kNone)
        return eSuccess;
    return session->ReportFailure(session->GetFailureText());
}

eResultCode CPNUHTTPSession::OnHeadersReceived(tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uintptr_t user)
{
    auto* session = reinterpret_cast<CPNUHTTPSession*>(user);
    PNU_TRY(SendStatusLine(*session, session->GetHeadersReceivedText(), kStatusBlack));
    session->headerNames.RemoveAll();
    session->headerValues.RemoveAll();
    PNU_TRY(session->headerNames.Copy(names));
    PNU_TRY(session->headerValues.Copy(values));
    gCString name("PNU-UpdaterSend");
    gCString value;
    if (session->FindHeaderValue(name, value) == eSuccess && session->owner)
        return session->owner->OnUpdaterSend();
    return eSuccess;
}
