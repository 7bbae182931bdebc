#include "setup/main_sequence.h"

#include <objbase.h>

#include "base/bounded_text.h"
#include "base/field_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "setup/command_line.h"
#include "engine/directx/directx_setup.h"
#include "engine/directx/directx_version.h"
#include "engine/failure/exit_codes.h"
#include "engine/paths/expand_path.h"
#include "engine/extract/extraction.h"
#include "engine/failure/failure.h"
#include "engine/paths/install_path.h"
#include "engine/system/post_install.h"
#include "engine/system/product_registration.h"
#include "engine/system/registry.h"
#include "engine/removal/remove_by_log.h"
#include "engine/undo/run_backups.h"
#include "engine/log/run_log.h"
#include "engine/system/shell_notice.h"
#include "setup/startup_choices.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/wizard/font_cache.h"
#include "ui/message_box.h"
#include "ui/wizard/disk_space.h"
#include "ui/wizard/setup_wizard.h"
#include "ui/wizard/wizard_rules.h"

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
    if (mapping != nullptr && GetLastError() == kErrorAlreadyExists) {
        logRunLine("another setup of this product is running");
        exitSetup(unattendedRun ? kExitAlreadyRunning : kExitDone);
    }
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
// An unattended run proceeds without asking, except over a newer version.
void confirmInstallation() {
    const fmt::TextSlots& texts = config().texts;
    const InstallPrompt prompt = chooseInstallPrompt(configText(texts.productVersion), installedVersion);
    if (prompt == InstallPrompt::kNewerInstalled) {
        showMessageBox(nullptr, configText(texts.msgNewerInstalled), configText(texts.titleError),
                       MB_OK | MB_ICONERROR);
        exitSetup(unattendedRun ? kExitNewerInstalled : kExitDone);
    }
    if (unattendedRun) {
        logRunLine("installed version: \"%s\"; unattended, the setup proceeds", installedVersion);
        return;
    }
    switch (prompt) {
    case InstallPrompt::kInstall:
        if (!askYesNo(configText(texts.msgConfirmInstall), 0)) exitSetup(kExitDone);
        break;
    case InstallPrompt::kReinstall:
        if (!askYesNo(configText(texts.msgConfirmReinstall), MB_DEFBUTTON2)) exitSetup(kExitDone);
        break;
    case InstallPrompt::kUpgrade:
        if (!askYesNo(configText(texts.msgConfirmUpgrade), 0)) exitSetup(kExitDone);
        break;
    case InstallPrompt::kNewerInstalled: break;
    }
}

SetupOptions runOptions;
OptionError optionError;

// Reads the command line before anything else happens; an option that
// cannot be used is reported once the package's texts are there. The log
// is opened at once, so that it sees everything from the start.
void readCommandLine(const char* commandLine) {
    if (!parseSetupOptions(commandLine, runOptions, optionError)) {
        // Without a readable line, a "/S" on it still means nobody is there.
        unattendedRun = asksUnattended(commandLine);
        return;
    }
    unattendedRun = runOptions.unattended;
    if (runOptions.logPath[0] != '\0' && !openRunLog(runOptions.logPath)) {
        optionError.failed = true;
        formatBounded(optionError.text, sizeof optionError.text, "the log file %s cannot be created",
                      runOptions.logPath);
    }
    logRunLine("setup started; command line: %s", commandLine);
}

// A drive the system knows; asked of the drive's root as well as of the
// drive mask, which may lag behind a drive connected while the system runs.
bool driveExists(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return false;
    if ((GetLogicalDrives() >> (letter - 'A')) & 1) return true;
    const char root[] = {letter, ':', '\\', '\0'};
    return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
}

[[noreturn]] void endWithBadOption(const char* what) {
    char text[512];
    formatBounded(text, sizeof text, "%s\n\n%s", what, setupOptionsHelp());
    showMessageBox(nullptr, text, configText(config().texts.titleError), MB_OK | MB_ICONERROR);
    exitSetup(kExitBadOption);
}

// What the options ask, checked before anything is asked or written: an
// option that cannot be used ends the run with its own code.
char optionFolder[fmt::kMaxPath];
std::uint32_t optionSelection;

