#include "PNUPackNames.h"

#include "PNUArchiveWriter.h"
#include "updater/PNUReportTexts.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/install/PNUPackageNames.h"

namespace {

std::string Utf8(const gCString& text)
{
    char buffer[512];
    return text.ToUTF8(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

// Where the updater's log lies in an installed product: the updater keeps that name for itself.
gCString LogName()
{
    return gCString("/") + gCString(kUpdaterBundleName) + gCString("/Contents/") + gCString(kUpdateLogName);
}

std::string Refusal(const std::string& name, const std::string& reason)
{
    return "--file \"" + name + "\": " + reason;
}

} // namespace

std::string CheckPackageNames(const std::vector<std::string>& names)
{
    gCArray<gCString> safeNames;
    const gCString trimSet(kStringWhitespace);
    for (const std::string& given : names) {
        // The units the archive stores, read as the installer reads them: trimmed, then checked.
        const std::vector<char16_t> units = PNUArchiveWriter::ToUnits(given);
        gCString name;
        if (name.CopyStringFromBuffer(units.data(), int32_t(units.size())) != eSuccess)
            return "out of memory";
        name.Trim(trimSet);
        if (const ePackageNameRule rule = MakeSafeName(name); rule != ePackageNameRule::kAccepted)
            return Refusal(given, Utf8(GetBuiltInReportText(DescribeNameRule(rule))));
        if (safeNames.Add(name) != eSuccess)
            return "out of memory";
    }
    int32_t clash = -1;
    if (FindNameClash(safeNames, clash, LogName()) != eSuccess)
        return "out of memory";
    if (clash >= 0) {
        return Refusal(names[size_t(clash)], Utf8(GetBuiltInReportText(kTextNameUnacceptable))
                                                 + ": it is given twice, is or lies below the .tmp or .old partner of "
                                                   "another name, or is a name the updater keeps for itself");
    }
    if (FindFileAndFolder(safeNames, clash) != eSuccess)
        return "out of memory";
    if (clash >= 0)
        return Refusal(names[size_t(clash)], Utf8(GetBuiltInReportText(kTextFileAndFolder)));
    return std::string();
}
