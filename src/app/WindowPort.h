// The current drawing port: one of the program's windows, chosen by the older drawing helpers.
// Toolkit surface: nothing in this program draws through it; the helpers keep their contract for
// code that does.
#pragma once

#include <cstdint>

class CWindowBase;

// Makes `port` the current port when it is one of the program's open windows and returns 1;
// anything else (null, a closed window) leaves the current port as it is and returns 0.
int32_t SetPortIfValid(CWindowBase* port);
// Stores the current port in `port`: null when there is none or its window has closed since.
void GetPortWrapper(CWindowBase** port);
