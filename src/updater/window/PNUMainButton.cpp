#include "updater/window/PNUMainButton.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "platform/Clock.h"
#include "updater/window/CPNUWindowOwner.h"
#include "updater/window/CPintrelUpdaterBackdrop.h"
#include "updater/PNUMessages.h"
#include "updater/PNUTexts.h"

namespace {

// The message panel inside the button: presses right of its right edge quit.
constexpr uint32_t kMessagePanelId = 310;

} // namespace

eResultCode OnMainButton(CPintrelUpdaterBackdrop* backdrop, CWidget* button, CWidget** taker, const gCPoint& point)
{
    if (taker)
        *taker = button;
    if (!backdrop || !button)
        return eSuccess;
    PNU_TRY(backdrop->PushModalWidget(button));
    // Transfers and drawing go on while the button is held; a short wait keeps this from spinning.
    while (gApplication && gApplication->IsLeftButtonDown()) {
        (void)gApplication->RunHeartbeatOnce();
        plat::Clock& clock = plat::GetClock();
        clock.SleepUntil(clock.NowMicroseconds() + 5000);
    }
    backdrop->PopModalWidget();
    // Where the button was released, not where the last heartbeat saw the pointer: a click that
    // comes right after a move (or while the program was busy) still counts.
    backdrop->UpdateRollover();
    if (backdrop->GetRolloverWidget() != button)
        return eSuccess;

    if (CWidget* panel = button->FindWidgetById(kMessagePanelId); panel && point.x > panel->GetRect().right) {
        (void)SendQuit(*backdrop, *button);
        return eSuccess;
    }
    if (!backdrop->IsMessageActive())
        return eSuccess;
    switch (backdrop->GetMessageKind()) {
    case CPintrelUpdaterBackdrop::kMessageCheck:
        return BuildUpdateCheckRequest(backdrop);
    case CPintrelUpdaterBackdrop::kMessageInstall:
        return backdrop->DismissMessage();
    case CPintrelUpdaterBackdrop::kMessageURL:
        return backdrop->OpenMessageURL();
    case CPintrelUpdaterBackdrop::kMessageFinish:
        return backdrop->QuitFromMessage();
    default:
        return eSuccess;
    }
}

eResultCode BuildUpdateCheckRequest(CPintrelUpdaterBackdrop* backdrop)
{
    CPNUWindowOwner* owner = backdrop ? backdrop->GetOwner() : nullptr;
    if (!owner || !owner->CanCheckForUpdates())
        return eSuccess;
    backdrop->SetMessageActive(false);
    uint32_t black = kStatusBlack;
    (void)backdrop->AddStatusLine(GetTranslatedText(kTextChecking), &black, true);
    owner->StartUpdateCheck();
    return eSuccess;
}
