#include "engine/main_sequence.h"

#include <objbase.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/expand_path.h"
#include "engine/extraction.h"
#include "engine/failure.h"
#include "engine/later_steps.h"
#include "engine/post_install.h"
#include "engine/product_registration.h"
#include "engine/registry.h"
#include "engine/remove_by_log.h"
#include "engine/startup_choices.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/font_cache.h"
#include "ui/message_box.h"

namespace setup {

ExtractionState productExtraction;
char installedVersion[64];
BOOL(WINAPI* requestSystemReboot)(UINT flags, DWORD reason) = ExitWindowsEx;

namespace {

constexpr DWORD kErrorAlreadyExists = 183;

// Takes the name "InstallSync_<product>" for as long as the process runs. A
// second setup of the same product ends here silently; a mapping that cannot
// be made at all does not stop the run.
void guardSingleInstance() {
    char name[256];
    formatBounded(name, sizeof name, "InstallSync_%s", configText(config().texts.productName));
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, name);
    if (mapping != nullptr && GetLastError() == kErrorAlreadyExists) ExitProcess(0);
}

// Without a package the program can only name its own file and end: the
// configuration, and so every configured text, is missing.
void openPackageOrExit() {
    char path[fmt::kMaxPath];
    if (openPackage(path)) return;
    char format[512] = {};
    LoadStringA(programInstance, IDS_NO_PACKAGE, format, sizeof format);
    showError(format, path);
    exitSetup(1);
}

void takeBootDrive() {
    char windowsDir[fmt::kMaxPath] = {};
    GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
    bootDrive = bootDriveFromWindowsDir(windowsDir);
}

bool askYesNo(const char* text, UINT extraStyle) {
    return showMessageBox(nullptr, text, configText(config().texts.titlePrompt),
                       MB_YESNO | MB_ICONQUESTION | extraStyle) == IDYES;
}

// Asks whether to install, reinstall or upgrade, or refuses a downgrade.
// Every answer but Yes ends the process at once: nothing is written yet.
void confirmInstallation() {
    const fmt::TextSlots& texts = config().texts;
    switch (chooseInstallPrompt(configText(texts.productVersion), installedVersion)) {
    case InstallPrompt::kInstall:
        if (!askYesNo(configText(texts.msgConfirmInstall), 0)) ExitProcess(0);
        break;
    case InstallPrompt::kNewerInstalled:
        showMessageBox(nullptr, configText(texts.msgNewerInstalled), configText(texts.titleError),
                    MB_OK | MB_ICONERROR);
        ExitProcess(0);
    case InstallPrompt::kReinstall:
        if (!askYesNo(configText(texts.msgConfirmReinstall), MB_DEFBUTTON2)) ExitProcess(0);
        break;
    case InstallPrompt::kUpgrade:
        if (!askYesNo(configText(texts.msgConfirmUpgrade), 0)) ExitProcess(0);
        break;
    }
}

void prepareProductExtraction() {
    const fmt::SetupConfig& record = config();
    productExtraction = ExtractionState{};
    productExtraction.selectionMask = record.settings.defaultSelection;
    productExtraction.replaceAll = false;
    productExtraction.destDir = installDir;
    productExtraction.title = configText(record.texts.progressTitle);
    productExtraction.groupFormat = configText(record.texts.progressGroupFormat);
    productExtraction.fileFormat = configText(record.texts.progressFileFormat);
}

// Enables the shutdown privilege on NT and asks for a reboot; the results
// of these calls are ignored, the process ends with code 0 either way.
void requestReboot() {
    if (isWindowsNT) {
        HANDLE token;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            TOKEN_PRIVILEGES privileges = {};
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege",
                                      &privileges.Privileges[0].Luid)) {
                AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
            }
            CloseHandle(token);
        }
    }
    requestSystemReboot(EWX_REBOOT, 0);
}

}  // namespace

[[noreturn]] void finishInstallation() {
    const fmt::SetupConfig& record = config();
    const char* caption = configText(record.texts.titleMessage);
    if (rebootRequired) {
        if (showMessageBox(nullptr, configText(record.texts.msgDoneReboot), caption,
                        MB_YESNO | MB_ICONQUESTION) == IDYES) {
            requestReboot();
        }
        exitSetup(0);
    }

    const char* text = nullptr;
    char folderText[256];
    switch (chooseCompletionText(record.settings.flags)) {
    case CompletionText::kStartMenu: text = configText(record.texts.msgDoneStartMenu); break;
    case CompletionText::kDesktop: text = configText(record.texts.msgDoneDesktop); break;
    case CompletionText::kFolder:
        // A long folder is cut at the buffer's end rather than overrun it.
        formatBounded(folderText, sizeof folderText, configText(record.texts.msgDoneFolder),
                      installDir);
        text = folderText;
        break;
    }
    showMessageBox(nullptr, text, caption, MB_OK | MB_ICONINFORMATION);
    exitSetup(0);
}

void runSetup(HINSTANCE instance) {
    // Start-up.
    programInstance = instance;
    clearSetupConfig();
    for (HFONT& font : fontCache) font = nullptr;

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    isWindowsNT = version.dwPlatformId == VER_PLATFORM_WIN32_NT;

    openPackageOrExit();
    guardSingleInstance();
    takeBootDrive();
    measureContext = CreateCompatibleDC(nullptr);
    readRegistryString(installedVersion, sizeof installedVersion, HKEY_LOCAL_MACHINE,
                       configText(config().texts.registryKey), "Version", "");

    // Prompt.
    confirmInstallation();

    // Preparation.
    copyBounded(installDir, expandPath(configText(config().texts.defaultInstallDir)));
    CoInitialize(nullptr);
    prepareProductExtraction();

    // Wizard and installation.
    if (!runSetupWizard(productExtraction)) exitSetup(0);
    if (installDirectX) setupDirectX();
    removePreviousInstallation();
    extractComponents(productExtraction);
    showUpdatingStatus();
    runPostInstallActions(productExtraction);
    registerProduct();
    writeUninstallLog();
    closeUpdatingStatus();

    finishInstallation();
}

}  // namespace setup
