#include "engine/removal/removal_places.h"

#include <windows.h>

#include "engine/paths/system_folders.h"
#include "engine/system/shell_folders.h"

namespace setup {

RemovalPlaces::RemovalPlaces() {
    // Each spelt as every other folder the programs take from the system,
    // so that the paths of a log a run wrote compare equal with them.
    complete = readSystemFolder(SystemFolder::windows, windows);
    complete = readSystemFolder(SystemFolder::system, system) && complete;
    complete = readShellFolder(ShellFolder::desktop, desktop, sizeof desktop) && complete;
    complete = readShellFolder(ShellFolder::programs, programs, sizeof programs) && complete;
    // Missing, or without a spelling: it bounds nothing then, as before.
    readRegistryFolder(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                       "ProgramFilesDir", "", programFiles, sizeof programFiles);
}

bool RemovalPlaces::usableInstallFolder(const char* installFolder) const {
    return complete && isUsableInstallFolder(installFolder, windows, system);
}

RemovalLimits RemovalPlaces::limitsFor(const char* installFolder) const {
    RemovalLimits limits{installFolder, desktop, programs};
    limits.onlyShortcutsInShellFolders = true;
    limits.programFilesFolder = programFiles;
    limits.windowsFolder = windows;
    return limits;
}

}  // namespace setup
