#include <windows.h>

#include "base/system_library.h"
#include "engine/failure/failure.h"
#include "setup/main_sequence.h"

// The program's entry point: the whole run inside one guarded region whose
// only handler takes the raised failure.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    setup::restrictLibrarySearchToSystem();
    try {
        setup::runSetup(instance, commandLine != nullptr ? commandLine : "");
    } catch (setup::xInstall* error) {
        setup::handleInstallFailure(error);
    }
}
