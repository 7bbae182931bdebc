#include "engine/remove_by_log.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <initializer_list>
#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/failure.h"
#include "engine/product_registration.h"
#include "engine/registry.h"
#include "engine/uninstall_log.h"
#include "package/setup_config.h"
#include "ui/blob_images.h"
#include "ui/notice_dialog.h"

namespace setup {

namespace {

// What one removal holds; released on every way out, a raised failure too.
struct RemovalResources {
    HWND popup = nullptr;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::uint8_t* fileBytes = nullptr;
    LogItem* items = nullptr;

    ~RemovalResources() {
        closePopup();
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        std::free(fileBytes);
        std::free(items);
    }
    void closePopup() {
        if (popup != nullptr) DestroyWindow(popup);
        popup = nullptr;
    }
};

// Reads the whole log file into memory. False when it cannot be opened.
// Raises error code 6 when there is no memory for it; a failed read leaves
// fewer bytes, which the log check then refuses.
bool readLogFile(const char* path, RemovalResources& held, std::size_t& size) {
    held.file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (held.file == INVALID_HANDLE_VALUE) return false;
    const DWORD fileSize = GetFileSize(held.file, nullptr);
    held.fileBytes = static_cast<std::uint8_t*>(
        std::malloc(fileSize == INVALID_FILE_SIZE || fileSize == 0 ? 1 : fileSize));
    if (held.fileBytes == nullptr) raiseInstallError(kErrorOutOfMemory);
    DWORD got = 0;
    size = 0;
    if (fileSize != INVALID_FILE_SIZE && ReadFile(held.file, held.fileBytes, fileSize, &got, nullptr))
        size = got;
    CloseHandle(held.file);
    held.file = INVALID_HANDLE_VALUE;
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
    RemovalResources held;
    HICON icon = static_cast<HICON>(loadBlobImage(imageIndex(image), IMAGE_ICON));
    held.popup = showStatusPopup(text, icon);

    const std::uint8_t* log = reinterpret_cast<const std::uint8_t*>(&config().uninstall);
    std::size_t size = sizeof(fmt::UninstallSection);
    if (mode == RemovalMode::kPreviousInstallation) {
        const fmt::TextSlots& texts = config().texts;
        if (!readLogFile(logPath, held, size)) {
            held.closePopup();
            showError(configText(texts.msgLogNotFound), logPath);
            return;
        }
        log = held.fileBytes;
        if (checkLog(log, size) != LogCheck::ok) {
            held.closePopup();
            showError(configText(texts.msgLogCorrupt), logPath);
            return;
        }
    } else if (checkLog(log, size) != LogCheck::ok) {
        return;  // this run's own log is always sound; never walk one that is not
    }

    std::uint32_t count;
    std::memcpy(&count, log + offsetof(fmt::UninstallHeader, entryCount), sizeof count);
    if (count != 0) {
        held.items = static_cast<LogItem*>(std::malloc(count * sizeof(LogItem)));
        if (held.items == nullptr) raiseInstallError(kErrorOutOfMemory);
        for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder, fmt::kLogRegistryKey}) {
            const std::size_t found = collectLogEntries(log, size, kind, held.items);
            sortLongestFirst(held.items, found);
            for (std::size_t i = 0; i < found; ++i) removeEntry(held.items[i]);
        }
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
