#include "imaging/ImagingReport.h"

#include "core/gCPlainAlert.h"

#include <string>

namespace {

void ShowThroughPlainAlert(eResultCode code, const char* detail)
{
    std::string text = GetResultMessage(code);
    if (detail && detail[0] != 0) {
        text += "\r";
        text += detail;
    }
    ShowCorePlainAlert("Error.", text.c_str());
}

} // namespace

tImagingErrorHook gImagingErrorHook = ShowThroughPlainAlert;

void ReportImagingError(eResultCode code, const char* detail)
{
    if (gImagingErrorHook)
        gImagingErrorHook(code, detail);
}
