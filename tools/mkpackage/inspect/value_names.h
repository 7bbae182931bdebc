// The words inspect prints for stored values: times, action types, root
// keys, page item types, picture kinds, and the code page of the texts.
#ifndef MKPACKAGE_VALUE_NAMES_H
#define MKPACKAGE_VALUE_NAMES_H

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

}  // namespace mkpackage

#endif
