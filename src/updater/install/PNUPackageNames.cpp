#include "updater/install/PNUPackageNames.h"

#include "core/TextEquality.h"
#include "updater/install/PNUInstallLock.h"

#include <algorithm>
#include <iterator>
#include <string>

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

int32_t SharedUnits(const gCString& a, const gCString& b)
{
    const int32_t common = std::min(a.GetLength(), b.GetLength());
    int32_t shared = 0;
    while (shared < common && a[shared] == b[shared])
        ++shared;
    return shared;
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

// Whether the name is the reserved one or lies below it.
bool IsReservedName(const gCString& name, const gCString& reserved)
{
    const int32_t length = reserved.GetLength();
    if (length == 0 || name.GetLength() < length || (name.GetLength() > length && name[length] != u'/'))
        return false;
    return std::equal(reserved.GetText(), reserved.GetText() + length, name.GetText());
}

// Where the first units of text sort against the name, in code-unit order.
int32_t CompareUnits(const char16_t* text, int32_t units, const gCString& name)
{
    const int32_t common = std::min(units, name.GetLength());
    for (int32_t k = 0; k < common; ++k) {
        if (text[k] != name[k])
            return text[k] < name[k] ? -1 : 1;
    }
    return units < name.GetLength() ? -1 : (units > name.GetLength() ? 1 : 0);
}

constexpr const char16_t* kPartnerSuffixes[] = {u".tmp", u".old"};

// Whether the name ends in a partner's suffix and what comes before is one of the names (in
// code-unit order).
bool IsPartnerOfName(const gCArray<gCString>& names, const gCArray<int32_t>& order, const gCString& name)
{
    const int32_t units = name.GetLength() - 4;
    if (units < 1)
        return false;
    const char16_t* end = name.GetText() + units;
    if (!std::any_of(std::begin(kPartnerSuffixes), std::end(kPartnerSuffixes),
                     [&](const char16_t* suffix) { return std::equal(end, end + 4, suffix); }))
        return false;
    const int32_t* found = std::lower_bound(order.begin(), order.end(), 0, [&](int32_t other, int32_t) {
        return CompareUnits(name.GetText(), units, names[other]) > 0;
    });
    return found != order.end() && CompareUnits(name.GetText(), units, names[*found]) == 0;
}

// Where text sorts against folder, suffix and "/" in that order: below 0 before, 0 when it
// starts with them, above 0 after.
int32_t CompareToFolder(const gCString& text, const gCString& folder, const char16_t* suffix = u"")
{
    const int32_t length = folder.GetLength();
    const int32_t suffixLength = int32_t(std::char_traits<char16_t>::length(suffix));
    for (int32_t k = 0; k <= length + suffixLength; ++k) {
        const char16_t unit = k < length ? folder[k] : (k < length + suffixLength ? suffix[k - length] : u'/');
        if (k >= text.GetLength() || text[k] < unit)
            return -1;
        if (text[k] > unit)
            return 1;
    }
    return 0;
}

// The first name (in code-unit order) inside the folder, with the suffix; -1 when there is none.
int32_t FirstInFolder(const gCArray<gCString>& names, const gCArray<int32_t>& order, const gCString& folder,
                      const char16_t* suffix = u"")
{
    const int32_t* first = std::partition_point(order.begin(), order.end(), [&](int32_t other) {
        return CompareToFolder(names[other], folder, suffix) < 0;
    });
    return first != order.end() && CompareToFolder(names[*first], folder, suffix) == 0 ? *first : -1;
}

} // namespace

eResultCode FindNameClash(const gCArray<gCString>& names, int32_t& clash, const gCString& reserved)
{
    clash = -1;
    gCArray<int32_t> order;
    PNU_TRY(SortNames(names, order));
    for (int32_t k = 0; k < order.GetSize() && clash < 0; ++k) {
        const gCString& name = names[order[k]];
        if (IsJournalName(name) || IsLockName(name) || IsReservedName(name, reserved)
            || (k > 0 && TextsEqual(names[order[k - 1]], name)) || IsPartnerOfName(names, order, name))
            clash = order[k];
    }
    // A name below another's partner: the leftover step of the one would meet the other's folder.
    for (int32_t i = 0; i < names.GetSize() && clash < 0; ++i) {
        for (const char16_t* suffix : kPartnerSuffixes) {
            if (clash < 0)
                clash = FirstInFolder(names, order, names[i], suffix);
        }
    }
    return eSuccess;
}

eResultCode FindFileAndFolder(const gCArray<gCString>& names, int32_t& found)
{
    found = -1;
    gCArray<int32_t> order;
    PNU_TRY(SortNames(names, order));
    for (int32_t i = 0; i < names.GetSize() && found < 0; ++i) {
        if (FirstInFolder(names, order, names[i]) >= 0)
            found = i;
    }
    return eSuccess;
}
