// The uninstaller's exit codes. Every refusal removes nothing.
#ifndef UNINSTALLER_UNINSTALL_EXIT_CODES_H
#define UNINSTALLER_UNINSTALL_EXIT_CODES_H

namespace uninstaller {

enum ExitCode : int {
    kExitRemoved = 0,       // everything removed, or the question answered No
    kExitUsage = 1,         // no log path on the command line
    kExitLogNotFound = 2,   // the log cannot be opened (a product removed already)
    kExitLogRefused = 3,    // the log is damaged or names what no installation made
    kExitRunning = 4,       // the product (or its setup) is running
    kExitLeftOver = 5,      // removed, but something stayed (listed in the details)
    kExitFilesInUse = 6,    // files of the product are in use (and the user cancelled); nothing removed
    kExitInterrupted = 7,   // a setup killed in the folder left a journal that cannot be trusted
    kExitFolderName = 8,    // a folder of the system has no name the code page can spell
};

}  // namespace uninstaller

#endif
