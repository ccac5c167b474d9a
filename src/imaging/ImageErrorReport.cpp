#include "imaging/ImageErrorReport.h"

#include "resources/CResourceContext.h"

void ReportImageError(int32_t code, const char* explanation)
{
    // The application's error alert: "Error." with the code's message and the explanation.
    ReportResourceError(eResultCode(code), explanation);
}
