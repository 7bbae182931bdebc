#include "setup/main_sequence.h"

#include <objbase.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/directx/directx_setup.h"
#include "engine/directx/directx_setup_rules.h"
#include "engine/directx/directx_version.h"
#include "engine/extract/extraction.h"
#include "engine/extract/free_space.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/in_use/files_in_use_check.h"
#include "engine/in_use/restart_replacements.h"
#include "engine/interaction.h"
#include "engine/journal/journal_recovery.h"
#include "engine/journal/journal_start.h"
#include "engine/journal/run_journal.h"
#include "engine/log/previous_leftovers.h"
#include "engine/log/run_log.h"
#include "engine/paths/expand_path.h"
#include "engine/removal/remove_by_log.h"
#include "engine/system/post_install.h"
#include "engine/system/product_registration.h"
#include "engine/system/registry.h"
#include "engine/system/shell_notice.h"
#include "engine/undo/run_backups.h"
#include "format/extension_table.h"
#include "package/extra_texts.h"
#include "package/package_extensions.h"
#include "package/setup_config.h"
#include "setup/options/run_options.h"
#include "setup/language_start.h"
#include "setup/reboot.h"
#include "setup/startup.h"
#include "setup/startup_choices.h"
#include "ui/wizard/setup_wizard.h"

namespace setup {

ExtractionState productExtraction;
char installedVersion[64];

namespace {

bool askYesNo(const char* text, bool noIsDefault) {
    return questions().askYesNo(text, configText(config().texts.titlePrompt), noIsDefault);
}

// Asks whether to install, reinstall or upgrade, or refuses a downgrade.
// Every answer but Yes ends the process at once: nothing is written yet.
// An unattended run proceeds without asking, except over a newer version.
void confirmInstallation() {
    const fmt::TextSlots& texts = config().texts;
    const InstallPrompt prompt = chooseInstallPrompt(configText(texts.productVersion), installedVersion);
    if (prompt == InstallPrompt::kNewerInstalled) {
        questions().message(configText(texts.msgNewerInstalled), configText(texts.titleError),
                            kMessageError);
        exitSetup(unattendedRun ? kExitNewerInstalled : kExitDone);
    }
    if (unattendedRun) {
        logRunLine("installed version: \"%s\"; unattended, the setup proceeds", installedVersion);
        return;
    }
    switch (prompt) {
    case InstallPrompt::kInstall:
        if (!askYesNo(configText(texts.msgConfirmInstall), false)) exitSetup(kExitDone);
        break;
    case InstallPrompt::kReinstall:
        if (!askYesNo(configText(texts.msgConfirmReinstall), true)) exitSetup(kExitDone);
        break;
    case InstallPrompt::kUpgrade:
        if (!askYesNo(configText(texts.msgConfirmUpgrade), false)) exitSetup(kExitDone);
        break;
    case InstallPrompt::kNewerInstalled: break;
    }
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

}  // namespace

[[noreturn]] void finishInstallation() {
    // The run has succeeded: what it moved aside to give back on a failure
    // is no longer needed.
    discardRunBackups();
    registerReplacementsAtRestart();
    const fmt::SetupConfig& record = config();
    // Files of the previous installation that stayed are in nobody's log
    // now: said before the end, in words or in the exit code. A folder that
    // stays for a file of the user's is only logged.
    char leftFiles[1024];
    const Leftovers left = findPreviousLeftovers(leftFiles, sizeof leftFiles);
    if (unattendedRun) {
        // No completion message, and never a reboot: the caller restarts.
        announceUnattendedChanges();
        exitSetup(rebootRequired ? kExitRestartRequired : left.files != 0 ? kExitPreviousLeftovers : kExitDone);
    }
    const char* caption = configText(record.texts.titleMessage);
    if (left.files != 0) {
        char text[1536];
        formatBounded(text, sizeof text, extraText(fmt::kExtraTextPreviousLeftovers), leftFiles);
        questions().message(text, caption, kMessageInformation);
    }
    if (rebootRequired) {
        if (questions().askYesNo(configText(record.texts.msgDoneReboot), caption)) requestReboot();
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
    questions().message(text, caption, kMessageInformation);
    exitSetup(0);
}

void runSetup(HINSTANCE instance, const char* commandLine) {
    // Start-up.
    programInstance = instance;
    readCommandLine(commandLine);
    clearSetupConfig();
    resetWindowFonts();
    readPlatform();

    openPackageOrExit();
    readPackageExtensions();
    chooseRunLanguage(languageOption());
    logRunLine("package of %s %s", configText(config().texts.productName),
               configText(config().texts.productVersion));
    checkSystemFolders();
    checkOptions();
    guardSingleInstance();
    recoverInterruptedRun();
    takeBootDrive();
    createMeasureContext();
    readRegistryString(installedVersion, sizeof installedVersion, HKEY_LOCAL_MACHINE,
                       configText(config().texts.registryKey), "Version", "");

    // Prompt.
    confirmInstallation();

    // Preparation.
    copyBounded(installDir, expandPath(configText(config().texts.defaultInstallDir)));
    // A reinstall or an upgrade goes where the product is; /D= still wins.
    if (installedVersion[0] != '\0') takeInstalledFolder();
    CoInitialize(nullptr);
    prepareProductExtraction();
    applyOptions(productExtraction);

    // Wizard and installation.
    if (unattendedRun) {
        decideUnattended();
    } else if (!runSetupWizard(productExtraction)) {
        exitSetup(0);
    }
    // Before the first change: the DirectX setup changes the system too.
    checkFilesInUse(productExtraction, replaceAtRestartAsked());
    // From here on the run changes the system: first its journal.
    startRunJournal(installDir);
    if (installDirectX) setupDirectX();
    // The uninstaller that the entry and its shortcut start comes with every selection.
    productExtraction.selectionMask |= alwaysInstalledComponents();
    keepPreviousLog();
    removePreviousInstallation();
    notePreviousRemoval();
    // The previous installation's backups are made: on disk against a power
    // cut. (Not again after the extraction: with the payload just written,
    // flushing the journal then cost a quarter of an install's time.)
    flushRunJournal();
    extractComponents(productExtraction);
    showUpdatingStatus();
    runPostInstallActions(productExtraction);
    registerProduct();
    writeUninstallLog(productExtraction);
    closeUpdatingStatus();

    finishInstallation();
}

}  // namespace setup
