#include "core/gCPlainAlert.h"

#include "core/CMemBlock.h"

#include <cstdio>
#include <cstring>

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

void ShowCorePlainAlertLines(const char* mainText, const char* first, const char* second)
{
    const size_t firstLength = first ? std::strlen(first) : 0;
    const size_t secondLength = second ? std::strlen(second) : 0;
    CMemBlock text;
    if (firstLength + secondLength + 2 > UINT32_MAX || !text.SetSize(uint32_t(firstLength + secondLength + 2))) {
        ShowCorePlainAlert(mainText, first);
        return;
    }
    char* out = reinterpret_cast<char*>(text.GetData());
    if (firstLength)
        std::memcpy(out, first, firstLength);
    out[firstLength] = '\n';
    if (secondLength)
        std::memcpy(out + firstLength + 1, second, secondLength);
    out[firstLength + 1 + secondLength] = 0;
    ShowCorePlainAlert(mainText, out);
}
