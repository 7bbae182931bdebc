// The values of the system's uninstall entry, chosen from what the run knows:
// the texts of the package, the install folder, the log, the bytes it
// installed and the date. Pure code; engine/system/product_registration.cpp
// gathers the facts and writes the values.
#ifndef ENGINE_SYSTEM_UNINSTALL_ENTRY_VALUES_H
#define ENGINE_SYSTEM_UNINSTALL_ENTRY_VALUES_H

#include <cstddef>
#include <cstdint>

#include "engine/system/registry_value.h"
#include "format/package_format.h"

namespace setup {

struct UninstallEntryFacts {
    const char* displayName;      // SetupConfig.uninstallDisplayName
    const char* displayVersion;   // the extra text, or the product version
    const char* publisher;        // the extra texts below: "" when absent
    const char* aboutUrl;
    const char* helpUrl;
    const char* contact;
    const char* comments;
    const char* installDir;       // ends with a backslash
    const char* uninstallerName;  // relative to installDir
    const char* displayIcon;      // a stored file, relative to installDir
    const char* logPath;          // full path of the uninstall log
    std::uint64_t installedBytes; // of the files the run made
    std::uint16_t year, month, day;
};

// Room for the texts the values are made of; the values point into it.
struct UninstallEntryTexts {
    char uninstallString[2 * fmt::kMaxPath + 2];       // "uninstaller" log
    char quietUninstallString[2 * fmt::kMaxPath + 6];  // "uninstaller" /S log
    char displayIcon[fmt::kMaxPath];
    char installDate[12];                              // yyyymmdd
};

inline constexpr std::size_t kMaxUninstallEntryValues = 16;

// Fills `values` (room for kMaxUninstallEntryValues) in the order they are
// written: DisplayName, DisplayVersion, Publisher, InstallLocation,
// InstallDate, DisplayIcon, UninstallString, QuietUninstallString,
// EstimatedSize (KiB, rounded up), NoModify, NoRepair (1: the uninstaller
// has neither), then URLInfoAbout, HelpLink, Contact and Comments. An empty
// text is a value to remove: an entry of an earlier version keeps none it
// no longer has. Returns the count, or 0 when a path or
// command line would not fit its room (the caller refuses to register a
// command that was cut).
std::size_t uninstallEntryValues(const UninstallEntryFacts& facts, UninstallEntryTexts& room,
                                 RegistryValue* values);

// The entry's icon when the package names none: the program of the first
// desktop or Programs shortcut of a selected component (components in
// index order, actions in stored order), else the uninstaller. `components`
// holds `count` records, each followed by its actions, of which `actions[i]`
// lie inside the record; the text is copied into `out`.
void defaultDisplayIcon(const fmt::Component* const* components, const std::uint32_t* actions,
                        std::uint32_t count, std::uint32_t selection, const char* uninstallerName,
                        char (&out)[fmt::kMaxPath]);

}  // namespace setup

#endif
