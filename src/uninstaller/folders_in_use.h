// The folders that the removal leaves to the uninstaller's copy (those that
// hold nothing but the uninstaller) cannot go while another program has one
// of them as its current folder: a product started from its shortcut runs
// in the install folder. The copy cannot report back, so such a folder is
// reported as left over now.
#ifndef UNINSTALLER_FOLDERS_IN_USE_H
#define UNINSTALLER_FOLDERS_IN_USE_H

#include "format/package_format.h"
#include "uninstaller/removal/removal_report.h"

namespace uninstaller {

// Adds to `report` every folder of the log (one that passed the disk checks)
// that still exists, is not reported yet, and that another program holds so
// that it cannot be removed.
void reportFoldersInUse(const fmt::u8* log, RemovalReport& report);

}  // namespace uninstaller

#endif
