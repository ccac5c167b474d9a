#include "FileIO/FileIOReport.h"

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

tFileIOErrorHook gFileIOErrorHook = ShowThroughPlainAlert;

void ReportFileIOError(eResultCode code, const char* detail)
{
    if (gFileIOErrorHook)
        gFileIOErrorHook(code, detail);
}
