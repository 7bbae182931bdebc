// inspect's lines on what the tools that deploy and list software see of an
// installer: the package's extension records and extra texts, the uninstall
// entry it writes, and the program image's version resource and icon.
#ifndef MKPACKAGE_DEPLOYMENT_LISTING_H
#define MKPACKAGE_DEPLOYMENT_LISTING_H

#include <ostream>

#include "format/package_reader.h"
#include "inspect/image_description.h"

namespace mkpackage {

// Prints those lines; `image` may be nullptr (not read).
void printDeployment(const fmt::PackageReport& report, const ImageDescription* image, std::ostream& out);

}  // namespace mkpackage

#endif
