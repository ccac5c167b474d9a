#include "updater/PNUProductProbe.h"

#include "FileIO/FileServices.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/gCFile.h"
#include "app/gCCmdTarget.h"
#include "resources/gCStringTable.h"
#include "updater/PNUMessages.h"

namespace {

bool IsMissing(const gCString& value) { return value.IsEmpty() || value == "%%String Table Error"; }

} // namespace

eResultCode ProbeInstalledProduct(gCCmdTarget& sender, gCString& version, gCString& language, gCString& buildType,
                                  gCString& applicationName, gCString& buildString, gCString& platform,
                                  int32_t& clientProtocol)
{
    gCFRelative settings(gCString("Pintrel 2.app:Contents:Resources:system.msf"), 1);
    // Memory running out is told apart from a product that is not installed.
    bool exists = false;
    PNU_TRY(CheckFileExists(settings, exists));
    if (!exists)
        return eGenericFailure;
    gCFile file;
    PNU_TRY(OpenFile(file, settings, gCFile::eAccessRead));
    gCStringTable table;
    // Lookups by name work only when the names are kept while loading.
    table.SetKeepNames(1);
    PNU_TRY(table.LoadFromStream(file));

    // A missing name reads as the table's error text; it counts as missing, like an empty value.
    language = table.GetTextByName(gCString("Local_Current"));
    if (IsMissing(language))
        return eGenericFailure;
    version = table.GetStringByName(gCString("PBX_InternalBuildString"), 1);
    if (version.IsEmpty())
        return eGenericFailure;
    applicationName = table.GetTextByName(gCString("PBX_Application"));
    if (IsMissing(applicationName))
        return eGenericFailure;
    buildType = table.GetStringByName(gCString("PBX_InternalBuildString"), 0);
    buildString = buildType;
    if (version == "%%String Table Error") {
        version = table.GetTextByName(gCString("PN2_Version"));
        if (IsMissing(version))
            return eGenericFailure;
        buildString = gCString("FULL");
    }
    platform = gCString("OSX");
    buildType = gCString("OSX");
    clientProtocol = -1;
    return AskProtocol(sender, clientProtocol);
}