void checkOptions() {
    const fmt::SetupConfig& record = config();
    if (optionError.failed) endWithBadOption(optionError.text);
    if (runOptions.help) {
        showMessageBox(nullptr, setupOptionsHelp(), configText(record.texts.titleMessage),
                       MB_OK | MB_ICONINFORMATION);
        exitSetup(kExitDone);
    }
    if (runOptions.folder[0] != '\0') {
        copyBounded(optionFolder, runOptions.folder);
        if (checkInstallPath(optionFolder, sizeof optionFolder, driveExists) != InstallPathProblem::none ||
            !isAbsoluteInstallPath(optionFolder)) {
            endWithBadOption("/D= needs a full folder (drive or network share) of at most 150 characters "
                             "without * ? \" < > |, on a drive that exists");
        }
    }
    const fmt::ScalarSettings& settings = record.settings;
    if (runOptions.type != 0) {
        const std::uint32_t masks[] = {settings.selectionPreset1, settings.defaultSelection,
                                       settings.selectionPreset3};
        optionSelection = masks[runOptions.type - 1];
    }
    if (runOptions.componentsGiven) {
        const std::uint32_t count = settings.componentCount < fmt::kMaxComponents
                                        ? settings.componentCount
                                        : fmt::kMaxComponents;
        char names[fmt::kMaxComponents][fmt::kFieldTextSize];
        const char* list[fmt::kMaxComponents];
        for (std::uint32_t i = 0; i < count; ++i) {
            copyFieldText(names[i], configRecord<const fmt::Component>(record.components[i])->name);
            list[i] = names[i];
        }
        OptionError error;
        if (!componentMaskFromNames(runOptions.components, list, count, optionSelection, error))
            endWithBadOption(error.text);
    }
}

// The options' folder, selection and shortcuts, as the wizard would have
// stored them; the wizard of an attended run starts from them.
void applyOptions() {
    fmt::SetupConfig& record = config();
    if (optionFolder[0] != '\0') copyBounded(installDir, optionFolder);
    if (runOptions.type != 0 || runOptions.componentsGiven)
        productExtraction.selectionMask = optionSelection;
    if (runOptions.shortcutsGiven) {
        constexpr std::uint32_t kShortcutBits = fmt::kFlagDesktopShortcuts | fmt::kFlagStartMenuShortcuts;
        record.settings.flags = (record.settings.flags & ~kShortcutBits) | runOptions.shortcutFlags;
    }
    logRunLine("destination %s, components 0x%X, flags 0x%X", installDir,
               productExtraction.selectionMask, record.settings.flags);
}

// An unattended run takes the wizard's decisions without its pages: the
// DirectX setup when the system needs it, and no installation where the
// selection does not fit.
void decideUnattended() {
    const fmt::ScalarSettings& settings = config().settings;
    installDirectX = needsDirectXSetup(detectDirectXVersion(), settings.requiredDirectXVersion);
    if (!enoughDiskSpace(productExtraction)) {
        logRunLine("%u bytes do not fit on the destination drive of %s", productExtraction.totalUnpacked,
                   installDir);
        exitSetup(kExitNotEnoughSpace);
    }
}

void prepareProductExtraction() {
    const fmt::SetupConfig& record = config();
    productExtraction = ExtractionState{};
    productExtraction.selectionMask = record.settings.defaultSelection;
    // Nobody is there to answer the replace question: an existing file is replaced.
    productExtraction.replaceAll = unattendedRun;
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
    // The run has succeeded: what it moved aside to give back on a failure
    // is no longer needed.
    discardRunBackups();
    const fmt::SetupConfig& record = config();
    if (unattendedRun) {
        // No completion message, and never a reboot: the caller restarts.
        announceUnattendedChanges();
        exitSetup(rebootRequired ? kExitRestartRequired : kExitDone);
    }
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

void runSetup(HINSTANCE instance, const char* commandLine) {
    // Start-up.
    programInstance = instance;
    readCommandLine(commandLine);
    clearSetupConfig();
    for (HFONT& font : fontCache) font = nullptr;

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    isWindowsNT = version.dwPlatformId == VER_PLATFORM_WIN32_NT;

    openPackageOrExit();
    logRunLine("package of %s %s", configText(config().texts.productName),
               configText(config().texts.productVersion));
    checkOptions();
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
    applyOptions();

    // Wizard and installation.
    if (unattendedRun) {
        decideUnattended();
    } else if (!runSetupWizard(productExtraction)) {
        exitSetup(0);
    }
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
