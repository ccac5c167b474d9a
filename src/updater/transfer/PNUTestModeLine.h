// The test-mode marker's lines after the host: settings that let a test of the real program reach
// a wait in seconds instead of minutes.
#pragma once

#include "core/gCString.h"

// "transfer-window" and a whole number of seconds from 1 to 3600 sets the window of the transfer
// floor; any other line changes nothing. 1 when the line was taken.
uint32_t ApplyTestModeLine(const gCString& line);
