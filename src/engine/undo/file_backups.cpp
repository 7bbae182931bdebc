#include "engine/undo/file_backups.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/program_instance.h"
#include "base/system_library.h"
#include "engine/failure/failure.h"
#include "engine/journal/run_journal.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "engine/paths/unfollowed_items.h"
#include "engine/removal/restart_removal.h"
#include "engine/undo/backup_names.h"
#include "engine/undo/backup_place.h"
#include "engine/undo/backup_records.h"
#include "format/package_format.h"
#include "package/setup_config.h"
#include "resource_ids.h"

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
BackupRecords records(recordBytes, sizeof recordBytes, 1);  // the journal's file channel
std::uint32_t nextNumber = 1;
// The backup folders the journal knows, by volume index.
std::uint16_t journaledVolumes;

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

// The files a rollback could not put back because a folder on the way had
// become a link, for the message at its end; the run's log names them all.
constexpr std::size_t kKeptTextSize = 480;
char keptText[kKeptTextSize];
bool keptTextFull;

void noteKeptInBackup(const char* path, const char* backup) {
    if (keptTextFull) return;
    char line[2 * fmt::kMaxPath + 8];
    formatBounded(line, sizeof line, "\n%s\n  (%s)", path, backup);
    if (!appendBounded(keptText, line)) {
        keptTextFull = true;
        appendBounded(keptText, "\n...");
    }
}

void showFilesKeptInBackup() {
    if (keptText[0] == '\0') return;
    char lead[256] = {};
    LoadStringA(programInstance, IDS_KEPT_IN_BACKUP, lead, sizeof lead);
    showError("%s%s", lead, keptText);
    keptText[0] = '\0';
    keptTextFull = false;
}

void makeFolderAgain(const BackupRecord* record) {
    const char* path = pathOf(record);
    // The folders above it, and the folder itself as the last of them,
    // never through a link.
    const ItemOutcome made = makeFolderUnfollowed(path);
    if (made != ItemOutcome::done) {
        logRunLine("folder %s cannot be made again: %s", path, outcomeText(made));
        return;
    }
    SetFileAttributesA(path, headOf(record).attributes & ~FILE_ATTRIBUTE_DIRECTORY);
    tellShell(SHCNE_MKDIR, path);
    logRunLine("folder %s made again", path);
}

// Stamps a folder made again with its old times, once nothing more is put into it.
void stampFolder(const BackupRecord* record) {
    if (makeFolderUnfollowed(pathOf(record)) != ItemOutcome::done) return;
    HANDLE folder = CreateFileA(pathOf(record), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    if (folder == INVALID_HANDLE_VALUE) return;
    const FileRecordHead& head = headOf(record);
    SetFileTime(folder, &head.created, &head.accessed, &head.written);
    CloseHandle(folder);
}

void moveBack(BackupRecord* record) {
    const char* path = pathOf(record);
    char backup[fmt::kMaxPath];
    if (!backupPathOf(record, backup)) return;
    // A killed run may have listed a file it never moved, or put it back
    // already: nothing to give back, and nothing to ask of the restart.
    if (GetFileAttributesA(backup) == INVALID_FILE_ATTRIBUTES) return;
    // Over whatever the run left there: the earlier file wins.
    const ItemOutcome moved = putBackUnfollowed(backup, path);
    if (moved == ItemOutcome::done) {
        tellShell(SHCNE_CREATE, path);
        logRunLine("restored %s", path);
    } else if (moved == ItemOutcome::link) {
        // Never put back later by path either: the restart would follow the link.
        logRunLine("%s cannot be put back: a folder on its way is a link; it stays at %s", path, backup);
        noteKeptInBackup(path, backup);
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
    } else if (MoveFileExA(backup, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ||
               (reportsWindows9x() && deleteAtNext9xRestart(backup))) {
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
    for (; journaledVolumes <= head.volume; ++journaledVolumes)
        journalBackupFolder(journaledVolumes, backupFolder(journaledVolumes));
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
    journalBackups();
    // Only a rename: never a copy to another volume, never through a link.
    ItemOutcome moved = ItemOutcome::failed;
    if (injectFault(site)) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else if ((moved = moveFileUnfollowed(path, backup)) == ItemOutcome::done) {
        ++nextNumber;
        logRunLine("backed up %s as %s", path, backup);
        return true;
    } else if (moved == ItemOutcome::link) {
        logRunLine("%s is not moved aside: %s", path, outcomeText(moved));
        SetLastError(ERROR_ACCESS_DENIED);
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
    journalBackups();
    const ItemOutcome removed = removeFolderUnfollowed(path);
    if (removed == ItemOutcome::done) {
        logRunLine("removed folder %s", path);
        return true;
    }
    if (removed == ItemOutcome::link) logRunLine("folder %s is not removed: %s", path, outcomeText(removed));
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

void adoptBackupVolumes(std::uint16_t count) { journaledVolumes = count; }

// The end of the run's backups: the journal, which lies in one of the
// folders, goes before them.
void endBackupFolders() {
    deleteRunJournal();
    removeBackupFolders();
    journaledVolumes = 0;
}

void restoreFileBackups(BackupFolders folders) {
    // Every folder is checked again now: what was proven during the run may
    // have been swapped since.
    forgetProvenFolders();
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
    if (folders == BackupFolders::remove) endBackupFolders();
    showFilesKeptInBackup();
}

void discardFileBackups() {
    for (BackupRecord* record = records.first(); record != nullptr; record = records.next(record)) {
        if (record->kind == kMovedAside && record->state == kPending) deleteBackup(record);
        record->state = kSettled;
    }
    records.clear();
    endBackupFolders();
}

}  // namespace setup
