#include "engine/run_backups.h"

#include "engine/file_backups.h"
#include "engine/registry_backups.h"

namespace setup {

void restoreRunBackups() {
    restoreRegistryBackups();
    restoreFileBackups();
}

void discardRunBackups() {
    discardRegistryBackups();
    discardFileBackups();
}

}  // namespace setup
