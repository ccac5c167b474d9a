#include "imaging/ImageErrorReport.h"

#include "core/eResultCode.h"
#include "core/gCPlainAlert.h"

void ReportImageError(int32_t code, const char* explanation)
{
    ShowCorePlainAlert(GetResultMessage(code), explanation);
}
