// What the installer needs of the running updater besides its window: translated texts, the
// installed product's build string, the folder that holds the updater bundle, one heartbeat by
// hand (so the window stays live during long steps) and quitting. The updater application
// implements it; tests give fixed answers.
#pragma once

#include "FileIO/AppBaseFolders.h"
#include "core/gCString.h"
#include "updater/PNUReportTexts.h"

#include <cstdint>

// The updater's bundle, in the install folder beside the product's, and its log file, in the
// bundle's Contents folder.
inline constexpr char16_t kUpdaterBundleName[] = u"Pintrel Updater.app";
inline constexpr char16_t kUpdateLogName[] = u"UpdateResults.log";

class CPNUInstallServices {
public:
    virtual ~CPNUInstallServices() = default;

    // The text of a string-table id (given without the language offset, which this adds).
    virtual gCString GetText(uint32_t id, int32_t field) = 0;
    // The pattern of a line that says why a package was refused or an install failed: the
    // built-in English one unless the host translates it.
    virtual gCString GetReportText(eReportText text) { return GetBuiltInReportText(text); }
    virtual gCString GetInstalledBuildString() = 0;
    // The folder that holds the updater bundle, where packages install.
    virtual gCString GetInstallFolderText() = 0;
    // The updater's log, which no package may replace while the run writes to it: the one in the
    // running bundle's Contents folder unless the host keeps it elsewhere.
    virtual gCString GetLogPathText() { return GetAppContentsFolderText() + gCString(kUpdateLogName); }
    virtual void RunHeartbeat() = 0;
    virtual void Quit() = 0;
};

// The report text from the services, or the built-in English one without them.
inline gCString ReportText(CPNUInstallServices* services, eReportText text)
{
    return services ? services->GetReportText(text) : GetBuiltInReportText(text);
}
