#include <windows.h>

#include "base/system_library.h"
#include "uninstaller/uninstall_run.h"

// The uninstaller's entry point: "[/S] <uninstall log>"; the exit code
// tells the result (uninstaller/uninstall_exit_codes.h).
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    setup::restrictLibrarySearchToSystem();
    return uninstaller::runUninstaller(instance, GetCommandLineA());
}
