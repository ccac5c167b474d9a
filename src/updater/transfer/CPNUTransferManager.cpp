#include "updater/transfer/CPNUTransferManager.h"

#include "FileIO/gCMemFile.h"
#include "app/ReportError.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/PNUMessages.h"
#include "updater/transfer/PNUReplyHandling.h"
#include "updater/PNUTexts.h"

CPNUTransferManager::CPNUTransferManager() : mLatestVersion("Unknown Pintrel 2 Version") {}

CPNUTransferManager::~CPNUTransferManager()
{
    mClosing = 1;
    if (mCurrentSession) {
        (void)mCurrentSession->Disconnect();
        delete mCurrentSession;
        mCurrentSession = nullptr;
    }
    // Sessions retired since the last tick are deleted too, not left behind.
    for (CPNUHTTPSession* session : mRetiredSessions) {
        session->finishOnClose = 0;
        delete session;
    }
    mRetiredSessions.RemoveAll();
    (void)StopOpenTransport();
}

gCString CPNUTransferManager::GetReceivedText() { return gCString("Update file received OK."); }
gCString CPNUTransferManager::GetUnknownReasonText() { return gCString("Unknown fail reason, header not found"); }
gCString CPNUTransferManager::GetStartErrorText()
{
    return gCString("-- An error occurred when trying to start the download: --");
}
gCString CPNUTransferManager::GetNotStartedText() { return gCString("Download couldn't be started!"); }
gCString CPNUTransferManager::GetDownloadErrorText() { return gCString("-- An error occurred during the download: --"); }
gCString CPNUTransferManager::GetDownloadFailedText() { return gCString("Download Failed!"); }
gCString CPNUTransferManager::GetLookingUpText() { return gCString("Looking up server..."); }
gCString CPNUTransferManager::GetConnectionFailedText() { return gCString("Connection failed during download."); }
gCString CPNUTransferManager::GetOutsideProcessText() { return gCString("File received outside valid process"); }
gCString CPNUTransferManager::GetTransferErrorText() { return gCString("Transfer error"); }

gCString CPNULocalTransferManager::GetReceivedText() { return GetTranslatedText(kTextReceived); }
gCString CPNULocalTransferManager::GetUnknownReasonText() { return GetTranslatedText(kTextUnknownReason); }
gCString CPNULocalTransferManager::GetStartErrorText() { return GetTranslatedText(kTextStartError); }
gCString CPNULocalTransferManager::GetNotStartedText() { return GetTranslatedText(kTextNotStarted); }
gCString CPNULocalTransferManager::GetDownloadErrorText() { return GetTranslatedText(kTextDownloadError); }
gCString CPNULocalTransferManager::GetDownloadFailedText() { return GetTranslatedText(kTextDownloadFailed); }
gCString CPNULocalTransferManager::GetLookingUpText() { return GetTranslatedText(kTextLookingUp); }
gCString CPNULocalTransferManager::GetConnectionFailedText() { return GetTranslatedText(kTextConnectionFailed); }
gCString CPNULocalTransferManager::GetOutsideProcessText() { return GetTranslatedText(kTextOutsideProcess); }
gCString CPNULocalTransferManager::GetTransferErrorText() { return GetTranslatedText(kTextTransferError); }

eResultCode CPNUTransferManager::StartRequest(const gCString& host, const gCString& url)
{
    PNU_TRY(SendStatusLine(*this, GetLookingUpText(), kStatusBlack));
    mState = kStateUpdateRequest;
    return StartTransfer(host, url);
}

eResultCode CPNUTransferManager::StartTransfer(const gCString& host, const gCString& url)
{
    if (mCurrentSession) {
        (void)mCurrentSession->Disconnect();
        // A session may be in one of its own callbacks now: it is deleted on the next tick.
        if (mRetiredSessions.Add(mCurrentSession) != eSuccess) {
            mCurrentSession->finishOnClose = 0;
            delete mCurrentSession;
        }
        mCurrentSession = nullptr;
    }
    (void)AskSession(*this, mCurrentSession);
    if (!mCurrentSession)
        mCurrentSession = new CPNUHTTPSession();
    if (!mCurrentSession)
        return eCreateFailed;
    mCurrentSession->owner = this;
    mCurrentSession->StateCallback = &CPNUTransferManager::OnSessionStateChange;
    mCurrentSession->DownloadFinishedCallback = {&CPNUTransferManager::OnDownloadFinished,
                                                 reinterpret_cast<uintptr_t>(this)};
    return mCurrentSession->RequestURL(1, host, url, gCString(""), gCString(""), 0);
}

