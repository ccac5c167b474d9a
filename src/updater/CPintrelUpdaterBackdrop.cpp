#include "updater/CPintrelUpdaterBackdrop.h"

#include "FileIO/FileDocuments.h"
#include "app/AppGlobals.h"
#include "updater/CPintrelUpdaterApp.h"
#include "updater/PNUMainButton.h"
#include "updater/PNUMessages.h"
#include "updater/PNUTexts.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectBase.h"

#include <cmath>
#include <cstdio>

namespace {

enum : uint32_t {
    kMainButtonId = 300,
    kMessagePanelId = 310,
    kProgressBarId = 504,
};

constexpr int32_t kPanelActiveOpacity = 255;
constexpr int32_t kPanelInactiveOpacity = 100;

eResultCode ButtonHeartbeat(uintptr_t context, CWidget* button)
{
    auto* backdrop = reinterpret_cast<CPintrelUpdaterBackdrop*>(context);
    if (!backdrop || !button)
        return eSuccess;
    bool over = backdrop->GetRolloverWidget() == button;
    int32_t x = 0;
    if (over && gApplication)
        x = button->ScreenToLocal(gApplication->GetMousePosition()).x;
    return backdrop->OnButtonHeartbeat(over, x);
}

eResultCode MainButtonDown(uintptr_t context, CWidget* button, CWidget** taker, const gCPoint& point)
{
    return OnMainButton(reinterpret_cast<CPintrelUpdaterBackdrop*>(context), button, taker, point);
}

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
    mMainButton = FindWidgetOfClass<CWidget>(kMainButtonId);
    if (mMainButton) {
        mGlowEffects[0] = mMainButton->GetOverEffect(1);
        mGlowEffects[1] = mMainButton->GetOverEffect(2);
        const gCRect& rect = mMainButton->GetRect();
        const int32_t width = rect.right - rect.left;
        const int32_t height = rect.bottom - rect.top;
        // Each glow covers the other part of the button, so it lights only its own.
        if (mGlowEffects[0]) {
            mGlowEffects[0]->ClearRegion(false);
            PNU_TRY(mGlowEffects[0]->AddRect(gCRect{0, 0, PNUButtonGlow::kSplitX, height}, false));
        }
        if (mGlowEffects[1]) {
            mGlowEffects[1]->ClearRegion(false);
            PNU_TRY(mGlowEffects[1]->AddRect(gCRect{PNUButtonGlow::kSplitX, 0, width, height}, false));
        }
        mMainButton->SetHeartbeatCallback(ButtonHeartbeat, reinterpret_cast<uintptr_t>(this));
        mMainButton->SetLButtonDownCallback(MainButtonDown, reinterpret_cast<uintptr_t>(this));
    }
    mMessagePanel = FindWidgetOfClass<CWidget>(kMessagePanelId);

    mProgressBar = FindWidgetOfClass<CWidget>(kProgressBarId);
    mProgressEffect = mProgressBar ? mProgressBar->GetOverEffect(0) : nullptr;
    if (mProgressEffect) {
        // Covered whole, in the bar's own coordinates, until the first progress report.
        const gCRect& bar = mProgressBar->GetRect();
        mProgressEffect->ClearRegion(false);
        PNU_TRY(mProgressEffect->AddRect(gCRect{0, 0, bar.right - bar.left, bar.bottom - bar.top}, false));
    }

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

void CPintrelUpdaterBackdrop::SetMessageActive(bool active)
{
    mMessageActive = active ? 1 : 0;
    ResetButtonGlow();
    if (mMessagePanel)
        mMessagePanel->SetOpacity(active ? kPanelActiveOpacity : kPanelInactiveOpacity, false);
}

gCRect CPintrelUpdaterBackdrop::ProgressCoveredRect(int32_t width, int32_t height, float fraction)
{
    float shown = std::round(float(width) * fraction);
    // The engine reports 0..100 %, but a stray value must not push the rectangle off the bar.
    int32_t left = shown <= 0.0f ? 0 : shown >= float(width) ? width : int32_t(shown);
    return gCRect{left, 0, width, height};
}

gCString CPintrelUpdaterBackdrop::ProgressPercentText(float fraction)
{
    char text[32];
    std::snprintf(text, sizeof text, "%ld%%", std::lround(fraction * 100.0f));
    return gCString(text);
}

eResultCode CPintrelUpdaterBackdrop::SetProgress(float fraction, bool update)
{
    mProgressShown = 1;
    mProgress = fraction;
    mPercentText = ProgressPercentText(fraction);
    if (mProgressBar) {
        if (!mProgressBar->IsVisible())
            mProgressBar->SetVisible(true, false);
        if (mProgressEffect) {
            const gCRect& bar = mProgressBar->GetRect();
            mProgressEffect->ClearRegion(false);
            gCRect covered = ProgressCoveredRect(bar.right - bar.left, bar.bottom - bar.top, fraction);
            if (covered.left < covered.right)
                PNU_TRY(mProgressEffect->AddRect(covered, false));
        }
    }
    return UpdateIf(update);
}

void CPintrelUpdaterBackdrop::ApplyGlowOpacities()
{
    for (int32_t part = 0; part < 2; ++part)
        if (mGlowEffects[part])
            (void)mGlowEffects[part]->SetOpacity(mGlow.GetOpacity(part), false);
}

void CPintrelUpdaterBackdrop::ResetButtonGlow()
{
    mGlow.Reset();
    ApplyGlowOpacities();
}

eResultCode CPintrelUpdaterBackdrop::OnButtonHeartbeat(bool overButton, int32_t pointerX)
{
    if (!mGlow.Heartbeat(overButton, pointerX, mMessageActive != 0))
        return eSuccess;
    ApplyGlowOpacities();
    return Update();
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
