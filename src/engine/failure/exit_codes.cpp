#include "engine/failure/exit_codes.h"

namespace setup {

const char* exitCodeMeaning(std::uint32_t code) {
    switch (code) {
    case 0: return "done (installed, or a question was declined)";
    case 1: return "the package is missing or damaged";
    case 2: return "a file could not be created, or an existing one could not be moved aside to be replaced";
    case 3: return "a file could not be closed";
    case 4: return "a folder could not be created";
    case 5: return "a file could not be written";
    case 6: return "out of memory";
    case 7: return "the package could not be read";
    case 8: return "cancelled by the user, or a checksum of the package does not match";
    case 10: return "the registry could not be written, or a value could not be kept before it was changed";
    case kExitNewerInstalled: return "a newer version is installed; nothing was changed";
    case kExitAlreadyRunning: return "another setup of this product is running; nothing was changed";
    case kExitBadOption: return "an option on the command line cannot be used; nothing was changed";
    case kExitNotEnoughSpace: return "not enough free space on the destination drive; nothing was changed";
    case kExitDirectXFailed: return "the DirectX runtime setup failed; nothing was installed";
    case kExitPreviousLeftovers:
        return "installed; files of the previous installation could not be removed and stay";
    case kExitFilesInUse: return "files that the setup must replace or remove are in use; nothing was changed";
    case kExitJournalKept:
        return "an interrupted installation could not be undone: its journal is damaged or names places it "
               "could not have changed; nothing was changed and its backups stay";
    case kExitSystemFolderName:
        return "a folder of the system has no name this system's code page can spell; nothing was changed";
    case kExitRestartRequired: return "installed; the system must restart to complete the installation";
    default: return "unknown";
    }
}

}  // namespace setup
