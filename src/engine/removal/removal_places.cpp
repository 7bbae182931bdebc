#include "engine/removal/removal_places.h"

#include <windows.h>

#include "engine/system/registry.h"
#include "engine/system/shell_folders.h"

namespace setup {

RemovalPlaces::RemovalPlaces() {
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (windowsLength == 0 || windowsLength >= sizeof windows) windows[0] = '\0';
    const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    if (systemLength == 0 || systemLength >= sizeof system) system[0] = '\0';
    readRegistryString(programFiles, sizeof programFiles, HKEY_LOCAL_MACHINE,
                       "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "");
    readShellFolder(ShellFolder::desktop, desktop, sizeof desktop);
    readShellFolder(ShellFolder::programs, programs, sizeof programs);
}

bool RemovalPlaces::usableInstallFolder(const char* installFolder) const {
    return isUsableInstallFolder(installFolder, windows, system);
}

RemovalLimits RemovalPlaces::limitsFor(const char* installFolder) const {
    RemovalLimits limits{installFolder, desktop, programs};
    limits.onlyShortcutsInShellFolders = true;
    limits.programFilesFolder = programFiles;
    limits.windowsFolder = windows;
    return limits;
}

}  // namespace setup
