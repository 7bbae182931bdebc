#include "engine/undo/run_backups.h"

#include "engine/undo/file_backups.h"
#include "engine/undo/registry_backups.h"

namespace setup {

void restoreRunBackups() {
    restoreRegistryBackups();
    restoreFileBackups();
}

void restoreRunBackupsGoingOn() {
    restoreRegistryBackups();
    restoreFileBackups(BackupFolders::keep);
}

void discardRunBackups() {
    discardRegistryBackups();
    discardFileBackups();
}

}  // namespace setup
