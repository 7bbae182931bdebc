// `mkpackage inspect`: the listing for people of what an installer holds
// and whether every check passes.
#ifndef MKPACKAGE_PACKAGE_LISTING_H
#define MKPACKAGE_PACKAGE_LISTING_H

#include <ostream>
#include <string>

#include "format/package_reader.h"
#include "inspect/image_description.h"

namespace mkpackage {

// Prints the listing of `report` to `out`, flags by name and texts in UTF-8;
// the last line is "verified: OK" when sound. The first defect goes to
// `errors` as "defect: ...". With `image`, the program image's version
// resource and icon too.
void printReport(const fmt::PackageReport& report, std::ostream& out, std::ostream& errors,
                 const ImageDescription* image = nullptr);

}  // namespace mkpackage

#endif
