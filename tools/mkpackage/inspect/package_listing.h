// `mkpackage inspect`: the listing for people of what an installer holds
// and whether every check passes.
#ifndef MKPACKAGE_PACKAGE_LISTING_H
#define MKPACKAGE_PACKAGE_LISTING_H

#include <ostream>
#include <string>

#include "format/package_reader.h"

namespace mkpackage {

// Prints the listing of `report` to `out`, flags by name and texts in UTF-8;
// the last line is "verified: OK" when sound. The first defect goes to
// `errors` as "defect: ...".
void printReport(const fmt::PackageReport& report, std::ostream& out, std::ostream& errors);

}  // namespace mkpackage

#endif
