#include "updater/window/CPintrelUpdaterBackdrop.h"

#include "FileIO/FileDocuments.h"
#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "core/TextEquality.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/window/CPNUWindowOwner.h"
#include "updater/PNUMessages.h"
#include "updater/PNUReportTexts.h"
#include "updater/PNUTexts.h"
#include "app/CWindowBase.h"
#include "widgets/CMLTableWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectBase.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int32_t kPanelActiveOpacity = 255;
constexpr int32_t kPanelInactiveOpacity = 100;
constexpr int32_t kEscapeKey = 27;

} // namespace

eResultCode OpenWebAddress(const gCString& url)
{
    // The address comes from the network: nothing but a web page may be opened with it.
    if (!StartsWithIgnoringASCIICase(url, gCString(u"http://")) && !StartsWithIgnoringASCIICase(url, gCString(u"https://")))
        return eFileNotFound;
    return OpenURL(url);
}

eResultCode CPintrelUpdaterBackdrop::WriteLogLine(const gCString& text)
{
    if (mOwner)
        (void)mOwner->WriteLog(text);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::AddStatusLine(const gCString& text, const uint32_t* colour, bool update)
{
    (void)WriteLogLine(text);
    if (!mStatusTable)
        return eResourceNotFound;
    PNU_TRY(mStatusTable->AddRow(false));
    const int32_t last = mStatusTable->GetRowCount() - 1;
    const CPixel shown = colour ? *colour : kStatusBlack;
    (void)mStatusTable->SetRowColour(last, &shown, false);
    (void)mStatusTable->SetCellText(last, 0, text, true);
    (void)mStatusTable->EnsureRowVisible(last, false);
    return UpdateIf(update);
}

eResultCode CPintrelUpdaterBackdrop::AddStatusLineCopy(const gCString& text, const uint32_t* colour, bool update)
{
    gCString copy = text;
    uint32_t colourCopy = colour ? *colour : kStatusBlack;
    return AddStatusLine(copy, &colourCopy, update);
}

int32_t CPintrelUpdaterBackdrop::GetStatusRowCount() const
{
    return mStatusTable ? mStatusTable->GetRowCount() : 0;
}

CPintrelUpdaterBackdrop::sStatusRow CPintrelUpdaterBackdrop::GetStatusRow(int32_t index) const
{
    sStatusRow row;
    if (!mStatusTable)
        return row;
    if (const char16_t* text = mStatusTable->GetCellText(index, 0))
        row.text = gCString(text);
    if (const CTableWidget::sRow* record = mStatusTable->GetRow(index))
        row.colour = record->textColour;
    return row;
}

void CPintrelUpdaterBackdrop::SetMessageActive(bool active)
{
    mMessageActive = active ? 1 : 0;
    (void)ResetButtonGlow(false);
    if (mMessageText && mMessageText->GetParent())
        mMessageText->GetParent()->SetOpacity(active ? kPanelActiveOpacity : kPanelInactiveOpacity, false);
}

gCString CPintrelUpdaterBackdrop::GetMessageText() const
{
    gCString text;
    if (mMessageText)
        mMessageText->GetText(text);
    return text;
}

gCString CPintrelUpdaterBackdrop::GetPercentText() const
{
    gCString text;
    if (mPercentText)
        mPercentText->GetText(text);
    return text;
}

gCRect CPintrelUpdaterBackdrop::ProgressCoveredRect(int32_t width, int32_t height, float fraction)
{
    float shown = float(width) * fraction;
    // The engine reports 0..100 %, but a stray value must not push the rectangle off the bar.
    if (!(shown > 0.0f))
        return gCRect{0, 0, width, height};
    int32_t left = shown >= float(width) ? width : int32_t(shown + 0.5f);
    return gCRect{left, 0, width, height};
}

gCString CPintrelUpdaterBackdrop::ProgressPercentText(float fraction)
{
    double percent = double(fraction) * 100.0;
    // Beyond any sensible report; held inside the integer range before the conversion.
    if (!(percent > -1.0e9))
        percent = percent != percent ? 0.0 : -1.0e9;
    if (percent > 1.0e9)
        percent = 1.0e9;
    long rounded = long(percent >= 0.0 ? percent + 0.5 : percent - 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld%%", rounded);
    return gCString(text);
}

eResultCode CPintrelUpdaterBackdrop::SetProgress(float fraction, bool update)
{
    mProgress = fraction;
    if (mProgressBar) {
        if (!mProgressBar->IsVisible()) {
            mProgressBar->SetVisible(true, false);
            if (mPercentText)
                mPercentText->SetVisible(true, false);
        }
        if (CWidgetEffectBase* effect = mProgressBar->GetOverEffect(0)) {
            effect->ClearRegion(false);
            gCRect covered = ProgressCoveredRect(mProgressBar->GetWidth(), mProgressBar->GetHeight(), fraction);
            if (covered.left < covered.right)
                PNU_TRY(effect->AddRect(covered, false));
        }
    }
    if (mPercentText) {
        if (!mPercentText->IsVisible())
            mPercentText->SetVisible(true, false);
        (void)mPercentText->SetText(ProgressPercentText(fraction), true, false);
    }
    return UpdateIf(update);
}

void CPintrelUpdaterBackdrop::SetControlText(int32_t id, const gCString& text)
{
    if (CTxWidget* control = FindWidgetOfClass<CTxWidget>(uint32_t(id)))
        (void)control->SetText(text, true, true);
}

eResultCode CPintrelUpdaterBackdrop::ShowURLMessage(const gCString& text, const gCString& url)
{
    mMessageKind = kMessageURL;
    mMessageURL = url;
    if (mMessageText)
        (void)mMessageText->SetText(text, true, false);
    SetMessageActive(true);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::ShowFinishMessage()
{
    if (mMessageText)
        (void)mMessageText->SetText(GetTranslatedText(kTextClickToInstall), true, false);
    mMessageKind = kMessageFinish;
    SetMessageActive(true);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::ShowInstallMessage()
{
    if (mMessageText)
        (void)mMessageText->SetText(GetTranslatedText(kTextClickToInstall), true, false);
    SetMessageActive(true);
    uint32_t black = kStatusBlack;
    (void)AddStatusLine(GetTranslatedText(kTextUpdateReceived), &black, true);
    mMessageKind = kMessageInstall;
    PNU_TRY(SetProgress(0.0f, false));
    // The percentage is hidden until the next download reports one.
    if (mPercentText)
        mPercentText->SetVisible(false, false);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::DismissMessage()
{
    SetMessageActive(false);
    // The install tells every failure in its own red lines; an alert on top of them would only
    // repeat it as a bare code.
    if (mOwner)
        (void)mOwner->InstallReceivedPackage();
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OpenMessageURL()
{
    if (mMessageURL.IsEmpty())
        return eSuccess;
    const eResultCode result = OpenWebAddress(mMessageURL);
    if (result == eSuccess || result == eNoMemory)
        return result;
    // The failure is told here, naming the page: a bare code's message would read as if the
    // page itself did not exist.
    const gCString page = CutServerText(mMessageURL);
    const gCString line = FillTextValues(
        GetTranslatedReportText(result == eFileOpenError ? kTextPageNoOpener : kTextPageNotOpened), {page});
    uint32_t red = kStatusRed;
    (void)AddStatusLine(line, &red, true);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::QuitFromMessage()
{
    // As for DismissMessage: the log keeps the install's lines.
    if (mOwner) {
        (void)mOwner->InstallReceivedPackage();
        mOwner->Quit();
    }
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OpenWebPage()
{
    if (OpenURL(GetUntranslatedText(kTextWebAddress)) == eSuccess)
        return eSuccess;
    uint32_t black = kStatusBlack;
    (void)AddStatusLine(GetTranslatedText(kTextWebPageNotOpened), &black, true);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OnKeyDown(CWidget** taker, int32_t key)
{
    if (key != kEscapeKey)
        return eSuccess;
    if (taker)
        *taker = this;
    if (!gMainWindow)
        return eSuccess;
    // Back to the size the window opened with, wherever it is now.
    const gCRect now = gMainWindow->GetBounds();
    const int32_t width = mSavedWindowBounds.right - mSavedWindowBounds.left;
    const int32_t height = mSavedWindowBounds.bottom - mSavedWindowBounds.top;
    if (width > 0 && height > 0 && (now.right - now.left != width || now.bottom - now.top != height)) {
        // The window stays where the person put it; only its size goes back.
        (void)gMainWindow->SetSizeAndPosition(now.left, now.top, width, height, 0);
        gMainWindow->SetSize(width, height);
    }
    return eSuccess;
}

uint32_t CPintrelUpdaterBackdrop::OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t)
{
    if (uint32_t answer = DecodeUpdaterMessage(command, p1, p2, *this); answer != 0)
        return answer;
    return DecodeTableMessage(command, p1, p2, *this);
}

eResultCode CPintrelUpdaterBackdrop::OnStatusLine(const gCString& text, uint32_t colour)
{
    return AddStatusLine(text, &colour, true);
}

eResultCode CPintrelUpdaterBackdrop::OnStatusLineCopy(const gCString& text, uint32_t colour)
{
    return AddStatusLineCopy(text, &colour, true);
}

eResultCode CPintrelUpdaterBackdrop::OnProgress(int64_t percentage)
{
    return SetProgress(float(double(percentage) / 100.0), true);
}

eResultCode CPintrelUpdaterBackdrop::OnPackageReceived(gCMemFile*)
{
    PNU_TRY(ShowInstallMessage());
    return Update();
}

eResultCode CPintrelUpdaterBackdrop::OnQuit()
{
    if (gApplication)
        gApplication->Quit();
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OnServerRefused(int64_t) { return OnMessagePanelOn(); }

eResultCode CPintrelUpdaterBackdrop::OnMessagePanelOn()
{
    SetMessageActive(true);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OnSourceRequested()
{
    uint32_t brown = kStatusBrown;
    return AddStatusLine(GetTranslatedText(kTextNewUpdaterAsked), &brown, true);
}

eResultCode CPintrelUpdaterBackdrop::OnSetMessagePanel(bool on)
{
    SetMessageActive(on);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OnRowsChanged(CTableWidget*, bool update)
{
    (void)RecalcScrollThumb(update);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OnTableScrolled(CTableWidget*, bool update)
{
    (void)PositionScrollThumb(update);
    return eSuccess;
}
