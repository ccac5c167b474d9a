// The names a package gives its files and its program: paths below the install folder, written
// with "/", "\" or ":" between their parts and starting with a separator.
#pragma once

#include "core/gCArray.h"
#include "core/gCString.h"
#include "updater/PNUReportTexts.h"

enum class ePackageNameRule : int32_t {
    kAccepted,
    kEmpty,            // nothing but the separator, or nothing at all
    kNoLeadingSeparator,
    kEmptyPart,        // two separators in a row, or one at the end
    kLeavesFolder,     // a part "." or "..", which would name the folder itself or climb out of it
    kNul,              // a NUL character inside the name
};

// Converts the separators to "/" and checks that the name lies strictly inside the folder it is
// appended to.
ePackageNameRule MakeSafeName(gCString& name);

// The text that names the rule, for the line that says why a package was refused.
eReportText DescribeNameRule(ePackageNameRule rule);

// The install folder's text without one trailing "/" (it is a system path: ":" is an ordinary
// character in it).
gCString WithoutTrailingSeparator(const gCString& folder);

// Code-unit order, a text before every longer text it starts.
bool UnitsBefore(const gCString& a, const gCString& b);
// How many first code units the two texts share.
int32_t SharedUnits(const gCString& a, const gCString& b);
// The indices of names in code-unit order: the names inside a folder "N/" then stand together.
eResultCode SortNames(const gCArray<gCString>& names, gCArray<int32_t>& order);

// Names of one install that the installer could not keep apart: a name given twice, a name that
// is another's ".tmp" or ".old" partner or lies below one, the name of the install journal, the
// install lock's file or the reserved name (empty for none), or a name below one of those three
// (the journal and the lock lie at the top of the folder). clash is the index of the first such
// name, -1 when there is none.
eResultCode FindNameClash(const gCArray<gCString>& names, int32_t& clash, const gCString& reserved = gCString());

// A name that is also the folder of another name: found is its index, -1 when there is none.
eResultCode FindFileAndFolder(const gCArray<gCString>& names, int32_t& found);
