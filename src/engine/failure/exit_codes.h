// The setup program's exit codes. A run without /S ends every declined or
// refused question with 0, as it always has; an unattended run tells those
// outcomes apart.
#ifndef ENGINE_FAILURE_EXIT_CODES_H
#define ENGINE_FAILURE_EXIT_CODES_H

#include <cstdint>

namespace setup {

enum ExitCode : std::uint32_t {
    kExitDone = 0,                  // installed; or, attended, a question declined
    kExitNoPackage = 1,             // also error code 1, the package is damaged
    kExitCancelled = 8,             // also error code 8, a checksum mismatch
    kExitNewerInstalled = 20,       // unattended: a newer version is installed
    kExitAlreadyRunning = 21,       // unattended: another setup of the product runs
    kExitBadOption = 22,            // a command-line option cannot be used
    kExitNotEnoughSpace = 23,       // unattended: the destination drive is too small
    kExitDirectXFailed = 24,        // unattended: the DirectX runtime setup failed
    kExitPreviousLeftovers = 25,    // unattended: installed, but files of the previous
                                    // installation stayed (the run's log names them)
    kExitFilesInUse = 26,           // unattended: files to replace or remove are in use; nothing changed
    kExitJournalKept = 27,          // unattended: an interrupted run's journal could not be
                                    // undone; its backups stay, named in the run's log
    kExitSystemFolderName = 28,     // a folder of the system has no name the code
                                    // page can spell; nothing was changed
    kExitRestartRequired = 3010,    // unattended: installed, the system must restart
};

// The outcome of an exit code in words, for the run's log.
const char* exitCodeMeaning(std::uint32_t code);

}  // namespace setup

#endif
