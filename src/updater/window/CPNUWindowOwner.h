// What the updater window asks of the program that owns it: every status line is written to the
// program's log, and the main button installs the package held, starts an update check or quits.
// The updater application implements it and hands itself to the window's backdrop; a window
// without an owner (tests that build one alone, a window outliving its program) does none of it.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

class CPNUWindowOwner {
public:
    virtual ~CPNUWindowOwner() = default;

    virtual eResultCode WriteLog(const gCString& text) = 0;
    // Installs the package received last; the install tells every failure in its own lines.
    virtual eResultCode InstallReceivedPackage() = 0;
    // False while nothing can send a check: the button then does nothing at all.
    virtual bool CanCheckForUpdates() const = 0;
    // Sends the update check for the installed product; its failures show as status lines.
    virtual void StartUpdateCheck() = 0;
    virtual void Quit() = 0;
};
