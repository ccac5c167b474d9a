#include "Network/NetErrors.h"

#include "core/gCPlainAlert.h"

#include <string>

void ReportNetworkError(int32_t code, const char* text)
{
    std::string message = GetResultMessage(code);
    message += "\n";
    message += text ? text : "";
    ShowCorePlainAlert("Error.", message.c_str());
}
