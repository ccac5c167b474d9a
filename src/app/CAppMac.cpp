#include "app/CAppMac.h"

#include "app/AppGlobals.h"
#include "app/CMacWindow.h"
#include "app/ReportError.h"
#include "platform/Event.h"
#include "platform/EventLoop.h"
#include "widgets/CBackdrop.h"

namespace {

constexpr uint32_t kCommandQuit = plat::FourCharCode("quit");

// Cleared however the heartbeat is left, so an unwinding heartbeat cannot stop all later ones.
class HeartbeatBusyScope {
public:
    explicit HeartbeatBusyScope(uint32_t& flag) : mFlag(flag) { mFlag = 1; }
    ~HeartbeatBusyScope() { mFlag = 0; }

private:
    uint32_t& mFlag;
};

} // namespace

eResultCode CAppMac::StartApplication(const gCString& path)
{
    gCString document = path;
    // Without its resources or its tablet state nothing can be shown: after the one alert the
    // program ends with a failure status instead of idling without a window.
    if (eResultCode result = LoadSystemResources(); result != eSuccess) {
        ReportError(result);
        mExitStatus = 1;
        Quit();
        return result;
    }
    if (eResultCode result = CreateTabletState(); result != eSuccess) {
        ReportError(result);
        mExitStatus = 1;
        Quit();
        return result;
    }
    mStartedState = kStarting;
    eResultCode result = Run(document);
    if (result == eSuccess) {
        mStartedState = kStarted;
        return eSuccess;
    }
    ReportError(result);
    mExitStatus = 1;
    if (CWindowBase* window = GetMainWindow()) {
        window->DisposeWindow();
        gMainWindow = nullptr;
    }
    eResultCode failed = OnStartFailed();
    if (failed != eSuccess)
        ReportError(failed);
    // With no menu and no dock there is no other way to end a program without a window.
    if (GetWindowList().GetSize() == 0)
        Quit();
    return failed;
}

void CAppMac::Quit()
{
    mQuit = 1;
    // From inside an event, the heartbeat or the launch (an alert or a nested loop the quit has
    // ended) the windows close now; their objects go once that has returned (CMacWindow).
    gCArray<CWindowBase*>& windows = GetWindowList();
    for (int32_t i = windows.GetSize() - 1; i >= 0; --i)
        if (i < windows.GetSize() && windows[i])
            windows[i]->DisposeWindow();
    plat::EventLoop::Main().Quit();
}

int32_t CAppMac::PreHandleEvent(const plat::sEvent&) { return 0; }

int32_t CAppMac::AppEventHandler(const plat::sEvent& event)
{
    const bool command = event.kind == plat::eEventKind::kCommand;
    const bool quitCommand = event.kind == plat::eEventKind::kQuit ||
                             event.kind == plat::eEventKind::kWindowClose ||
                             (command && event.command == kCommandQuit);
    const bool shown = event.kind == plat::eEventKind::kWindowShown;
    // The kinds the application handler takes: every command (cut, copy and paste too), the
    // system's quit requests and a window shown again. Each is the application's to see first.
    if (!command && !quitCommand && !shown)
        return kEventNotHandled;

    int32_t pre = PreHandleEvent(event);
    if (pre == eHandled)
        return 0;
    if (pre != 0) {
        // Left to the standard handling, which ends the loop on a quit without asking us.
        if (quitCommand)
            plat::EventLoop::Main().Quit();
        return kEventNotHandled;
    }
    if (quitCommand) {
        PrepareToQuit();
        Quit();
        return 0;
    }
    if (shown) {
        CWindowBase* window = GetMainWindow();
        if (window && window->GetBackdrop())
            window->GetBackdrop()->RedrawAll(true);
    }
    return kEventNotHandled;
}

int32_t CAppMac::ReceiveDrag(const plat::sEvent& event)
{
    // Each path joins the list in memory from the hooks.
    struct DroppedPaths final : plat::PathReceiver {
        gCArray<gCString> paths;
        bool TakePath(const char* file) override
        {
            gCString path;
            return path.SetFromUTF8(file) == eSuccess && paths.Add(path) == eSuccess;
        }
    } dropped;
    if (plat::GetDroppedPaths(event, dropped) != plat::eFileResult::kOk)
        return eNoMemory;
    if (OnFilesDropped(dropped.paths) != eSuccess)
        ReportError(eBadParameter, "Marten drag & drop handler failed");
    return 0;
}

void CAppMac::HeartbeatTimerFired()
{
    if (mHeartbeatBusy)
        return;
    HeartbeatBusyScope busy(mHeartbeatBusy);
    CMacWindow::DispatchScope scope;
    (void)Heartbeat();
}

eResultCode CAppMac::RunEventLoopOnce()
{
    plat::EventLoop::Main().RunOnce(0);
    return eSuccess;
}

eResultCode CAppMac::RunModalLoop()
{
    for (;;) {
        if (mQuit) {
            PrepareToQuit();
            return eSuccess;
        }
        PNU_TRY(RunEventLoopOnce());
    }
}

uint32_t CAppMac::HasUpdateEvent()
{
    uint32_t pending = mUpdatePending;
    mUpdatePending = 0;
    return pending;
}