eResultCode CPNUTransferManager::RequestCheckReply(const gCString& hostAndURL)
{
    gCString host;
    gCString url;
    PNU_TRY(host.Assign(u""));
    PNU_TRY(url.Assign(u""));
    (void)hostAndURL.SplitAtFirst(host, url, gCString("|"), 0);
    mState = kStateCheckReply;
    return StartTransfer(host, url);
}

void CPNUTransferManager::Tick()
{
    if (mCurrentSession)
        (void)mCurrentSession->Poll();
    while (mRetiredSessions.GetSize() > 0) {
        CPNUHTTPSession* session = mRetiredSessions[0];
        session->finishOnClose = 0;
        delete session;
        mRetiredSessions.RemoveAt(0);
    }
}

eResultCode CPNUTransferManager::Shutdown()
{
    // Nothing may have been requested yet.
    if (mCurrentSession)
        PNU_TRY(mCurrentSession->Disconnect());
    Tick();
    Tick();
    return eSuccess;
}

eResultCode CPNUTransferManager::FindHeaderValue(const gCString& name, gCString& value)
{
    if (!mCurrentSession)
        return eGenericFailure;
    gCString upper = name;
    return mCurrentSession->FindHeaderValue(upper, value);
}

eResultCode CPNUTransferManager::OnSessionStateChange(CHTTPSession* session)
{
    auto* own = static_cast<CPNUHTTPSession*>(session);
    if (!own->owner || (session->state != eSocketFailed && session->state != eSocketFailedTransfer))
        return eSuccess;
    return own->owner->PostState();
}

eResultCode CPNUTransferManager::PostState()
{
    PNU_TRY(SendSessionState(*this, mState));
    mState = kStateSessionFailed;
    return eSuccess;
}

eResultCode CPNUTransferManager::OnUpdaterSend()
{
    mSaveSource = 1;
    return SendSourceRequested(*this);
}

eResultCode CPNUTransferManager::OnDownloadFinished(CHTTPSession*, const gCString&, const gCString&, uint32_t,
                                                    uint32_t, uintptr_t user)
{
    auto* manager = reinterpret_cast<CPNUTransferManager*>(user);
    if (manager->mClosing)
        return eSuccess;
    PNU_TRY(manager->DispatchFinishedJob());
    (void)RedrawMainWindow();
    return eSuccess;
}

eResultCode CPNUTransferManager::DispatchFinishedJob()
{
    if (!mCurrentSession || mState < kStateDownloadList || mState > kStateUpdaterCopy) {
        (void)ShowPlainAlert(GetOutsideProcessText(), GetTransferErrorText());
        return eSuccess;
    }
    gCMemFile& body = mCurrentSession->bodyBuffer;
    switch (mState) {
    case kStateDownloadList:
        return ParseDownloadList(body);
    case kStateCheckReply:
        return ParseCheckReply(*this, body);
    case kStateUpdaterCopy:
        return StoreUpdaterCopy(body);
    default:
        break;
    }
    bool isText = mCurrentSession->contentType.Find(gCString("text")) >= 0;
    // A chunked body is complete only with its last chunk, whatever its byte count.
    bool complete = mCurrentSession->bytesTransferred >= mCurrentSession->totalLength
        && !(mCurrentSession->chunked && !mCurrentSession->chunkedDone);
    if (!complete) {
        PNU_TRY(SendFailureSound(*this));
        if (isText)
            return ReadReplyHeaders(*this, body);
        return ReportDownloadError(GetConnectionFailedText());
    }
    if (!isText) {
        PNU_TRY(SendSuccessSound(*this));
        return KeepReceivedFile(body);
    }
    PNU_TRY(SendFailureSound(*this));
    return ReadReplyHeaders(*this, body);
}

eResultCode CPNUTransferManager::KeepReceivedFile(gCMemFile& body)
{
    PNU_TRY(SendStatusLine(*this, GetReceivedText(), kStatusBlack));
    PNU_TRY(body.Rewind());
    return mSaveSource ? SendPackageToSave(*this, body) : SendPackageReceived(*this, body);
}

eResultCode CPNUTransferManager::ReportDownloadError(const gCString& reason)
{
    gCString framed("\"");
    framed += reason.GetTrimmed(gCString(kStringWhitespace));
    framed += gCString("\"");
    PNU_TRY(SendStatusLine(*this, GetDownloadErrorText(), kStatusRed));
    PNU_TRY(SendStatusLine(*this, framed, kStatusLightRed));
    PNU_TRY(SendStatusLineCopy(*this, GetDownloadFailedText(), kStatusRed));
    return SendMessagePanelOn(*this);
}
