// The core types sit below the application framework and cannot reach its alert presenter, so the
// few alerts they raise go through this hook. The application installs its plain alert at start-up;
// until then, and in tools without an application, the texts go to standard error.
#pragma once

using tPlainAlertHook = void (*)(const char* mainText, const char* explanation);

extern tPlainAlertHook gPlainAlertHook;

// Shows a plain alert through the current hook; both texts are 8-bit Mac Roman.
void ShowCorePlainAlert(const char* mainText, const char* explanation);

// The explanation is `first`, a line break and `second`. When there is no memory to join them,
// `first` alone is shown: an alert that reports a failure must not fail itself.
void ShowCorePlainAlertLines(const char* mainText, const char* first, const char* second);
