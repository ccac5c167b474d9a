// The developer's aid: with rollover tracking on, Command-Shift-click flashes the widget under the
// mouse for as long as the button is held; with Option held at the release, the debugging panel
// opens on that widget.
#include "widgets/CBackdrop.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CTimer.h"
#include "app/ReportError.h"
#include "widgets/CCoWidget.h"
#include "widgets/CDebugInfoWidget.h"

namespace {

constexpr uint32_t kFlashDark = 0xFF404030u;
constexpr uint32_t kFlashLight = 0xFFA0A0B8u;
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
    if (CDebugInfoWidget::IsPanel(FindWidgetById(CDebugInfoWidget::kPanelId)))
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
    if (CDebugInfoWidget::AddChildOrDelete(this, flash, true) != eSuccess) {
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

    auto* panel = new CDebugInfoWidget();
    if (!panel) {
        Message("Couldn't create pInfoBack widget");
        return 2;
    }
    (void)panel->SetFillColour(0xFFA0A0B8u, true, true);
    (void)panel->SetSize(600, 450, true);
    panel->GetLayoutValues()->xCentre = 1;
    panel->GetLayoutValues()->yCentre = 1;
    panel->SetVisible(true, true);
    panel->SetOpaqueBlit(true);
    if (CDebugInfoWidget::AddChildOrDelete(this, panel, true) != eSuccess) {
        // Nothing may use the panel once it is gone.
        Message("Couldn't add pInfoBack widget");
        return 2;
    }
    if (panel->BuildInspectorPanel(widget) != eSuccess) {
        (void)RemoveChild(panel, true);
        Message("Couldn't setup information about widget");
        return 2;
    }
    if (PushModalWidget(panel) != eSuccess) {
        (void)RemoveChild(panel, true);
        Message("Couldn't setup information about widget");
    }
    return 2;
}
