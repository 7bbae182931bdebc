// The product's registration, which the log does not record: the values of
// its key under HKEY_LOCAL_MACHINE and the system's uninstall entry.
#ifndef UNINSTALLER_REMOVAL_REGISTRATION_H
#define UNINSTALLER_REMOVAL_REGISTRATION_H

#include <cstddef>

#include "engine/log/uninstall_log.h"
#include "format/package_format.h"
#include "uninstaller/removal/removal_report.h"

namespace uninstaller {

struct InstalledProduct {
    bool registered = false;                  // a key under HKLM names this log
    char key[fmt::kMaxPath] = {};             // that key ("" for the root itself)
    char installFolder[fmt::kMaxPath] = {};   // where the log's files may lie
};

// The installation whose log lies at `logPath`. Its product key is the
// HKEY_LOCAL_MACHINE key of a flag-1 key entry of the log (the setup program
// logs the product key so), or the root itself, whose "UnInstallLog" value
// names this log: only administrators write there, so an edited log cannot
// point the uninstaller at another folder. The install folder is that key's
// "InstallDir"; without one, the folder that holds the log. `items` is
// scratch room for the log's entries.
InstalledProduct findInstalledProduct(const fmt::u8* log, const char* logPath, setup::LogItem* items,
                                      std::size_t capacity);

// Deletes the values "InstallDir", "Version", "UnInstallLog" and
// "UnInstallLogSHA256" of the
// product key and every system uninstall entry whose "UninstallString" runs
// `program` on `logPath`. What stays goes into the report.
void removeRegistration(const InstalledProduct& product, const char* program, const char* logPath,
                        RemovalReport& report);

}  // namespace uninstaller

#endif
