#include "uninstaller/uninstall_run.h"

#include <commctrl.h>

#include <iterator>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "base/system_library.h"
#include "engine/journal/journal_search.h"
#include "engine/log/log_digest.h"
#include "engine/removal/log_removal.h"
#include "engine/removal/registry_limits.h"
#include "engine/paths/system_folders.h"
#include "engine/system/registry.h"
#include "engine/removal/removal_limits.h"
#include "engine/removal/removal_places.h"
#include "engine/system/shell_folders.h"
#include "uninstall_ids.h"
#include "uninstaller/removal/path_match.h"
#include "uninstaller/removal/registration.h"
#include "uninstaller/removal/removal.h"
#include "uninstaller/removal/removal_report.h"
#include "uninstaller/folders_in_use.h"
#include "uninstaller/held_product_files.h"
#include "uninstaller/interrupted_setup.h"
#include "uninstaller/removal/self_removal.h"
#include "uninstaller/uninstall_command_line.h"
#include "uninstaller/uninstall_exit_codes.h"
#include "uninstaller/uninstall_texts.h"
#include "uninstaller/windows/result_windows.h"
#include "uninstaller/windows/uninstall_progress.h"

namespace uninstaller {

namespace {

// Static, as in the setup program's removal: a log is at most a whole
// section, and the report has room for every one of its entries.
fmt::u8 logBytes[setup::kMaxLogFileSize];
setup::LogItem scratchItems[setup::kMaxLogFileSize / setup::kMinLogEntrySize];
RemovalReport report;

struct Run {
    HINSTANCE instance;
    Command command;
    char program[fmt::kMaxPath];
    UninstallTexts texts;
    bool textsRead = false;

