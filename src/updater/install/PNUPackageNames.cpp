#include "updater/install/PNUPackageNames.h"

#include "core/TextEquality.h"
#include "updater/install/PNUInstallLock.h"

#include <algorithm>

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

bool UnitsBefore(const gCString& a, const gCString& b)
{
    const int32_t common = std::min(a.GetLength(), b.GetLength());
    for (int32_t k = 0; k < common; ++k) {
        if (a[k] != b[k])
            return a[k] < b[k];
    }
    return a.GetLength() < b.GetLength();
}

eResultCode SortNames(const gCArray<gCString>& names, gCArray<int32_t>& order)
{
    PNU_TRY(order.SetSize(names.GetSize()));
    for (int32_t i = 0; i < names.GetSize(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return UnitsBefore(names[a], names[b]); });
    return eSuccess;
}

namespace {

// The journal and its partners lie at the top of the install folder under names starting so.
constexpr char16_t kJournalStem[] = u"/.pintrel-update-journal";

// The install lock's file, also at the top, and names below it: an install that replaced it, or
// made a folder of it, would let another copy lock a new file while this one holds the old.
bool IsLockName(const gCString& name)
{
    const int32_t length = int32_t(std::size(kInstallLockName)) - 1;
    if (name.GetLength() <= length || name[0] != u'/')
        return false;
    if (name.GetLength() > length + 1 && name[length + 1] != u'/')
        return false;
    for (int32_t k = 0; k < length; ++k) {
        if (name[k + 1] != char16_t(kInstallLockName[k]))
            return false;
    }
    return true;
}

// The journal's names, and names below them (a folder made there would hold the journal's place).
bool IsJournalName(const gCString& name)
{
    const int32_t stem = int32_t(std::size(kJournalStem)) - 1;
    if (name.GetLength() < stem)
        return false;
    for (int32_t k = 0; k < stem; ++k) {
        if (name[k] != kJournalStem[k])
            return false;
    }
    return true;
}

bool EndsWithPartnerSuffix(const gCString& name)
{
    const int32_t length = name.GetLength();
    if (length < 5)
        return false;
    const char16_t* end = name.GetText() + length - 4;
    return (end[0] == u'.' && end[1] == u't' && end[2] == u'm' && end[3] == u'p')
        || (end[0] == u'.' && end[1] == u'o' && end[2] == u'l' && end[3] == u'd');
}

} // namespace

eResultCode FindNameClash(const gCArray<gCString>& names, int32_t& clash)
{
    clash = -1;
    gCArray<int32_t> order;
    PNU_TRY(SortNames(names, order));
    gCString stem;
    for (int32_t k = 0; k < order.GetSize() && clash < 0; ++k) {
        const gCString& name = names[order[k]];
        if (IsJournalName(name) || IsLockName(name) || (k > 0 && TextsEqual(names[order[k - 1]], name))) {
            clash = order[k];
        } else if (EndsWithPartnerSuffix(name)) {
            PNU_TRY(stem.CopyStringFromBuffer(name.GetText(), name.GetLength() - 4));
            const int32_t* found = std::lower_bound(order.begin(), order.end(), stem,
                                                    [&](int32_t other, const gCString& text) {
                                                        return UnitsBefore(names[other], text);
                                                    });
            if (found != order.end() && TextsEqual(names[*found], stem))
                clash = order[k];
        }
    }
    return eSuccess;
}
