#include "platform/AlertPresenter.h"

#include "platform/EventDispatch.h"
#include "platform/EventLoop.h"
#include "platform/SdlSession.h"

#include <SDL.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plat {
namespace {

// How often the nested loop looks at the dialog process; the heartbeat timer is due every 10 ms
// and fires inside the loop on its own deadlines.
constexpr int64_t kDialogPoll = 5000;

RecordingAlertPresenter gRecording;
DialogAlertPresenter gInteractive;
AlertPresenter* gPresenter = nullptr;

} // namespace

void DialogAlertPresenter::Show(const sAlert& alert)
{
    // A program that is ending shows nothing more; the text still reaches its output.
    if (!EventLoop::Main().IsQuitRequested()) {
        InputHold hold;
        if (RunDialog(alert))
            return;
        if (SdlSession::Get().StartVideo() == eDisplayResult::kOk) {
            SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, alert.title.c_str(), alert.text.c_str(), nullptr);
            return;
        }
    }
    std::fprintf(stderr, "%s\n%s\n", alert.title.c_str(), alert.text.c_str());
}

bool DialogAlertPresenter::RunDialog(const sAlert& alert)
{
    std::string message = alert.title + "\n\n" + alert.text;
    const char* arguments[] = {mProgram, "-center", "-title", alert.title.c_str(), "-buttons", "OK:0",
                               "-default", "OK", message.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, mProgram, nullptr, nullptr, const_cast<char**>(arguments), environ) != 0)
        return false;
    EventLoop& loop = EventLoop::Main();
    for (;;) {
        int status = 0;
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            // Any other end (no display for it, killed) means the alert was not seen.
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR)
            return true;
        if (loop.IsQuitRequested()) {
            // Nobody is left to answer it: the program ends with its session.
            (void)kill(child, SIGTERM);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return true;
        }
        loop.RunOnce(kDialogPoll);
    }
}

void RecordingAlertPresenter::Show(const sAlert& alert)
{
    std::fprintf(stderr, "[alert] %s\n%s\n", alert.title.c_str(), alert.text.c_str());
    mAlerts.push_back(alert);
}

AlertPresenter& GetAlertPresenter()
{
    if (gPresenter)
        return *gPresenter;
    if (IsHeadless())
        return gRecording;
    return gInteractive;
}

void ShowAlert(const char* title, const char* text) { GetAlertPresenter().Show({title, text}); }

void SetAlertPresenter(AlertPresenter* presenter) { gPresenter = presenter; }

RecordingAlertPresenter& GetRecordedAlerts() { return gRecording; }

} // namespace plat
