// The window's main button: its quit part, and its message part whose action follows the kind of
// message the window shows (check for updates, install, open the download page, install and quit).
#pragma once

#include "core/eResultCode.h"
#include "core/gCPoint.h"

class CWidget;
class CPintrelUpdaterBackdrop;

// The left-button-down callback of the main button: follows the button until it is released and
// acts when it was released over the button. `point` is the press point in button coordinates.
eResultCode OnMainButton(CPintrelUpdaterBackdrop* backdrop, CWidget* button, CWidget** taker, const gCPoint& point);

// Sends the update check for the installed product to the update server (or the test server):
// the panel goes off, the "checking" line shows and the window's owner starts the request. Without
// an owner that can check, nothing happens.
eResultCode BuildUpdateCheckRequest(CPintrelUpdaterBackdrop* backdrop);
