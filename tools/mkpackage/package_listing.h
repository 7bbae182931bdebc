// `mkpackage inspect`: prints what an installer holds and whether every
// check passes.
#ifndef MKPACKAGE_PACKAGE_LISTING_H
#define MKPACKAGE_PACKAGE_LISTING_H

#include <filesystem>
#include <ostream>
#include <string>

#include "format/package_reader.h"

namespace mkpackage {

// A FILETIME as "YYYY-MM-DD HH:MM:SS UTC", the same on every system.
std::string fileTimeText(const fmt::FileTime& time);

// Prints the report of `report` to `out`; the last line is "verified: OK"
// or "defect: ..." naming the first defect.
void printReport(const fmt::PackageReport& report, std::ostream& out);

// Verifies the installer at `path` and prints its report; true when sound.
bool printInstallerReport(const std::filesystem::path& path, std::ostream& out);

}  // namespace mkpackage

#endif
