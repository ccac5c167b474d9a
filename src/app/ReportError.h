// Failures the user must see: a modal alert titled "Error." with the code's message and an
// optional detail line. Only the first error of a cascade is shown.
#pragma once

#include <cstdint>

class gCString;

// 1 while ReportError is showing its alert.
extern uint32_t gReportErrorActive;

// `message` is 8-bit Mac Roman text or null. Works without an application object too.
void ReportError(int32_t code, const char* message = nullptr);

// A plain alert whose bold main text is the second argument; waits for the user; returns 0.
int32_t ShowPlainAlert(const gCString& explanation, const gCString& mainText);

// Sends the core types' plain alerts through ShowPlainAlert and the file layer's error reports
// through ReportError, and runs the file layer's modal dialogs inside the modal and cursor
// guards (the application does this when it is constructed).
void InstallPlainAlertHook();
