#include "engine/failure/failure.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/extract/decode_worker.h"
#include "engine/extract/output_file.h"
#include "engine/extract/picture_files.h"
#include "engine/failure/failure_messages.h"
#include "engine/interaction.h"
#include "engine/log/run_log.h"
#include "engine/removal/remove_by_log.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "resource_ids.h"

namespace setup {

namespace {

constexpr std::size_t kErrorBoxSize = 500;
constexpr std::size_t kSystemTextSize = 510;
constexpr std::size_t kResourceTextSize = 512;

char systemText[kSystemTextSize];

const char* errorCaption() {
    return configLoaded ? configText(config().texts.titleError) : nullptr;
}

std::uint32_t textSlot(std::size_t slotOffset) {
    std::uint32_t slot;
    std::memcpy(&slot, configArea + slotOffset, sizeof slot);
    return slot;
}

void showConfiguredMessage(std::uint32_t code, const char* systemReason) {
    FailureMessage message = failureMessageFor(code);
    if (!message.shown) return;
    const char* format = configText(textSlot(message.textSlot));
    switch (message.arguments) {
    case FailureArguments::kNone: showError(format); break;
    case FailureArguments::kFileAndSystem: showError(format, currentPath, systemReason); break;
    case FailureArguments::kFolderAndSystem: showError(format, currentDir, systemReason); break;
    case FailureArguments::kSystem: showError(format, systemReason); break;
    }
}

}  // namespace

void handleInstallFailure(xInstall* error) {
    // The handler runs inside a catch block: nothing may leave it. Window
    // procedures drop failures while the run ends (engine/failure/window_boundary.h),
    // each step below is guarded all the same, and whatever happens the
    // process ends with the first failure's code through exitSetup.
    static std::uint32_t firstCode = 0;
    if (endingRun) exitSetup(firstCode != 0 ? firstCode : error->code);
    endingRun = true;
    firstCode = error->code;
    const std::uint32_t systemError = error->systemError;

    stopDecodeWorker();
    closeOutputFile();
    if (!configLoaded) {
        char text[kResourceTextSize] = {};
        LoadStringA(programInstance, IDS_ARCHIVE_CORRUPT, text, sizeof text);
        // The resource text is shown as it is: it has no placeholders.
        showError("%s", text);
        exitSetup(firstCode);
    }
    try {
        showConfiguredMessage(firstCode, systemErrorText(systemError));
    } catch (xInstall*) {
    }
    try {
        rollBackInstallation();
    } catch (xInstall*) {
    }
    exitSetup(firstCode);
}

void showError(const char* format, ...) {
    char text[kErrorBoxSize];
    std::va_list args;
    va_start(args, format);
    vformatBounded(text, sizeof text, format, args);
    va_end(args);
    questions().message(text, errorCaption(), kMessageError);
}

const char* systemErrorText(std::uint32_t number) {
    // Formatted aside first, so that a number without a text keeps the
    // previous one instead of leaving a partial result.
    char fresh[kSystemTextSize];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, number, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  fresh, sizeof fresh, nullptr);
    if (length != 0 && length < sizeof fresh) {
        fresh[length] = '\0';
        copyBounded(systemText, fresh);
    }
    return systemText;
}

void exitSetup(std::uint32_t code) {
    closeRunLog(code);
    // A window that still shows a picture holds its file open (the progress
    // window's clip): it goes first, or the file could not be deleted.
    display().closeProgress();
    deleteTempFiles();
    closePackageFile();
    ExitProcess(code);
}

}  // namespace setup
