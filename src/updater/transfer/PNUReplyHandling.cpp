#include "updater/transfer/PNUReplyHandling.h"

#include "FileIO/gCMemFile.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/transfer/CPNUTransferManager.h"
#include "updater/transfer/PNUCheckReply.h"
#include "updater/PNUMessages.h"

namespace {

gCString HeaderOr(CPNUTransferManager& manager, const char* name, const gCString& fallback)
{
    gCString value;
    if (manager.FindHeaderValue(gCString(name), value) == eSuccess)
        return value;
    return fallback;
}

} // namespace

eResultCode ReadReplyHeaders(CPNUTransferManager& manager, gCMemFile&)
{
    gCString reason = CutServerText(HeaderOr(manager, "PNU-FailReason", manager.GetUnknownReasonText()));
    gCString failTypeText = HeaderOr(manager, "PNU-FailType", gCString("-1"));
    failTypeText.Trim(gCString(kStringWhitespace));
    int32_t failType = failTypeText.ParseInteger();
    // Looked up as the protocol has them; nothing depends on their values.
    (void)HeaderOr(manager, "PNU-Protocol", gCString(""));
    (void)HeaderOr(manager, "PNU-ClientProtocol", gCString(""));

    if (failType == 2) {
        PNU_TRY(SendMessagePanel(manager, false));
        PNU_TRY(SendStatusLine(manager, reason, kStatusGreen));
    } else {
        gCString heading = manager.GetStartErrorText();
        gCString notStarted = manager.GetNotStartedText();
        PNU_TRY(SendStatusLine(manager, heading, kStatusRed));
        PNU_TRY(SendStatusLine(manager, reason, kStatusRed));
        PNU_TRY(SendStatusLineCopy(manager, notStarted, kStatusRed));
    }
    (void)SendServerRefused(manager, failType);
    return eSuccess;
}

eResultCode ParseCheckReply(CPNUTransferManager& manager, gCMemFile& body)
{
    gCArray<gCString> parsed;
    PNU_TRY(ParseCheckReplyBody(body, parsed));
    PNU_TRY(SendParsedList(manager, parsed));
    manager.SetState(CPNUTransferManager::kStateParsed);
    return eSuccess;
}
