#include "setup/options/run_options.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/field_text.h"
#include "base/process_state.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/interaction.h"
#include "engine/log/run_log.h"
#include "engine/paths/install_path.h"
#include "engine/paths/system_folders.h"
#include "engine/removal/removal_places.h"
#include "package/extra_texts.h"
#include "package/package_extensions.h"
#include "package/setup_config.h"
#include "setup/interaction_choice.h"
#include "setup/language_start.h"
#include "setup/options/command_line.h"
#include "setup/options/wide_arguments.h"
#include "setup/startup.h"

namespace setup {

namespace {

// The options as read, what was wrong with them, and what they ask once
// checked.
struct RunOptions {
    SetupOptions given;
    OptionError error;
    char folder[fmt::kMaxPath] = {};
    std::uint32_t selection = 0;
};
RunOptions options;

[[noreturn]] void endWithBadOption(const char* what) {
    char text[1024];
    formatBounded(text, sizeof text, "%s\n\n%s", what, setupOptionsHelp());
    questions().message(text, configText(config().texts.titleError), kMessageError);
    exitSetup(kExitBadOption);
}

// The arguments spelt from the wide command line (setup/options/wide_arguments.h),
// into `spelt`: false on a system without one (the 9x family, whose 8-bit
// line is exact), true otherwise, with `refusal` set when an option cannot
// be spelt.
bool spellWideCommandLine(char (&spelt)[kSpeltArgumentsSize], OptionError& refusal) {
    using CommandLineFunction = LPWSTR(WINAPI*)();
    static const auto wideCommandLine = wideKernelFunction<CommandLineFunction>("GetCommandLineW");
    const LPWSTR line = wideCommandLine != nullptr ? wideCommandLine() : nullptr;
    if (line == nullptr || line[0] == 0) return false;
    SystemCodePage codePage;
    SystemShortNames folders(true);
    spellSetupArguments(skipWideProgramName(reinterpret_cast<const WideChar*>(line)), codePage, folders,
                        spelt, sizeof spelt, refusal);
    return true;
}

}  // namespace

void readCommandLine(const char* commandLine) {
    static char spelt[kSpeltArgumentsSize];
    OptionError refusal;
    if (spellWideCommandLine(spelt, refusal)) commandLine = spelt;
    if (refusal.failed || !parseSetupOptions(commandLine, options.given, options.error)) {
        if (refusal.failed) options.error = refusal;
        // Without a readable line, a "/S" on it still means nobody is there,
        // and a /LOG= on it still gets what was wrong.
        unattendedRun = asksUnattended(commandLine);
        chooseInteraction(unattendedRun, false);
        char logPath[fmt::kMaxPath];
        if (findLogOption(commandLine, logPath, sizeof logPath) && openRunLog(logPath))
            logRunLine("setup started; command line: %s", commandLine);
        return;
    }
    unattendedRun = options.given.unattended || options.given.passive;
    chooseInteraction(unattendedRun, options.given.passive);
    if (options.given.logPath[0] != '\0' && !openRunLog(options.given.logPath)) {
        options.error.failed = true;
        formatBounded(options.error.text, sizeof options.error.text, "the log file %s cannot be created (a run's log is always a new file: "
                      "a name that exists already, a link included, is refused)",
                      options.given.logPath);
    }
    logRunLine("setup started; command line: %s", commandLine);
}

void checkOptions() {
    const fmt::SetupConfig& record = config();
    const SetupOptions& given = options.given;
    if (options.error.failed) endWithBadOption(options.error.text);
    if (languageOptionUnknown()) {
        char text[96];
        formatBounded(text, sizeof text, "/LANG=%s names none of this installer's languages", given.language);
        endWithBadOption(text);
    }
    if (given.help) {
        questions().message(setupOptionsHelp(), configText(record.texts.titleMessage),
                            kMessageInformation);
        exitSetup(kExitDone);
    }
    if (given.folder[0] != '\0') {
        copyBounded(options.folder, given.folder);
        if (checkInstallPath(options.folder, sizeof options.folder, driveKnown) != InstallPathProblem::none ||
            !isAbsoluteInstallPath(options.folder)) {
            endWithBadOption("/D= needs a full folder (drive or network share) of at most 150 characters "
                             "without * ? \" < > |, on a drive that exists");
        }
        if (!RemovalPlaces().usableInstallFolder(options.folder)) {
            char refusal[fmt::kMaxExtraTextLength + fmt::kMaxPath];
            formatBounded(refusal, sizeof refusal, extraText(fmt::kExtraTextFolderNotAllowed), options.folder);
            endWithBadOption(refusal);
        }
    }
    const fmt::ScalarSettings& settings = record.settings;
    if (given.type != 0) {
        const std::uint32_t masks[] = {settings.selectionPreset1, settings.defaultSelection,
                                       settings.selectionPreset3};
        options.selection = masks[given.type - 1];
    }
    if (given.componentsGiven) {
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
        if (!componentMaskFromNames(given.components, list, count, options.selection, error))
            endWithBadOption(error.text);
    }
}

const char* languageOption() { return options.given.language; }

bool replaceAtRestartAsked() { return options.given.replaceAtRestart; }

void applyOptions(ExtractionState& product) {
    fmt::SetupConfig& record = config();
    const SetupOptions& given = options.given;
    if (options.folder[0] != '\0') copyBounded(installDir, options.folder);
    // The uninstaller that the entry and its shortcut start comes with every selection.
    if (given.type != 0 || given.componentsGiven) product.selectionMask = options.selection | alwaysInstalledComponents();
    if (given.shortcutsGiven) {
        constexpr std::uint32_t kShortcutBits = fmt::kFlagDesktopShortcuts | fmt::kFlagStartMenuShortcuts;
        record.settings.flags = (record.settings.flags & ~kShortcutBits) | given.shortcutFlags;
    }
    logRunLine("destination %s, components 0x%X, flags 0x%X", installDir, product.selectionMask,
               record.settings.flags);
}

}  // namespace setup
