#include "engine/journal/journal_start.h"

#include <windows.h>

#include "engine/journal/run_journal.h"
#include "engine/log/run_log.h"
#include "engine/undo/backup_place.h"
#include "format/package_format.h"
#include "package/setup_config.h"

namespace setup {

void startRunJournal(const char* installFolder) {
    // The system's volume: a later start looks for journals there alone,
    // wherever the killed run installed.
    char windows[fmt::kMaxPath] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    std::uint16_t volume = 0;
    const char* folder = backupFolderFor(windows, FaultSite::startJournal, volume);
    if (folder == nullptr ||
        !openRunJournal(folder, volume, configText(config().texts.productName), installFolder)) {
        logRunLine("no journal: it cannot be made beside the backups for %s (error %lu); a killed run "
                   "cannot be undone",
                   windows, GetLastError());
    }
}

}  // namespace setup
