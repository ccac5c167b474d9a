// Shows a modal alert with a main text, an explanation and one button, and returns when the user
// has dismissed it. The event loop keeps turning meanwhile (timers fire, windows redraw), but
// input to the program's own windows is held back.
#pragma once

#include <string>
#include <vector>

namespace plat {

struct sAlert {
    std::string title;  // the main (bold) text, UTF-8
    std::string text;   // the explanation, UTF-8
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    virtual void Show(const sAlert& alert) = 0;
};

// The presenter in use: the recording one when headless, else the window system's.
AlertPresenter& GetAlertPresenter();
// Shows an alert of two UTF-8 texts through the presenter in use.
void ShowAlert(const char* title, const char* text);
// Puts `presenter` in place (null restores the automatic choice). The caller keeps ownership.
void SetAlertPresenter(AlertPresenter* presenter);

// Headless: writes the alert to standard error, keeps it, and dismisses it at once.
class RecordingAlertPresenter final : public AlertPresenter {
public:
    void Show(const sAlert& alert) override;
    const std::vector<sAlert>& GetAlerts() const { return mAlerts; }
    void Clear() { mAlerts.clear(); }

private:
    std::vector<sAlert> mAlerts;
};

// The window system's alert: a dialog program (xmessage unless told otherwise, with the
// arguments xmessage takes) run as a process of its own and waited for in nested turns of the main
// loop, so timers keep firing and windows redraw while it is up. When the loop is asked to quit
// meanwhile (the session ends, a quit command), the dialog is closed and Show returns. Without a
// dialog program, SDL's message box (which blocks the loop) is used.
class DialogAlertPresenter final : public AlertPresenter {
public:
    explicit DialogAlertPresenter(const char* program = "xmessage") : mProgram(program) {}
    void Show(const sAlert& alert) override;

private:
    bool RunDialog(const sAlert& alert);
    const char* mProgram;
};

// The alerts the headless presenter has recorded since the last clear (tests).
RecordingAlertPresenter& GetRecordedAlerts();

} // namespace plat
