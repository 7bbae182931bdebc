#include "engine/remove_by_log.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <iterator>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/failure.h"
#include "engine/log_removal.h"
#include "engine/product_registration.h"
#include "engine/registry.h"
#include "engine/removal_limits.h"
#include "engine/shortcuts.h"
#include "engine/uninstall_log.h"
#include "package/setup_config.h"
#include "ui/blob_images.h"
#include "ui/notice_dialog.h"

namespace setup {

namespace {

// The removal never allocates, so that a rollback runs whatever the memory:
// a log is at most a whole section, whether it is this run's own or a file,
// and holds at most one entry per 14 of its bytes.
std::uint8_t logFileBytes[kMaxLogFileSize];
LogItem logItems[kMaxLogFileSize / kMinLogEntrySize];

// The popup of one removal, closed on every way out, a raised failure too.
struct RemovalPopup {
    HWND window = nullptr;
    ~RemovalPopup() { close(); }
    void close() {
        if (window != nullptr) DestroyWindow(window);
        window = nullptr;
    }
};

// The folder the previous installation went into: its "InstallDir" value
// (written under HKEY_LOCAL_MACHINE, where only administrators write), or
// without one the log's own folder less the levels of the configured log
// name.
void previousInstallFolder(const char* logPath, char (&folder)[fmt::kMaxPath]) {
    readRegistryString(folder, sizeof folder, HKEY_LOCAL_MACHINE,
                       configText(config().texts.registryKey), "InstallDir", "");
    if (folder[0] != '\0') return;
    copyBounded(folder, logPath);
    const std::size_t length = std::strlen(folder);
    const std::size_t nameLength = std::strlen(configText(config().texts.uninstallLogName));
    if (nameLength < length && folder[length - nameLength - 1] == '\\') {
        folder[length - nameLength] = '\0';
    } else if (char* last = std::strrchr(folder, '\\')) {
        last[1] = '\0';
    }
}

// The limits of a log from disk: where an installation of this product
// could have put its files and folders.
struct PreviousInstallationLimits {
    char installFolder[fmt::kMaxPath];
    char desktop[fmt::kMaxPath];
    char programs[fmt::kMaxPath];

    explicit PreviousInstallationLimits(const char* logPath) {
        previousInstallFolder(logPath, installFolder);
        readShellFolder(ShellFolder::desktop, desktop, sizeof desktop);
        readShellFolder(ShellFolder::programs, programs, sizeof programs);
    }
    RemovalLimits limits() const { return RemovalLimits{installFolder, desktop, programs}; }
};

}  // namespace

void removeByLog(RemovalMode mode, const char* text, fmt::ImageIndex image, const char* logPath) {
    RemovalPopup popup;
    HICON icon = static_cast<HICON>(loadBlobImage(imageIndex(image), IMAGE_ICON));
    popup.window = showStatusPopup(text, icon);

    const std::uint8_t* log = reinterpret_cast<const std::uint8_t*>(&config().uninstall);
    if (mode == RemovalMode::kPreviousInstallation) {
        const fmt::TextSlots& texts = config().texts;
        std::size_t size = 0;
        const LogFileRead read = readLogFile(logPath, logFileBytes, size);
        if (read == LogFileRead::notFound) {
            popup.close();
            showError(configText(texts.msgLogNotFound), logPath);
            return;
        }
        log = logFileBytes;
        const PreviousInstallationLimits previous(logPath);
        if (read != LogFileRead::ok ||
            checkDiskLog(log, size, previous.limits(), logItems, std::size(logItems)) !=
                DiskLogVerdict::ok) {
            popup.close();
            showError(configText(texts.msgLogCorrupt), logPath);
            return;
        }
    } else if (checkLog(log, sizeof(fmt::UninstallSection), LogOrigin::thisRun) != LogCheck::ok) {
        return;  // this run's own log is always sound; never walk one that is not
    }

    // A log from disk may have been edited: the keys the system and other
    // programs share (top-level keys, everything outside Software and the
    // shared keys below it) are never deleted by it.
    KeyRemoval keys;
    keys.keepSystemKeys = mode == RemovalMode::kPreviousInstallation;
    for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder, fmt::kLogRegistryKey}) {
        const std::size_t found = collectLogEntries(log, kind, logItems, std::size(logItems));
        sortLongestFirst(logItems, found);
        // Whatever stays is passed over: a previous installation or this
        // run's rollback goes on regardless.
        for (std::size_t i = 0; i < found; ++i) removeLogEntry(logItems[i], keys);
    }
    if (mode == RemovalMode::kTemporaryFiles) resetLogToShipped(config().uninstall);
}

void removePreviousInstallation() {
    char logPath[fmt::kMaxPath];
    readRegistryString(logPath, sizeof logPath, HKEY_LOCAL_MACHINE,
                       configText(config().texts.registryKey), "UnInstallLog", "");
    if (logPath[0] == '\0') return;
    removeByLog(RemovalMode::kPreviousInstallation, configText(config().texts.textRemovingPrevious),
                fmt::kImageRemovingPrevious, logPath);
}

void rollBackInstallation() {
    if (!configLoaded) return;
    removeByLog(RemovalMode::kCurrentInstallation, configText(config().texts.textUndoing),
                fmt::kImageUndoing, nullptr);
    removeWrittenUninstallEntry();
}

}  // namespace setup
