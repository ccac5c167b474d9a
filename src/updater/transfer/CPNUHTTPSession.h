// The HTTP session of the update engine: HTTP/1.0, finished when the server closes, its events
// shown as status lines, the response headers kept for lookup by name, and the download
// percentage reported to the window.
#pragma once

#include "Network/CHTTPSession.h"

class CPNUTransferManager;

// Texts from a server are shown and logged up to this many characters.
inline constexpr int32_t kMaxShownServerText = 300;

// The text cut to kMaxShownServerText characters, with "..." when something was cut.
gCString CutServerText(const gCString& text);

class CPNUHTTPSession : public CHTTPSession {
public:
    CPNUHTTPSession();
    ~CPNUHTTPSession() override;

    eResultCode ReceiveData() override;

    // Status texts of the four session events.
    virtual gCString GetResolveFailedText();
    virtual gCString GetConnectFailedText();
    virtual gCString GetHeadersReceivedText();
    virtual gCString GetConnectStartedText();
    // The texts of the red lines that name why the session gave up, with "%s" where a value goes.
    enum eFailureText : int32_t {
        kTextClosedBeforeReply,
        kTextNotHTTP,
        kTextRefusedStatus,  // the server's status text
        kTextHeaderTooLarge,
        kTextLengthTooLarge, // the announced length, the limit
        kTextBodyTooLarge,   // the limit
        kTextBadChunk,
        kTextIdle,           // the wait, as kTextOneSecond or kTextSeconds gives it
        kTextHeaderTooSlow,  // the wait
        kTextSendFailed,
        kTextOneSecond,
        kTextSeconds,        // the number of seconds
        kFailureTextCount,
    };
    virtual gCString GetFailurePattern(eFailureText text);
    // The red line of a transfer below the floor: the least amount, then the window.
    virtual gCString GetTooSlowPattern();
    // The red line that names why the session gave up (the connect failure text when it never
    // reached the server).
    gCString GetFailureText();

    // eSuccess and the value; eGenericFailure when no header has that name; eOutOfRange when the
    // header lists disagree. Names are compared with a-z upper-cased; the given name is upper-cased
    // in place.
    eResultCode FindHeaderValue(gCString& name, gCString& value) const;

    CPNUTransferManager* owner = nullptr;
    int32_t lastPercentage = 0;
    gCArray<gCString> headerNames;
    gCArray<gCString> headerValues;

private:
    // A wait as kTextOneSecond or kTextSeconds gives it.
    gCString SecondsText(uint64_t microseconds);
    // The red line, then the message panel on, so the check can be started again.
    eResultCode ReportFailure(const gCString& text);

    static eResultCode OnConnectStarted(int32_t eventResult, uintptr_t user);
    static eResultCode OnResolveFailed(int32_t eventResult, uintptr_t user);
    static eResultCode OnFailed(CHTTPSession* session, uintptr_t user);
    static eResultCode OnSendFailed(CHTTPSession* session, uintptr_t user);
    static eResultCode OnHeadersReceived(tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uintptr_t user);
};

// The session the application makes: its status texts come from the string table.
class CPNULocalHTTPSession : public CPNUHTTPSession {
public:
    gCString GetResolveFailedText() override;
    gCString GetConnectFailedText() override;
    gCString GetHeadersReceivedText() override;
    gCString GetConnectStartedText() override;
    gCString GetFailurePattern(eFailureText text) override;
    gCString GetTooSlowPattern() override;
};
