#include "updater/CPintrelUpdaterBackdrop.h"

#include "FileIO/FileDocuments.h"
#include "app/AppGlobals.h"
#include "updater/CPintrelUpdaterApp.h"
#include "updater/PNUMessages.h"
#include "updater/PNUTexts.h"

namespace {

CPintrelUpdaterApp* UpdaterApp() { return dynamic_cast<CPintrelUpdaterApp*>(gApplication); }

bool StartsWithNoCase(const gCString& text, const char* prefix)
{
    int32_t i = 0;
    for (; prefix[i] != 0; ++i) {
        if (i >= text.GetLength())
            return false;
        char16_t unit = text[i];
        if (unit >= u'A' && unit <= u'Z')
            unit = char16_t(unit - u'A' + u'a');
        if (unit != char16_t(prefix[i]))
            return false;
    }
    return true;
}

} // namespace

eResultCode OpenWebAddress(const gCString& url)
{
    // The address comes from the network: nothing but a web page may be opened with it.
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://"))
        return eFileNotFound;
    return OpenURL(url);
}

eResultCode CPintrelUpdaterBackdrop::BuildWidgets()
{
    mHasStatusList = 1;
    uint32_t black = kStatusBlack;
    (void)AddStatusLine(GetTranslatedText(17), &black, false);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::WriteLogLine(const gCString& text)
{
    if (CPintrelUpdaterApp* app = UpdaterApp())
        (void)app->WriteLog(text);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::AddStatusLine(const gCString& text, const uint32_t* colour, bool update)
{
    (void)WriteLogLine(text);
    if (!mHasStatusList)
        return eResourceNotFound;
    sStatusRow row;
    row.text = text;
    row.colour = colour ? *colour : kStatusBlack;
    PNU_TRY(mStatusRows.Add(row));
    return UpdateIf(update);
}

eResultCode CPintrelUpdaterBackdrop::AddStatusLineCopy(const gCString& text, const uint32_t* colour, bool update)
{
    gCString copy = text;
    return AddStatusLine(copy, colour, update);
}

void CPintrelUpdaterBackdrop::SetMessageActive(bool active) { mMessageActive = active ? 1 : 0; }

eResultCode CPintrelUpdaterBackdrop::SetProgress(float fraction, bool update)
{
    mProgressShown = 1;
    mProgress = fraction;
    return UpdateIf(update);
}

void CPintrelUpdaterBackdrop::SetControlText(int32_t, const gCString&)
{
    // The window's text controls come with the widget library; a plain backdrop has none to set.
}

eResultCode CPintrelUpdaterBackdrop::ShowURLMessage(const gCString& text, const gCString& url)
{
    mMessageKind = kMessageURL;
    mMessageURL = url;
    mMessageText = text;
    SetMessageActive(true);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::ShowFinishMessage()
{
    mMessageText = GetTranslatedText(14);
    mMessageKind = kMessageFinish;
    SetMessageActive(true);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::ShowInstallMessage()
{
    mMessageText = GetTranslatedText(14);
    SetMessageActive(true);
    uint32_t black = kStatusBlack;
    (void)AddStatusLine(GetTranslatedText(20), &black, true);
    mMessageKind = kMessageInstall;
    PNU_TRY(SetProgress(0.0f, false));
    // The percentage is hidden until the next download reports one.
    mProgressShown = 0;
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::DismissMessage()
{
    SetMessageActive(false);
    CPintrelUpdaterApp* app = UpdaterApp();
    return app ? app->InstallReceivedPackage() : eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OpenMessageURL()
{
    if (mMessageURL.IsEmpty())
        return eSuccess;
    return OpenWebAddress(mMessageURL);
}

eResultCode CPintrelUpdaterBackdrop::QuitFromMessage()
{
    eResultCode result = eSuccess;
    if (CPintrelUpdaterApp* app = UpdaterApp()) {
        result = app->InstallReceivedPackage();
        app->Quit();
    }
    return result;
}

uint32_t CPintrelUpdaterBackdrop::OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t)
{
    const gCString* text = reinterpret_cast<const gCString*>(p1);
    uint32_t colour = uint32_t(p2);
    switch (command) {
    case kPNUStatusLine:
        return text ? uint32_t(AddStatusLine(*text, &colour, true)) : 0;
    case kPNUStatusLineCopy:
        return text ? uint32_t(AddStatusLineCopy(*text, &colour, true)) : 0;
    case kPNUProgress:
        return uint32_t(SetProgress(float(p2) / 100.0f, true));
    case kPNUPackageReceived:
        if (eResultCode result = ShowInstallMessage(); result != eSuccess)
            return result;
        return uint32_t(Update());
    case kPNUQuit:
        if (gApplication)
            gApplication->Quit();
        return 0;
    case kPNUServerRefused:
    case kPNUMessagePanelOn:
        SetMessageActive(true);
        return 0;
    case kPNUSourceRequested: {
        uint32_t brown = kStatusBrown;
        return uint32_t(AddStatusLine(GetTranslatedText(51), &brown, true));
    }
    case kPNUSetMessagePanel:
        SetMessageActive(uint32_t(p2) != 0);
        return 0;
    default:
        return 0;
    }
}