    // A message box, unless the run is unattended; the fault-injection seam
    // answers it in a test build.
    int box(const char* text, UINT type) const {
        if (command.silent) return IDOK;
        char caption[64] = "Uninstall";
        const char* title = caption;
        if (textsRead) title = texts[kTextTitle];
        else LoadStringA(instance, IDS_CAPTION, caption, sizeof caption);
        int answer = 0;
        if (!setup::answerWithoutWindow(text, type | MB_SETFOREGROUND, answer))
            answer = MessageBoxA(nullptr, text, title, type | MB_SETFOREGROUND);
        return answer;
    }
    // A box of the program's own string table, quoting `argument`.
    void tableBox(UINT id, const char* argument, UINT type, const char* second = "") const {
        if (command.silent) return;
        char format[512] = {};
        char text[2048];
        LoadStringA(instance, id, format, sizeof format);
        setup::formatBounded(text, sizeof text, format, argument, second);
        box(text, type);
    }
};

// The name of this program's file alone, for the usage text.
const char* fileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

// True while a named object of that name exists: the product's lock, or
// the setup program's guard of the same product. Opening a name that
// belongs to another kind of object fails with ERROR_INVALID_HANDLE.
bool namedObjectExists(const char* name) {
    if (name[0] == '\0') return false;
    HANDLE object = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (object != nullptr) {
        CloseHandle(object);
        return true;
    }
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_HANDLE || error == ERROR_ACCESS_DENIED;
}

bool productIsRunning(const UninstallTexts& texts) {
    if (namedObjectExists(texts[kTextLockName])) return true;
    char setupGuard[256];
    return texts[kTextProductName][0] != '\0' &&
           setup::formatBounded(setupGuard, sizeof setupGuard, "InstallSync_%s", texts[kTextProductName]) &&
           namedObjectExists(setupGuard);
}

// A setup killed in the product's folder, whose journal the start's undo
// did not meet or could not remove.
bool interruptedSetupIn(const char* installFolder) {
    constexpr std::size_t kMaxJournals = 16;
    static char folders[kMaxJournals][fmt::kMaxPath];
    const std::size_t count = setup::findInterruptedJournals(nullptr, folders, kMaxJournals);
    for (std::size_t i = 0; i < count; ++i)
        if (setup::journalNamesPlace(folders[i], installFolder)) return true;
    return false;
}

// The places an installation of the product could have written to. The
// install folder must not reach the whole drive or the system's files.
bool logStaysWithinLimits(const InstalledProduct& product, std::size_t size) {
    const setup::RemovalPlaces places;
    if (!places.usableInstallFolder(product.installFolder)) return false;
    return setup::checkDiskLog(logBytes, size, places.limitsFor(product.installFolder), scratchItems,
                               std::size(scratchItems)) == setup::DiskLogVerdict::ok;
}

// The digest the setup program recorded beside "UnInstallLog" under the
// product's key; a log no product key names has none.
setup::LogTrust logTrust(const InstalledProduct& product, std::size_t size) {
    char recorded[fmt::kMaxPath] = {};
    if (product.registered)
        setup::readRegistryString(recorded, sizeof recorded, HKEY_LOCAL_MACHINE, product.key,
                                  setup::kLogDigestValue, "");
    return setup::judgeLogDigest(logBytes, size, recorded);
}

// The keys the log may remove. The product key is known from the registry
// (its "UnInstallLog" names this log); the log's other keys are the product's
// own only when the digest proves that the setup program wrote them.
setup::ProductKey limitKeys[2 + setup::kMaxLogFileSize / setup::kMinLogEntrySize];

setup::RegistryLimits registryLimits(const InstalledProduct& product, setup::LogTrust trust) {
    std::size_t count = 0;
    if (product.registered && product.key[0] != '\0') {
        limitKeys[count++] = {fmt::kRootLocalMachine, product.key};
        limitKeys[count++] = {fmt::kRootCurrentUser, product.key};
    }
    const bool trusted = trust == setup::LogTrust::trusted;
    if (trusted) {
        const std::size_t found =
            setup::collectLogEntries(logBytes, fmt::kLogRegistryKey, scratchItems, std::size(scratchItems));
        for (std::size_t i = 0; i < found && count < std::size(limitKeys); ++i)
            if (scratchItems[i].flag != setup::kLogFlagMadeParent)
                limitKeys[count++] = {scratchItems[i].value, scratchItems[i].text};
    }
    return setup::RegistryLimits{limitKeys, count, trusted};
}

// The product's files that other programs hold keep the whole removal back:
// attended, the programs (else the files) with Retry and Cancel until none
// is held; unattended, nothing is removed. False when the run stops here.
bool productFilesFree(const Run& run) {
    static setup::InUseList held;
    for (;;) {
        findHeldProductFiles(logBytes, run.program, held, scratchItems, std::size(scratchItems));
        if (held.empty()) return true;
        if (run.command.silent) return false;
        const char* names[setup::InUseList::kMaxFiles];
        const std::size_t count = held.shownNames(names);
        char list[2048];
        // Message boxes take "\n" as well as an edit control's "\r\n".
        setup::formatNameLines(names, count, held.programCount == 0 && held.moreFiles != 0, list, sizeof list);
        char format[512] = {};
        LoadStringA(run.instance, held.programCount != 0 ? IDS_PROGRAMS_IN_USE : IDS_FILES_IN_USE, format,
                    sizeof format);
        char text[sizeof list + sizeof format];
        setup::formatBounded(text, sizeof text, format, list);
        if (run.box(text, MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY) return false;
    }
}

// The progress bar is a common control: its library comes from the system
// folder by its full path, never from beside this program.
void loadCommonControls() {
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (auto init = setup::systemFunction<InitFunction>("comctl32.dll", "InitCommonControlsEx")) {
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        init(&classes);
    }
}

// Neither this process nor the copy that removes its file may hold the
// install folder as its current folder: it could not be removed.
void leaveCurrentFolder() {
    char folder[fmt::kMaxPath];
    if (setup::readSystemFolder(setup::SystemFolder::system, folder)) SetCurrentDirectoryA(folder);
}

int uninstall(Run& run) {
    const char* logPath = run.command.logPath;
    // The log's paths are compared with these folders: a folder that has
    // no spelling can be neither compared nor reached.
    char unspellable[fmt::kMaxPath];
    if (setup::findUnspellableFolder(unspellable, sizeof unspellable)) {
        run.tableBox(IDS_FOLDER_NAME_UNUSABLE, unspellable, MB_OK | MB_ICONERROR);
        return kExitFolderName;
    }
    leaveCurrentFolder();
    // A setup killed in the product's folder is undone first, as its own
    // next start would undo it: the log is read once the folder is what it
    // was before that run (an upgrade's run had moved the earlier log aside;
    // a first installation's run leaves no log behind).
    bool undone = false;
    static char kept[1024];
    switch (undoInterruptedSetups(logPath, run.program, kept, sizeof kept)) {
    case InterruptedSetup::none:
        break;
    case InterruptedSetup::kept:
        run.tableBox(IDS_INTERRUPTED_SETUP, logPath, MB_OK | MB_ICONEXCLAMATION, kept);
        return kExitInterrupted;
    case InterruptedSetup::undone:
        undone = true;
        run.tableBox(IDS_INTERRUPTED_UNDONE, logPath, MB_OK | MB_ICONINFORMATION);
        break;
    }
    std::size_t size = 0;
    switch (setup::readLogFile(logPath, logBytes, size)) {
    case setup::LogFileRead::notFound:
        if (undone) return kExitRemoved;
        run.tableBox(IDS_LOG_NOT_FOUND, logPath, MB_OK | MB_ICONERROR);
        return kExitLogNotFound;
    case setup::LogFileRead::corrupt:
        run.tableBox(IDS_LOG_CORRUPT, logPath, MB_OK | MB_ICONERROR);
        return kExitLogRefused;
    case setup::LogFileRead::ok:
        break;
    }
    if (setup::checkLog(logBytes, size, setup::LogOrigin::disk) != setup::LogCheck::ok) {
        run.tableBox(IDS_LOG_CORRUPT, logPath, MB_OK | MB_ICONERROR);
        return kExitLogRefused;
    }
    const InstalledProduct product =
        findInstalledProduct(logBytes, logPath, scratchItems, std::size(scratchItems));
    // Its texts and lock name are believed only once the digest matched:
    // until then every box is the program's own.
    const setup::LogTrust trust = logTrust(product, size);
    if (trust == setup::LogTrust::damaged ||
        (trust == setup::LogTrust::trusted && !readUninstallTexts(logBytes, size, run.texts)) ||
        !logStaysWithinLimits(product, size)) {
        run.tableBox(IDS_LOG_CORRUPT, logPath, MB_OK | MB_ICONERROR);
        return kExitLogRefused;
    }
    static char ownQuestion[2 * fmt::kMaxPath + 256];
    if (trust == setup::LogTrust::noDigest)
        run.texts = ownUninstallTexts(product.installFolder, ownQuestion, sizeof ownQuestion);
    run.textsRead = true;
    const UninstallTexts& texts = run.texts;
    const setup::RegistryLimits keyLimits = registryLimits(product, trust);
    if (productIsRunning(texts)) {
        run.box(texts[kTextRunning], MB_OK | MB_ICONEXCLAMATION);
        return kExitRunning;
    }
    // A killed setup that the undo at the start did not meet (its journal
    // names the install folder, not the log's): only the setup program
    // gives back what it took.
    if (interruptedSetupIn(product.installFolder)) {
        run.tableBox(IDS_INTERRUPTED_ELSEWHERE, product.installFolder, MB_OK | MB_ICONEXCLAMATION);
        return kExitInterrupted;
    }
    if (!productFilesFree(run)) return kExitFilesInUse;
    if (!run.command.silent && run.box(texts[kTextQuestion], MB_YESNO | MB_ICONQUESTION) != IDYES)
        return kExitRemoved;

    const char* phaseTitles[] = {texts[kTextPhaseFiles], texts[kTextPhaseFolders],
                                 texts[kTextPhaseRegistry]};
    const RemovalRun removal{logBytes, logPath, run.program, &product, phaseTitles, &keyLimits};
    SelfRemoval self(run.program);
    if (run.command.silent) {
        NoProgress progress;
        removeInstallation(removal, progress, self, report);
    } else {
        loadCommonControls();
        ProgressWindow progress(run.instance, texts);
        removeInstallation(removal, progress, self, report);
        progress.finish(texts[kTextPhaseDone]);
    }
    // What the copy will not be able to remove is said now: it cannot report back.
    reportFoldersInUse(logBytes, report);
    self.start(report);

    if (report.count() != 0) {
        if (!run.command.silent) showErrorsWindow(run.instance, texts, report);
        return kExitLeftOver;
    }
    run.box(texts[kTextRemoved], MB_OK | MB_ICONINFORMATION);
    return kExitRemoved;
}

// The command from the wide command line, spelt in the code page
// (uninstaller/uninstall_command_line.h), and this program's path spelt the
// same way; false on a system without wide calls (the 9x family, whose
// 8-bit answers are exact).
bool readWideCommand(Run& run) {
    using CommandLineFunction = LPWSTR(WINAPI*)();
    using ModuleFunction = DWORD(WINAPI*)(HMODULE, LPWSTR, DWORD);
    const auto wideCommandLine = setup::wideKernelFunction<CommandLineFunction>("GetCommandLineW");
    const auto wideModule = setup::wideKernelFunction<ModuleFunction>("GetModuleFileNameW");
    const LPWSTR line = wideCommandLine != nullptr ? wideCommandLine() : nullptr;
    setup::WideChar module[setup::kWidePathSize];
    const DWORD length = wideModule != nullptr
                             ? wideModule(nullptr, reinterpret_cast<LPWSTR>(module), setup::kWidePathSize)
                             : 0;
    if (line == nullptr || line[0] == 0 || length == 0 || length >= setup::kWidePathSize) return false;
    module[length] = 0;
    setup::SystemCodePage codePage;
    setup::SystemShortNames items;
    if (setup::spellSystemName(module, codePage, items, run.program, sizeof run.program) ==
        setup::Spelling::none)
        run.program[0] = '\0';
    static char arguments[2 * fmt::kMaxPath + 64];
    if (spellArguments(skipProgramName(reinterpret_cast<const setup::WideChar*>(line), module), codePage,
                       items, arguments, sizeof arguments))
        run.command = parseArguments(arguments);
    return true;
}

}  // namespace

int runUninstaller(HINSTANCE instance, const char* commandLine) {
    Run run{};
    run.instance = instance;
    if (!readWideCommand(run)) {
        const DWORD length = GetModuleFileNameA(nullptr, run.program, sizeof run.program);
        if (length == 0 || length >= sizeof run.program) run.program[0] = '\0';
        run.command = parseArguments(skipProgramName(commandLine, run.program));
    }
    switch (run.command.kind) {
    case CommandKind::finish:
        return finishSelfRemoval(run.command);
    case CommandKind::invalid:
        run.tableBox(IDS_USAGE, fileNameOf(run.program), MB_OK | MB_ICONINFORMATION);
        return kExitUsage;
    case CommandKind::uninstall:
        break;
    }
    return uninstall(run);
}

}  // namespace uninstaller
