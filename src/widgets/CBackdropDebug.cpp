// The developer's aid: with rollover tracking on, Command-Shift-click flashes the widget under the
// mouse for as long as the button is held.
#include "widgets/CBackdrop.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CTimer.h"
#include "app/ReportError.h"
#include "widgets/CCoWidget.h"

namespace {

constexpr uint32_t kFlashDark = 0xFF404030u;
constexpr uint32_t kFlashLight = 0xFFA0A0B8u;
constexpr uint32_t kDebugPanelId = 0x5F44625F; // '_Db_'
constexpr int32_t kShift = 129, kOption = 131, kCommand = 133;

void Message(const char* text) { (void)ShowPlainAlert(gCString(text), gCString("Message")); }

bool LeftButtonDown(CAppBase& app) { return app.IsPrimaryButtonDown() && !app.IsControlDown(); }

} // namespace

uint32_t CBackdrop::ShowDebugInfo()
{
    CAppBase* app = gApplication;
    if (!app || !app->IsKeyDown(kCommand) || !app->IsKeyDown(kShift))
        return 0;
    if (!mWidgetRollover || !app->IsHeartbeatEnabled()) {
        Message("To use this feature, WidgetRollover MUST be enabled in the CBackdrop,and the CAppBase "
                "heartbeat must be beating.");
        return 2;
    }
    CWidget* widget = mRolloverWidget;
    if (!widget)
        return 2;
    if (CWidget* panel = FindWidgetById(kDebugPanelId);
        panel && panel->GetName().ToUTF8() == "CBackdrop Info Widget for Debugging.")
        return 0;

    gCRect area = widget->GetRect();
    widget->ParentToLocal(area);
    widget->LocalToRoot(area);
    auto* flash = new CCoWidget();
    if (!flash) {
        Message("Couldn't create Flash widget");
        return 2;
    }
    (void)flash->SetSize(area.right - area.left, area.bottom - area.top, true);
    (void)flash->SetPosition(gCPoint{area.left, area.top}, true);
    flash->SetVisible(true, true);
    flash->SetColour(kFlashDark, true);
    flash->SetOpaqueBlit(true);
    CTimer timer;
    if (AddChild(flash, true) != eSuccess) {
        delete flash;
        Message("Couldn't add Flash widget");
        return 2;
    }
    while (LeftButtonDown(*app)) {
        while (timer.GetElapsedMilliseconds() < 250 && LeftButtonDown(*app)) {
        }
        if (!LeftButtonDown(*app))
            break;
        flash->SetColour(flash->GetColour() == kFlashLight ? kFlashDark : kFlashLight, true);
        timer.Reset();
    }
    int32_t index = GetChildIndex(flash);
    if (index >= 0)
        (void)RemoveChildAt(index, true);
    if (!app->IsKeyDown(kOption))
        return 2;
    // The inspector panel belongs to the widget library, which this backdrop does not have yet.
    return 2;
}
