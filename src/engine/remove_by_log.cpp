#include "engine/remove_by_log.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>
#include <iterator>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/failure.h"
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

enum class LogFileRead { ok, notFound, corrupt };

// Reads the whole log file into logFileBytes. A file larger than a whole
// section is no log of ours and is not read; a failed read leaves fewer
// bytes, which the log check then refuses.
LogFileRead readLogFile(const char* path, std::size_t& size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LogFileRead::notFound;
    LARGE_INTEGER fileSize;
    size = 0;
    if (GetFileSizeEx(file, &fileSize) && fileSize.QuadPart <= static_cast<LONGLONG>(kMaxLogFileSize)) {
        DWORD got = 0;
        if (ReadFile(file, logFileBytes, static_cast<DWORD>(fileSize.QuadPart), &got, nullptr))
            size = got;
    }
    CloseHandle(file);
    return size != 0 ? LogFileRead::ok : LogFileRead::corrupt;
}

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

// True when every file and folder of a log from disk lies where an
// installation of this product could have put it.
bool staysWithinLimits(const std::uint8_t* log, const char* logPath) {
    char installFolder[fmt::kMaxPath], desktop[fmt::kMaxPath], programs[fmt::kMaxPath];
    previousInstallFolder(logPath, installFolder);
    readShellFolder(ShellFolder::desktop, desktop, sizeof desktop);
    readShellFolder(ShellFolder::programs, programs, sizeof programs);
    const RemovalLimits limits{installFolder, desktop, programs};
    for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder}) {
        const std::size_t found = collectLogEntries(log, kind, logItems, std::size(logItems));
        for (std::size_t i = 0; i < found; ++i)
            if (!isWithinRemovalLimits(kind, logItems[i].text, limits)) return false;
    }
    return true;
}

void removeEntry(const LogItem& item) {
    switch (item.kind) {
    case fmt::kLogFile:
        DeleteFileA(item.text);
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA | SHCNF_FLUSH, item.text, nullptr);
        break;
    case fmt::kLogFolder:
        RemoveDirectoryA(item.text);
        SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHA | SHCNF_FLUSH, item.text, nullptr);
        break;
    case fmt::kLogRegistryKey:
        deleteRegistryKeyPath(item.value, item.text);
        break;
    default:
        break;
    }
}

}  // namespace

void removeByLog(RemovalMode mode, const char* text, fmt::ImageIndex image, const char* logPath) {
    RemovalPopup popup;
    HICON icon = static_cast<HICON>(loadBlobImage(imageIndex(image), IMAGE_ICON));
    popup.window = showStatusPopup(text, icon);

    const std::uint8_t* log = reinterpret_cast<const std::uint8_t*>(&config().uninstall);
    if (mode == RemovalMode::kPreviousInstallation) {
        const fmt::TextSlots& texts = config().texts;
        std::size_t size = 0;
        const LogFileRead read = readLogFile(logPath, size);
        if (read == LogFileRead::notFound) {
            popup.close();
            showError(configText(texts.msgLogNotFound), logPath);
            return;
        }
        log = logFileBytes;
        if (read != LogFileRead::ok || checkLog(log, size, LogOrigin::disk) != LogCheck::ok ||
            !staysWithinLimits(log, logPath)) {
            popup.close();
            showError(configText(texts.msgLogCorrupt), logPath);
            return;
        }
    } else if (checkLog(log, sizeof(fmt::UninstallSection), LogOrigin::thisRun) != LogCheck::ok) {
        return;  // this run's own log is always sound; never walk one that is not
    }

    for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder, fmt::kLogRegistryKey}) {
        const std::size_t found = collectLogEntries(log, kind, logItems, std::size(logItems));
        sortLongestFirst(logItems, found);
        for (std::size_t i = 0; i < found; ++i) removeEntry(logItems[i]);
    }
    if (mode == RemovalMode::kTemporaryFiles) resetLogToShipped(config().uninstall);
}

void deleteRegistryKeyPath(std::uint32_t root, const char* keyPath) {
    char key[fmt::kMaxPath];
    if (!copyBounded(key, keyPath)) return;
    const HKEY rootKey = registryRoot(root);
    for (bool first = true;; first = false) {
        HKEY opened;
        if (RegOpenKeyExA(rootKey, key, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return;
        DWORD subKeys = 0;
        const LONG queried = RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subKeys, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (RegCloseKey(opened) != ERROR_SUCCESS || queried != ERROR_SUCCESS) return;
        if ((first || subKeys == 0) && RegDeleteKeyA(rootKey, key) != ERROR_SUCCESS) return;
        char* parentEnd = std::strrchr(key, '\\');
        if (parentEnd == nullptr) return;
        *parentEnd = '\0';
    }
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
