// `mkpackage inspect --json`: the whole report of an installer as one JSON
// document, texts in UTF-8, flags by name and every stored file with the
// SHA-256 of its unpacked bytes.
#ifndef MKPACKAGE_PACKAGE_JSON_H
#define MKPACKAGE_PACKAGE_JSON_H

#include <ostream>

#include "format/package_reader.h"
#include "inspect/file_digests.h"
#include "inspect/image_description.h"

namespace mkpackage {

// Writes the document of `report` to `out`. "verified" is true when every
// check passed; "defect" names the first defect otherwise (null when none).
// With `image`, "versionResource" and "icon" describe the program image.
void printReportJson(const fmt::PackageReport& report, const FileDigests& digests, std::ostream& out,
                     const ImageDescription* image = nullptr);

}  // namespace mkpackage

#endif
