// What an installer will write into the system's uninstall entry, as far as
// its package says it (the install folder and the date come at install
// time), with the setup program's fallbacks: the product version for a
// missing display version, the program of the first shortcut of the default
// selection, else the uninstaller, for a missing icon. Texts in UTF-8.
#ifndef MKPACKAGE_ENTRY_VALUES_H
#define MKPACKAGE_ENTRY_VALUES_H

#include <string>
#include <utility>
#include <vector>

#include "format/package_reader.h"

namespace mkpackage {

struct EntrySummary {
    bool written = false;        // the flags ask for the entry
    std::string keyName;         // below ...\Uninstall: the entry's product code
    std::string displayName, displayVersion, publisher, aboutUrl, helpUrl, contact, comments;
    std::string displayIcon;     // relative to the install folder
    std::string uninstaller;     // relative to the install folder
    std::string logName;
};

// The summary of a report whose record loaded.
EntrySummary entrySummary(const fmt::PackageReport& report);

// The extra texts of the report's extension table, by the name of their id
// ("publisher", "display-version", ...; "text <id>" for an id this version
// does not know), in UTF-8.
std::vector<std::pair<std::string, std::string>> extraTextList(const fmt::PackageReport& report);

// The stored form of an extra text (8-bit), or `fallback`.
std::string storedExtraText(const fmt::PackageReport& report, fmt::u16 id, const std::string& fallback);

}  // namespace mkpackage

#endif
