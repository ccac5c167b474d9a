#include "updater/install/PNUPackageNames.h"

ePackageNameRule MakeSafeName(gCString& name)
{
    (void)name.ReplaceChar(u'\\', u'/');
    (void)name.ReplaceChar(u':', u'/');
    const int32_t length = name.GetLength();
    if (length == 0 || (length == 1 && name[0] == u'/'))
        return ePackageNameRule::kEmpty;
    if (name[0] != u'/')
        return ePackageNameRule::kNoLeadingSeparator;
    for (int32_t i = 0; i < length; ++i) {
        if (name[i] == 0)
            return ePackageNameRule::kNul;
    }
    int32_t partStart = 1;
    for (int32_t i = 1; i <= length; ++i) {
        if (i < length && name[i] != u'/')
            continue;
        const int32_t partLength = i - partStart;
        if (partLength == 0)
            return ePackageNameRule::kEmptyPart;
        if (name[partStart] == u'.' && (partLength == 1 || (partLength == 2 && name[partStart + 1] == u'.')))
            return ePackageNameRule::kLeavesFolder;
        partStart = i + 1;
    }
    return ePackageNameRule::kAccepted;
}

eReportText DescribeNameRule(ePackageNameRule rule)
{
    switch (rule) {
    case ePackageNameRule::kAccepted:
        break;
    case ePackageNameRule::kEmpty:
        return kTextNameEmpty;
    case ePackageNameRule::kNoLeadingSeparator:
        return kTextNoLeadingSeparator;
    case ePackageNameRule::kEmptyPart:
        return kTextEmptyPart;
    case ePackageNameRule::kLeavesFolder:
        return kTextLeavesFolder;
    case ePackageNameRule::kNul:
        return kTextNameHoldsNul;
    }
    return kTextNameUnacceptable;
}

gCString WithoutTrailingSeparator(const gCString& folder)
{
    const int32_t length = folder.GetLength();
    if (length > 0 && folder[length - 1] == u'/')
        return folder.Left(length - 1);
    return folder;
}
