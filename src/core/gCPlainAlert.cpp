#include "core/gCPlainAlert.h"

#include <cstdio>

namespace {

void WriteAlertToStandardError(const char* mainText, const char* explanation)
{
    std::fprintf(stderr, "%s\n%s\n", mainText ? mainText : "", explanation ? explanation : "");
}

} // namespace

constinit tPlainAlertHook gPlainAlertHook = WriteAlertToStandardError;

void ShowCorePlainAlert(const char* mainText, const char* explanation)
{
    (gPlainAlertHook ? gPlainAlertHook : WriteAlertToStandardError)(mainText, explanation);
}
