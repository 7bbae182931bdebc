// The uninstaller from its command line to its exit code.
#ifndef UNINSTALLER_UNINSTALL_RUN_H
#define UNINSTALLER_UNINSTALL_RUN_H

#include <windows.h>

namespace uninstaller {

// Reads and checks the log the command line names (its wide form where the
// system has one; `commandLine` on the 9x family), asks, removes the
// product, reports, and returns the exit code (exit_codes.h).
int runUninstaller(HINSTANCE instance, const char* commandLine);

}  // namespace uninstaller

#endif
