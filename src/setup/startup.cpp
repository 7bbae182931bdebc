#include "setup/startup.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/interaction.h"
#include "engine/log/run_log.h"
#include "engine/paths/system_folders.h"
#include "engine/removal/removal_places.h"
#include "engine/system/registry.h"
#include "package/extra_texts.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "setup/startup_choices.h"
#include "ui/wizard/font_cache.h"

namespace setup {

namespace {

constexpr DWORD kErrorAlreadyExists = 183;

}  // namespace

void readPlatform() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    isWindowsNT = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void openPackageOrExit() {
    // Spelt like the system's folders: an installer in the Downloads folder
    // of a user whose name the code page lacks finds its own file.
    char path[fmt::kMaxPath];
    readProgramPath(path);
    if (openPackage(path)) return;
    char format[512] = {};
    LoadStringA(programInstance, IDS_NO_PACKAGE, format, sizeof format);
    showError(format, path);
    exitSetup(1);
}

void guardSingleInstance() {
    char name[256];
    formatBounded(name, sizeof name, "InstallSync_%s", configText(config().texts.productName));
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, name);
    if (mapping != nullptr && GetLastError() == kErrorAlreadyExists) {
        logRunLine("another setup of this product is running");
        exitSetup(unattendedRun ? kExitAlreadyRunning : kExitDone);
    }
}

void checkSystemFolders() {
    char shown[fmt::kMaxPath];
    if (!findUnspellableFolder(shown, sizeof shown)) return;
    logRunLine("the folder %s has no name the code page can spell", shown);
    char text[fmt::kMaxExtraTextLength + fmt::kMaxPath];
    formatBounded(text, sizeof text, extraText(fmt::kExtraTextFolderNameUnusable), shown);
    questions().message(text, configText(config().texts.titleError), kMessageError);
    exitSetup(kExitSystemFolderName);
}

void takeBootDrive() {
    char windowsDir[fmt::kMaxPath] = {};
    readSystemFolder(SystemFolder::windows, windowsDir);
    bootDrive = bootDriveFromWindowsDir(windowsDir);
}

bool driveKnown(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return false;
    // The drive mask may lag behind a drive connected while the system runs:
    // the drive's root is asked as well.
    if ((GetLogicalDrives() >> (letter - 'A')) & 1) return true;
    const char root[] = {letter, ':', '\\', '\0'};
    return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
}

void takeInstalledFolder() {
    char folder[fmt::kMaxPath];
    readRegistryString(folder, sizeof folder, HKEY_LOCAL_MACHINE, configText(config().texts.registryKey),
                       "InstallDir", "");
    if (folder[0] == '\0') return;
    // A folder that reaches a whole drive or the system's files is never
    // installed into again, whatever the registry says.
    if (!usableInstalledFolder(folder, sizeof folder, driveKnown) || !RemovalPlaces().usableInstallFolder(folder)) {
        logRunLine("the installed folder %s cannot be used; the default folder stands", folder);
        return;
    }
    copyBounded(installDir, folder);
    logRunLine("the installed product's folder: %s", installDir);
}

void resetWindowFonts() {
    for (HFONT& font : fontCache) font = nullptr;
}

void createMeasureContext() { measureContext = CreateCompatibleDC(nullptr); }

}  // namespace setup
