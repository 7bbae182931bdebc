#include "engine/undo/file_backups.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "base/bounded_text.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "engine/undo/backup_names.h"
#include "engine/undo/backup_place.h"
#include "engine/undo/backup_records.h"
#include "format/package_format.h"
#include "package/setup_config.h"

namespace setup {

namespace {

enum FileRecordKind : std::uint8_t {
    kMovedAside = 1,    // a file, now in a backup folder
    kFolderRemoved = 2, // an empty folder, removed
    kKeptEntry = 3,     // a log entry whose file the rollback leaves
};

enum FileRecordState : std::uint8_t { kPending = 0, kSettled = 1 };

// The payload of the first two kinds, followed by the terminated path.
struct FileRecordHead {
    std::uint32_t number;  // the backup's name in its volume's folder
    std::uint32_t attributes;
    FILETIME created, accessed, written;
    std::uint16_t volume;
    std::uint16_t spare;
};

// Room for one record per entry of both logs a run deals with (the
// previous installation's and its own, each at most 262,144 bytes holding
// at most 18,724 entries) with paths of ordinary length; a record that
// does not fit is a backup that cannot be made.
alignas(8) std::uint8_t recordBytes[2 * 1024 * 1024];
BackupRecords records(recordBytes, sizeof recordBytes);
std::uint32_t nextNumber = 1;

const FileRecordHead& headOf(const BackupRecord* record) {
    return *reinterpret_cast<const FileRecordHead*>(record->payload());
}

const char* pathOf(const BackupRecord* record) {
    return reinterpret_cast<const char*>(record->payload() + sizeof(FileRecordHead));
}

bool backupPathOf(const BackupRecord* record, char (&backup)[fmt::kMaxPath]) {
    const FileRecordHead& head = headOf(record);
    return backupFilePath(backupFolder(head.volume), head.number, backup, sizeof backup);
}

// As the removal that comes before it, a restore tells the shell of every
// item, attended or not.
void tellShell(LONG event, const char* path) {
    SHChangeNotify(event, SHCNF_PATHA | SHCNF_FLUSH, path, nullptr);
}

// Makes every missing folder above the file `path`, outermost first.
void makeFoldersAbove(const char* path) {
    char folder[fmt::kMaxPath];
    if (!copyBounded(folder, path)) return;
    for (std::size_t p = pathRootLength(folder); folder[p] != '\0'; ++p) {
        if (folder[p] != '\\') continue;
        folder[p] = '\0';
        CreateDirectoryA(folder, nullptr);
        folder[p] = '\\';
    }
}

void makeFolderAgain(const BackupRecord* record) {
    const char* path = pathOf(record);
    char inside[fmt::kMaxPath];
    // The folders above it, and the folder itself as the last of them.
    if (formatBounded(inside, sizeof inside, "%s\\x", path)) makeFoldersAbove(inside);
    SetFileAttributesA(path, headOf(record).attributes & ~FILE_ATTRIBUTE_DIRECTORY);
    tellShell(SHCNE_MKDIR, path);
    logRunLine("folder %s made again", path);
}

// Stamps a folder made again with its old times, once nothing more is put into it.
void stampFolder(const BackupRecord* record) {
    HANDLE folder = CreateFileA(pathOf(record), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return;
    const FileRecordHead& head = headOf(record);
    SetFileTime(folder, &head.created, &head.accessed, &head.written);
    CloseHandle(folder);
}

void moveBack(BackupRecord* record) {
    const char* path = pathOf(record);
    char backup[fmt::kMaxPath];
    if (!backupPathOf(record, backup)) return;
    // Over whatever the run left there: the user's file wins.
    BOOL moved = MoveFileExA(backup, path, MOVEFILE_REPLACE_EXISTING);
    if (!moved && GetLastError() == ERROR_PATH_NOT_FOUND) {
        makeFoldersAbove(path);
        moved = MoveFileExA(backup, path, MOVEFILE_REPLACE_EXISTING);
    }
    if (moved) {
        tellShell(SHCNE_CREATE, path);
        logRunLine("restored %s", path);
    } else if (MoveFileExA(backup, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        logRunLine("%s cannot be put back now: it goes back from %s at the next restart", path, backup);
    } else {
        logRunLine("%s cannot be put back: it stays at %s", path, backup);
    }
}

void deleteBackup(const BackupRecord* record) {
    char backup[fmt::kMaxPath];
    if (!backupPathOf(record, backup)) return;
    // A read-only file is not deleted until it is made writable.
    SetFileAttributesA(backup, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(backup)) {
        logRunLine("deleted the backup of %s", pathOf(record));
    } else if (MoveFileExA(backup, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        logRunLine("the backup %s of %s goes at the next restart", backup, pathOf(record));
    } else {
        logRunLine("the backup %s of %s cannot be deleted", backup, pathOf(record));
    }
}

}  // namespace

ExistingItem existingItemAt(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return ExistingItem::none;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ExistingItem::folder;
    const auto* log = reinterpret_cast<const std::uint8_t*>(&config().uninstall);
    return logRecordsPath(log, fmt::kLogFile, path) ? ExistingItem::runsOwnFile : ExistingItem::usersFile;
}

bool moveFileAside(const char* path, FaultSite site) {
    FileRecordHead head{};
    const char* folder = backupFolderFor(path, site, head.volume);
    if (folder == nullptr) return false;
    head.number = nextNumber;
    char backup[fmt::kMaxPath];
    if (!backupFilePath(folder, head.number, backup, sizeof backup)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // Listed first: a file is never away without its record.
    const std::size_t mark = records.mark();
    if (records.append(kMovedAside, {{&head, sizeof head}, {path, std::strlen(path) + 1}}) == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    // Only a rename: never a copy to another volume.
    if (injectFault(site)) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else if (MoveFileExA(path, backup, 0)) {
        ++nextNumber;
        logRunLine("backed up %s as %s", path, backup);
        return true;
    }
    const DWORD error = GetLastError();
    records.truncate(mark);
    SetLastError(error);
    return false;
}

void putBackLastFileAside() {
    BackupRecord* last = nullptr;
    std::size_t lastMark = 0;
    for (BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind != kMovedAside || record->state != kPending) continue;
        last = record;
        lastMark = static_cast<std::size_t>(reinterpret_cast<std::uint8_t*>(record) - recordBytes);
    }
    if (last == nullptr) return;
    moveBack(last);
    last->state = kSettled;
    // Forgotten unless something was listed after it.
    if (records.next(last) == nullptr) records.truncate(lastMark);
}

bool removeFolderAside(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA found;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &found)) return true;
    FileRecordHead head{};
    head.attributes = found.dwFileAttributes;
    head.created = found.ftCreationTime;
    head.accessed = found.ftLastAccessTime;
    head.written = found.ftLastWriteTime;
    const std::size_t mark = records.mark();
    if (records.append(kFolderRemoved, {{&head, sizeof head}, {path, std::strlen(path) + 1}}) == nullptr)
        return false;  // it could not be made again: it stays
    if (RemoveDirectoryA(path)) {
        logRunLine("removed folder %s", path);
        return true;
    }
    records.truncate(mark);
    return false;
}

void keepAtRollback(std::uint32_t entryOffset) {
    records.append(kKeptEntry, {{&entryOffset, sizeof entryOffset}});
}

bool isKeptAtRollback(std::uint32_t entryOffset) {
    for (const BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind != kKeptEntry) continue;
        std::uint32_t kept;
        std::memcpy(&kept, record->payload(), sizeof kept);
        if (kept == entryOffset) return true;
    }
    return false;
}

void restoreFileBackups() {
    for (BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind == kFolderRemoved && record->state == kPending) makeFolderAgain(record);
    }
    for (BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind == kMovedAside && record->state == kPending) moveBack(record);
        record->state = kSettled;
    }
    for (BackupRecord* record = records.first(); record != nullptr; record = records.next(record))
        if (record->kind == kFolderRemoved) stampFolder(record);
    records.clear();
    removeBackupFolders();
}

void discardFileBackups() {
    for (BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind == kMovedAside && record->state == kPending) deleteBackup(record);
        record->state = kSettled;
    }
    records.clear();
    removeBackupFolders();
}

}  // namespace setup
