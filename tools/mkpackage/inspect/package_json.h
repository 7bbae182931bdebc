// `mkpackage inspect --json`: the whole report of an installer as one JSON
// document, texts in UTF-8, flags by name and every stored file with the
// SHA-256 of its unpacked bytes.
#ifndef MKPACKAGE_PACKAGE_JSON_H
#define MKPACKAGE_PACKAGE_JSON_H

#include <map>
#include <ostream>
#include <string>
#include <utility>

#include "format/package_reader.h"
#include "text/sha256.h"

namespace mkpackage {

// The SHA-256 of every file's unpacked bytes, fed by the verifier's chunks.
class FileDigests {
public:
    fmt::ChunkObserver observer();
    // The digest of a file; that of no bytes for a file without chunks.
    std::string digest(std::size_t component, std::size_t file) const;

private:
    std::map<std::pair<std::size_t, std::size_t>, Sha256> running_;
};

// Writes the document of `report` to `out`. "verified" is true when every
// check passed; "defect" names the first defect otherwise (null when none).
void printReportJson(const fmt::PackageReport& report, const FileDigests& digests, std::ostream& out);

}  // namespace mkpackage

#endif
