// `mkpackage inspect`: prints what an installer holds and whether every
// check passes, as a listing for people or as one JSON document.
#ifndef MKPACKAGE_PACKAGE_LISTING_H
#define MKPACKAGE_PACKAGE_LISTING_H

#include <filesystem>
#include <ostream>
#include <string>

#include "format/package_reader.h"

namespace mkpackage {

// A FILETIME as "YYYY-MM-DD HH:MM:SS UTC", the same on every system.
std::string fileTimeText(const fmt::FileTime& time);

// The names inspect gives the stored numbers: "desktop-shortcut", "HKLM",
// "text", "bitmap"; "?" (or "unknown" for an item) when a value has none.
const char* actionTypeName(fmt::u32 type);
const char* rootName(fmt::u32 root);
const char* itemTypeName(fmt::u32 type);
const char* blobKindName(fmt::u32 kind);

// The code page the builder wrote the package's texts in (kept in
// PackageHeader.reserved); 1252 for a package that does not say.
unsigned packageCodePage(const fmt::PackageReport& report);

// Prints the listing of `report` to `out`, flags by name and texts in UTF-8;
// the last line is "verified: OK" when sound. The first defect goes to
// `errors` as "defect: ...".
void printReport(const fmt::PackageReport& report, std::ostream& out, std::ostream& errors);

// Verifies the installer at `path` and prints its listing (or, with `json`,
// the JSON document of inspect --json, which names the defect as well);
// true when sound.
bool inspectInstaller(const std::filesystem::path& path, bool json, std::ostream& out, std::ostream& errors);

// inspectInstaller as a listing, with a defect on `out` too (tests).
bool printInstallerReport(const std::filesystem::path& path, std::ostream& out);

}  // namespace mkpackage

#endif
