#include "uninstaller/folders_in_use.h"

#include <windows.h>

#include <cstring>
#include <iterator>

#include "engine/log/uninstall_log.h"

namespace uninstaller {

namespace {

setup::LogItem folders[setup::kMaxLogFileSize / setup::kMinLogEntrySize];

// A folder that a process has as its current folder is open without
// sharing its deletion: opening it for deletion fails with a sharing
// violation while that lasts.
bool heldByAnotherProgram(const char* folder) {
    HANDLE handle = CreateFileA(folder, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

bool reported(const RemovalReport& report, const char* path) {
    for (std::size_t i = 0; i < report.count(); ++i)
        if (report[i].kind == fmt::kLogFolder && lstrcmpiA(report[i].text, path) == 0) return true;
    return false;
}

}  // namespace

void reportFoldersInUse(const fmt::u8* log, RemovalReport& report) {
    const std::size_t count = setup::collectLogEntries(log, fmt::kLogFolder, folders, std::size(folders));
    for (std::size_t i = 0; i < count; ++i) {
        const char* path = folders[i].text;
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES || reported(report, path)) continue;
        if (heldByAnotherProgram(path)) report.add(fmt::kLogFolder, 0, path);
    }
}

}  // namespace uninstaller
