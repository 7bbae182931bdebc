#include "engine/directx/directx_setup.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "base/system_library.h"
#include "engine/extract/extraction.h"
#include "engine/failure/cancel.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/interaction.h"
#include "engine/journal/run_journal.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log_entries.h"
#include "engine/paths/private_folder.h"
#include "engine/removal/remove_by_log.h"
#include "format/text_formats.h"
#include "package/setup_config.h"
#include "resource_ids.h"

namespace setup {

namespace {

constexpr char kHelperClass[] = "dxInstallHelper";
constexpr std::size_t kQuestionSize = 512;

// The library's entry point: window, root folder, flags; the result codes
// of directXSetupOutcome.
using DirectXSetupFunction = int(WINAPI*)(HWND window, char* rootFolder, DWORD flags);

// The parent of whatever the library shows. Never shown itself; every
// message goes to the default window procedure.
HWND createHelperWindow() {
    WNDCLASSA helperClass = {};
    helperClass.lpfnWndProc = DefWindowProcA;
    helperClass.hInstance = programInstance;
    helperClass.hIcon = LoadIconA(programInstance, MAKEINTRESOURCEA(IDI_SETUP));
    helperClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    helperClass.lpszClassName = kHelperClass;
    RegisterClassA(&helperClass);  // fails harmlessly when registered before
    return CreateWindowExA(0, kHelperClass, configText(config().texts.titleMessage), 0,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                           nullptr, programInstance, nullptr);
}

// Extracts the DirectX component into the run's private folder for it,
// which held nothing before; the files and folders it makes are recorded in
// the in-memory log like any others.
void extractDirectXComponent(const char* tempFolder) {
    const fmt::SetupConfig& record = config();
    ExtractionState state{};
    state.selectionMask = record.settings.directXComponentMask;
    state.replaceAll = true;
    state.destDir = tempFolder;
    state.title = configText(record.texts.dxExtractTitle);
    state.groupFormat = configText(record.texts.dxExtractGroupText);
    state.fileFormat = configText(record.texts.dxExtractFileFormat);
    extractComponents(state);
}

// The failure question, No being the default. No ends the run as a
// confirmed cancel (the question was the confirmation); any other answer
// lets the installation go on. Unattended, the question only goes to the
// run's log and the run stops with its own exit code.
void askWhetherToGoOn(DirectXReason reason) {
    const fmt::TextSlots& texts = config().texts;
    const char* format = configText(texts.dxMsgFailed);
    const char* why = configText(texts.dxReasons[reason - 1]);
    char question[kQuestionSize];
    // A configured text that asks for more than the reason is shown as it stands.
    if (fmt::checkFormatText(format, "s").empty())
        formatBounded(question, sizeof question, format, why);
    else
        copyBounded(question, format);
    const int answer =
        questions().message(question, configText(texts.titleError), kMessageQuestionNoDefault);
    if (unattendedRun) {
        endingRun = true;
        rollBackInstallation();
        exitSetup(kExitDirectXFailed);
    }
    if (answer == kAnswerNo) endCancelledRun();
}

}  // namespace

DirectXReason runDirectXSetup(const char* tempFolder) {
    char root[fmt::kMaxPath], libraryPath[fmt::kMaxPath];
    if (!directXSetupPaths(tempFolder, root, libraryPath)) return kDirectXLibraryMissing;
    // By its full path: the copy just extracted, never one the search order
    // finds; on 9x its own libraries come from its folder, not the program's.
    HMODULE library = loadLibraryAt(libraryPath);
    if (library == nullptr) {
        logRunLine("DirectX setup %s cannot be loaded", libraryPath);
        return kDirectXLibraryMissing;
    }
    auto directXSetup = systemFunction<DirectXSetupFunction>(library, "DirectXSetupA");
    if (directXSetup == nullptr) {
        logRunLine("DirectX setup %s has no DirectXSetupA", libraryPath);
        FreeLibrary(library);
        return kDirectXFunctionMissing;
    }
    HWND helper = createHelperWindow();
    if (helper == nullptr) {
        // Passed over silently, as a result without a reason.
        logRunLine("DirectX setup not run: its parent window cannot be created");
        FreeLibrary(library);
        return kDirectXNoReason;
    }
    const int result = directXSetup(helper, root, kDirectXSetupFlags);
    DestroyWindow(helper);
    // Released before the temporary files go: a loaded library cannot be deleted.
    FreeLibrary(library);
    logRunLine("DirectX setup %s: result %d", libraryPath, result);

    const DirectXSetupOutcome outcome = directXSetupOutcome(result);
    if (outcome.rebootRequired) rebootRequired = true;
    return outcome.reason;
}

// The private folder the component is extracted into (engine/paths/
// private_folder.h): made new in the temporary folder under a name nobody
// can foresee, open only to this user, the system and the administrators,
// so that nobody else can put a link or a library there before or after
// the extraction. It is recorded in the in-memory log as a folder the run
// made: the removal of the temporary files, or a rollback, takes it last.
bool makeDirectXFolder(char (&folder)[fmt::kMaxPath]) {
    if (!makePrivateTemporaryFolder("~dx", folder)) return false;
    char logged[fmt::kMaxPath];
    copyBounded(logged, folder);
    logged[std::strlen(logged) - 1] = '\0';
    journalPlace(logged);
    appendLogEntry(fmt::kLogFolder, 0, 0, logged);
    logRunLine("DirectX folder %s made", logged);
    return true;
}

void setupDirectX() {
    char folder[fmt::kMaxPath], root[fmt::kMaxPath], libraryPath[fmt::kMaxPath];
    // A folder that cannot be made, or one too long for the library's
    // path, is not used: nothing is extracted, and the library counts as
    // missing.
    DirectXReason reason = kDirectXLibraryMissing;
    if (!makeDirectXFolder(folder) || !directXSetupPaths(folder, root, libraryPath)) {
        logRunLine("DirectX setup not extracted: no private temporary folder (error %lu) or one too long",
                   static_cast<unsigned long>(GetLastError()));
    } else {
        extractDirectXComponent(folder);
        reason = runDirectXSetup(folder);
    }
    // Whatever the outcome: the temporary files and their folder go, and the
    // log is back to its shipped state, so none of them reaches the
    // product's log.
    removeByLog(RemovalMode::kTemporaryFiles, configText(config().texts.dxTextCleanup),
                fmt::kImageDirectXCleanup, nullptr);
    if (reason != kDirectXNoReason && reason <= fmt::kDirectXReasonCount) askWhetherToGoOn(reason);
}

}  // namespace setup
