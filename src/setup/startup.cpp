#include "setup/startup.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/log/run_log.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "resource_ids.h"
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
    char path[fmt::kMaxPath];
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

void takeBootDrive() {
    char windowsDir[fmt::kMaxPath] = {};
    GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
    bootDrive = bootDriveFromWindowsDir(windowsDir);
}

void resetWindowFonts() {
    for (HFONT& font : fontCache) font = nullptr;
}

void createMeasureContext() { measureContext = CreateCompatibleDC(nullptr); }

}  // namespace setup
