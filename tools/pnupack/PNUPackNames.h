// The names pnupack gives the package's files, held to the rules the updater's installer applies
// to them, so the tool never writes a package the updater refuses for its names.
#pragma once

#include <string>
#include <vector>

// Why the installer would refuse the names, naming the first refused one; nothing when it would
// take them all.
[[nodiscard]] std::string CheckPackageNames(const std::vector<std::string>& names);
